// Coming back after a dropped connection, in one process: the referee serves on loopback, this
// program's client holds seat 0 and a peer on a plain socket seat 1.
#include <gtest/gtest.h>
#include <poll.h>

#include <algorithm>
#include <optional>
#include <string>

#include "exchange/exchange.h"
#include "game/autoplay_server.h"
#include "game/client.h"
#include "game/protocol.h"
#include "tests/support/loopback.h"

namespace {

// Plays seat 0 with "220" and keeps the secret the referee gives it.
class Keeper final : public TableFollower {
  public:
    using TableFollower::TableFollower;
    std::optional<SeatSecret> secret;
    int rejoined_turn = -2;
    bool retold = false;

  private:
    void OwnTurn() override { exch.ClientSend(int_to_string(proto::kAutoPlay)); }
    void SecretGiven(const SeatSecret& s) override { secret = s; }
    void Rejoined(int turn) override { rejoined_turn = turn; }
    void StoryRetold() override { retold = true; }
};

// A peer of the game's own lines on a plain socket; it can hold its play turn.
struct Peer {
    explicit Peer(int port) : fd(connect_to_loopback(port)) {}
    ~Peer() { close(fd); }
    void send_line(const std::string& text) {
        const std::string out = text + "\n";
        EXPECT_EQ(::send(fd, out.data(), out.size(), MSG_NOSIGNAL), ssize_t(out.size()));
    }
    // Answers every complete line received; false once the other end closed.
    bool serve() {
        pollfd p{fd, POLLIN, 0};
        while (!closed && poll(&p, 1, 0) > 0) {
            char buf[4096];
            const ssize_t n = read(fd, buf, sizeof buf);
            closed = n <= 0;
            if (n > 0) pending.append(buf, static_cast<std::size_t>(n));
        }
        for (auto nl = pending.find('\n'); nl != std::string::npos; nl = pending.find('\n')) {
            lines.push_back(pending.substr(0, nl));
            pending.erase(0, nl + 1);
            Answer(Tokens(lines.back()));
        }
        return !closed;
    }
    void Answer(const Tokens& t) {
        if (t.token(0) == proto::kVersion) me = t.token(3), send_line("101 1");
        if (t.token(0) == proto::kTurn || t.token(0) == proto::kDealTurn) turn = t.token(1);
        if (t.token(0) == proto::kDealTurn && turn == me) send_line("311");
        if (t.token(0) == proto::kPublished && turn == me) {
            if (hold_seen)
                held = true;
            else
                send_line("201");
        }
        if (t.token(0) == proto::kTurn && turn == me) {
            if (hold)
                held = true;
            else
                send_line("220");
        }
    }
    int fd;
    std::string pending;
    std::vector<std::string> lines;
    int me = -1, turn = -1;
    // Holds its play turn, or the 201 after its play was published.
    bool hold = false, hold_seen = false, held = false, closed = false;
};

struct ServedGame {
    ServedGame() {
        EXPECT_TRUE(serving && connected);
        client.ConnectClientConnector(&keeper);
    }
    ~ServedGame() { exch.ServerDisable(); }
    // Routes events and serves the peer until `done` holds; false after 20 s without it.
    template <typename Done>
    bool run_until(Done done) {
        for (int i = 0; i < 20000 && !done(); ++i) {
            if (exch.WaitEvent(1) && exch.IsPlayerMessage()) {
                if (exch.GetPlayerNum() == -1)
                    client_gone = client.Receive(exch.GetPlayerMessage()) || client_gone;
                else
                    server.Receive(exch.GetPlayerNum(), exch.GetPlayerMessage());
            }
            if (exch.event.type == SDL_USEREVENT && exch.event.user.code == EXCH_WINNER)
                winner = EventNumber(exch.event.user.data1);
            peer.serve();
        }
        return done();
    }
    // Seat 0's connection drops while the peer holds its play turn.
    void drop_at_peers_turn() {
        peer.hold = true;
        ASSERT_TRUE(run_until([&] { return peer.held && server.AwaitsPlay(); }));
        exch.ClientDisconnect();
        ASSERT_TRUE(run_until([&] { return server.Seats()[0].state == SeatInfo::kAway; }));
    }
    // A new connection asks for seat 0.
    void rejoin(const SeatSecret& secret) {
        client_gone = false;
        ASSERT_TRUE(exch.ClientConnect("127.0.0.1", port));
        client.Rejoin(0, secret);
    }
    void drop_and_rejoin_at_peers_turn(const SeatSecret& secret) {
        drop_at_peers_turn();
        rejoin(secret);
    }
    // The story seat 0 would tell had it heard what the peer heard, from this game's start.
    GameStory peers_story() const {
        GameStory story;
        const auto start = std::find_if(peer.lines.rbegin(), peer.lines.rend(), [](auto& line) {
            return Tokens(line).token(0) == proto::kVersion;
        });
        story.Start(2, 0);
        for (auto line = start.base() - 1; line != peer.lines.end(); ++line)
            story.Follow(Tokens("1 " + *line));
        return story;
    }

    int port = free_port();
    Exchange exch;
    bool serving = exch.EnterServerMode(port, 2);
    ServerWithAutoPlay server{2, exch, [] { return 7u; }};
    Client client{exch};
    Keeper keeper{exch, client};
    // Seat 0 is this program's client, seat 1 the peer.
    bool connected = exch.ClientConnect("127.0.0.1", port);
    Peer peer{port};
    bool client_gone = false;
    int winner = -1;
};

}  // namespace

