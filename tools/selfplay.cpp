// Plays whole local games through the real exchange and SDL's event queue: the referee with its
// automatic player, and the human's client answering "220" every turn.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <vector>

#include "tools/headless.h"
#include "tools/local_game.h"

int main(int argc, char** argv) {
    const CommandLine line(argc, argv,
                           "usage: velmora-selfplay [--games N] [--players P] [--seed S]\n"
                           "Plays N whole local games (1) of P players (2 to 5) against the\n"
                           "computer, from seed S (the time) on; prints each winner, then\n"
                           "'N games, wins W0 W1 ..., X games/s'.\n",
                           {"--games", "--players", "--seed"});
    const int games = static_cast<int>(line.Number("--games", 1, 1, 100000000));
    const int players = static_cast<int>(line.Number("--players", 2, 2, 5));
    const unsigned seed = static_cast<unsigned>(
        line.Number("--seed", static_cast<long long>(std::time(nullptr)), 0, 4294967295));
    try {
        HeadlessSDL sdl(false);
        std::vector<int> wins(players, 0);
        bool all_won = true;
        const auto start = std::chrono::steady_clock::now();
        for (int g = 0; g < games; ++g) {
            LocalGameResult r = play_local_game(players, seed + static_cast<unsigned>(g));
            if (r.interrupted) {
                std::printf("interrupted: %d games finished\n", g);
                return kInterruptedStatus;
            }
            std::printf("game %d: players %d, winner %d, turns %d\n", g + 1, players, r.winner,
                        r.turns);
            if (r.winner >= 0 && r.winner < players)
                ++wins[r.winner];
            else
                all_won = false;
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%d games, wins", games);
        for (int w : wins) std::printf(" %d", w);
        std::printf(", %.1f games/s\n", seconds > 0 ? games / seconds : 0.0);
        return all_won ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Error: %s\n", e.what());
        return 1;
    }
}
