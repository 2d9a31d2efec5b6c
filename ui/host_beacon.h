// A hosted game is found on the local network whenever it waits for players: before its first
// game and after "Play again" alike, if the player lets it be found.
#pragma once

#include <memory>

#include "net/game_search.h"
#include "store/settings.h"

class HostBeacon {
  public:
    HostBeacon(const Settings& settings, int port);
    // `awaited`: the players the game of `seats` waits for now, 0 while it does not wait.
    void Follow(int awaited, int seats);

  private:
    GameOffer offer;
    bool findable;
    std::unique_ptr<GameBeacon> beacon;
};
