// How long the server takes to keep a finished game (its record stored and its people rated in
// one transaction, synced), against how long the game itself took: whole local games of two
// people and a computer, each stored when it ends, on the database named.
//   velmora-bench-store --database D [--games N]
#include <cstdio>
#include <vector>

#include "bench/median_ms.h"
#include "exchange/exchange.h"
#include "game/autoplay_server.h"
#include "server/game_store.h"
#include "tools/headless.h"
#include "tools/local_game.h"

int main(int argc, char** argv) {
    const CommandLine line(argc, argv, "usage: velmora-bench-store --database D [--games N]\n",
                           {"--database", "--games"});
    const int games = static_cast<int>(line.Number("--games", 100, 1, 100000));
    if (!line.Given("--database")) line.Fail("--database is required");
    try {
        HeadlessSDL sdl(true);
        GameStore store(OpenDatabase(line.Text("--database")));
        const std::array<std::string, kMaxPlayers> keys{KeyHash(PlayerKey{1}),
                                                        KeyHash(PlayerKey{2})};
        store.OwnedName("Anna", keys[0]);
        store.OwnedName("Bo", keys[1]);
        std::vector<double> game_ms, store_ms;
        for (int g = 0; g < games; ++g) {
            Exchange exch;
            exch.EnterLocalMode(3);
            ServerWithAutoPlay referee(3, exch, [g] { return 1000u + static_cast<unsigned>(g); });
            auto start = BenchClock::now();
            if (run_local_game(exch, referee).interrupted) return kInterruptedStatus;
            game_ms.push_back(ms_since(start));
            GameRecord record = *referee.FinishedGame();
            record.where = "server bench Oak";
            record.seats[0] = {"Anna", true, Strategy::kAuto};
            record.seats[1] = {"Bo", true, Strategy::kAuto};
            record.seats[2] = {"Computer 2", false, Strategy::kAuto};
            start = BenchClock::now();
            store.Finish(record, "Oak", keys, referee.table());
            store_ms.push_back(ms_since(start));
        }
        std::printf("game_ms: %.2f\n", median(game_ms));
        std::printf("store_ms: %.2f\n", median(store_ms));
        std::printf("store_vs_game: %.2f\n", median(store_ms) / median(game_ms));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Error: %s\n", e.what());
        return 1;
    }
}
