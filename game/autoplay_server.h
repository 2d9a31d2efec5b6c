// The referee the program creates: it can play a whole turn for the player in turn.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "game/expert.h"
#include "game/referee.h"
#include "game/strategy.h"
#include "game/turn_aside.h"

class ServerWithAutoPlay : public Server {
  public:
    using Server::Server;

    // How the referee plays `seat` while nobody is connected for it (the computer players of a
    // local game, a player who left); a connected player asking for "Auto" gets `auto`.
    void SetStrategy(int seat, Strategy strategy);
    // What the expert may spend on a decision here; its seed moves on with every decision.
    void SetExpertBudget(const ExpertBudget& budget) { expert = budget; }
    // The expert's turns are thought out there from now on, and the referee goes on meanwhile;
    // without, they are decided on the referee's thread.
    void ThinkAside(std::unique_ptr<TurnAside> aside_t) { aside = std::move(aside_t); }

    // How long each decision took, in milliseconds, with the strategy that made it.
    struct Decision {
        Strategy strategy;
        double ms;
    };
    const std::vector<Decision>& decisions() const { return decided; }

  protected:
    bool AutoPlay() override;

  private:
    // The moves of seat p's turn by its strategy; `auto` plays them on the table itself.
    std::vector<Move> Decide(int p, Strategy s);
    void ThinkExpertAside(int p);

    std::array<Strategy, kMaxPlayers> strategies{};
    ExpertBudget expert;
    std::vector<Decision> decided;
    std::unique_ptr<TurnAside> aside;
};
