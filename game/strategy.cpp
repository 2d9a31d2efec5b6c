#include "game/strategy.h"

#include <algorithm>
#include <limits>
#include <random>
#include <unordered_set>

#include "exchange/tokens.h"
#include "game/protocol.h"

namespace {

constexpr Strategy kStrategies[] = {Strategy::kEasy, Strategy::kAuto, Strategy::kStrong,
                                    Strategy::kExpert};

}  // namespace

const char* StrategyName(Strategy s) {
    switch (s) {
        case Strategy::kEasy:
            return "easy";
        case Strategy::kStrong:
            return "strong";
        case Strategy::kExpert:
            return "expert";
        case Strategy::kAuto:
            break;
    }
    return "auto";
}

bool ParseStrategy(const std::string& name, Strategy& out) {
    for (Strategy s : kStrategies)
        if (name == StrategyName(s)) {
            out = s;
            return true;
        }
    return false;
}

namespace {

// ---- The greedy order ----

class Greedy {
  public:
    Greedy(Tracker& t_t, int player_t) : t(t_t), player(player_t) {}

    std::vector<Move> Turn() {
        signed char king;
        while (t.has_kings(player, &king))
            play({Move::kOnTop, player, t.get_free_king_pile(), king});
        if (won()) return moves;
        for (bool progress = true; progress;) {
            progress = pile_move();
            if (won()) return moves;
            if (t.has_nonking_holes()) {
                while (under_side_pile()) {
                    progress = true;
                    if (won()) return moves;
                }
                if (fill_holes()) progress = true;
                if (won()) return moves;
            }
            while (on_top()) {
                progress = true;
                if (won()) return moves;
            }
        }
        return moves;
    }

  private:
    bool won() const { return t.pile[player].empty(); }
    void play(const Move& m) {
        Apply(t, m);
        moves.push_back(m);
    }
    bool pile_move() {
        for (int a = kFirstBoardPile; a <= kLastBoardPile; ++a)
            for (int b = kFirstBoardPile; b <= kLastBoardPile; ++b)
                if (t.is_valid_pile_move(a, b)) {
                    play({Move::kPile, a, b, -1});
                    return true;
                }
        return false;
    }
    bool under_side_pile() {
        for (int q : kSidePiles) {
            if (t.pile[q].empty()) continue;
            const signed char bottom = t.cards[t.pile[q].front()];
            for (signed char c : t.pile[player])
                if (t.can_go_on(bottom, t.cards[c])) {
                    play({Move::kUnder, player, q, c});
                    return true;
                }
        }
        return false;
    }
    bool fill_holes() {
        bool played = false;
        for (int q : kSidePiles) {
            if (!t.pile[q].empty()) continue;
            play({Move::kOnTop, player, q, t.get_highest_card(player)});
            if (won()) return true;
            played = true;
        }
        return played;
    }
    bool on_top() {
        for (int q = kFirstBoardPile; q <= kLastBoardPile; ++q) {
            if (t.pile[q].empty()) continue;
            const signed char top = t.cards[t.pile[q].back()];
            for (signed char c : t.pile[player])
                if (t.can_go_on(t.cards[c], top)) {
                    play({Move::kOnTop, player, q, c});
                    return true;
                }
        }
        return false;
    }

    Tracker& t;
    int player;
    std::vector<Move> moves;
};

// ---- The strong player ----

constexpr int kMaxPositions = 400;  // end positions searched
constexpr int kMaxKept = 52;        // cards kept beyond the fewest a position can leave
constexpr int kDeals = 16;          // tables dealt from the unseen cards to score a position
constexpr int kWin = 100;

// What identifies a position of the turn: the board and the own hand.
std::string key_of(const Tracker& t, int player) {
    std::string key;
    for (int p = kFirstBoardPile; p <= kLastBoardPile; ++p) {
        key.append(t.pile[p].begin(), t.pile[p].end());
        key += '|';
    }
    std::vector<signed char> hand = t.pile[player];
    std::sort(hand.begin(), hand.end());
    key.append(hand.begin(), hand.end());
    return key;
}

struct Position {
    Tracker table;
    std::vector<Move> path;
};

// Every end position of the turn reachable from `seen`, the greedy one first.
std::vector<Position> end_positions(const Tracker& seen, int player) {
    Tracker greedy = seen;
    std::vector<Move> path = AutoTurn(greedy, player);
    // A win ends the search, found greedily or below.
    if (greedy.pile[player].empty()) return {{greedy, std::move(path)}};
    std::vector<Position> found{{greedy, std::move(path)}};
    std::unordered_set<std::string> visited{key_of(greedy, player)};
    std::vector<Position> stack{{seen, {}}};
    visited.insert(key_of(seen, player));
    while (!stack.empty() && static_cast<int>(found.size()) < kMaxPositions) {
        Position at = std::move(stack.back());
        stack.pop_back();
        for (const Move& m : LegalMoves(at.table, player)) {
            Position next{at.table, at.path};
            Apply(next.table, m);
            next.path.push_back(m);
            if (!visited.insert(key_of(next.table, player)).second) continue;
            if (next.table.pile[player].empty()) return {std::move(next)};
            stack.push_back(std::move(next));
        }
        found.push_back(std::move(at));
    }
    return found;
}

uint64_t hash_of(const Tracker& t) {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&](int v) { h = (h ^ static_cast<uint64_t>(v + 2)) * 1099511628211ull; };
    for (signed char f : t.cards) mix(f);
    for (const auto& p : t.pile) {
        for (signed char c : p) mix(c);
        mix(-2);
    }
    return h;
}

