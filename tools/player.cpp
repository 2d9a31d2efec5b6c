// Joins a served game and plays every turn: with "220" (the referee's `auto` plays it), as a
// client without a window does, or with the strong player's moves chosen on its own table.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>

#include "base/server_address.h"
#include "exchange/exchange.h"
#include "game/client.h"
#include "game/computer_turn.h"
#include "game/line_text.h"
#include "game/lobby_lines.h"
#include "game/player_message.h"
#include "game/protocol.h"
#include "game/public_line.h"
#include "game/referee.h"
#include "game/strategy.h"
#include "tools/headless.h"
#include "tools/record_file.h"
#include "tools/strategy_option.h"

namespace {

// Plays its turns: with "220" (the referee's `auto`), or with the strong player on the client's
// table, which shows only this player's cards, sent as "210" lines. Prints the seats and the chat
// lines the referee sends, and says its own line as the board is laid out.
class Player final : public TableFollower {
  public:
    Player(Exchange& exch_t, Client& client_t, Strategy strategy_t, std::string say_t)
        : TableFollower(exch_t, client_t), strategy(strategy_t), say(std::move(say_t)) {}

  private:
    // The board's line comes once every player has answered the referee: all of them hear the
    // line, before the game can pass this player's first turn (a later turn may never come:
    // another player may win first).
    void Play(int turn, int playernum_t, Tokens& command) override {
        if (!say.empty()) client.Chat(say);
        say.clear();
        TableFollower::Play(turn, playernum_t, command);
    }
    void OwnTurn() override {
        if (strategy == Strategy::kAuto) {
            exch.ClientSend(int_to_string(proto::kAutoPlay));
            return;
        }
        Tracker& table = client.tracker;
        std::string line = int_to_string(proto::kPlay);
        for (const Move& m :
             ComputerTurn(strategy, table, playernum, numplayers, client.history, {})) {
            AppendRecord(line, table, m);
            Apply(table, m);
        }
        exch.ClientSend(line);
    }
    void SeatsChanged(const std::vector<SeatInfo>& seats) override {
        std::string names;
        for (const SeatInfo& seat : seats) names += (names.empty() ? "" : ", ") + seat.name;
        std::printf("seats %s\n", names.c_str());
        std::fflush(stdout);
    }
    void ChatLine(int seat, const std::string& text) override {
        std::printf("chat %d %s\n", seat, text.c_str());
        std::fflush(stdout);
    }
    void ChatDropped() override {
        std::printf("chat dropped\n");
        std::fflush(stdout);
    }
    void SecretGiven(const SeatSecret& s) override { secret = s; }
    void Rejoined(int) override {
        std::printf("rejoined seat %d\n", playernum);
        std::fflush(stdout);
        rejoined = true;
    }

    Strategy strategy;
    std::string say;

  public:
    // This game's secret for the own seat, until the game ends.
    std::optional<SeatSecret> secret;
    bool rejoined = false;
};

using Clock = std::chrono::steady_clock;
// How long a player whose connection dropped tries to get its seat back.
constexpr auto kRejoinFor = std::chrono::seconds(60);
// The pause before each new try doubles from the first to the last.
constexpr Uint32 kFirstRetryMs = 5;
constexpr Uint32 kLastRetryMs = 1000;

// Gets the seat back after a dropped connection: connects again and again, for up to kRejoinFor,
// until the referee takes the secret; a refusal ends the tries.
class Rejoiner {
  public:
    Rejoiner(Exchange& exch_t, Client& client_t, std::string host_t, int port_t)
        : exch(exch_t), client(client_t), host(std::move(host_t)), port(port_t) {}

    void Start(const SeatSecret& secret_t) {
        secret = secret_t;
        seat = client.seat();
        until = Clock::now() + kRejoinFor;
        pause_ms = kFirstRetryMs;
        Try();
    }
    // A try's connection closed; false when no try is left.
    bool Again() {
        if (!client.MayRejoinAgain() || Clock::now() > until) return false;
        Pause();
        Try();
        return true;
    }

  private:
    void Try() {
        while (!exch.ClientConnect(host, port) && Clock::now() < until && !QuitAsked()) Pause();
        client.Rejoin(seat, secret);
    }
    void Pause() {
        SDL_Delay(pause_ms);
        pause_ms = std::min(2 * pause_ms, kLastRetryMs);
    }
    static bool QuitAsked() {
        SDL_Event e;
        SDL_PumpEvents();
        return SDL_PeepEvents(&e, 1, SDL_PEEKEVENT, SDL_QUITMASK) > 0;
    }

