// One whole local game through the exchange and the event queue: the referee with its automatic
// player, and the human's client answering "220" every turn, as the self-play program plays it.
#pragma once

#include <vector>

#include "game/autoplay_server.h"
#include "game/expert.h"
#include "game/strategy.h"

struct LocalGameResult {
    int winner = -1;
    int turns = 0;
    bool interrupted = false;  // SDL's quit event arrived
    // Every computer decision of the game, timed.
    std::vector<ServerWithAutoPlay::Decision> decisions;
};

// The game dealt from `seed`, each seat played with its strategy (all `auto` when empty); a
// game no player can finish is given up after kMaxTurns turns (winner -1).
constexpr int kMaxTurns = 5000;
LocalGameResult play_local_game(int players, unsigned seed,
                                const std::vector<Strategy>& strategies = {},
                                const ExpertBudget& expert = {});

class Exchange;
class Server;
// The same with a referee of the caller's, on an exchange in local mode for its players.
LocalGameResult run_local_game(Exchange& exch, Server& server);
