#include "ui/others_news.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "exchange/tokens.h"

namespace {

std::string count_of(int n, const char* one, const char* many) {
    return int_to_string(n) + " " + (n == 1 ? one : many);
}

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
    if (p >= 0 && p < kMaxPlayers) news[p] = name + " left; the computer plays the seat";
}

void OthersNews::Back(int p, const std::string& name) {
    if (p >= 0 && p < kMaxPlayers) news[p] = name + " is back";
}

void OthersNews::Restore(const Marks& marks_t, const Lines& lines_t) {
    marked = marks_t;
    movers.fill(-1);
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
    std::string& n = news[mover];
    n = name;
    if (!records) {
        n += " passed";
        return;
    }
    if (played > 0) n += " played " + count_of(played, "card", "cards");
    if (played > 0 && !pile_moves.empty()) n += " and";
    if (!pile_moves.empty())
        n += " moved " + count_of(static_cast<int>(pile_moves.size()), "pile", "piles");
}

std::string OthersNews::Text() const {
    std::string text;
    for (const std::string& n : news) {
        if (n.empty()) continue;
        if (!text.empty()) text += "; ";
        text += n;
    }
    return text;
}
