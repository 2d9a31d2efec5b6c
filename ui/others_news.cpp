#include "ui/others_news.h"

#include "ui/texts.h"

void OthersNews::Clear() {
    ClearMarks();
    for (auto& n : news) n.clear();
}

void OthersNews::Restore(const Marks& marks_t, const Lines& lines_t, const Movers& movers_t) {
    marked = marks_t;
    movers = movers_t;
    news = lines_t;
}

void OthersNews::Follow(const GameStory& story, const std::function<std::string(int)>& name_of,
                        bool marks) {
    for (int p = 0; p < kMaxPlayers; ++p) news[p] = Told(name_of(p), story.news()[p]);
    if (!marks) return;
    movers = story.movers();
    for (int c = 0; c < kNumCards; ++c) marked[c] = movers[c] != -1;
}

std::string OthersNews::Told(const std::string& name, const SeatNews& said) {
    switch (said.kind) {
        case SeatNews::kNothing:
            return "";
        case SeatNews::kPassed:
            return Fill(Translate("table line", "%s passed"), name);
        case SeatNews::kLeft:
            return Fill(Translate("table line", "%s left; the computer plays the seat"), name);
        case SeatNews::kBack:
            return Fill(Translate("table line", "%s is back"), name);
        case SeatNews::kPlayed:
            break;
    }
    const std::string cards =
        Fill(TranslatePlural("table line", "%d card", "%d cards", said.cards), said.cards);
    const std::string moved =
        Fill(TranslatePlural("table line", "%d pile", "%d piles", said.piles), said.piles);
    if (said.piles == 0) return Fill(Translate("table line", "%s played %s"), name, cards);
    if (said.cards == 0) return Fill(Translate("table line", "%s moved %s"), name, moved);
    return Fill(Translate("table line", "%s played %s and moved %s"), name, cards, moved);
}

std::string OthersNews::Text() const {
    std::string text;
    for (const std::string& n : news) {
        if (n.empty()) continue;
        // French sets a space before the semicolon.
        text = text.empty() ? n : Fill(Translate("table line", "%s; %s"), text, n);
    }
    return text;
}
