#include "ui/others_news.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "ui/texts.h"

namespace {

// Where each card lies on a table.
std::array<int, kNumCards> piles_of(const Tracker& t) {
    std::array<int, kNumCards> where{};
    where.fill(-1);
    for (int p = 0; p < kNumPiles; ++p)
        for (signed char c : t.pile[p]) where[c] = p;
    return where;
}

}  // namespace

void OthersNews::Clear() {
    ClearMarks();
    for (auto& n : news) n.clear();
}

void OthersNews::Left(int p, const std::string& name) {
    if (p >= 0 && p < kMaxPlayers)
        news[p] = Fill(Translate("table line", "%s left; the computer plays the seat"), name);
}

void OthersNews::Back(int p, const std::string& name) {
    if (p >= 0 && p < kMaxPlayers) news[p] = Fill(Translate("table line", "%s is back"), name);
}

void OthersNews::Restore(const Marks& marks_t, const Lines& lines_t, const Movers& movers_t) {
    marked = marks_t;
    movers = movers_t;
    news = lines_t;
}

void OthersNews::Note(int mover, const std::string& name, const Tracker& before, const Tracker& now,
                      bool records) {
    if (mover < 0 || mover >= kMaxPlayers) return;
    const auto was = piles_of(before), is = piles_of(now);
    int played = 0;
    std::vector<std::pair<int, int>> pile_moves;
    for (int c = 0; c < kNumCards; ++c) {
        if (was[c] == is[c] || !is_board_pile(is[c])) continue;
        if (was[c] == mover) {
            ++played;
        } else if (is_board_pile(was[c])) {
            const std::pair<int, int> move{was[c], is[c]};
            if (std::find(pile_moves.begin(), pile_moves.end(), move) == pile_moves.end())
                pile_moves.push_back(move);
        } else {
            continue;  // dealt from the deck: the layout, not a play
        }
        marked[c] = true;
        movers[c] = static_cast<signed char>(mover);
    }
    if (records && played == 0 && pile_moves.empty()) return;  // a deal
    news[mover] = Told(name, records, played, static_cast<int>(pile_moves.size()));
}

std::string OthersNews::Told(const std::string& name, bool records, int played, int piles) {
    if (!records) return Fill(Translate("table line", "%s passed"), name);
    const std::string cards =
        Fill(TranslatePlural("table line", "%d card", "%d cards", played), played);
    const std::string moved =
        Fill(TranslatePlural("table line", "%d pile", "%d piles", piles), piles);
    if (piles == 0) return Fill(Translate("table line", "%s played %s"), name, cards);
    if (played == 0) return Fill(Translate("table line", "%s moved %s"), name, moved);
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
