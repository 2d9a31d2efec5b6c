// The records the command-line players and referee keep with --record FILE.
#pragma once

#include <string>

#include "game/game_record.h"

// Game `number` (from 1) goes to `path`, the later ones to PATH.2, PATH.3, ...; a failure is said
// on standard error.
void KeepRecordFile(const std::string& path, int number, const GameRecord& record);