    Exchange& exch;
    Client& client;
    std::string host;
    int port;
    SeatSecret secret;
    int seat = -1;
    Clock::time_point until;
    Uint32 pause_ms = kFirstRetryMs;
};

// The way to a table of a server, through its lobby: join the table by name, or make it with
// `seats` seats when there is none; or watch it.
class TableWay {
  public:
    TableWay(Exchange& exch_t, std::string table_t, int seats_t, bool watch_t)
        : exch(exch_t), table(std::move(table_t)), seats(seats_t), watch(watch_t) {}

    void Start(const std::string& name, const std::optional<PlayerKey>& key) {
        exch.ClientSend(CodeLine(proto::kLobbyHello, proto::kLobbyVersion));
        if (key) exch.ClientSend(PlayerKeyLine(*key));
        if (!name.empty()) exch.ClientSend(TextLine(proto::kName, name));
        exch.ClientSend(TextLine(watch ? proto::kWatchTable : proto::kJoinTable, table));
    }
    // A line of the server's; false, with the reason on standard error, for a refusal that
    // ends the way.
    bool Follow(const Tokens& t) {
        if (t.token(1) != proto::kRefused) return true;
        if (t.token(2) == kNoSuchTable && !watch && !made) {
            made = true;
            exch.ClientSend(CreateTableLine({table, seats, Strategy::kAuto, true}));
            return true;
        }
        // Another player made it first: join it.
        if (t.token(2) == kNameTaken && made && !watch) {
            made = false;
            exch.ClientSend(TextLine(proto::kJoinTable, table));
            return true;
        }
        std::fprintf(stderr, "Error: the server refused the table: reason %d\n", t.token(2));
        return false;
    }

