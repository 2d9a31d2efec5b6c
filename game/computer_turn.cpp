#include "game/computer_turn.h"

std::vector<Move> ComputerTurn(Strategy s, const Tracker& seen, int player, int numplayers,
                               const TurnHistory& history, const ExpertBudget& expert) {
    switch (s) {
        case Strategy::kEasy:
            return EasyTurn(seen, player);
        case Strategy::kStrong:
            return StrongTurn(seen, player, numplayers, history);
        case Strategy::kExpert:
            return ExpertTurn(seen, player, numplayers, history, expert);
        case Strategy::kAuto:
            break;
    }
    Tracker t = seen;
    return AutoTurn(t, player);
}
