// The expert player. It weighs the end positions of its turn as the strong player does, keeps
// the most promising ones, and plays each of them on for a round on many tables dealt from the
// faces its seat has not seen, every player holding back cheaply, for as long as its budget
// allows, on the cores it is given. It keeps the turn that did best on the same tables. It sees
// only what its seat sees.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <vector>

#include "game/moves.h"
#include "game/tracker.h"
#include "game/turn_history.h"

struct ExpertBudget {
    // How long a decision may take; with `samples` set, as many tables as that instead, which
    // with the same seed gives the same turn.
    std::chrono::milliseconds time{80};
    int samples = 0;
    int threads = 2;
    uint64_t seed = 0;
};

// What a decision weighed: the turns played on, and the tables each was played on.
struct ExpertReport {
    int candidates = 0;
    int samples = 0;
};

// The expert's turn on `seen` (hidden faces -1). A set `stop` ends the search at once; the best
// turn found so far is played (the strong player's, if no table was played yet).
std::vector<Move> ExpertTurn(const Tracker& seen, int player, int numplayers,
                             const TurnHistory& history, const ExpertBudget& budget,
                             const std::atomic<bool>* stop = nullptr,
                             ExpertReport* report = nullptr);
