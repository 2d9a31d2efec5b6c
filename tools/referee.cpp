// Serves one table of 2 to 5 players over TCP, without a window; plays the turns of players who
// left, like the host does, and keeps serving while anyone is connected.
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "exchange/exchange.h"
#include "game/autoplay_server.h"
#include "net/game_search.h"
#include "tools/headless.h"
#include "tools/record_file.h"
#include "tools/strategy_option.h"

namespace {

// This machine's name, as a host's answer gives it: at most 16 characters.
std::string host_name() {
    char name[256] = "";
    gethostname(name, sizeof name - 1);
    return std::string(name).substr(0, 16);
}

// The record with the seats as the referee names them, the computer's at `strength`.
GameRecord Named(GameRecord record, const Server& server, Strategy strength) {
    record.where = "hosted";
    NameSeats(record, server.Seats(), strength);
    return record;
}

}  // namespace

int main(int argc, char** argv) {
    const CommandLine line(
        argc, argv,
        "usage: velmora-referee --players P [--port N] [--strategy S] [--plain] [--hidden]\n"
        "Serves one game of P players (2 to 5) on TCP port N (1234) and plays\n"
        "the turns of players who leave with strategy S (easy, auto, strong or expert);\n"
        "prints 'winner W' after each game. --plain speaks only the game's own\n"
        "lines, as a referee without names, seats and chat does. While players\n"
        "are awaited it answers searches for games on the local network (UDP\n"
        "port 1234) with this machine's name, unless --hidden. --record FILE keeps\n"
        "each game whole as a record (docs/records.md): the first in FILE, the next\n"
        "in FILE.2, FILE.3, ...\n",
        {"--players", "--port", "--strategy", "--record"}, {"--plain", "--hidden"});
    const int port = static_cast<int>(line.Number("--port", 1234, 1, 65535));
    const int players = static_cast<int>(line.Number("--players", 2, 2, 5));
    const Strategy strategy = StrategyNamed(line, line.Text("--strategy", "auto"));
    if (!line.Given("--players")) line.Fail("--players is required");
    try {
        HeadlessSDL sdl(true);
        Exchange exch;
        if (!exch.EnterServerMode(port, players)) {
            std::fprintf(stderr, "Error: can't listen on port %d\n", port);
            return 1;
        }
        std::printf("serving %d players on port %d\n", players, port);
        std::fflush(stdout);
        ServerWithAutoPlay server(players, exch);
        for (int seat = 0; seat < players; ++seat) server.SetStrategy(seat, strategy);
        server.SpeakExtension(!line.Given("--plain"));
        int reported = -1, games = 0;
        // Found on the local network while players are awaited.
        std::unique_ptr<GameBeacon> beacon;
        const auto findable = [&, hidden = line.Given("--hidden")] {
            const int awaited = exch.GetPlayerWaitCount();
            if (awaited == 0 || hidden)
                beacon.reset();
            else if (!beacon)
                beacon = std::make_unique<GameBeacon>(GameOffer{host_name(), port, 0, players});
            if (beacon) beacon->SetJoined(players - awaited);
        };
        findable();
        for (bool over = false; !over && exch.WaitEvent();) {
            findable();
            if (exch.event.type == SDL_QUIT) {
                server.Goodbye();
                std::printf("interrupted: %d games finished\n", games);
                return kInterruptedStatus;
            }
            if (!exch.IsPlayerMessage() || exch.GetPlayerNum() < 0) continue;
            over = server.Receive(exch.GetPlayerNum(), exch.GetPlayerMessage());
            if (server.winner() != reported) {
                reported = server.winner();
                if (reported != -1) {
                    std::printf("winner %d\n", reported);
                    ++games;
                    if (line.Given("--record") && server.FinishedGame())
                        KeepRecordFile(line.Text("--record"), games,
                                       Named(*server.FinishedGame(), server, strategy));
                }
                std::fflush(stdout);
            }
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Error: %s\n", e.what());
        return 1;
    }
}
