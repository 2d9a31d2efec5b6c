// How soon the join screen lists a host of the same machine: from the search's start (as the
// join screen opens) to the host's answer taken, against a plain UDP question and answer over
// loopback measured in the same run. Run inside a network namespace of its own (bench/run does):
// the search broadcasts.   ./velmora-bench-search [ROUNDS]
#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/median_ms.h"
#include "net/game_search.h"
#include "tests/support/loopback.h"

namespace {

// One datagram to an echoing socket and back, over loopback, in milliseconds.
double udp_round_trip_ms() {
    const int echo = socket(AF_INET, SOCK_DGRAM, 0), asker = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in at = loopback_address(0);
    bind(echo, reinterpret_cast<sockaddr*>(&at), sizeof at);
    socklen_t size = sizeof at;
    getsockname(echo, reinterpret_cast<sockaddr*>(&at), &size);
    const auto start = BenchClock::now();
    char buffer[kSearchSize] = {};
    sendto(asker, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&at), sizeof at);
    sockaddr_in from{};
    socklen_t from_size = sizeof from;
    const ssize_t n =
        recvfrom(echo, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &from_size);
    sendto(echo, buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0)), 0,
           reinterpret_cast<sockaddr*>(&from), from_size);
    pollfd answer{asker, POLLIN, 0};
    poll(&answer, 1, 1000);
    recv(asker, buffer, sizeof buffer, 0);
    const double ms = ms_since(start);
    close(echo);
    close(asker);
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 20;
    const int port = free_port();
    GameBeacon host({"Anna", 1234, 1, 3}, port);
    if (!host.answering()) {
        std::printf("Error: no beacon on UDP port %d\n", port);
        return 1;
    }
    std::vector<double> listed, plain;
    for (int r = 0; r < rounds; ++r) {
        std::atomic<bool> heard{false};
        const auto start = BenchClock::now();
        GameSearch search(port, [&] { return heard = true; });
        while (!heard && ms_since(start) < 5000) usleep(100);
        listed.push_back(ms_since(start));
        plain.push_back(udp_round_trip_ms());
        // A host answers a few searches a second: the next round waits its turn.
        usleep(250 * 1000);
    }
    const double worst = *std::max_element(listed.begin(), listed.end());
    std::printf("plain UDP round trip: %.3f ms\n", median(plain));
    std::printf("search to host listed: %.3f ms median, %.3f ms worst = %.1f x round trip\n",
                median(listed), worst, median(listed) / median(plain));
    return 0;
}
