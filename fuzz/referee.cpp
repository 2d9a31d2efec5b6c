// The referee of a served game fed arbitrary player messages from arbitrary player numbers (joins,
// lines, departures, guests' rejoins), from every phase of a game (lobby, deal, play, after the
// win); the players it answers for keep the game going between them. The table stays whole, turn
// and winner stay players, and a play is applied whole or not at all.
#include <unistd.h>

#include <cstdint>
#include <string>

#include "exchange/exchange.h"
#include "fuzz/fuzz_support.h"
#include "game/autoplay_server.h"
#include "game/protocol.h"
#include "game/tracker_modify.h"
#include "tools/headless.h"

namespace {

// One exchange serving on a port of the system's choice for the whole run: no peer ever
// connects; every message comes from the input or from the referee answering for the players.
Exchange& serving() {
    static Exchange* exch = [] {
        auto* e = new Exchange;
        if (!e->EnterServerMode(0, 5)) broken("can't serve");
        return e;
    }();
    return *exch;
}

struct Game {
    Game(int players_t, unsigned seed)
        : exch(serving()), players(players_t), server(players, exch, [seed] { return seed; }) {}
    ~Game() {
        while (exch.PollEvent()) {
        }
    }

    void receive(int player, const std::string& message) {
        const Tracker before = server.table();
        const int turn = server.current_turn();
        server.Receive(player, message);
        check();
        const Tokens tokens(message);
        if (tokens.token(1) != proto::kPlay || same_table(before, server.table())) return;
        // A play that changed the table was the turn player's, and is all of its records.
        Tracker expected = before;
        if (player != turn || !TrackerModify().TryModify(&expected, tokens, 2) ||
            !same_table(expected, server.table()))
            broken("a play was applied in part, or for someone else");
    }

    // Takes up to `limit` queued events, the answers given in the players' names, stopping at a
    // win: with nobody connected, the referee would start the next game at once.
    void run(int limit) {
        for (int i = 0; i < limit && server.winner() == -1 && exch.PollEvent(); ++i)
            if (exch.IsPlayerMessage() && exch.GetPlayerNum() >= 0)
                receive(exch.GetPlayerNum(), exch.GetPlayerMessage());
    }

    void check() const {
        check_table(server.table());
        if (server.current_turn() < -1 || server.current_turn() >= players) broken("turn");
        if (server.winner() < -1 || server.winner() >= players) broken("winner");
    }

    Exchange& exch;
    int players;
    ServerWithAutoPlay server;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static HeadlessSDL sdl(true);
    if (size < 2) return 0;
    Game game(2 + data[0] % 4, data[0] / 4);
    // How far the game goes first: the lobby; or every player's version, then the deal, the
    // play, past the win.
    const int phases[4] = {-1, 12, 80, 100000};
    if (phases[data[1] % 4] >= 0) {
        for (int p = 0; p < game.players; ++p) game.receive(p, "1 101 1");
        game.run(phases[data[1] % 4]);
    }
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string message = text.substr(at, end - at);
        at = end + 1;
        if (message.empty()) continue;
        // The first byte names the sender, -3 to 8 or a guest asking for a seat back; the rest is
        // the message itself.
        const int sender = static_cast<unsigned char>(message[0]) % 14 - 3;
        game.receive(sender > 8 ? Exchange::kFirstGuest + sender : sender, message.substr(1));
        game.run(300);
    }
    return 0;
}