  private:
    static constexpr int kNoSuchTable = 3;
    static constexpr int kNameTaken = 5;
    Exchange& exch;
    std::string table;
    int seats;
    bool watch;
    bool made = false;
};

// A watcher's table follows every seat's moves, as the window's does.
class Watcher final : public TableFollower {
  public:
    using TableFollower::TableFollower;
};

// Watches a table of the server until a game there ends: 'winner W', status 0. A line that shows
// a face hidden from a seat without cards is printed: 'hidden face LINE'. The client checks every
// move against its table, as the window's does: a line that does not fit loses the server.
int watch_table(Exchange& exch, TableWay& way) {
    Client client(exch);
    client.Watch();
    Watcher watcher(exch, client);
    client.ConnectClientConnector(&watcher);
    way.Start("", std::nullopt);
    while (exch.WaitEvent()) {
        if (exch.event.type == SDL_QUIT) return kInterruptedStatus;
        if (!exch.IsPlayerMessage() || exch.GetPlayerNum() != -1) continue;
        const Tokens t(exch.GetPlayerMessage());
        if (!way.Follow(t)) return 1;
        if (ShowsHiddenFace(t, 1)) std::printf("hidden face %s\n", t.get_string().c_str());
        if (client.Receive(exch.GetPlayerMessage())) break;
        if (t.token(1) == proto::kWinner) {
            std::printf("winner %d\n", t.token(2));
            // A game is won by the hand played out: the watcher's table must show it so.
            if (!client.tracker.pile[t.token(2)].empty()) {
                std::fprintf(stderr, "Error: the watched table holds the winner's cards\n");
                return 1;
            }
            return 0;
        }
    }
    std::fprintf(stderr, "Error: the connection to the server was lost\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const CommandLine line(
        argc, argv,
        "usage: velmora-player --host H [--port N] [--games K] [--strategy S] [--name NAME]\n"
        "                      [--say TEXT]\n"
        "       velmora-player --server H[:N] --table T [--seats S] [--games K] ...\n"
        "       velmora-player --server H[:N] --watch T\n"
        "Joins the game served by host H on TCP port N (1234) as NAME and plays every turn\n"
        "with strategy S: auto (the referee plays it), or easy, strong or expert (chosen\n"
        "here, on this player's own table); prints 'winner W' after each of K games (1),\n"
        "'seats A, B, ...' whenever the referee names the seats and 'chat SEAT LINE' for each\n"
        "chat line; says TEXT in the chat as the board is laid out. A connection that drops\n"
        "mid-game is opened again, for up to a minute, to take the seat back ('rejoined\n"
        "seat S');\n"
        "--drop-after L drops it on purpose after the first L lines from the referee.\n"
        "On a velmora-server at H:N, --table T joins the table named T, or makes it with\n"
        "S seats (2) when there is none; --watch T watches it until its game ends, prints\n"
        "'winner W' and exits.\n"
        "--key HEX (64 hexadecimal digits) is the player's key on the server: the name it\n"
        "first goes by there is the key's.\n"
        "--record FILE keeps each game played as a record (docs/records.md): the first in\n"
        "FILE, the next in FILE.2, FILE.3, ...\n",
        {"--host", "--port", "--games", "--strategy", "--name", "--say", "--drop-after", "--server",
         "--table", "--seats", "--watch", "--record", "--key"});
    const int port = static_cast<int>(line.Number("--port", 1234, 1, 65535));
    const int games = static_cast<int>(line.Number("--games", 1, 1, 1000000));
    const Strategy strategy = StrategyNamed(line, line.Text("--strategy", "auto"));
    const long drop_after = line.Number("--drop-after", 0, 0, 1000000);
    std::string host = line.Text("--host");
    int server_port = port;
    if (line.Given("--server")) {
        const ServerAddress at = ReadServerAddress(line.Text("--server"), port);
        host = at.host;
        server_port = at.port;
    }
    if (host.empty()) line.Fail("--host or --server is required");
    if (line.Given("--server") != (line.Given("--table") || line.Given("--watch")))
        line.Fail("--server goes with --table or --watch");
    const bool watching = line.Given("--watch");
    const int seats = static_cast<int>(line.Number("--seats", 2, 2, 5));
    const std::optional<PlayerKey> key = PlayerKeyFromHex(line.Text("--key", ""));
    if (line.Given("--key") && !key) line.Fail("--key takes 64 hexadecimal digits");
    try {
        HeadlessSDL sdl(true);
        Exchange exch;
        if (!exch.ClientConnect(host, server_port)) {
            std::fprintf(stderr, "Error: can't connect to %s port %d\n", host.c_str(), server_port);
            return 1;
        }
        TableWay way(exch, line.Text(watching ? "--watch" : "--table"), seats, watching);
        if (watching) return watch_table(exch, way);
        Client client(exch);
        client.SetName(line.Text("--name", ""));
        client.RecordAs(line.Given("--server") ? "server " + host + " " + line.Text("--table")
                                               : "joined " + host);
        if (line.Given("--server"))
            way.Start(line.Text("--name", ""), key);
        else
            client.AskToJoin();
        Player player(exch, client, strategy, line.Text("--say", ""));
        client.ConnectClientConnector(&player);
        Rejoiner rejoiner(exch, client, host, server_port);
        int seen = 0;
        long lines = 0;
        bool dropping = false, trying = false;
        while (seen < games && exch.WaitEvent()) {
            if (exch.event.type == SDL_QUIT) {
                exch.ClientDisconnect();
                std::printf("interrupted: %d games finished\n", seen);
                return kInterruptedStatus;
            }
            if (dropping && exch.IsPlayerMessage() && exch.GetPlayerMessage() == "3") {
                // Every line of the dropped connection still queued is gone by now.
                dropping = false;
                trying = true;
                rejoiner.Start(*player.secret);
            } else if (exch.IsPlayerMessage() && exch.GetPlayerNum() == -1) {
                if (!way.Follow(Tokens(exch.GetPlayerMessage()))) return 1;
                if (client.Receive(exch.GetPlayerMessage())) {
                    const bool again =
                        trying ? rejoiner.Again() : player.secret && !client.host_left();
                    if (!again) {
                        std::fprintf(stderr, "Error: the connection to the referee was lost\n");
                        return 1;
                    }
                    if (!trying) rejoiner.Start(*player.secret);
                    trying = true;
                }
                if (player.rejoined) trying = player.rejoined = false;
                if (++lines == drop_after && player.secret) {
                    exch.ClientDisconnect();
                    dropping = true;
                }
            } else if (exch.event.type == SDL_USEREVENT && exch.event.user.code == EXCH_WINNER) {
                std::printf("winner %d\n", EventNumber(exch.event.user.data1));
                std::fflush(stdout);
                player.secret.reset();
                const std::optional<GameRecord> kept = client.SeenGame();
                if (line.Given("--record") && kept)
                    KeepRecordFile(line.Text("--record"), seen + 1, *kept);
                // Another game to play: ask for it, as "Play again" does.
                if (++seen < games) exch.ClientSend(CodeLine(proto::kGameOverAck));
            }
        }
        exch.ClientDisconnect();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Error: %s\n", e.what());
        return 1;
    }
}
