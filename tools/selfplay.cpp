// Plays whole local games through the real exchange and SDL's event queue: the referee with its
// automatic player, and the human's client answering "220" every turn.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <string>
#include <vector>

#include "tools/headless.h"
#include "tools/local_game.h"
#include "tools/strategy_option.h"

int main(int argc, char** argv) {
    const CommandLine line(
        argc, argv,
        "usage: velmora-selfplay [--games N] [--players P] [--seed S] [--strategies LIST]\n"
        "Plays N whole local games (1) of P players (2 to 5) between computer players, from\n"
        "seed S (the time) on, each seat with its strategy from LIST, comma-separated\n"
        "(auto or strong; auto for every seat). Prints each winner, then\n"
        "'N games, wins W0 W1 ..., U unfinished, X games/s'; status 1 when U > 0.\n",
        {"--games", "--players", "--seed", "--strategies"});
    const int games = static_cast<int>(line.Number("--games", 1, 1, 100000000));
    const int players = static_cast<int>(line.Number("--players", 2, 2, 5));
    const unsigned seed = static_cast<unsigned>(
        line.Number("--seed", static_cast<long long>(std::time(nullptr)), 0, 4294967295));
    std::vector<Strategy> strategies;
    const std::string list = line.Text("--strategies");
    for (std::size_t at = 0; !list.empty() && at <= list.size();) {
        const std::size_t comma = std::min(list.find(',', at), list.size());
        strategies.push_back(StrategyNamed(line, list.substr(at, comma - at)));
        at = comma + 1;
    }
    if (!list.empty() && static_cast<int>(strategies.size()) != players)
        line.Fail("--strategies names " + std::to_string(strategies.size()) + " seats, not " +
                  std::to_string(players));
    try {
        HeadlessSDL sdl(false);
        std::vector<int> wins(players, 0);
        int unfinished = 0;
        const auto start = std::chrono::steady_clock::now();
        for (int g = 0; g < games; ++g) {
            LocalGameResult r =
                play_local_game(players, seed + static_cast<unsigned>(g), strategies);
            if (r.interrupted) {
                std::printf("interrupted: %d games finished\n", g);
                return kInterruptedStatus;
            }
            std::printf("game %d: players %d, winner %d, turns %d\n", g + 1, players, r.winner,
                        r.turns);
            if (r.winner >= 0 && r.winner < players)
                ++wins[r.winner];
            else
                ++unfinished;
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%d games, wins", games);
        for (int w : wins) std::printf(" %d", w);
        std::printf(", %d unfinished, %.1f games/s\n", unfinished,
                    seconds > 0 ? games / seconds : 0.0);
        return unfinished == 0 ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Error: %s\n", e.what());
        return 1;
    }
}
