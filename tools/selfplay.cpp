// Plays whole local games through the real exchange and SDL's event queue: the referee with its
// automatic players, and the human's client answering "220" every turn. With --rotate it is an
// arena: the strategies move round the seats game by game, and each strategy's share of the wins
// is printed with its 95 % interval, with the time its decisions took.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <exception>
#include <map>
#include <string>
#include <vector>

#include "tools/headless.h"
#include "tools/local_game.h"
#include "tools/strategy_option.h"

namespace {

// The Wilson score interval of `wins` in `games` at 95 %, in percent.
void print_share(const char* what, int wins, int games) {
    const double n = games, p = games ? wins / n : 0, z = 1.96;
    const double centre = (p + z * z / (2 * n)) / (1 + z * z / n);
    const double half = z * std::sqrt(p * (1 - p) / n + z * z / (4 * n * n)) / (1 + z * z / n);
    std::printf("%s: %d of %d, %.1f %% (95 %%: %.1f to %.1f)\n", what, wins, games, 100 * p,
                games ? 100 * (centre - half) : 0.0, games ? 100 * (centre + half) : 0.0);
}

// The median, the 99th percentile and the longest of `ms`.
void print_times(const char* name, std::vector<double> ms) {
    if (ms.empty()) return;
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) { return ms[static_cast<std::size_t>(q * (ms.size() - 1))]; };
    std::printf("decisions %s: %zu, median %.2f ms, p99 %.2f ms, longest %.2f ms\n", name,
                ms.size(), at(0.5), at(0.99), ms.back());
}

std::vector<Strategy> strategy_list(const CommandLine& line, int players) {
    const std::vector<Strategy> strategies = StrategyList(line, line.Text("--strategies"));
    if (!strategies.empty() && static_cast<int>(strategies.size()) != players)
        line.Fail("--strategies names " + std::to_string(strategies.size()) + " seats, not " +
                  std::to_string(players));
    return strategies;
}

}  // namespace

int main(int argc, char** argv) {
    const CommandLine line(
        argc, argv,
        "usage: velmora-selfplay [--games N] [--players P] [--seed S] [--strategies LIST]\n"
        "                        [--rotate] [--expert-ms T] [--expert-samples K] [--quiet]\n"
        "Plays N whole local games (1) of P players (2 to 5) between computer players, from\n"
        "seed S (the time) on, each seat with its strategy from LIST, comma-separated\n"
        "(easy, auto, strong or expert; auto for every seat). Prints each winner (not with\n"
        "--quiet), then 'N games, wins W0 W1 ..., U unfinished, X games/s'; status 1 when\n"
        "U > 0. --rotate moves the strategies one seat on each game and prints each seat's\n"
        "and each strategy's wins with a 95 % interval. The expert decides within T ms (80),\n"
        "or on K tables each (then the same seed gives the same games). Every strategy's\n"
        "decision times follow: median, 99th percentile, longest.\n",
        {"--games", "--players", "--seed", "--strategies", "--expert-ms", "--expert-samples"},
        {"--rotate", "--quiet"});
    const int games = static_cast<int>(line.Number("--games", 1, 1, 100000000));
    const int players = static_cast<int>(line.Number("--players", 2, 2, 5));
    const unsigned seed = static_cast<unsigned>(
        line.Number("--seed", static_cast<long long>(std::time(nullptr)), 0, 4294967295));
    ExpertBudget expert;
    expert.time = std::chrono::milliseconds(line.Number("--expert-ms", 80, 1, 60000));
    expert.samples = static_cast<int>(line.Number("--expert-samples", 0, 0, 1000000));
    const std::vector<Strategy> strategies = strategy_list(line, players);
    const bool rotate = line.Given("--rotate"), quiet = line.Given("--quiet");
    try {
        HeadlessSDL sdl(false);
        std::vector<int> wins(players, 0);
        std::map<Strategy, std::pair<int, int>> by_strategy;  // wins, seats played
        std::map<Strategy, std::vector<double>> times;
        int unfinished = 0;
        const auto start = std::chrono::steady_clock::now();
        for (int g = 0; g < games; ++g) {
            std::vector<Strategy> seated = strategies;
            if (rotate && !seated.empty())
                std::rotate(seated.begin(), seated.begin() + g % players, seated.end());
            LocalGameResult r =
                play_local_game(players, seed + static_cast<unsigned>(g), seated, expert);
            if (r.interrupted) {
                std::printf("interrupted: %d games finished\n", g);
                return kInterruptedStatus;
            }
            if (!quiet)
                std::printf("game %d: players %d, winner %d, turns %d\n", g + 1, players, r.winner,
                            r.turns);
            const bool won = r.winner >= 0 && r.winner < players;
            if (won)
                ++wins[r.winner];
            else
                ++unfinished;
            for (int p = 0; p < players; ++p) {
                const Strategy s = seated.empty() ? Strategy::kAuto : seated[p];
                by_strategy[s].first += won && r.winner == p;
                ++by_strategy[s].second;
            }
            for (const auto& d : r.decisions) times[d.strategy].push_back(d.ms);
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%d games, wins", games);
        for (int w : wins) std::printf(" %d", w);
        std::printf(", %d unfinished, %.1f games/s\n", unfinished,
                    seconds > 0 ? games / seconds : 0.0);
        if (rotate) {
            for (int p = 0; p < players; ++p)
                print_share(("seat " + std::to_string(p)).c_str(), wins[p], games);
            for (const auto& [s, won] : by_strategy)
                print_share(StrategyName(s), won.first, won.second);
        }
        for (const auto& [s, ms] : times) print_times(StrategyName(s), ms);
        return unfinished == 0 ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Error: %s\n", e.what());
        return 1;
    }
}
