// The server of many tables, run in this process on a port of its own; its clients are plain
// sockets that play the game's lines by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <asio/post.hpp>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "base/server_address.h"
#include "game/line_text.h"
#include "game/lobby_lines.h"
#include "game/protocol.h"
#include "game/public_line.h"
#include "game/tracker.h"
#include "line_peer.h"
#include "running_server.h"

namespace {

// A player that answers every line as a client of the game's own lines does, asking the referee
// to play each of its turns, and asks for `games` games in all.
struct Player {
    Player(int port, int version_t, int games_t)
        : peer(std::make_unique<LinePeer>(port)), version(version_t), games(games_t) {}
    // Answers whatever has come; false once the server closed.
    bool Play() {
        const bool open = peer->Read();
        while (auto line = peer->Take()) Answer(Tokens(*line));
        return open;
    }
    void Answer(const Tokens& t) {
        switch (t.token(0)) {
            case proto::kVersion:
                me = t.token(3);
                peer->Send(CodeLine(proto::kVersionAnswer, version));
                break;
            case proto::kDealTurn:
                turn = t.token(1);
                if (turn == me) peer->Send("311");
                break;
            case proto::kTurn:
                turn = t.token(1);
                held = turn == me && hold;
                if (turn == me && !hold) peer->Send("220");
                break;
            case proto::kPublished:
                if (turn == me) peer->Send("201");
                break;
            case proto::kSeatSecret:
                secret = t.get_string().substr(4);
                break;
            case proto::kSeatTable:
                me = t.token(2);
                turn = t.token(3);
                retold = 0;
                break;
            case proto::kRecordLine:
                retold += retold >= 0;
                break;
            case proto::kRejoinRefused:
                // The server has not yet heard that the old connection ended: again.
                again = t.token(1) == proto::kSeatInUse;
                break;
            case proto::kWinner:
                winners.push_back(t.token(1));
                turn = -1;
                if (static_cast<int>(winners.size()) < games) peer->Send("106");
                break;
            default:
                break;
        }
    }
    bool done() const { return static_cast<int>(winners.size()) >= games; }

    // The connection drops; a new one asks for the seat back with its secret.
    void Rejoin(int port) {
        peer = std::make_unique<LinePeer>(port);
        peer->Send("420 " + std::to_string(me) + " " + secret);
    }

    std::unique_ptr<LinePeer> peer;
    int version, games;
    int me = -1, turn = -1;
    std::string secret;
    // The lines of the record after a rejoin's table; -1 before any table came back.
    int retold = -1;
    bool again = false;
    // Holds its play turns, for the moment one was held.
    bool hold = false, held = false;
    std::vector<int> winners;
};

// Plays every player until all are done, at most `seconds`; whether they are.
bool play_all(std::vector<Player>& players, int seconds = 60) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        std::vector<pollfd> fds;
        for (Player& p : players) fds.push_back({p.peer->fd, POLLIN, 0});
        poll(fds.data(), fds.size(), 20);
        bool all = true;
        for (Player& p : players) {
            p.Play();
            all = all && p.done();
        }
        if (all) return true;
    }
    return false;
}

// A line of `head` (a code and its numbers) and then `name`.
std::string named(const std::string& head, const std::string& name) {
    std::string line = head;
    AppendText(line, name);
    return line;
}

// Watches one table after another, each for a random number of lines, and checks every line.
struct Watcher {
    Watcher(int port, int tables_t, unsigned seed)
        : peer(std::make_unique<LinePeer>(port)), tables(tables_t), random(seed) {
        peer->Send("430 3");
    }
    void Watch() {
        peer->Read();
        while (auto line = peer->Take()) {
            const Tokens t(*line);
            if (ShowsHiddenFace(t)) leaks.push_back(*line);
            moves += t.token(0) == proto::kPublished;
            // In the lobby, or refused a table that is not made yet: on to a table.
            if (t.token(0) == proto::kInLobby || t.token(0) == proto::kRefused)
                WatchAnother();
            else if (--left == 0)
                peer->Send("438");
        }
    }
    void WatchAnother() {
        std::string line = "437";
        AppendText(line, "Quick " + std::to_string(1 + random() % tables));
        peer->Send(line);
        left = 1 + static_cast<int>(random() % 300);
        ++watched;
    }

