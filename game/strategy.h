// How a computer player plays a turn. Two strategies: `auto`, the fixed greedy order every
// player without a connection always had, and `strong`, which looks ahead and may hold cards
// back. Both work on a table alone, so the referee, a headless player and the hint share them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/tracker.h"

enum class Strategy { kAuto, kStrong };

// "auto" or "strong"; false for another name.
bool ParseStrategy(const std::string& name, Strategy& out);

// One move of a turn: a hand card onto the top of a board pile or under it, or a whole board
// pile onto another (`card` -1).
struct Move {
    enum Kind { kOnTop, kUnder, kPile } kind;
    int from;
    int to;
    signed char card;
    bool operator==(const Move& o) const {
        return kind == o.kind && from == o.from && to == o.to && card == o.card;
    }
};

void Apply(Tracker& t, const Move& m);
// Whether the rules let `player` make `m` on `t`, its faces known where it moves.
bool IsLegal(const Tracker& t, int player, const Move& m);
// The move's record as in a 200 or 210 line, with its leading blank.
void AppendRecord(std::string& line, const Tracker& before, const Move& m);

// The greedy order: kings into free corners; then, while anything moves, one pile move, cards
// under side piles and the highest cards into holes while a side pile is open, cards onto any
// pile; ties to the lowest pile and the earliest hand card. Plays on `t` and stops when the
// player's hand is empty.
std::vector<Move> AutoTurn(Tracker& t, int player);

// The table as `player` sees it: the faces of the other hands and of the deck unknown (-1).
Tracker SeenBy(const Tracker& t, int player);

// What a player knows of the game's course beyond its table, from the lines every player sees:
// whether the turn in play began with a draw, how many turns began without one, and how many
// turns in a row before it laid no card. A new game starts from a new history.
struct TurnHistory {
    // At the start of each play turn, on the table before its draw.
    void TurnBegins(const Tracker& before_draw, int numplayers, bool draws);

    bool drew = false;
    int turns_without_draw = 0;  // this one included
    int passes = 0;
    int hand_cards = -1;  // in all hands after the last turn's draw; -1 before the first turn
};

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
