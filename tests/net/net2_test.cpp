// The network layer on real loopback sockets; each test starts and stops the layer itself.
#include "net/net2.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "net/async_connect.h"
#include "net/fastevents.h"
#include "net/game_search.h"
#include "tests/support/answer_flood.h"
#include "tests/support/loopback.h"

namespace {

class LibrariesEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER), 0);
        ASSERT_EQ(SDLNet_Init(), 0);
        ASSERT_EQ(FE_Init(), 0);
    }
    void TearDown() override {
        FE_Quit();
        SDLNet_Quit();
        SDL_Quit();
    }
};
const auto* const registered = ::testing::AddGlobalTestEnvironment(new LibrariesEnvironment);

struct Net2 : ::testing::Test {
    void SetUp() override { ASSERT_EQ(NET2_Init(), 0); }
    void TearDown() override {
        AsyncConnect::EndAll();
        NET2_Quit();
    }

    // The next network event of `code`, skipping others, within two seconds; false if none.
    bool next_event(int code, SDL_Event& e, int timeout_ms = 2000) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (std::chrono::steady_clock::now() < deadline) {
            if (FE_PollEvent(&e) && e.type == SDL_USEREVENT && e.user.code == code) return true;
            SDL_Delay(1);
        }
        return false;
    }
    // A listener and a connected pair: (client side, accepted side).
    void connect_pair(int& listener, int& client, int& server) {
        const int port = free_port();
        listener = NET2_TCPAcceptOn(port);
        ASSERT_GE(listener, 0);
        client = NET2_TCPConnectTo("127.0.0.1", port);
        ASSERT_GE(client, 0);
        SDL_Event e;
        ASSERT_TRUE(next_event(NET2_TCPACCEPTEVENT, e));
        EXPECT_EQ(NET2_GetEventData(&e), port);
        server = NET2_GetSocket(&e);
    }
};

}  // namespace

TEST(Net2Lifecycle, InitTwiceAndQuitWithoutInit) {
    NET2_Quit();  // not running: nothing happens
    EXPECT_EQ(NET2_Init(), 0);
    EXPECT_EQ(NET2_Init(), 0);
    NET2_Quit();
    EXPECT_EQ(NET2_GetError(), nullptr);
}

// 3000 bytes while nobody reads: the buffer holds 1024, one receive event; the rest comes, in
// order, once the reader has emptied it.
TEST_F(Net2, ReadsKeepOrderThroughAFullBuffer) {
    int listener, client, server;
    ASSERT_NO_FATAL_FAILURE(connect_pair(listener, client, server));
    std::string sent;
    for (int i = 0; i < 3000; ++i) sent += static_cast<char>('a' + i % 26 + (i / 26) % 2);
    EXPECT_EQ(NET2_TCPSend(client, sent.data(), 0), 0);
    ASSERT_EQ(NET2_TCPSend(client, sent.data(), static_cast<int>(sent.size())), 3000);
    SDL_Event e;
    ASSERT_TRUE(next_event(NET2_TCPRECEIVEEVENT, e));
    EXPECT_EQ(NET2_GetSocket(&e), server);
    SDL_Delay(50);
    std::string got;
    char buf[7];
    for (int events = 1; got.size() < sent.size() && events < 100; ++events) {
        int n;
        while ((n = NET2_TCPRead(server, buf, sizeof buf)) > 0) got.append(buf, n);
        if (got.size() < sent.size()) {
            ASSERT_TRUE(next_event(NET2_TCPRECEIVEEVENT, e));
        }
    }
    EXPECT_EQ(got, sent);
    EXPECT_EQ(NET2_TCPRead(listener, buf, sizeof buf), 0);
    EXPECT_EQ(NET2_TCPRead(-1, buf, sizeof buf), 0);
}

TEST_F(Net2, CloseGivesOneEventAndHandlesAreReused) {
    int listener, client, server;
    ASSERT_NO_FATAL_FAILURE(connect_pair(listener, client, server));
    EXPECT_EQ(NET2_TCPSend(client, "bye", 3), 3);
    NET2_TCPClose(client);
    NET2_TCPClose(client);  // twice before the thread's pass: deleted once
    SDL_Event e;
    ASSERT_TRUE(next_event(NET2_TCPCLOSEEVENT, e));
    EXPECT_EQ(NET2_GetSocket(&e), server);
    EXPECT_FALSE(next_event(NET2_TCPCLOSEEVENT, e, 100));
    // Bytes that came before the close stay readable; a dying stream takes no sends.
    char buf[8];
    EXPECT_EQ(NET2_TCPRead(server, buf, sizeof buf), 3);
    EXPECT_EQ(NET2_TCPSend(server, "x", 1), -1);
    EXPECT_STREQ(NET2_GetError(), "NET2: you can't do a TCP send on that socket");
    NET2_TCPClose(server);
    SDL_Delay(50);
    int reused = NET2_TCPAcceptOn(free_port());
    EXPECT_TRUE(reused == client || reused == server) << reused;
}

