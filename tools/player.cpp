// Joins a served game and plays every turn with "220", as a client without a window does.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

#include "exchange/exchange.h"
#include "game/client_server.h"
#include "tools/headless.h"

namespace {

std::string host_option(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--host") return argv[i + 1];
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    const std::string host = host_option(argc, argv);
    const int port = static_cast<int>(option(argc, argv, "--port", 1234, 1, 65535));
    const int games = static_cast<int>(option(argc, argv, "--games", 1, 1, 1000000));
    if (host.empty()) {
        std::fprintf(stderr, "usage: %s --host H [--port N] [--games K]\n", argv[0]);
        return 2;
    }
    try {
        HeadlessSDL sdl(true);
        Exchange exch;
        if (!exch.ClientConnect(host, port)) {
            std::printf("Error: can't connect to %s port %d\n", host.c_str(), port);
            return 1;
        }
        Client client(exch);
        int seen = 0;
        while (seen < games && exch.WaitEvent()) {
            if (exch.event.type == SDL_QUIT) {
                exch.ClientDisconnect();
                std::printf("interrupted: %d games finished\n", seen);
                return kInterruptedStatus;
            }
            if (exch.IsPlayerMessage() && exch.GetPlayerNum() == -1) {
                if (client.Receive(exch.GetPlayerMessage())) {
                    std::printf("Error: the connection to the referee was lost\n");
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
        std::printf("Error: %s\n", e.what());
        return 1;
    }
}
