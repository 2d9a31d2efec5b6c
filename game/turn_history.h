// What every player can know of a game's course beyond its table.
#pragma once

#include "game/tracker.h"

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
