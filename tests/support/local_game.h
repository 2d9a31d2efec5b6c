// A local game driven through the real exchange and SDL's event queue, with a client connector
// that keeps the client's table up to date as the game screen does.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "exchange/exchange.h"
#include "game/autoplay_server.h"
#include "game/protocol.h"
#include "game/tracker_modify.h"

// Applies the records of 200 and 300 lines to the client's table and answers like a player who
// always asks for automatic play; with `hold_turn`, it leaves its own play turns unanswered.
class FollowingConnector : public ClientConnector {
  public:
    FollowingConnector(Exchange& exch, Client& client) : exch(exch), client(client) {}

    void Play(int turn, int playernum, Tokens& command) override {
        if (command.token(2) != playernum) apply(command);
        if (turn == playernum) exch.ClientSend(int_to_string(proto::kSeen));
    }
    void Turn(int turn, int playernum, Tokens& command) override {
        apply(command);
        if (turn == playernum && !hold_turn) exch.ClientSend(int_to_string(proto::kAutoPlay));
    }
    void SetPlayerNum(int playernum_t, int) override { playernum = playernum_t; }

    bool hold_turn = false;
    int playernum = -1;

  private:
    void apply(Tokens& command) {
        std::string ignored;
        TrackerModify().Modify(&client.tracker, &command, 3, ignored);
    }
    Exchange& exch;
    Client& client;
};

struct LocalGame {
    explicit LocalGame(int players, unsigned seed = 1)
        : entered(exch.EnterLocalMode(players)),
          server(players, exch, [seed] { return seed; }),
          client(exch),
          connector(exch, client) {
        client.ConnectClientConnector(&connector);
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