    std::unique_ptr<LinePeer> peer;
    int tables;
    std::mt19937 random;
    int left = -1;
    int watched = 0;
    long moves = 0;
    std::vector<std::string> leaks;
};

}  // namespace

// Over a thousand served games on twenty tables at once, watchers come to the tables at random
// moments and leave again: no line a watcher gets shows a face hidden from a seat without cards.
TEST(Server, WatchersNeverSeeAHiddenFace) {
    RunningServer server;
    constexpr int kTables = 20, kGames = 30;
    std::vector<Player> players;
    for (int i = 0; i < 2 * kTables; ++i) players.emplace_back(server.port, 1, kGames);
    std::vector<Watcher> watchers;
    for (unsigned i = 0; i < 8; ++i) watchers.emplace_back(server.port, kTables, i);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    bool all = false;
    while (!all && std::chrono::steady_clock::now() < end) {
        std::vector<pollfd> fds;
        for (Player& p : players) fds.push_back({p.peer->fd, POLLIN, 0});
        for (Watcher& w : watchers) fds.push_back({w.peer->fd, POLLIN, 0});
        poll(fds.data(), fds.size(), 20);
        all = true;
        for (Player& p : players) p.Play(), all = all && p.done();
        for (Watcher& w : watchers) w.Watch();
    }
    ASSERT_TRUE(all) << "the games did not end in time";
    long moves = 0;
    int watched = 0;
    for (const Watcher& w : watchers) {
        EXPECT_EQ(w.leaks, std::vector<std::string>{});
        moves += w.moves, watched += w.watched;
    }
    EXPECT_GT(watched, 100);
    EXPECT_GT(moves, 1000);
}

// Clients of the game's own lines, one silent and one that opens with our bare 420, meet at the
// first table that waits and play their games there; the next one gets a new table, as the
// lobby's list shows.
TEST(Server, ClientsOfTheGamesOwnLinesTakeASeatAtOnce) {
    RunningServer server;
    std::vector<Player> players;
    players.emplace_back(server.port, 1, 2);
    players.emplace_back(server.port, 2, 2);
    players.back().peer->Send("420");
    ASSERT_TRUE(play_all(players, 20));
    EXPECT_EQ(players[0].winners, players[1].winners);
    Player third(server.port, 1, 1);
    LinePeer lobby(server.port);
    lobby.Send("430 3");
    ASSERT_TRUE(lobby.Await(proto::kInLobby));
    // The third is seated after its silence.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    lobby.Send("432");
    std::vector<std::string> listed;
    for (auto line = lobby.Next(); line && Tokens(*line).token(0) == proto::kTableListed;
         line = lobby.Next())
        listed.push_back(*line);
    ASSERT_EQ(listed.size(), 2u);
    // As the window's lobby reads them.
    const std::optional<ListedTable> first = ReadListedTable(Tokens(listed[0]), 1);
    const std::optional<ListedTable> second = ReadListedTable(Tokens(listed[1]), 1);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->name, "Quick 1");
    EXPECT_TRUE(first->seats == 2 && first->joined == 2 && !first->playing);
    EXPECT_EQ(second->name, "Quick 2");
    EXPECT_TRUE(second->joined == 1 && second->watchers == 0 && second->watchers_chat);
    EXPECT_TRUE(server.Logged("event=table-made table=\"Quick 2\" seats=2"));
    EXPECT_TRUE(server.Logged("event=game-ended table=\"Quick 1\""));
}

