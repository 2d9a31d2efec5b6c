// How long the strong and the expert players take to decide a turn: whole local games of one
// such seat against `auto` seats (the seat moving round the table), every turn timed, at 2 and 5
// players; against the same games' `auto` turns as the baseline. The expert plays a twentieth of
// the games, each turn on its budget of 80 ms and both cores.
//   velmora-bench-strong [--games N] [--seed S]
#include <algorithm>
#include <cstdio>
#include <vector>

#include "tools/headless.h"
#include "tools/local_game.h"

namespace {

double at(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * v.size()))];
}

// The decision times of `games` games of one `tried` seat against `auto` seats, and of the
// `auto` turns of the same games; false when interrupted.
bool time_games(int players, int games, unsigned seed, Strategy tried, std::vector<double>& ms,
                std::vector<double>& greedy) {
    for (int g = 0; g < games; ++g) {
        std::vector<Strategy> seats(players, Strategy::kAuto);
        seats[g % players] = tried;
        const LocalGameResult r = play_local_game(players, seed + g, seats);
        if (r.interrupted) return false;
        for (const auto& d : r.decisions) (d.strategy == tried ? ms : greedy).push_back(d.ms);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const CommandLine line(argc, argv, "usage: velmora-bench-strong [--games N] [--seed S]\n",
                           {"--games", "--seed"});
    const int games = static_cast<int>(line.Number("--games", 200, 1, 1000000));
    const unsigned seed = static_cast<unsigned>(line.Number("--seed", 1, 0, 4294967295));
    try {
        HeadlessSDL sdl(false);
        for (int players : {2, 5}) {
            std::vector<double> strong, greedy, expert, unused;
            if (!time_games(players, games, seed, Strategy::kStrong, strong, greedy) ||
                !time_games(players, std::max(1, games / 20), seed, Strategy::kExpert, expert,
                            unused)) {
                std::printf("interrupted at %d players\n", players);
                return kInterruptedStatus;
            }
            std::printf(
                "%d players, %zu strong turns: median %.3f ms, p99 %.3f ms, max %.3f ms;"
                " auto median %.4f ms\n",
                players, strong.size(), at(strong, 0.5), at(strong, 0.99), at(strong, 1.0),
                at(greedy, 0.5));
            std::printf("%d players, %zu expert turns: median %.3f ms, p99 %.3f ms, max %.3f ms\n",
                        players, expert.size(), at(expert, 0.5), at(expert, 0.99), at(expert, 1.0));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Error: %s\n", e.what());
        return 1;
    }
    return 0;
}
