// Plays whole local games through the real exchange and SDL's event queue: the referee with its
// automatic player, and the human's client answering "220" every turn.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <vector>

#include "exchange/exchange.h"
#include "game/autoplay_server.h"
#include "game/protocol.h"
#include "tools/headless.h"

namespace {

// A game that no player can finish (nobody can move and the deck is out) is given up here.
constexpr int kMaxTurns = 5000;

struct Result {
    int winner = -1;
    int turns = 0;
    bool interrupted = false;
};

Result play_game(int players, unsigned seed) {
    Exchange exch;
    exch.EnterLocalMode(players);
    ServerWithAutoPlay server(players, exch, [seed] { return seed; });
    Client client(exch);
    Result result;
    const std::string turn_head = "2 " + int_to_string(proto::kTurn) + " ";
    while (result.winner == -1 && result.turns <= kMaxTurns && exch.PollEvent()) {
        if (exch.event.type == SDL_QUIT) {
            result.interrupted = true;
            break;
        }
        if (exch.IsPlayerMessage()) {
            const std::string& msg = exch.GetPlayerMessage();
            if (exch.GetPlayerNum() == -1) {
                if (msg.compare(0, turn_head.size(), turn_head) == 0) ++result.turns;
                client.Receive(msg);
            } else {
                server.Receive(exch.GetPlayerNum(), msg);
            }
        } else if (exch.event.type == SDL_USEREVENT && exch.event.user.code == EXCH_WINNER) {
            result.winner = static_cast<int>(reinterpret_cast<intptr_t>(exch.event.user.data1));
        }
    }
    // The game is decided; what is still queued belongs to it alone, but for a quit.
    while (exch.PollEvent())
        if (exch.event.type == SDL_QUIT) result.interrupted = true;
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    const int games = static_cast<int>(option(argc, argv, "--games", 1, 1, 100000000));
    const int players = static_cast<int>(option(argc, argv, "--players", 2, 2, 5));
    const unsigned seed = static_cast<unsigned>(
        option(argc, argv, "--seed", static_cast<long long>(std::time(nullptr)), 0, 4294967295));
    try {
        HeadlessSDL sdl(false);
        std::vector<int> wins(players, 0);
        bool all_won = true;
        const auto start = std::chrono::steady_clock::now();
        for (int g = 0; g < games; ++g) {
            Result r = play_game(players, seed + static_cast<unsigned>(g));
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
        std::printf("Error: %s\n", e.what());
        return 1;
    }
}