TEST_F(Net2, PortAlreadyTaken) {
    const int port = free_port();
    ASSERT_GE(NET2_TCPAcceptOn(port), 0);
    EXPECT_EQ(NET2_TCPAcceptOn(port), -1);
    EXPECT_STREQ(NET2_GetError(), "NET2: can't open a socket");
    EXPECT_EQ(NET2_TCPConnectTo("no-such-host.invalid", port), -1);
    EXPECT_STREQ(NET2_GetError(), "NET2: can't find that host name or address");
}

// A network thread waiting for room in a full event queue still ends at shutdown.
TEST_F(Net2, QuitWhileTheThreadWaitsForRoom) {
    const int port = free_port();
    ASSERT_GE(NET2_TCPAcceptOn(port), 0);
    SDL_Event filler{};
    filler.type = SDL_USEREVENT;
    filler.user.code = 0xFFFF8075;
    for (int i = 0; i < 127; ++i) FE_PushEvent(&filler);
    ASSERT_GE(NET2_TCPConnectTo("127.0.0.1", port), 0);
    SDL_Delay(100);  // the accept event now waits for room
    NET2_Quit();
    ASSERT_EQ(NET2_Init(), 0);  // and the layer starts again cleanly
    SDL_Event e;
    EXPECT_EQ(FE_PollEvent(&e), 0);
}

namespace {

// Sends `datagram` to the beacons on `port` from a socket of its own; the answers that come
// within `ms`.
std::vector<std::string> answers_to(const std::string& datagram, int port, int ms = 300,
                                    in_addr_t from = INADDR_LOOPBACK) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in own = loopback_address(0);
    own.sin_addr.s_addr = htonl(from);
    bind(fd, reinterpret_cast<const sockaddr*>(&own), sizeof own);
    const sockaddr_in to = loopback_address(port);
    sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to),
           sizeof to);
    std::vector<std::string> got;
    pollfd waiting{fd, POLLIN, 0};
    while (poll(&waiting, 1, ms) == 1) {
        char buffer[600];
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) got.emplace_back(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return got;
}

}  // namespace

// Hosts of this machine on one search port are each found, with what they offer; a host answers
// only a whole search of our own, never with more bytes than the search had, and no more than
// five a second.
TEST(GameSearch, FindsEveryHostOfThisMachineAndAnswersOnlyOurSearches) {
    const int port = free_port();
    GameBeacon anna({"Anna", 1234, 1, 3}, port), bo({"Bo", 4321, 2, 2}, port);
    ASSERT_TRUE(anna.answering() && bo.answering());
    std::atomic<int> heard{0};
    GameSearch search(port, [&] {
        ++heard;
        return true;
    });
    std::vector<GameSearch::Found> games;
    for (int i = 0; i < 300 && games.size() < 2; ++i, SDL_Delay(10))
        games = search.Games(SDL_GetTicks());
    ASSERT_EQ(games.size(), 2u);
    std::sort(games.begin(), games.end(),
              [](const auto& a, const auto& b) { return a.offer.name < b.offer.name; });
    EXPECT_EQ(games[0].offer.name, "Anna");
    EXPECT_EQ(games[0].address, "127.0.0.1");
    EXPECT_TRUE(games[0].offer.port == 1234 && games[0].offer.joined == 1 &&
                games[0].offer.seats == 3);
    EXPECT_TRUE(games[1].offer.name == "Bo" && games[1].offer.port == 4321);
    EXPECT_GE(heard, 1);
    EXPECT_LE(search.NextDropMs(SDL_GetTicks()), GameSearch::kSilentMs);
    EXPECT_TRUE(search.Games(SDL_GetTicks() + GameSearch::kSilentMs + 1).empty());

    const std::string whole = SearchDatagram(77);
    for (const std::string& foreign :
         {std::string("hello"), whole.substr(0, 100), whole + std::string(400, ' '),
          "VELMORA SEARCH 2 77x" + std::string(140, ' '),
          "VELMORA SEARCH 3 77" + std::string(141, ' ')})
        EXPECT_TRUE(answers_to(foreign, port, 100).empty()) << foreign;
    SDL_Delay(1000);  // the answers of the search above no longer count against the limit
    // Searches forged from another address use up that address's answers, not everybody's.
    for (int i = 0; i < 50; ++i) answers_to(whole, port, 0, INADDR_LOOPBACK + 1);
    std::size_t answered = 0;
    for (int i = 0; i < 12; ++i)
        for (const std::string& answer : answers_to(whole, port, 30)) {
            ++answered;
            EXPECT_LE(answer.size(), whole.size());
            EXPECT_TRUE(ReadAnswer(answer, 77).has_value()) << answer;
        }
    EXPECT_GE(answered, 2u) << "forged searches hid the games";
    EXPECT_LE(answered, 2 * 2 * GameBeacon::kAnswersPerAddress)
        << "a host answers one address a few times a second at most";

    // A host's name travels in UTF-8: at most 16 characters of printable Latin-1.
    const GameOffer zoe{"Zo\u00eb \u00c5ngstr\u00f6m-N\u00fa\u00f1ez", 1234, 1, 3};
    const auto read = ReadAnswer(AnswerDatagram(77, zoe), 77);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->name, "Zo\u00eb \u00c5ngstr\u00f6m-N\u00fa\u00f1");
    for (const char* bad : {"Jo\u0085", "\u20ac", "\xC3",
                            "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"
                            "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"})
        EXPECT_FALSE(ReadAnswer("VELMORA GAME 2 77 1234 1 3 " + std::string(bad), 77)) << bad;
}