// The faces `seen` does not show, dealt to the card numbers it does not know, kDeals times.
std::vector<std::vector<std::pair<signed char, signed char>>> deals(const Tracker& seen) {
    auto [hidden, faces] = UnseenOf(seen);
    std::mt19937_64 rng(hash_of(seen));
    std::vector<std::vector<std::pair<signed char, signed char>>> out(kDeals);
    for (auto& deal : out) {
        std::shuffle(faces.begin(), faces.end(), rng);
        for (std::size_t i = 0; i < hidden.size() && i < faces.size(); ++i)
            deal.emplace_back(hidden[i], faces[i]);
    }
    return out;
}

// After the position: each opponent draws and plays greedily, then this player does. Lower is
// better: the own hand against the smallest other hand, a win or a loss outweighing both.
int play_out(Tracker t, int player, int numplayers) {
    int smallest = kNumCards;
    for (int i = 1; i < numplayers; ++i) {
        const int o = (player + i) % numplayers;
        if (!t.pile[kDeck].empty()) t.move_top_to_top(o, kDeck, -1);
        AutoTurn(t, o);
        if (t.pile[o].empty()) return kWin;
        smallest = std::min(smallest, static_cast<int>(t.pile[o].size()));
    }
    if (!t.pile[kDeck].empty()) t.move_top_to_top(player, kDeck, -1);
    AutoTurn(t, player);
    if (t.pile[player].empty()) return -kWin;
    return static_cast<int>(t.pile[player].size()) - smallest;
}

// The first seat to hold back gains and the first seat bound to lay once the deck is empty loses;
// drawn from the board's opening faces, which every player sees, they are not the same seats game
// after game: offsets, 0 to numplayers - 1, from the seats the seating would make them.
struct FirstSeats {
    int holding_back;
    int laying;
};

FirstSeats first_seats(const Tracker& seen, int numplayers) {
    unsigned faces = 0;
    for (signed char face : seen.opening_faces())
        faces = faces * kNumCards + static_cast<unsigned>(face + 1);
    const unsigned seats = static_cast<unsigned>(numplayers);
    return {static_cast<int>(faces % seats), static_cast<int>(faces / seats % seats)};
}

}  // namespace

std::vector<Move> AutoTurn(Tracker& t, int player) {
    return Greedy(t, player).Turn();
}

Unseen UnseenOf(const Tracker& seen) {
    Unseen u;
    std::vector<bool> shown(kNumCards, false);
    for (int n = 0; n < kNumCards; ++n) {
        if (seen.cards[n] >= 0)
            shown[seen.cards[n]] = true;
        else
            u.cards.push_back(static_cast<signed char>(n));
    }
    for (int f = 0; f < kNumCards; ++f)
        if (!shown[f]) u.faces.push_back(static_cast<signed char>(f));
    return u;
}

std::vector<Move> EasyTurn(const Tracker& seen, int player) {
    Tracker t = seen;
    std::vector<Move> moves = AutoTurn(t, player);
    if (moves.size() < 2 || seen.pile[kDeck].empty()) return moves;
    moves.resize(1 + hash_of(seen) % moves.size());
    return moves;
}

std::vector<WeighedTurn> WeighTurns(const Tracker& seen, int player, int numplayers,
                                    const TurnHistory& history) {
    std::vector<Position> ends = end_positions(seen, player);
    if (ends.size() == 1) return {{std::move(ends.front().table), ends.front().path, 0}};
    std::size_t fewest = kNumCards;
    for (const Position& e : ends) fewest = std::min(fewest, e.table.pile[player].size());
    // Once the deck is empty nobody draws again, and a turn that could lay a card and lays none
    // may be the one that stalls the game, so some card goes down (hands then only shrink). Each
    // player still holds back freely in its first turn without a draw, and some in their second,
    // unless a whole round laid nothing and the same tables come back; which seat must lay first
    // is drawn, not set by the deck's size.
    const FirstSeats first = first_seats(seen, numplayers);
    const bool again = history.turns_without_draw > numplayers + first.laying;
    const bool bound =
        !history.drew && seen.pile[kDeck].empty() && (again || history.passes >= numplayers - 1);
    const std::size_t held = seen.pile[player].size();
    const std::size_t most = bound && fewest < held ? held - 1 : held;
    const auto dealt = deals(seen);
    std::vector<WeighedTurn> weighed;
    for (Position& e : ends) {
        if (e.table.pile[player].size() > std::min(fewest + kMaxKept, most)) continue;
        long score = 0;
        for (const auto& deal : dealt) {
            Tracker t = e.table;
            for (auto [card, face] : deal) t.cards[card] = face;
            score += play_out(std::move(t), player, numplayers);
        }
        weighed.push_back({std::move(e.table), std::move(e.path), score});
    }
    // Ties go to the position that plays more, then to the one found first.
    std::stable_sort(weighed.begin(), weighed.end(), [player](const auto& a, const auto& b) {
        if (a.score != b.score) return a.score < b.score;
        return a.table.pile[player].size() < b.table.pile[player].size();
    });
    return weighed;
}

std::vector<Move> StrongTurn(const Tracker& seen, int player, int numplayers,
                             const TurnHistory& history) {
    // Holding back in the first turn spoils the first turn of every later seat and of no earlier
    // one, so every seat plays its first turn greedily, and the seats before the first to hold
    // back their second.
    const FirstSeats first = first_seats(seen, numplayers);
    if (seen.cards_drawn(numplayers) <= numplayers + first.holding_back) {
        Tracker t = seen;
        return AutoTurn(t, player);
    }
    return WeighTurns(seen, player, numplayers, history).front().path;
}