// A lobby's client keeps only what a server could mean: a listed table within its numbers, with a
// name; a chat line whose name fits the line. The address typed names a port after its one colon.
TEST(Server, AClientReadsOnlyLobbyLinesThatFitAndAddressesAsTyped) {
    const ListedTable oak{"Oak", 5, 2, true, 3, false};
    const std::optional<ListedTable> read = ReadListedTable(Tokens(ListedTableLine(oak)), 1);
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->name == "Oak" && read->seats == 5 && read->joined == 2 && read->playing &&
                read->watchers == 3 && !read->watchers_chat);
    for (const char* bad : {"433 6 0 0 0 1 79", "433 2 3 0 0 1 79", "433 2 0 2 0 1 79",
                            "433 2 0 0 -1 1 79", "433 2 0 0 0 1", "433 2 0 0 0 1 7"})
        EXPECT_FALSE(ReadListedTable(Tokens(bad), 1)) << bad;
    EXPECT_FALSE(ReadCreateTable(Tokens("435 2 3 1 79"), 1)) << "no expert is served";
    EXPECT_FALSE(ReadNamedLine(Tokens("440 9 67 121 104 105"), 1)) << "a name past the line";
    EXPECT_FALSE(ReadNamedLine(Tokens("440 2 67 121"), 1)) << "nothing said";
    EXPECT_EQ(ReadNamedLine(Tokens("440 0 104 105"), 1)->name, "?");
    const std::pair<const char*, ServerAddress> typed[] = {
        {"example.org", {"example.org", 1234}},
        {"example.org:2000", {"example.org", 2000}},
        {"example.org:0", {"example.org:0", 1234}},
        {"example.org:", {"example.org:", 1234}},
        {"::1", {"::1", 1234}},
        {"10.0.0.1:65535", {"10.0.0.1", 65535}}};
    for (const auto& [text, want] : typed) {
        const ServerAddress got = ReadServerAddress(text, 1234);
        EXPECT_TRUE(got.host == want.host && got.port == want.port) << text;
    }
}

// The lobby makes tables with names of their own and refuses what it cannot do, each with a line
// saying why; a connection past the limit of its address is refused and closed.
TEST(Server, TheLobbyMakesJoinsAndRefusesTables) {
    ServerLimits limits = RunningServer::Loose();
    limits.max_per_address = 3;
    limits.max_tables = 1;
    RunningServer server(limits);
    LinePeer anna(server.port), bo(server.port);
    anna.Send("430 3");
    bo.Send("430 3");
    ASSERT_TRUE(anna.Await(proto::kInLobby) && bo.Await(proto::kInLobby));
    bo.Send(named("436", "Oak"));
    EXPECT_EQ(bo.Await(proto::kRefused)->token(1), refusal::kNoSuchTable);
    anna.Send(CreateTableLine({"Oak", 3, Strategy::kAuto, true}));
    ASSERT_TRUE(anna.Await(proto::kWatchers));
    bo.Send(named("435 2 0 1", "oak"));
    EXPECT_EQ(bo.Await(proto::kRefused)->token(1), refusal::kNameTaken);
    bo.Send(named("435 2 0 1", "Elm"));
    EXPECT_EQ(bo.Await(proto::kRefused)->token(1), refusal::kTooManyTables);
    bo.Send(named("435 9 0 1", "Elm"));
    EXPECT_EQ(bo.Await(proto::kRefused)->token(1), refusal::kNotUnderstood);
    bo.Send(named("436", "OAK"));
    ASSERT_TRUE(bo.Await(proto::kWatchers));
    // The third connection of this address is one too many.
    LinePeer third(server.port), fourth(server.port);
    EXPECT_EQ(fourth.Await(proto::kRefused)->token(1), refusal::kTooManyFromAddress);
    EXPECT_TRUE(fourth.ClosedWithin(2000));
    EXPECT_TRUE(server.Logged("why=too-many-from-address"));
    // A watcher's line reaches the seats; stopping, the server tells everyone at a table, watching
    // it or in the lobby that the host leaves.
    third.Send("430 3");
    ASSERT_TRUE(third.Await(proto::kInLobby));
    third.Send(named("400", "Cy"));
    third.Send(named("437", "Oak"));
    ASSERT_TRUE(third.Await(proto::kWatchedTable));
    EXPECT_EQ(anna.Await(proto::kWatchers)->token(1), 1) << "the seats hear who watches";
    third.Send(named("410", "hi"));
    const std::optional<NamedLine> said = ReadNamedLine(*anna.Await(proto::kWatcherChat), 1);
    ASSERT_TRUE(said);
    EXPECT_EQ(said->name + ": " + said->text, "Cy: hi");
    const auto start = std::chrono::steady_clock::now();
    server.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    for (LinePeer* peer : {&anna, &bo, &third}) {
        EXPECT_TRUE(peer->Await(proto::kGoodbye, 1000).has_value());
        EXPECT_TRUE(peer->ClosedWithin(1000));
    }
}

