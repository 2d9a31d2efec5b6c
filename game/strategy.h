// How a computer player plays a turn. Two strategies: `auto`, the fixed greedy order every
// player without a connection always had, and `strong`, which looks ahead and may hold cards
// back. Both work on a table alone, so the referee, a headless player and the hint share them.
#pragma once

#include <string>
#include <vector>

#include "game/moves.h"
#include "game/tracker.h"
#include "game/turn_history.h"

// From the weakest: `easy` for beginners, `auto` (Normal), `strong`, and `expert`, which plans
// its turn by playing it on over many dealings of the cards it has not seen (game/expert.h).
enum class Strategy { kAuto, kStrong, kEasy, kExpert };

// "easy", "auto", "strong" or "expert"; false for another name.
bool ParseStrategy(const std::string& name, Strategy& out);
const char* StrategyName(Strategy s);

// The greedy order: kings into free corners; then, while anything moves, one pile move, cards
// under side piles and the highest cards into holes while a side pile is open, cards onto any
// pile; ties to the lowest pile and the earliest hand card. Plays on `t` and stops when the
// player's hand is empty.
std::vector<Move> AutoTurn(Tracker& t, int player);

// A beginner's turn on `seen`: the greedy order, stopped after a random number of its moves
// (drawn from the table, so the same table gives the same turn); once the deck is empty the
// whole of it, so that the game still ends.
std::vector<Move> EasyTurn(const Tracker& seen, int player);

// The strong player's turn on `seen`, a table whose hidden faces are -1 (it never looks at
// anything else). It searches the end positions of its turn, fewer cards played included, and
// scores each by the opponents' greedy replies and its own next turn on tables dealt from the
// unseen cards. The same table and history give the same turn. Its first turn of a game is the
// greedy one, and so is its second before the seat drawn to hold back first, so that strong
// players stay fair to every seat. Once the deck is empty it lays at least one card when it can
// from its second turn without a draw on, or its third (the board's faces draw which), and in its
// first one when nobody laid a card in the round before, so that holding back never stalls a game.
std::vector<Move> StrongTurn(const Tracker& seen, int player, int numplayers,
                             const TurnHistory& history);

// The card numbers whose faces `seen` does not show, and those faces, each in order: what a
// player deals again and again to play its turn on.
struct Unseen {
    std::vector<signed char> cards;
    std::vector<signed char> faces;
};
Unseen UnseenOf(const Tracker& seen);

// A turn the strong player weighs: where it ends, its moves, and its score (lower is better).
struct WeighedTurn {
    Tracker table;
    std::vector<Move> path;
    long score;
};
// The end positions of the turn that the strong player may choose (holding back no further than
// it may once the deck is empty), best first by its score; one alone when a position wins.
std::vector<WeighedTurn> WeighTurns(const Tracker& seen, int player, int numplayers,
                                    const TurnHistory& history);
