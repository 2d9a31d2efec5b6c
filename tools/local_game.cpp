#include "tools/local_game.h"

#include <cstdint>
#include <string>

#include "exchange/exchange.h"
#include "game/autoplay_server.h"
#include "game/client.h"
#include "game/protocol.h"

LocalGameResult play_local_game(int players, unsigned seed, const std::vector<Strategy>& strategies,
                                const ExpertBudget& expert) {
    Exchange exch;
    exch.EnterLocalMode(players);
    ServerWithAutoPlay server(players, exch, [seed] { return seed; });
    for (std::size_t seat = 0; seat < strategies.size(); ++seat)
        server.SetStrategy(static_cast<int>(seat), strategies[seat]);
    ExpertBudget budget = expert;
    budget.seed = seed;
    server.SetExpertBudget(budget);
    LocalGameResult result = run_local_game(exch, server);
    result.decisions = server.decisions();
    return result;
}

LocalGameResult run_local_game(Exchange& exch, Server& server) {
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