// A seat's person drops mid-game and comes back with its secret: the server finds the table that
// knows the secret, hands back the seat with its table and the game's record, and the game goes on
// to its end. A peer that floods one table and never reads is cut off, and the other tables'
// games end in time.
TEST(Server, ASeatComesBackAndAFlooderStallsNoOtherTable) {
    ServerLimits limits = RunningServer::Loose();
    // Nobody is seated for its silence while the others take their seats in turn.
    limits.first_line_wait = std::chrono::seconds(10);
    RunningServer server(limits);
    std::vector<Player> players;
    for (int i = 0; i < 6; ++i) players.emplace_back(server.port, i == 0 ? 2 : 1, i < 2 ? 1 : 20);
    // Each opens with a bare 420 in turn, and so two by two they share a table.
    for (Player& p : players) {
        p.peer->Send("420");
        ASSERT_TRUE(p.peer->Await(proto::kWaiting).has_value());
    }
    players[1].hold = true;
    // The flooder makes a table of its own and floods it.
    LinePeer flooder(server.port);
    flooder.Send("430 3");
    flooder.Send(named("435 2 0 1", "Flood"));
    const std::string flood(64 * 1024, '\n');
    for (int i = 0; i < 32 && !flooder.closed; ++i)
        if (::send(flooder.fd, flood.data(), flood.size(), MSG_NOSIGNAL) < 0) break;
    bool dropped = false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    bool all = false;
    while (!all && std::chrono::steady_clock::now() < end) {
        std::vector<pollfd> fds;
        for (Player& p : players) fds.push_back({p.peer->fd, POLLIN, 0});
        poll(fds.data(), fds.size(), 20);
        all = true;
        for (Player& p : players) p.Play(), all = all && p.done();
        // Seat 0's partner holds its turn while seat 0 is away, so that the game waits.
        if (!dropped && players[1].held && !players[0].secret.empty()) {
            dropped = true;
            players[0].Rejoin(server.port);
        }
        if (players[0].again) {
            players[0].again = false;
            players[0].Rejoin(server.port);
        }
        if (players[1].held && players[0].retold > 0) {
            players[1].hold = players[1].held = false;
            players[1].peer->Send("220");
        }
    }
    EXPECT_TRUE(dropped);
    EXPECT_GT(players[0].retold, 5) << "the seat came back with the game's record";
    for (const Player& p : players)
        EXPECT_TRUE(p.done()) << "a game did not end in time: seat " << p.me << " after "
                              << p.winners.size() << " games";
    EXPECT_EQ(players[0].winners, players[1].winners);
    EXPECT_TRUE(flooder.ClosedWithin(5000));
}

// A table that nobody sits at, nor may come back to, ends after its wait; its watcher returns to
// the lobby. One address makes no more tables than it may hold connections, however it leaves
// them.
TEST(Server, ATableNobodyIsAtEnds) {
    ServerLimits limits = RunningServer::Loose();
    limits.empty_table = std::chrono::seconds(1);
    limits.max_per_address = 3;
    RunningServer server(limits);
    LinePeer anna(server.port), bo(server.port);
    for (LinePeer* p : {&anna, &bo}) {
        p->Send("430 3");
        ASSERT_TRUE(p->Await(proto::kInLobby));
    }
    anna.Send(named("435 2 0 1", "Pine"));
    ASSERT_TRUE(anna.Await(proto::kWatchers));
    bo.Send(named("437", "Pine"));
    ASSERT_TRUE(bo.Await(proto::kWatchedTable));
    anna.Send("438");
    ASSERT_TRUE(anna.Await(proto::kInLobby));
    EXPECT_TRUE(bo.Await(proto::kInLobby, 4000).has_value()) << "the watcher is back in the lobby";
    EXPECT_TRUE(server.Logged("event=table-ended table=\"Pine\""));
    anna.Send("432");
    EXPECT_EQ(anna.Await(proto::kTablesEnd)->token(1), 0);
    for (const char* name : {"Fir", "Elm", "Ash"}) {
        anna.Send(named("435 2 0 1", name));
        ASSERT_TRUE(anna.Await(proto::kWatchers));
        anna.Send("438");
        ASSERT_TRUE(anna.Await(proto::kInLobby));
    }
    anna.Send(named("435 2 0 1", "Yew"));
    EXPECT_EQ(anna.Await(proto::kRefused)->token(1), refusal::kTooManyTables);
}