namespace {

// Sockets of this network namespace still trying to reach `port` (state SYN_SENT).
int connects_pending(int port) {
    std::FILE* f = std::fopen("/proc/net/tcp", "r");
    if (!f) return -1;
    char line[512];
    int pending = 0;
    while (std::fgets(line, sizeof line, f)) {
        unsigned remote_port = 0, state = 0;
        if (std::sscanf(line, " %*d: %*x:%*x %*x:%x %x", &remote_port, &state) == 2)
            pending += static_cast<int>(remote_port) == port && state == 2;
    }
    std::fclose(f);
    return pending;
}

}  // namespace

// A host whose accept queue is full never answers a connect: cancelling the attempt ends it at
// once, no half-open connection left to complete against whatever listens there later.
TEST_F(Net2, ACancelledConnectLeavesNothingBehind) {
    const int port = free_port();
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in at = loopback_address(port);
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&at), sizeof at), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    std::vector<int> fillers;
    for (int i = 0; i < 3; ++i) {
        fillers.push_back(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
        connect(fillers.back(), reinterpret_cast<const sockaddr*>(&at), sizeof at);
    }
    SDL_Delay(200);
    const int before = connects_pending(port);
    {
        AsyncConnect attempt("127.0.0.1", port);
        for (int i = 0; i < 100 && connects_pending(port) == before; ++i) SDL_Delay(10);
        ASSERT_EQ(connects_pending(port), before + 1) << "the attempt waits for an answer";
    }
    for (int i = 0; i < 100 && connects_pending(port) > before; ++i) SDL_Delay(10);
    EXPECT_EQ(connects_pending(port), before) << "an attempt outlived its cancel by a second";
    for (int fd : fillers) close(fd);
    close(listener);
}