// What a seat that stayed tells of the game, less the seats' lines a plain peer never hears.
std::vector<StoryEvent> moves_told(const GameStory& story) {
    std::vector<StoryEvent> told;
    for (const StoryEvent& e : story.events())
        if (e.kind != StoryEvent::kJoined && e.kind != StoryEvent::kBack) told.push_back(e);
    return told;
}

// The rejoined client holds the table exactly as the referee shows that seat, and its history;
// it tells the game's story as a seat that never left would, the turns it missed marked; the
// others hear that it is back; it plays the game to its end with everyone agreeing.
TEST(Rejoin, TheRightSecretGivesTheSeatAndItsTableBack) {
    ServedGame g;
    ASSERT_TRUE(g.run_until([&] { return g.keeper.secret.has_value(); }));
    g.drop_at_peers_turn();
    // The peer plays while seat 0 is away.
    g.peer.hold = g.peer.held = false;
    g.peer.hold_seen = true;
    g.peer.send_line("220");
    ASSERT_TRUE(g.run_until([&] { return g.peer.held; }));
    g.rejoin(*g.keeper.secret);
    ASSERT_TRUE(g.run_until([&] { return g.keeper.retold; }));
    const GameStory stayed = g.peers_story();
    EXPECT_EQ(moves_told(g.client.story), moves_told(stayed));
    EXPECT_EQ(g.client.story.movers(), stayed.movers());
    EXPECT_TRUE(std::count_if(stayed.movers().begin(), stayed.movers().end(),
                              [](signed char m) { return m == 1; }) > 0 ||
                stayed.news()[1].kind == SeatNews::kPassed)
        << "the peer's turn since seat 0's is news to seat 0";
    EXPECT_EQ(g.keeper.rejoined_turn, 1);
    EXPECT_EQ(g.client.seat(), 0);
    const Tracker seen = SeenBy(g.server.table(), 0);
    for (int p = 0; p < kNumPiles; ++p) EXPECT_EQ(g.client.tracker.pile[p], seen.pile[p]) << p;
    EXPECT_TRUE(std::equal(std::begin(seen.cards), std::end(seen.cards), g.client.tracker.cards));
    EXPECT_EQ(g.client.history.passes, g.server.history().passes);
    EXPECT_EQ(g.client.history.hand_cards, g.server.history().hand_cards);
    EXPECT_EQ(g.client.history.turns_without_draw, g.server.history().turns_without_draw);
    EXPECT_EQ(g.server.Seats()[0].state, SeatInfo::kPerson);

    g.peer.hold_seen = false;
    g.peer.send_line("201");
    ASSERT_TRUE(g.run_until([&] { return g.winner != -1; }));
    EXPECT_FALSE(g.client_gone);
    EXPECT_EQ(g.winner, g.server.winner());
    for (int p = 0; p < kNumPiles; ++p)
        EXPECT_EQ(g.client.tracker.pile[p], g.server.table().pile[p]) << p;
    EXPECT_EQ(moves_told(g.client.story), moves_told(g.peers_story()));
}

// Only the secret of an away seat takes it back: a wrong one, or none, is refused with one line and
// the connection closed after that first try, as is the right one while the seat's person is
// present, or once the game is over; a connection that does not ask for a seat is closed without a
// word.
TEST(Rejoin, WrongMissingOrPresentSeatsAreRefused) {
    ServedGame g;
    ASSERT_TRUE(g.run_until([&] { return g.keeper.secret.has_value(); }));
    SeatSecret wrong = *g.keeper.secret;
    wrong.parts[7] ^= 1;
    g.drop_and_rejoin_at_peers_turn(wrong);
    ASSERT_TRUE(g.run_until([&] { return g.client_gone; }));
    EXPECT_EQ(g.client.refusal(), proto::kNotYourSeat);
    EXPECT_EQ(g.server.Seats()[0].state, SeatInfo::kAway);

    // The bare line of a plain join, and a line that is no rejoin.
    for (const std::string first : {"420", "101 2"}) {
        Peer guest(g.port);
        guest.send_line(first);
        ASSERT_TRUE(g.run_until([&] { return !guest.serve(); })) << first;
        EXPECT_EQ(guest.lines,
                  first == "420" ? std::vector<std::string>{"421 0"} : std::vector<std::string>{});
    }

    g.client_gone = false;
    ASSERT_TRUE(g.exch.ClientConnect("127.0.0.1", g.port));
    g.client.Rejoin(0, *g.keeper.secret);
    ASSERT_TRUE(g.run_until([&] { return g.server.Seats()[0].state == SeatInfo::kPerson; }));
    std::string again = "420 0";
    AppendSecret(again, *g.keeper.secret);
    Peer twin(g.port);
    twin.send_line(again);
    ASSERT_TRUE(g.run_until([&] { return !twin.serve(); }));
    EXPECT_EQ(twin.lines, std::vector<std::string>{"421 2"});
    EXPECT_FALSE(g.client_gone);

    // The game ends while seat 0 is away: coming back, it hears at once that the seat is gone.
    g.exch.ClientDisconnect();
    ASSERT_TRUE(g.run_until([&] { return g.server.Seats()[0].state == SeatInfo::kAway; }));
    g.peer.hold = false;
    g.peer.send_line("220");
    ASSERT_TRUE(g.run_until([&] { return g.server.winner() != -1; }));
    g.client_gone = false;
    ASSERT_TRUE(g.exch.ClientConnect("127.0.0.1", g.port));
    g.client.Rejoin(0, *g.keeper.secret);
    ASSERT_TRUE(g.run_until([&] { return g.client_gone; }));
    EXPECT_EQ(g.client.refusal(), proto::kNotYourSeat);
}
