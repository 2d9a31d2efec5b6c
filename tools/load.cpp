// Puts a velmora-server under load: many connections at once, as players seated in tables of K
// (the server seats a client of the game's own lines at the first table waiting for players, so
// it must run with --quick-seats K), each playing every turn with "220" as fast as the server
// answers or after a think time, game after game, for a bounded time. Prints one "name: value"
// line per figure.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/open_files.h"
#include "exchange/tokens.h"
#include "game/protocol.h"

namespace {

using Clock = std::chrono::steady_clock;

// A stream to this machine's `port`, or -1: the load never leaves the machine.
int connect_to_loopback(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return fd;
    if (fd >= 0) close(fd);
    return -1;
}

struct LoadPlayer {
    int fd = -1;
    std::string in;
    int me = -1;
    int turn = -1;
    // An answer waiting for its think time, and when it may go.
    std::string due;
    Clock::time_point due_at;
    // A "220" went at this time: the next line the server sends answers it.
    bool awaiting = false;
    Clock::time_point sent_at;
};

struct Figures {
    std::vector<double> latencies_ms;
    long games = 0;
    long errors = 0;
};

// The lines a client of the game's own lines answers, "220" for each own play turn.
std::string answer(LoadPlayer& p, const Tokens& t, Figures& f) {
    switch (t.token(0)) {
        case proto::kVersion:
            p.me = t.token(3);
            return "101 1";
        case proto::kDealTurn:
            p.turn = t.token(1);
            return p.turn == p.me ? "311" : "";
        case proto::kTurn:
            p.turn = t.token(1);
            return p.turn == p.me ? "220" : "";
        case proto::kPublished:
            return p.turn == p.me ? "201" : "";
        case proto::kWinner:
            p.turn = -1;
            // Each game counted once, by its seat 0; then the next game.
            f.games += p.me == 0;
            return "106";
        case proto::kRefused:
            ++f.errors;
            return "";
        default:
            return "";
    }
}

void send_line(LoadPlayer& p, const std::string& line, Figures& f) {
    const std::string out = line + "\n";
    if (::send(p.fd, out.data(), out.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(out.size()))
        ++f.errors;
    if (line == "220") p.awaiting = true, p.sent_at = Clock::now();
}

// Reads what came; false when the server closed the connection.
bool take_lines(LoadPlayer& p, Figures& f, int think_ms) {
    char buf[16384];
    for (;;) {
        const ssize_t n = ::read(p.fd, buf, sizeof buf);
        if (n == 0) return false;
        if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK;
        p.in.append(buf, static_cast<std::size_t>(n));
        for (auto nl = p.in.find('\n'); nl != std::string::npos; nl = p.in.find('\n')) {
            const Tokens t(std::string_view(p.in).substr(0, nl));
            p.in.erase(0, nl + 1);
            if (p.awaiting) {
                p.awaiting = false;
                f.latencies_ms.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - p.sent_at).count());
            }
            const std::string reply = answer(p, t, f);
            if (reply.empty()) continue;
            if (think_ms == 0) {
                send_line(p, reply, f);
            } else {
                p.due = reply;
                p.due_at = Clock::now() + std::chrono::milliseconds(think_ms);
            }
        }
    }
}

double percentile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(q * static_cast<double>(v.size())))];
}

// The server's resident memory in MiB, and its processor seconds so far.
double resident_mib(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}
double cpu_seconds(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; fields >> field && i <= 15; ++i)
        if (i >= 14) ticks += std::stod(field);
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace

int main(int argc, char** argv) {
    const CommandLine line(
        argc, argv,
        "usage: velmora-load --server 127.0.0.1:PORT --connections M --seats K\n"
        "                    [--think-ms T] [--seconds S] [--server-pid PID]\n"
        "Opens M connections to the velmora-server on this machine's PORT, which seats\n"
        "them in tables of K (run it with --quick-seats K and a --max-per-address of M\n"
        "or more); each plays every turn with \"220\", T ms (0) after each line it\n"
        "answers, game after game, for S seconds (10). Prints connections_held,\n"
        "games_per_second, games_ended (each seen won by its seat 0),\n"
        "line_latency_median_ms and line_latency_p99_ms (from each\n"
        "\"220\" to the server's next line), errors, and with PID the server's memory\n"
        "(server_rss_mib) and processor use (server_cpu_percent).\n",
        {"--server", "--connections", "--seats", "--think-ms", "--seconds", "--server-pid"});
    const std::string server = line.Text("--server");
    if (server.rfind("127.0.0.1:", 0) != 0) line.Fail("--server must be 127.0.0.1:PORT");
    const int port = std::atoi(server.c_str() + 10);
    if (port < 1 || port > 65535) line.Fail("--server must be 127.0.0.1:PORT");
    const int connections = static_cast<int>(line.Number("--connections", 100, 1, 100000));
    line.Number("--seats", 2, 2, 5);
    const int think_ms = static_cast<int>(line.Number("--think-ms", 0, 0, 60000));
    const int seconds = static_cast<int>(line.Number("--seconds", 10, 1, 3600));
    const int pid = static_cast<int>(line.Number("--server-pid", 0, 0, 1 << 30));

    RaiseOpenFiles();
    Figures figures;
    std::vector<LoadPlayer> players(static_cast<std::size_t>(connections));
    const int poller = epoll_create1(0);
    for (std::size_t i = 0; i < players.size(); ++i) {
        LoadPlayer& p = players[i];
        p.fd = connect_to_loopback(port);
        if (p.fd < 0) {
            ++figures.errors;
            continue;
        }
        fcntl(p.fd, F_SETFL, fcntl(p.fd, F_GETFL) | O_NONBLOCK);
        epoll_event e{};
        e.events = EPOLLIN;
        e.data.u64 = i;
        epoll_ctl(poller, EPOLL_CTL_ADD, p.fd, &e);
        // Our bare join: seated at once.
        send_line(p, "420", figures);
    }
    const double cpu_before = pid ? cpu_seconds(pid) : 0;
    const auto start = Clock::now(), end = start + std::chrono::seconds(seconds);
    std::vector<epoll_event> events(1024);
    while (Clock::now() < end) {
        const int n = epoll_wait(poller, events.data(), static_cast<int>(events.size()), 5);
        for (int k = 0; k < n; ++k) {
            LoadPlayer& p = players[events[k].data.u64];
            if (p.fd >= 0 && !take_lines(p, figures, think_ms)) {
                ++figures.errors;
                close(p.fd);
                p.fd = -1;
            }
        }
        const auto now = Clock::now();
        for (LoadPlayer& p : players)
            if (!p.due.empty() && now >= p.due_at && p.fd >= 0) {
                send_line(p, p.due, figures);
                p.due.clear();
            }
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const long held = std::count_if(players.begin(), players.end(),
                                    [](const LoadPlayer& p) { return p.fd >= 0; });
    std::printf("connections_held: %ld\n", held);
    std::printf("games_per_second: %.1f\n", static_cast<double>(figures.games) / elapsed);
    std::printf("games_ended: %ld\n", figures.games);
    std::printf("line_latency_median_ms: %.2f\n", percentile(figures.latencies_ms, 0.5));
    std::printf("line_latency_p99_ms: %.2f\n", percentile(figures.latencies_ms, 0.99));
    std::printf("errors: %ld\n", figures.errors);
    if (pid) {
        std::printf("server_rss_mib: %.1f\n", resident_mib(pid));
        std::printf("server_cpu_percent: %.0f\n", 100 * (cpu_seconds(pid) - cpu_before) / elapsed);
    }
    for (LoadPlayer& p : players)
        if (p.fd >= 0) close(p.fd);
    close(poller);
    return 0;
}
