// Serves one table of 2 to 5 players over TCP, without a window; plays the turns of players who
// left, like the host does, and keeps serving while anyone is connected.
#include <cstdio>
#include <exception>

#include "exchange/exchange.h"
#include "game/autoplay_server.h"
#include "tools/headless.h"

int main(int argc, char** argv) {
    const int players = static_cast<int>(option(argc, argv, "--players", 0, 2, 5));
    const int port = static_cast<int>(option(argc, argv, "--port", 1234, 1, 65535));
    if (players == 0) {
        std::fprintf(stderr, "usage: %s --players P [--port N]\n", argv[0]);
        return 2;
    }
    try {
        HeadlessSDL sdl(true);
        Exchange exch;
        if (!exch.EnterServerMode(port, players)) {
            std::printf("Error: can't listen on port %d\n", port);
            return 1;
        }
        std::printf("serving %d players on port %d\n", players, port);
        std::fflush(stdout);
        ServerWithAutoPlay server(players, exch);
        int reported = -1, games = 0;
        for (bool over = false; !over && exch.WaitEvent();) {
            if (exch.event.type == SDL_QUIT) {
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
                }
                std::fflush(stdout);
            }
        }
        return 0;
    } catch (const std::exception& e) {
        std::printf("Error: %s\n", e.what());
        return 1;
    }
}
