#include "ui/game_log.h"

#include "ui/table_words.h"
#include "ui/texts.h"

std::string LogLine(const StoryEvent& e, const std::function<std::string(int)>& name_of) {
    const std::string who = e.seat >= 0 ? name_of(e.seat) : "";
    const std::string card = CardName(e.face), pile = PileName(e.pile);
    switch (e.kind) {
        case StoryEvent::kBoardDealt:
            return Fill(Translate("log", "Dealt: the %s on %s"), card, pile);
        case StoryEvent::kHandDealt:
            return Fill(TranslatePlural("log", "%s: got %d card", "%s: got %d cards", e.count), who,
                        e.count);
        case StoryEvent::kDrew:
            return Fill(TranslatePlural("log", "%s: drew %d card", "%s: drew %d cards", e.count),
                        who, e.count);
        case StoryEvent::kLaid:
            return Fill(Translate("log", "%s: laid the %s on %s"), who, card, pile);
        case StoryEvent::kSlidUnder:
            return Fill(Translate("log", "%s: slid the %s under %s"), who, card, pile);
        case StoryEvent::kPileMoved:
            return Fill(Translate("log", "%s: moved %s onto %s"), who, PileName(e.from), pile);
        case StoryEvent::kPassed:
            return Fill(Translate("log", "%s: passed"), who);
        case StoryEvent::kJoined:
            return Fill(Translate("log", "%s: joined"), who);
        case StoryEvent::kLeft:
            return Fill(Translate("log", "%s: left; the computer plays the seat"), who);
        case StoryEvent::kBack:
            return Fill(Translate("log", "%s: is back"), who);
        case StoryEvent::kWon:
            return Fill(Translate("log", "%s: won"), who);
    }
    return "";
}

std::vector<std::string> LogLines(const std::vector<StoryEvent>& events,
                                  const std::function<std::string(int)>& name_of) {
    std::vector<std::string> lines;
    lines.reserve(events.size());
    for (const StoryEvent& e : events) lines.push_back(LogLine(e, name_of));
    return lines;
}
