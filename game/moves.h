// The moves of a turn and their records, as the referee, the players and the view make them.
#pragma once

#include <string>
#include <vector>

#include "game/tracker.h"

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
// Every move `player` may make on `t` now: hand cards under and onto board piles, then piles
// onto piles.
std::vector<Move> LegalMoves(const Tracker& t, int player);
