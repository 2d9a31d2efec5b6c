// One whole local game through the exchange and the event queue: the referee with its automatic
// player, and the human's client answering "220" every turn, as the self-play program plays it.
#pragma once

struct LocalGameResult {
    int winner = -1;
    int turns = 0;
    bool interrupted = false;  // SDL's quit event arrived
};

// The game dealt from `seed`; a game no player can finish is given up after 5000 turns.
LocalGameResult play_local_game(int players, unsigned seed);