// A peer that never reads costs neither a wait nor unbounded memory: every send returns at once,
// and past the queue's cap the stream dies with one close event, as a drop. A peer that reads
// late still gets every byte, in order.
TEST_F(Net2, SendsNeverWaitOnAPeerThatDoesNotRead) {
    const int port = free_port();
    ASSERT_GE(NET2_TCPAcceptOn(port), 0);
    const int slow = connect_to_loopback(port), stuck = connect_to_loopback(port);
    ASSERT_TRUE(slow >= 0 && stuck >= 0);
    SDL_Event e;
    int to_slow = -1, to_stuck = -1;
    ASSERT_TRUE(next_event(NET2_TCPACCEPTEVENT, e));
    to_slow = NET2_GetSocket(&e);
    ASSERT_TRUE(next_event(NET2_TCPACCEPTEVENT, e));
    to_stuck = NET2_GetSocket(&e);
    const std::string chunk(4096, 'x');
    std::string sent;
    int accepted = 0;
    // The kernel's own buffers may take some megabytes before anything waits in the queue.
    for (int i = 0; i < 4096 && NET2_TCPSend(to_stuck, chunk.data(), 4096) == 4096; ++i)
        accepted += 4096;
    EXPECT_LT(accepted, 16 << 20) << "the stuck peer's queue has no cap";
    ASSERT_TRUE(next_event(NET2_TCPCLOSEEVENT, e));
    EXPECT_EQ(NET2_GetSocket(&e), to_stuck);
    for (int i = 0; i < 300; ++i) {
        const std::string piece = std::to_string(i) + chunk.substr(0, 1000) + ";";
        sent += piece;
        ASSERT_EQ(NET2_TCPSend(to_slow, piece.data(), static_cast<int>(piece.size())),
                  static_cast<int>(piece.size()));
    }
    std::string got;
    char buffer[65536];
    pollfd readable{slow, POLLIN, 0};
    while (got.size() < sent.size() && poll(&readable, 1, 2000) == 1) {
        const ssize_t n = recv(slow, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(got, sent);
    close(slow);
    close(stuck);
}

namespace {

// The UDP ports this process holds, from the system's socket table and its own descriptors.
std::vector<int> own_udp_ports() {
    std::vector<std::string> inodes;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code failed;
        const std::string target = std::filesystem::read_symlink(fd.path(), failed).string();
        if (!failed && target.rfind("socket:[", 0) == 0)
            inodes.push_back(target.substr(8, target.size() - 9));
    }
    std::vector<int> ports;
    std::ifstream table("/proc/net/udp");
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
        fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
            timeout >> inode;
        if (std::find(inodes.begin(), inodes.end(), inode) != inodes.end())
            ports.push_back(std::stoi(local.substr(local.find(':') + 1), nullptr, 16));
    }
    return ports;
}

}  // namespace

// Datagrams from another host to every UDP port the layer holds bring nothing back, and the
// network thread, woken by a path of its own, still closes a stream at once.
TEST_F(Net2, StrangersDatagramsReachNoWakePath) {
    const std::vector<int> ports = own_udp_ports();
    ASSERT_FALSE(ports.empty());
    const int stranger = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in from = loopback_address(0);
    from.sin_addr.s_addr = htonl(INADDR_LOOPBACK + 1);
    ASSERT_EQ(bind(stranger, reinterpret_cast<const sockaddr*>(&from), sizeof from), 0);
    for (int port : ports) {
        const sockaddr_in to = loopback_address(port);
        for (int i = 0; i < 4; ++i)
            sendto(stranger, "0123456789abcdef", 16, 0, reinterpret_cast<const sockaddr*>(&to),
                   sizeof to);
    }
    int listener, client, server;
    ASSERT_NO_FATAL_FAILURE(connect_pair(listener, client, server));
    NET2_TCPClose(client);
    SDL_Event e;
    EXPECT_TRUE(next_event(NET2_TCPCLOSEEVENT, e, 500)) << "the close waited for a wake";
    pollfd answer{stranger, POLLIN, 0};
    EXPECT_EQ(poll(&answer, 1, 300), 0) << "a datagram came back to the stranger";
    close(stranger);
}

// A flood of valid answers, each from another port, lists at most kMostGames games, leaves one
// notice waiting however fast it comes, and does not hold the search when its owner goes.
TEST(GameSearch, AFloodOfAnswersIsBoundedAndStopsAtOnce) {
    const int port = free_port();
    const int host = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in at = loopback_address(port);
    at.sin_addr.s_addr = htonl(INADDR_ANY);  // where the search's broadcast arrives
    ASSERT_EQ(bind(host, reinterpret_cast<const sockaddr*>(&at), sizeof at), 0);
    std::atomic<int> notices{0};
    AnswerFlood flood;
    {
        GameSearch search(port, [&] {
            ++notices;
            return true;
        });
        ASSERT_TRUE(flood.Start(host, 2000, 200000)) << "a search within 2 seconds";
        for (int i = 0; i < 200 && notices == 0; ++i) SDL_Delay(5);
        SDL_Delay(200);
        EXPECT_EQ(notices, 1) << "notices piled up while nobody looked";
        EXPECT_EQ(search.Games(SDL_GetTicks()).size(), GameSearch::kMostGames);
        for (int i = 0; i < 200 && notices == 1; ++i) SDL_Delay(5);
        EXPECT_EQ(notices, 2) << "a look at the list lets the next notice go";
    }
    flood.Stop();
    close(host);
}
