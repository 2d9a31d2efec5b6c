#include "game/table_line.h"

#include <array>

#include "exchange/tokens.h"

namespace {

// Lines of more turns than the deck has cards come from no game.
constexpr int kMostTurns = 10000;

class Reader {
  public:
    Reader(const Tokens& tokens_t, unsigned first) : tokens(tokens_t), next(first) {}
    // The next number, when it lies in [low, high]; otherwise the line is bad.
    int Next(int low, int high) {
        const int value = next < tokens.data.size() ? tokens.data[next] : low - 1;
        ++next;
        if (value < low || value > high) bad = true;
        return bad ? low : value;
    }
    bool AtEnd() const { return next == tokens.data.size(); }
    bool bad = false;

  private:
    const Tokens& tokens;
    unsigned next;
};

bool faces_known_where_seen(const SeatTable& v) {
    std::array<bool, kNumCards> seen{};
    for (int p = 0; p < kNumPiles; ++p)
        for (signed char c : v.table.pile[p]) {
            const signed char face = v.table.cards[c];
            const bool known = is_board_pile(p) || p == v.seat;
            if (is_card(face) != known) return false;
            if (known && seen[face]) return false;
            if (known) seen[face] = true;
        }
    return true;
}

}  // namespace

std::string SeatTableLine(int code, const SeatTable& view) {
    std::string out = int_to_string(code);
    for (int n : {view.numplayers, view.seat, view.turn, int{view.history.drew},
                  view.history.turns_without_draw, view.history.passes, view.history.hand_cards}) {
        out += ' ';
        append_int(out, n);
    }
    for (signed char face : view.table.cards) {
        out += ' ';
        append_int(out, face);
    }
    for (const auto& pile : view.table.pile) {
        out += ' ';
        append_int(out, static_cast<int>(pile.size()));
        for (signed char c : pile) {
            out += ' ';
            append_int(out, c);
        }
    }
    return out;
}

std::optional<SeatTable> ReadSeatTable(const Tokens& tokens, unsigned first, bool watcher) {
    Reader in(tokens, first);
    SeatTable v;
    v.numplayers = in.Next(2, kMaxPlayers);
    v.seat = watcher ? in.Next(-1, -1) : in.Next(0, v.numplayers - 1);
    v.turn = in.Next(-1, v.numplayers - 1);
    v.history.drew = in.Next(0, 1) == 1;
    v.history.turns_without_draw = in.Next(0, kMostTurns);
    v.history.passes = in.Next(0, kMostTurns);
    v.history.hand_cards = in.Next(-1, kNumCards);
    for (signed char& face : v.table.cards) face = static_cast<signed char>(in.Next(-1, 51));
    int total = 0;
    for (auto& pile : v.table.pile) {
        const int count = in.Next(0, kNumCards - total);
        total += count;
        for (int i = 0; i < count && !in.bad; ++i)
            pile.push_back(static_cast<signed char>(in.Next(0, kNumCards - 1)));
    }
    if (in.bad || !in.AtEnd()) return std::nullopt;
    std::string why;
    for (int p = v.numplayers; p < kMaxPlayers; ++p)
        if (!v.table.pile[p].empty()) return std::nullopt;
    if (!v.table.holds_each_card_once() || !v.table.deck_in_dealing_order() ||
        !faces_known_where_seen(v) || !v.table.board_of_runs(why))
        return std::nullopt;
    return v;
}
