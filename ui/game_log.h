// The game's log in words: one line for each thing the story tells, by the names the seats'
// plates show.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "game/game_story.h"

// `name_of(p)` names seat p as its plate does.
std::string LogLine(const StoryEvent& e, const std::function<std::string(int)>& name_of);
std::vector<std::string> LogLines(const std::vector<StoryEvent>& events,
                                  const std::function<std::string(int)>& name_of);
