// A game stopped on a play turn: what a referee and a client need to take it up again.
#pragma once

#include "game/tracker.h"
#include "game/turn_history.h"

// A game on the play turn of `turn`, its draw made: enough for a referee and a client to go on
// from there exactly as they would have.
struct PlayTurn {
    int numplayers = 0;
    int turn = 0;
    // The referee's, every face known.
    Tracker table;
    TurnHistory history;
};
