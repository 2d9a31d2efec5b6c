// What the network layer costs over loopback. One line's round trip referee -> client -> referee
// through the exchange is set against a plain blocking-socket ping-pong measured in the same run,
// and whole five-player games against as many plain round trips as the referee received lines, and
// against the same games with a peer that floods and never reads in one seat.
// The peers run as child processes: this program itself (echoes) and build/velmora-player.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "exchange/exchange.h"
#include "game/autoplay_server.h"
#include "net/fastevents.h"
#include "tools/headless.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
// A turn line: as long as the lines that go back and forth most often in a game.
const std::string kLine = "300 2 -1";
constexpr int kWarmUp = 200;
constexpr int kPlayers = 5;

// Thrown when SDL's quit event arrives (Ctrl-C, SIGTERM): the report stops where it is.
struct Interrupted {};
// What the report finished so far, for the line that an interrupted run prints.
std::string finished = "nothing";

void stop_if_quit(const Exchange& exch) {
    if (exch.event.type == SDL_QUIT) throw Interrupted();
}

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string program_dir() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) throw std::runtime_error("can't find this program's directory");
    const std::string self(path, static_cast<std::size_t>(n));
    return self.substr(0, self.rfind('/'));
}

// A child process, waited for when it goes out of scope.
class Child {
  public:
    Child(const std::string& program, const std::vector<std::string>& args) {
        std::vector<char*> argv;
        std::vector<std::string> all{program};
        all.insert(all.end(), args.begin(), args.end());
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        const int failed =
            posix_spawn(&pid, program.c_str(), &quiet, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&quiet);
        if (failed) throw std::runtime_error("can't start " + program);
    }
    // A child still running when its parent gives up is asked to stop first.
    ~Child() {
        if (pid > 0) kill(pid, SIGTERM);
        Wait();
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // The exit status, or -1 when it did not exit normally.
    int Wait() {
        if (pid > 0) {
            int status = 0;
            waitpid(pid, &status, 0);
            pid = -1;
            exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        return exit_status;
    }

  private:
    pid_t pid = -1;
    int exit_status = -1;
};

// ---- Plain blocking sockets ----

void set_nodelay(int fd) {
    // SDL_net turns Nagle's algorithm off on its streams; so does this side, for a fair match.
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// Reads up to and without the next line feed; false at the end of the stream.
bool read_line(int fd, std::string& pending, std::string& line) {
    std::size_t end;
    while ((end = pending.find('\n')) == std::string::npos) {
        char buf[4096];
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR) continue;  // a signal, such as the one that stops us
        if (n <= 0) return false;
        pending.append(buf, static_cast<std::size_t>(n));
    }
    line = pending.substr(0, end);
    pending.erase(0, end + 1);
    return true;
}

bool write_all(int fd, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

int plain_echo(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in a = loopback(port);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) return 1;
    set_nodelay(fd);
    std::string pending, line;
    while (read_line(fd, pending, line) && write_all(fd, line + "\n")) {
    }
    close(fd);
    return 0;
}

// A peer that asks for the extension and then sends name after name, never reading, until the
// referee cuts it off or 10 seconds have passed.
int flood(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const int small = 4096;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    const sockaddr_in a = loopback(port);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) return 1;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    std::string lines = "420\n";
    for (int i = 0; Clock::now() < deadline; ++i) {
        lines += "400 70 " + std::to_string(48 + i % 10) + "\n";
        if (lines.size() < 4096) continue;
        if (!write_all(fd, lines)) break;
        lines.clear();
    }
    close(fd);
    return 0;
}

// Seconds per round trip of a line to a plain echo process and back.
double plain_round_trip(int round_trips) {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(0);
    socklen_t len = sizeof a;
    if (bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        listen(listener, 1) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        throw std::runtime_error("can't listen on loopback");
    Child echo("/proc/self/exe", {"--plain-echo", std::to_string(ntohs(a.sin_port))});
    const int fd = accept(listener, nullptr, nullptr);
    close(listener);
    if (fd < 0) throw std::runtime_error("the plain echo did not connect");
    set_nodelay(fd);
    std::string pending, line;
    auto round_trip = [&] {
        if (!write_all(fd, kLine + "\n") || !read_line(fd, pending, line) || line != kLine)
            throw std::runtime_error("the plain echo failed");
    };
    for (int i = 0; i < kWarmUp; ++i) round_trip();
    const auto start = Clock::now();
    for (int i = 0; i < round_trips; ++i) {
        round_trip();
        if (i % 1024 == 0 && FE_QuitRequested()) throw Interrupted();
    }
    const double seconds = seconds_since(start);
    close(fd);
    return seconds / round_trips;
}

// ---- Through the network layer and the exchange ----

// Serves on a free port near one chosen from the process id, so that parallel runs differ.
int serve(Exchange& exch, int players) {
    const int base = 30000 + static_cast<int>(getpid() % 20000);
    for (int port = base; port < base + 200; ++port)
        if (exch.EnterServerMode(port, players)) return port;
    throw std::runtime_error("no free port to serve on");
}

// Echoes every line of the referee back to it until the connection closes.
int net_echo(int port) {
    HeadlessSDL sdl(true);
    Exchange exch;
    if (!exch.ClientConnect("127.0.0.1", port)) return 1;
    while (exch.WaitEvent()) {
        if (exch.event.type == SDL_QUIT) return kInterruptedStatus;
        if (!exch.IsPlayerMessage() || exch.GetPlayerNum() != -1) continue;
        const std::string msg = exch.GetPlayerMessage();
        if (msg.rfind("1 ", 0) != 0) break;
        exch.ClientSend(msg.substr(2));
    }
    return 0;
}

// The next line of player 0, or "3" when the player left.
std::string next_line(Exchange& exch) {
    while (exch.WaitEvent()) {
        stop_if_quit(exch);
        if (exch.IsPlayerMessage() && exch.GetPlayerNum() == 0) return exch.GetPlayerMessage();
    }
    return "3";
}

double net_round_trip(int round_trips) {
    Exchange exch;
    const int port = serve(exch, 1);
    Child echo("/proc/self/exe", {"--net-echo", std::to_string(port)});
    if (next_line(exch) != "0") throw std::runtime_error("the network echo did not connect");
    auto round_trip = [&] {
        if (!exch.ServerSend(0, kLine) || next_line(exch) != "1 " + kLine)
            throw std::runtime_error("the network echo failed");
    };
    for (int i = 0; i < kWarmUp; ++i) round_trip();
    const auto start = Clock::now();
    for (int i = 0; i < round_trips; ++i) round_trip();
    const double seconds = seconds_since(start);
    exch.ServerDisable();
    return seconds / round_trips;
}

struct GameFigures {
    double seconds = 0;  // from the last player's arrival to the winner
    long lines = 0;      // lines the referee received from the players meanwhile
};

// `flooded`: a peer that floods and never reads takes the last seat, and the computer plays it
// once the referee has cut the peer off; otherwise a player program takes it like the others.
GameFigures network_game(const std::string& player_program, unsigned seed, bool flooded) {
    Exchange exch;
    const int port = serve(exch, kPlayers);
    ServerWithAutoPlay server(kPlayers, exch, [seed] { return seed; });
    std::vector<std::unique_ptr<Child>> players;
    std::unique_ptr<Child> flooder;
    for (int p = flooded ? 1 : 0; p < kPlayers; ++p)
        players.push_back(std::make_unique<Child>(
            player_program,
            std::vector<std::string>{"--host", "127.0.0.1", "--port", std::to_string(port)}));
    GameFigures figures;
    int arrived = 0;
    Clock::time_point start;
    bool everyone_gone = false;
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (!everyone_gone) {
        if (Clock::now() > deadline) throw std::runtime_error("a game took over a minute");
        if (!exch.WaitEvent(1000)) continue;
        stop_if_quit(exch);
        if (!exch.IsPlayerMessage() || exch.GetPlayerNum() < 0) continue;
        const std::string msg = exch.GetPlayerMessage();
        if (msg == "0") ++arrived;
        // The flooder comes last, so that the game starts with it and it is cut off in play, not
        // while the referee still waits for players.
        if (msg == "0" && flooded && arrived == kPlayers - 1)
            flooder = std::make_unique<Child>(
                "/proc/self/exe", std::vector<std::string>{"--flood", std::to_string(port)});
        if (msg == "0" && arrived == kPlayers) start = Clock::now();
        if (msg[0] == '1' && server.winner() == -1) ++figures.lines;
        everyone_gone = server.Receive(exch.GetPlayerNum(), msg);
        if (server.winner() != -1 && figures.seconds == 0) figures.seconds = seconds_since(start);
    }
    for (auto& p : players)
        if (p->Wait() != 0) throw std::runtime_error("a player did not see its game to the end");
    if (figures.seconds == 0) throw std::runtime_error("the game ended without a winner");
    return figures;
}

void report(int round_trips, int games, unsigned seed) {
    const std::string player_program = program_dir() + "/velmora-player";
    HeadlessSDL sdl(true);
    const double plain = plain_round_trip(round_trips);
    finished = "the plain round trips";
    const double net = net_round_trip(round_trips);
    finished = "the round trips";
    std::printf("one line's round trip over loopback, %d round trips each:\n", round_trips);
    std::printf("  plain blocking sockets  %8.1f us\n", plain * 1e6);
    std::printf("  network layer           %8.1f us\n", net * 1e6);
    std::printf("  ratio                   %8.2f\n", net / plain);
    GameFigures total;
    double flooded_seconds = 0, unflooded_seconds = 0;
    for (int g = 0; g < games; ++g) {
        const unsigned game_seed = seed + static_cast<unsigned>(g);
        const GameFigures f = network_game(player_program, game_seed, false);
        total.seconds += f.seconds;
        total.lines += f.lines;
        // The same game again, and with a flooding peer in the last seat, by turns.
        unflooded_seconds += network_game(player_program, game_seed, false).seconds;
        flooded_seconds += network_game(player_program, game_seed, true).seconds;
        finished = "the round trips and " + std::to_string(g + 1) + " games";
    }
    const double plain_game = plain * static_cast<double>(total.lines) / games;
    std::printf("whole %d-player games over the network layer, %d games from seed %u:\n", kPlayers,
                games, seed);
    std::printf("  lines from the players  %8.1f per game\n",
                static_cast<double>(total.lines) / games);
    std::printf("  network layer           %8.2f ms per game\n", total.seconds / games * 1e3);
    std::printf("  as many plain trips     %8.2f ms per game\n", plain_game * 1e3);
    std::printf("  ratio                   %8.2f\n", total.seconds / games / plain_game);
    std::printf("the same games with a peer that floods and never reads in the last seat:\n");
    std::printf("  without it              %8.2f ms per game\n", unflooded_seconds / games * 1e3);
    std::printf("  with it                 %8.2f ms per game\n", flooded_seconds / games * 1e3);
    std::printf("  flooded ratio           %8.2f\n", flooded_seconds / unflooded_seconds);
}

}  // namespace

int main(int argc, char** argv) {
    const CommandLine line(
        argc, argv, "usage: velmora-bench-net [--round-trips N] [--games G] [--seed S]\n",
        {"--plain-echo", "--net-echo", "--flood", "--round-trips", "--games", "--seed"});
    try {
        const long long plain_port = line.Number("--plain-echo", 0, 1, 65535);
        if (plain_port) return plain_echo(static_cast<int>(plain_port));
        const long long net_port = line.Number("--net-echo", 0, 1, 65535);
        if (net_port) return net_echo(static_cast<int>(net_port));
        const long long flood_port = line.Number("--flood", 0, 1, 65535);
        if (flood_port) return flood(static_cast<int>(flood_port));
        const int round_trips = static_cast<int>(line.Number("--round-trips", 20000, 1, 10000000));
        const int games = static_cast<int>(line.Number("--games", 20, 1, 100000));
        const unsigned seed = static_cast<unsigned>(line.Number("--seed", 1, 0, UINT_MAX));
        report(round_trips, games, seed);
        return 0;
    } catch (const Interrupted&) {
        std::printf("interrupted: finished %s\n", finished.c_str());
        return kInterruptedStatus;
    } catch (const std::exception& e) {
        std::printf("Error: %s\n", e.what());
        return 1;
    }
}
