// A computer player's turn by its strategy, on the table its seat sees: what the referee plays for
// a seat without a person and what a headless player sends as its own.
#pragma once

#include <vector>

#include "game/expert.h"
#include "game/strategy.h"

std::vector<Move> ComputerTurn(Strategy s, const Tracker& seen, int player, int numplayers,
                               const TurnHistory& history, const ExpertBudget& expert);
