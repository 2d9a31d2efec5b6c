// How soon a player whose connection dropped plays again: from the drop to the table taken back
// (a new connection, the secret, the seat's table), over loopback with the referee in this
// process, against a plain TCP connect and one line's round trip measured in the same run.
//   ./velmora-bench-rejoin [ROUNDS]
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "bench/median_ms.h"
#include "exchange/exchange.h"
#include "game/autoplay_server.h"
#include "game/client.h"
#include "game/protocol.h"
#include "tests/support/loopback.h"
#include "tools/headless.h"

namespace {

// Seat 0: keeps its secret and never ends its turn, so that the game waits at the table.
class Sitter final : public TableFollower {
  public:
    using TableFollower::TableFollower;
    std::optional<SeatSecret> secret;
    bool back = false;

  private:
    void SecretGiven(const SeatSecret& s) override { secret = s; }
    void Rejoined(int) override { back = true; }
};

// Seat 1 on a plain socket: answers as a client of the game's own lines, and holds its play turn.
struct Peer {
    int fd = -1;
    std::string pending;
    int me = -1, turn = -1;
    void serve() {
        pollfd p{fd, POLLIN, 0};
        char buf[4096];
        while (poll(&p, 1, 0) > 0) {
            const ssize_t n = read(fd, buf, sizeof buf);
            if (n <= 0) return;
            pending.append(buf, static_cast<std::size_t>(n));
        }
        for (auto nl = pending.find('\n'); nl != std::string::npos; nl = pending.find('\n')) {
            const Tokens t(pending.substr(0, nl));
            pending.erase(0, nl + 1);
            std::string out;
            if (t.token(0) == proto::kVersion) me = t.token(3), out = "101 1\n";
            if (t.token(0) == proto::kDealTurn || t.token(0) == proto::kTurn) turn = t.token(1);
            if (t.token(0) == proto::kDealTurn && turn == me) out = "311\n";
            if (t.token(0) == proto::kPublished && turn == me) out = "201\n";
            if (!out.empty() && ::send(fd, out.data(), out.size(), MSG_NOSIGNAL) < 0) return;
        }
    }
};

// A TCP connect to a listener, a line there and its echo back, in milliseconds.
double connect_round_trip_ms(int port, int listener) {
    const auto start = BenchClock::now();
    const int fd = connect_to_loopback(port);
    const int peer = accept(listener, nullptr, nullptr);
    char c = 'x';
    if (write(fd, &c, 1) != 1 || read(peer, &c, 1) != 1 || write(peer, &c, 1) != 1 ||
        read(fd, &c, 1) != 1)
        std::exit(1);
    const double ms = ms_since(start);
    close(fd);
    close(peer);
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    HeadlessSDL sdl(true);
    const int port = free_port();
    Exchange exch;
    if (!exch.EnterServerMode(port, 2) || !exch.ClientConnect("127.0.0.1", port)) return 1;
    ServerWithAutoPlay server(2, exch);
    Client client(exch);
    Sitter sitter(exch, client);
    client.ConnectClientConnector(&sitter);
    Peer peer;
    peer.fd = connect_to_loopback(port);
    const auto run_until = [&](auto done) {
        const auto end = BenchClock::now() + std::chrono::seconds(10);
        while (!done() && BenchClock::now() < end) {
            if (exch.WaitEvent(1) && exch.IsPlayerMessage()) {
                if (exch.GetPlayerNum() == -1)
                    client.Receive(exch.GetPlayerMessage());
                else
                    server.Receive(exch.GetPlayerNum(), exch.GetPlayerMessage());
            }
            peer.serve();
        }
        if (!done()) std::exit(1);
    };
    run_until([&] { return sitter.secret && server.AwaitsPlay(); });
    std::vector<double> rejoin;
    for (int i = 0; i < rounds; ++i) {
        sitter.back = false;
        const auto start = BenchClock::now();
        exch.ClientDisconnect();
        run_until([&] { return server.Seats()[0].state == SeatInfo::kAway; });
        if (!exch.ClientConnect("127.0.0.1", port)) return 1;
        client.Rejoin(0, *sitter.secret);
        run_until([&] { return sitter.back; });
        rejoin.push_back(ms_since(start));
    }
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at = loopback_address(0);
    bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at);
    listen(listener, 4);
    socklen_t size = sizeof at;
    getsockname(listener, reinterpret_cast<sockaddr*>(&at), &size);
    std::vector<double> plain;
    for (int i = 0; i < rounds; ++i)
        plain.push_back(connect_round_trip_ms(ntohs(at.sin_port), listener));
    close(listener);
    std::printf("drop to playing again, median ms: %.2f\n", median(rejoin));
    std::printf("plain connect and round trip, median ms: %.3f\n", median(plain));
    exch.ServerDisable();
    return 0;
}
