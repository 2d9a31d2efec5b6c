// A local game driven through the real exchange and SDL's event queue, with a client connector
// that keeps the client's table up to date as the game screen does.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "exchange/exchange.h"
#include "game/autoplay_server.h"
#include "game/client.h"
#include "game/protocol.h"

// Follows the game on the client's table and answers like a player who always asks for
// automatic play; with `hold_turn`, it leaves its own play turns unanswered.
class FollowingConnector final : public TableFollower {
  public:
    using TableFollower::TableFollower;
    bool hold_turn = false;

  private:
    void OwnTurn() override {
        if (!hold_turn) exch.ClientSend(int_to_string(proto::kAutoPlay));
    }
};

struct LocalGame {
    explicit LocalGame(int players, unsigned seed = 1)
        : entered(exch.EnterLocalMode(players)),
          server(players, exch, [seed] { return seed; }),
          client(exch),
          connector(exch, client) {
        client.ConnectClientConnector(&connector);
    }
    // A game taken up where `at` left it, on player 0's play turn.
    explicit LocalGame(const PlayTurn& at, unsigned seed = 1)
        : entered(exch.EnterLocalMode(at.numplayers)),
          server(at, exch, [seed] { return seed; }),
          client(exch),
          connector(exch, client) {
        client.ConnectClientConnector(&connector);
        client.Resume(at, 0);
    }
    ~LocalGame() {
        while (exch.PollEvent()) {
        }
    }

    // Takes and routes one event; false when the queue is empty.
    bool step() {
        if (!exch.PollEvent()) return false;
        if (exch.IsPlayerMessage()) {
            const std::string msg = exch.GetPlayerMessage();
            if (exch.GetPlayerNum() == -1) {
                to_client.push_back(msg);
                client.Receive(msg);
            } else {
                server.Receive(exch.GetPlayerNum(), msg);
            }
        } else if (exch.event.type == SDL_USEREVENT && exch.event.user.code == EXCH_WINNER) {
            winner = static_cast<int>(reinterpret_cast<intptr_t>(exch.event.user.data1));
        }
        return true;
    }

    // Steps until `done` holds or nothing is left to do (bounded, so a broken game cannot hang).
    template <typename Done>
    bool run_until(Done done, int max_events = 100000) {
        for (int i = 0; i < max_events && !done(); ++i)
            if (!step()) break;
        return done();
    }

    Exchange exch;
    bool entered;
    ServerWithAutoPlay server;
    Client client;
    FollowingConnector connector;
    std::vector<std::string> to_client;
    int winner = -1;
};
