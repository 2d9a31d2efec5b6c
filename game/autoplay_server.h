// The referee the program creates: it can play a whole turn for the player in turn.
#pragma once

#include <array>
#include <vector>

#include "game/expert.h"
#include "game/referee.h"
#include "game/strategy.h"

class ServerWithAutoPlay : public Server {
  public:
    using Server::Server;

    // How the referee plays `seat` while nobody is connected for it (the computer players of a
    // local game, a player who left); a connected player asking for "Auto" gets `auto`.
    void SetStrategy(int seat, Strategy strategy);
    // What the expert may spend on a decision here; its seed moves on with every decision.
    void SetExpertBudget(const ExpertBudget& budget) { expert = budget; }

    // How long each decision took, in milliseconds, with the strategy that made it.
    struct Decision {
        Strategy strategy;
        double ms;
    };
    const std::vector<Decision>& decisions() const { return decided; }

  protected:
    void AutoPlay() override;

  private:
    // The moves of seat p's turn by its strategy; `auto` plays them on the table itself.
    std::vector<Move> Decide(int p, Strategy s);

    std::array<Strategy, kMaxPlayers> strategies{};
    ExpertBudget expert;
    std::vector<Decision> decided;
};
