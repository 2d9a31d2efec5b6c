// Joins a served game and plays every turn: with "220" (the referee's `auto` plays it), as a
// client without a window does, or with the strong player's moves chosen on its own table.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

#include "exchange/exchange.h"
#include "game/client_server.h"
#include "game/protocol.h"
#include "game/strategy.h"
#include "tools/headless.h"
#include "tools/strategy_option.h"

namespace {

// Plays its turns: with "220" (the referee's `auto`), or with the strong player on the client's
// table, which shows only this player's cards, sent as "210" lines. Prints the seats and the chat
// lines the referee sends, and says its own line at its first play turn.
class Player final : public TableFollower {
  public:
    Player(Exchange& exch_t, Client& client_t, Strategy strategy_t, std::string say_t)
        : TableFollower(exch_t, client_t), strategy(strategy_t), say(std::move(say_t)) {}

  private:
    void OwnTurn() override {
        // By the first play turn every player has answered the referee: all of them hear it.
        if (!say.empty()) client.Chat(say);
        say.clear();
        if (strategy != Strategy::kStrong) {
            exch.ClientSend(int_to_string(proto::kAutoPlay));
            return;
        }
        Tracker& table = client.tracker;
        std::string line = int_to_string(proto::kPlay);
        for (const Move& m : StrongTurn(table, playernum, numplayers, client.history)) {
            AppendRecord(line, table, m);
            Apply(table, m);
        }
        exch.ClientSend(line);
    }
    void SeatsChanged(const std::vector<SeatInfo>& seats) override {
        std::string names;
        for (const SeatInfo& seat : seats) names += (names.empty() ? "" : ", ") + seat.name;
        std::printf("seats %s\n", names.c_str());
        std::fflush(stdout);
    }
    void ChatLine(int seat, const std::string& text) override {
        std::printf("chat %d %s\n", seat, text.c_str());
        std::fflush(stdout);
    }
    void ChatDropped() override {
        std::printf("chat dropped\n");
        std::fflush(stdout);
    }

    Strategy strategy;
    std::string say;
};

}  // namespace

int main(int argc, char** argv) {
    const CommandLine line(
        argc, argv,
        "usage: velmora-player --host H [--port N] [--games K] [--strategy S] [--name NAME]\n"
        "                      [--say TEXT]\n"
        "Joins the game served by host H on TCP port N (1234) as NAME and plays every turn\n"
        "with strategy S: auto (the referee plays it) or strong (chosen here, on this\n"
        "player's own table); prints 'winner W' after each of K games (1), 'seats A, B, ...'\n"
        "whenever the referee names the seats and 'chat SEAT LINE' for each chat line; says\n"
        "TEXT in the chat at its first play turn.\n",
        {"--host", "--port", "--games", "--strategy", "--name", "--say"});
    const int port = static_cast<int>(line.Number("--port", 1234, 1, 65535));
    const int games = static_cast<int>(line.Number("--games", 1, 1, 1000000));
    const Strategy strategy = StrategyNamed(line, line.Text("--strategy", "auto"));
    const std::string host = line.Text("--host");
    if (host.empty()) line.Fail("--host is required");
    try {
        HeadlessSDL sdl(true);
        Exchange exch;
        if (!exch.ClientConnect(host, port)) {
            std::fprintf(stderr, "Error: can't connect to %s port %d\n", host.c_str(), port);
            return 1;
        }
        Client client(exch);
        client.SetName(line.Text("--name", ""));
        Player player(exch, client, strategy, line.Text("--say", ""));
        client.ConnectClientConnector(&player);
        int seen = 0;
        while (seen < games && exch.WaitEvent()) {
            if (exch.event.type == SDL_QUIT) {
                exch.ClientDisconnect();
                std::printf("interrupted: %d games finished\n", seen);
                return kInterruptedStatus;
            }
            if (exch.IsPlayerMessage() && exch.GetPlayerNum() == -1) {
                if (client.Receive(exch.GetPlayerMessage())) {
                    std::fprintf(stderr, "Error: the connection to the referee was lost\n");
                    return 1;
                }
            } else if (exch.event.type == SDL_USEREVENT && exch.event.user.code == EXCH_WINNER) {
                std::printf("winner %d\n",
                            static_cast<int>(reinterpret_cast<intptr_t>(exch.event.user.data1)));
                std::fflush(stdout);
                ++seen;
            }
        }
        exch.ClientDisconnect();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Error: %s\n", e.what());
        return 1;
    }
}
