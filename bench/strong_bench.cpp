// How long the strong player takes to decide a turn: whole local games of one strong seat
// against `auto` seats (the strong seat moving round the table), every strong turn timed, at 2
// and 5 players; against the same games' `auto` turns as the baseline.
//   velmora-bench-strong [--games N] [--seed S]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "exchange/exchange.h"
#include "game/autoplay_server.h"
#include "tools/headless.h"
#include "tools/local_game.h"

namespace {

// Times every turn the referee plays, by the strategy of the seat.
class TimedServer : public ServerWithAutoPlay {
  public:
    TimedServer(int players, Exchange& exch_t, unsigned seed, int strong_seat_t)
        : ServerWithAutoPlay(players, exch_t, [seed] { return seed; }), strong_seat(strong_seat_t) {
        SetStrategy(strong_seat, Strategy::kStrong);
    }
    std::vector<double> strong_ms, auto_ms;

  protected:
    void AutoPlay() override {
        const int seat = current_turn();
        const auto start = std::chrono::steady_clock::now();
        ServerWithAutoPlay::AutoPlay();
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        (seat == strong_seat ? strong_ms : auto_ms).push_back(ms);
    }

  private:
    int strong_seat;
};

double at(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * v.size()))];
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
            std::vector<double> strong, greedy;
            for (int g = 0; g < games; ++g) {
                Exchange exch;
                exch.EnterLocalMode(players);
                TimedServer server(players, exch, seed + g, g % players);
                if (run_local_game(exch, server).interrupted) {
                    std::printf("interrupted: %d games of %d players finished\n", g, players);
                    return kInterruptedStatus;
                }
                strong.insert(strong.end(), server.strong_ms.begin(), server.strong_ms.end());
                greedy.insert(greedy.end(), server.auto_ms.begin(), server.auto_ms.end());
            }
            std::printf(
                "%d players, %zu strong turns: median %.3f ms, p99 %.3f ms, max %.3f ms;"
                " auto median %.4f ms\n",
                players, strong.size(), at(strong, 0.5), at(strong, 0.99), at(strong, 1.0),
                at(greedy, 0.5));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Error: %s\n", e.what());
        return 1;
    }
    return 0;
}
