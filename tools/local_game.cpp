#include "tools/local_game.h"

#include <cstdint>
#include <string>

#include "exchange/exchange.h"
#include "game/autoplay_server.h"
#include "game/protocol.h"

namespace {

// A game that no player can finish (nobody can move and the deck is out) is given up here.
constexpr int kMaxTurns = 5000;

}  // namespace

LocalGameResult play_local_game(int players, unsigned seed) {
    Exchange exch;
    exch.EnterLocalMode(players);
    ServerWithAutoPlay server(players, exch, [seed] { return seed; });
    Client client(exch);
    LocalGameResult result;
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
