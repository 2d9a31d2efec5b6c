// The referee the program creates: it can play a whole turn for the player in turn.
#pragma once

#include <array>

#include "game/referee.h"
#include "game/strategy.h"

class ServerWithAutoPlay : public Server {
  public:
    using Server::Server;

    // How the referee plays `seat` while nobody is connected for it (the computer players of a
    // local game, a player who left); a connected player asking for "Auto" gets `auto`.
    void SetStrategy(int seat, Strategy strategy);

  protected:
    void AutoPlay() override;

  private:
    std::array<Strategy, kMaxPlayers> strategies{};
};
