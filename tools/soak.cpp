// Network games under attack: each game a headless referee process and 2 to 5 players over
// loopback, of whom the given share misbehave, and of the honest ones the given share drop their
// connection at a random moment and take their seat back, while an intruder guesses secrets.
// Every game must still end, every honest player (the rejoined ones too) must see the same
// winner, no intruder may sit down, and no process may crash.
//   velmora-soak [--games N] [--misbehave PERCENT] [--rejoin PERCENT] [--seed S]
// The last line counts the games, the misbehaving players the referee dropped, the players who
// rejoined, those back too late (their game had ended), the seats taken by an intruder, the
// crashes, the hangs, the referee's peak resident memory and how long the games took; the exit
// status is 0 only without crashes, hangs, disagreements and intruders. Among the misbehaving
// players are one that floods and never reads and one that sends datagrams to every UDP port the
// referee holds.
#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "exchange/tokens.h"
#include "tools/headless.h"
#include "tools/strategy_option.h"

namespace {

using Clock = std::chrono::steady_clock;
// Set by Ctrl-C or SIGTERM: the run stops after stopping the game in progress.
volatile sig_atomic_t interrupted = 0;
constexpr int kGameSeconds = 60;

// ---- Processes ----

struct Child {
    pid_t pid = -1;
    int out = -1;  // its standard output, or -1
    std::string text;
    int status = -1;  // exit status; 128 + signal when killed by one; -1 while running
    long max_rss_kib = 0;
};

Child spawn(const std::vector<std::string>& args) {
    int pipefd[2];
    if (pipe(pipefd) != 0) std::exit(3);
    Child c;
    c.pid = fork();
    if (c.pid == 0) {
        dup2(pipefd[1], 1);
        close(pipefd[0]);
        close(pipefd[1]);
        std::vector<char*> argv;
        std::vector<std::string> copy = args;
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipefd[1]);
    c.out = pipefd[0];
    return c;
}

// Reads what the child wrote and reaps it when it ended; true once it has.
bool poll_child(Child& c) {
    if (c.out >= 0) {
        pollfd p{c.out, POLLIN, 0};
        while (poll(&p, 1, 0) > 0) {
            char buf[4096];
            const ssize_t n = read(c.out, buf, sizeof buf);
            if (n <= 0) {
                close(c.out);
                c.out = -1;
                break;
            }
            c.text.append(buf, static_cast<std::size_t>(n));
        }
    }
    if (c.status != -1) return true;
    int st;
    rusage use{};
    if (wait4(c.pid, &st, WNOHANG, &use) != c.pid) return false;
    c.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    c.max_rss_kib = use.ru_maxrss;
    return true;
}

void stop(Child& c) {
    if (c.status != -1) return;
    kill(c.pid, SIGKILL);
    while (!poll_child(c)) usleep(1000);
}

// ---- A misbehaving player, in a process of its own ----

// A misbehaving player's exit status when its connection ended before the game did.
constexpr int kDroppedStatus = 2;

enum Behaviour {
    kLeave,
    kGarbage,
    kForged,
    kFaces,
    kOutOfTurn,
    kEndless,
    kBurst,
    kDeaf,
    kFlood,
    kDatagrams,
    kCount
};

int connect_to(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return -1;
    return fd;
}

void say(int fd, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

// The UDP ports process `pid` holds, from its descriptors and the system's socket table.
std::vector<int> udp_ports_of(pid_t pid) {
    std::vector<std::string> inodes;
    const std::string fds = "/proc/" + int_to_string(pid) + "/fd";
    if (DIR* dir = opendir(fds.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            char target[64] = {};
            const std::string link = fds + "/" + entry->d_name;
            if (readlink(link.c_str(), target, sizeof target - 1) > 8 &&
                std::string(target).rfind("socket:[", 0) == 0)
                inodes.emplace_back(target + 8, std::strlen(target) - 9);
        }
        closedir(dir);
    }
    std::vector<int> ports;
    FILE* table = std::fopen("/proc/net/udp", "r");
    char row[512];
    while (table && std::fgets(row, sizeof row, table)) {
        unsigned port = 0;
        char inode[32] = {};
        if (std::sscanf(row, " %*d: %*x:%x %*x:%*x %*x %*x:%*x %*x:%*x %*x %*d %*d %31s", &port,
                        inode) == 2 &&
            std::find(inodes.begin(), inodes.end(), inode) != inodes.end())
            ports.push_back(static_cast<int>(port));
    }
    if (table) std::fclose(table);
    return ports;
}

// Datagrams from another host (127.0.0.2) to every UDP port the referee holds: a stranger's
// searches and wake-ups, which must bring nothing back and slow nothing down.
void strike_udp_ports(pid_t referee) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(INADDR_LOOPBACK + 1);
    bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from);
    const std::string search = "VELMORA SEARCH 2 77" + std::string(141, ' ');
    for (int port : udp_ports_of(referee)) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<uint16_t>(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        for (const std::string& datagram : {search, std::string(16, 'w')})
            for (int i = 0; i < 20; ++i)
                sendto(fd, datagram.data(), datagram.size(), 0,
                       reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    close(fd);
}

// Asks for the extension, then sends name after name without ever reading, until the referee
// cuts it off.
[[noreturn]] void flood(int fd, Clock::time_point deadline) {
    const int small = 4096;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    std::string lines = "420\n";
    for (int i = 0; Clock::now() < deadline; ++i) {
        lines += "400 70 " + int_to_string(48 + i % 10) + "\n";
        if (lines.size() < 4096) continue;
        if (send(fd, lines.data(), lines.size(), MSG_NOSIGNAL) <= 0) _exit(kDroppedStatus);
        lines.clear();
    }
    _exit(0);
}

// The lobby's line asking for the server's table `table`.
std::string join_line(const std::string& table) {
    std::string line = "436";
    for (unsigned char c : table) line += " " + int_to_string(c);
    return line + "\n";
}

// On a server, a misbehaving player first takes a seat at its table through the lobby, asking
// again while the table is not made yet; false when it cannot. The game's lines that came with
// the lobby's are left in `pending`.
bool sit_at(int fd, const std::string& table, Clock::time_point deadline, std::string& pending) {
    say(fd, "430 3\n" + join_line(table));
    std::string got;
    while (Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char buf[4096];
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0) return false;
        got.append(buf, static_cast<std::size_t>(n));
        for (std::size_t nl; (nl = got.find('\n')) != std::string::npos;) {
            const std::string line = got.substr(0, nl + 1);
            got.erase(0, nl + 1);
            const Tokens t(line);
            if (t.token(0) == 441 && t.token(1) != 3) return false;
            if (t.token(0) == 441) usleep(20000), say(fd, join_line(table));
            if (t.token(0) < 430 || t.token(0) > 449) pending += line;
            // Seated: told how many watch.
            if (t.token(0) == 442) {
                pending += got;
                return true;
            }
        }
    }
    return false;
}

// Plays like a client until its moment comes, misbehaves, and goes on playing where it still can.
// On a server (`table` given), it sits at that table first.
[[noreturn]] void misbehave(int port, pid_t referee, Behaviour how, unsigned seed,
                            const std::string& table = "") {
    std::mt19937 rng(seed);
    const int fd = connect_to(port);
    if (fd < 0) _exit(0);
    const auto deadline = Clock::now() + std::chrono::seconds(kGameSeconds);
    std::string pending;
    if (!table.empty() && !sit_at(fd, table, deadline, pending)) _exit(0);
    if (how == kFlood) flood(fd, deadline);
    if (how == kDeaf) {
        // Never reads: answers blindly, now and then, whatever a player may owe, until stopped.
        while (Clock::now() < deadline) {
            say(fd, "101 1\n311\n201\n220\n");
            usleep(20000);
        }
        _exit(0);
    }
    const int moment = static_cast<int>(rng() % 40);
    int me = -1, turn = -1, lines = 0, drawn_card = -1, drawn_face = -1;
    bool done = false, dropped = false;
    while (!done && Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (pending.find('\n') == std::string::npos && poll(&p, 1, 100) <= 0) continue;
        char buf[4096];
        const ssize_t n =
            pending.find('\n') == std::string::npos ? recv(fd, buf, sizeof buf, 0) : 0;
        if (n < 0 || (n == 0 && pending.find('\n') == std::string::npos)) {
            dropped = true;  // the referee closed the connection
            break;
        }
        pending.append(buf, static_cast<std::size_t>(n));
        for (std::size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
            const Tokens t(pending.substr(0, nl));
            pending.erase(0, nl + 1);
            if (t.token(0) == 100) me = t.token(3), say(fd, "101 1\n");
            if (t.token(0) == 310 || t.token(0) == 300) turn = t.token(1);
            if (t.token(0) == 300 && turn == me && t.data.size() >= 7)
                drawn_card = t.token(5), drawn_face = t.token(6);
            if (++lines == moment) {
                const std::string m = int_to_string(me), other = int_to_string((me + 1) % 2);
                switch (how) {
                    case kLeave:
                        dropped = done = true;
                        break;
                    case kGarbage:
                        say(fd, "hello referee, \x01\x02 please\n");
                        break;
                    case kForged:
                        say(fd, "210  910 6 " + other + " 1 " + int_to_string(drawn_card) + " 3\n");
                        break;
                    case kFaces:
                        say(fd, "210  910 6 " + m + " 1 " + int_to_string(drawn_card) + " " +
                                    int_to_string((drawn_face + 1) % 52) + "\n");
                        break;
                    case kOutOfTurn:
                        say(fd, "201\n220\n311\n210\n106\n");
                        break;
                    case kEndless:
                        say(fd, std::string(70000, '7'));
                        break;
                    case kDatagrams:
                        strike_udp_ports(referee);
                        break;
                    case kBurst: {
                        std::string burst;
                        for (int i = 0; i < 3000; ++i) burst += "102 " + int_to_string(i) + "\n";
                        say(fd, burst);
                        break;
                    }
                    default:
                        break;
                }
            }
            if (done) break;
            if (t.token(0) == 310 && turn == me) say(fd, "311\n");
            if (t.token(0) == 200 && turn == me) say(fd, "201\n");
            if (t.token(0) == 300 && turn == me) say(fd, "220\n");
            if (t.token(0) == 105) done = true;
        }
    }
    close(fd);
    _exit(dropped ? kDroppedStatus : 0);
}

// ---- An intruder, in a process of its own ----

// An intruder's exit status once the referee let it sit down.
constexpr int kIntrudedStatus = 3;

// Asks for a seat with a made-up secret, again and again on new connections, until stopped; each
// connection must be refused (421) or closed, never seated.
[[noreturn]] void intrude(int port, int players, unsigned seed) {
    std::mt19937 rng(seed);
    // Every seat is taken by then: the intruder never takes a free one as a new player.
    usleep(500 * 1000);
    const auto deadline = Clock::now() + std::chrono::seconds(kGameSeconds);
    while (Clock::now() < deadline) {
        const int fd = connect_to(port);
        if (fd < 0) _exit(0);
        std::string guess = "420 " + int_to_string(static_cast<int>(rng() % players));
        for (int i = 0; i < 8; ++i) guess += " " + int_to_string(static_cast<int>(rng() % 65536));
        say(fd, guess + "\n");
        std::string got;
        char buf[4096];
        pollfd p{fd, POLLIN, 0};
        for (ssize_t n = 1; n > 0 && poll(&p, 1, 1000) > 0;) {
            n = recv(fd, buf, sizeof buf, 0);
            if (n > 0) got.append(buf, static_cast<std::size_t>(n));
        }
        close(fd);
        if (!got.empty() && got.rfind("421 ", 0) != 0) _exit(kIntrudedStatus);
        usleep(20000);
    }
    _exit(0);
}

// ---- One game ----

struct Tally {
    int games = 0, dropped = 0, rejoined = 0, late = 0, intrusions = 0, crashes = 0, hangs = 0;
    // On a server: lines a watcher got that showed a hidden face, and whether the server failed.
    int hidden_faces = 0;
    bool server_crashed = false;
    long peak_rss_kib = 0;
    bool disagreed = false;
    // How long each game with honest players took to be decided, in seconds.
    std::vector<double> seconds;
};

// The median and the longest of the games' times.
std::pair<double, double> median_and_longest(std::vector<double> seconds) {
    if (seconds.empty()) return {0, 0};
    std::sort(seconds.begin(), seconds.end());
    return {seconds[seconds.size() / 2], seconds.back()};
}

int free_port() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    close(fd);
    return ntohs(a.sin_port);
}

std::string winner_of(const std::string& text) {
    const std::size_t at = text.find("winner ");
    return at == std::string::npos ? "" : text.substr(at, text.find('\n', at) - at);
}

bool says(const Child& c, const std::string& what) {
    return c.text.find(what) != std::string::npos;
}

// `strategies`: how the honest players play, seat by seat round the list, the first also for the
// referee's seats of players who left; empty for `auto` everywhere.
void play_game(const std::string& dir, std::mt19937& rng, int misbehave_percent, int rejoin_percent,
               const std::vector<std::string>& strategies, Tally& tally) {
    const int players = 2 + static_cast<int>(rng() % 4);
    const int port = free_port();
    std::vector<std::string> serve = {dir + "/velmora-referee", "--players", int_to_string(players),
                                      "--port", int_to_string(port)};
    if (!strategies.empty()) serve.insert(serve.end(), {"--strategy", strategies.front()});
    Child referee = spawn(serve);
    const auto start = Clock::now();
    while (referee.text.find("serving") == std::string::npos && !poll_child(referee) &&
           Clock::now() - start < std::chrono::seconds(10))
        usleep(2000);
    std::vector<Child> honest, bad, droppers;
    std::string seats;
    for (int p = 0; p < players; ++p) {
        if (static_cast<int>(rng() % 100) < misbehave_percent) {
            const auto how = static_cast<Behaviour>(rng() % kCount);
            seats += " " + int_to_string(how);
            const unsigned seed = rng();
            Child c;
            c.pid = fork();
            if (c.pid == 0) misbehave(port, referee.pid, how, seed);
            bad.push_back(c);
        } else {
            std::vector<std::string> args = {dir + "/velmora-player", "--host", "127.0.0.1",
                                             "--port", int_to_string(port)};
            if (!strategies.empty())
                args.insert(args.end(), {"--strategy", strategies[p % strategies.size()]});
            const bool drops = static_cast<int>(rng() % 100) < rejoin_percent;
            if (drops) args.insert(args.end(), {"--drop-after", int_to_string(10 + rng() % 60)});
            (drops ? droppers : honest).push_back(spawn(args));
        }
        usleep(5000);  // seats are taken in this order
    }
    Child intruder;
    if (!droppers.empty()) {
        const unsigned seed = rng();
        intruder.pid = fork();
        if (intruder.pid == 0) intrude(port, players, seed);
    }
    // Every honest player ends with the game's winner (without one, the referee names it or ends);
    // then the misbehaving players still there are stopped, and the referee ends once all left.
    auto decided = [&] {
        poll_child(referee);
        for (Child& c : bad) poll_child(c);
        // Without honest players the game may also end unplayed: everybody left. A player who
        // dropped its connection may come back too late, and keep trying until the referee ends.
        bool done = !honest.empty() || !winner_of(referee.text).empty() || referee.status != -1;
        for (Child& c : honest) done = poll_child(c) && done;
        for (Child& c : droppers) done = (poll_child(c) || referee.status != -1) && done;
        return done;
    };
    auto wait = [&](auto condition, int seconds) {
        const auto deadline = Clock::now() + std::chrono::seconds(seconds);
        while (!condition() && Clock::now() < deadline && !interrupted) usleep(5000);
        return condition();
    };
    bool hung = !wait(decided, kGameSeconds);
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    for (Child& c : bad) {
        poll_child(c);
        if (c.status == kDroppedStatus) ++tally.dropped;
        stop(c);
    }
    hung = !wait([&] { return poll_child(referee); }, 10) || hung;
    for (Child& c : honest) stop(c);
    for (Child& c : droppers) stop(c);
    if (intruder.pid > 0) {
        poll_child(intruder);
        tally.intrusions += intruder.status == kIntrudedStatus;
        stop(intruder);
    }
    stop(referee);
    if (interrupted) return;
    ++tally.games;
    if (hung) {
        ++tally.hangs;
        std::fprintf(stderr, "game %d hung; seats:%s; referee said: %s\n", tally.games,
                     seats.c_str(), referee.text.c_str());
    }
    const auto crashed = [](const Child& c) {
        return c.status >= 128 && c.status != 128 + SIGKILL;
    };
    tally.crashes += crashed(referee);
    for (const Child& c : honest) tally.crashes += crashed(c);
    for (const Child& c : droppers) {
        tally.crashes += crashed(c);
        tally.rejoined += says(c, "rejoined");
        // Only a player who got its seat back, or never dropped, can know the winner.
        if (says(c, "rejoined") || says(c, "winner"))
            honest.push_back(c);
        else
            ++tally.late;
    }
    tally.peak_rss_kib = std::max(tally.peak_rss_kib, referee.max_rss_kib);
    std::string seen;
    for (const Child& c : honest) {
        const std::string w = winner_of(c.text);
        if (w.empty() || (!seen.empty() && w != seen)) tally.disagreed = true;
        seen = w;
    }
    if (!honest.empty() && winner_of(referee.text) != seen) tally.disagreed = true;
    if (!honest.empty() && !hung) tally.seconds.push_back(took);
}

// ---- Many tables of one server at once ----

// One table's game on the server: its players, an intruder and a watcher.
struct TableGame {
    std::string name;
    std::vector<Child> honest, bad, droppers;
    Child intruder, watcher;
    std::string seats;
};

// Players for table `name`, of whom the first is honest and makes it.
TableGame begin_table(const std::string& dir, int port, const std::string& name, std::mt19937& rng,
                      int misbehave_percent, int rejoin_percent) {
    TableGame g;
    g.name = name;
    const int players = 2 + static_cast<int>(rng() % 4);
    const std::string server = "127.0.0.1:" + int_to_string(port);
    for (int p = 0; p < players; ++p) {
        if (p > 0 && static_cast<int>(rng() % 100) < misbehave_percent) {
            const auto how = static_cast<Behaviour>(rng() % kCount);
            g.seats += " " + int_to_string(how);
            const unsigned seed = rng();
            Child c;
            c.pid = fork();
            if (c.pid == 0) misbehave(port, -1, how, seed, name);
            g.bad.push_back(c);
            continue;
        }
        std::vector<std::string> args = {
            dir + "/velmora-player", "--server", server, "--table", name, "--seats",
            int_to_string(players)};
        const bool drops = p > 0 && static_cast<int>(rng() % 100) < rejoin_percent;
        if (drops) args.insert(args.end(), {"--drop-after", int_to_string(10 + rng() % 60)});
        (drops ? g.droppers : g.honest).push_back(spawn(args));
    }
    if (!g.droppers.empty()) {
        const unsigned seed = rng();
        g.intruder.pid = fork();
        if (g.intruder.pid == 0) intrude(port, players, seed);
    }
    return g;
}

// Whether the table's game is decided: every honest player and every one that dropped ended.
bool table_decided(TableGame& g) {
    for (Child& c : g.bad) poll_child(c);
    if (g.watcher.pid > 0) poll_child(g.watcher);
    bool done = true;
    for (Child& c : g.honest) done = poll_child(c) && done;
    for (Child& c : g.droppers) done = poll_child(c) && done;
    return done;
}

void end_table(TableGame& g, bool hung, Tally& tally) {
    for (Child& c : g.bad) {
        poll_child(c);
        if (c.status == kDroppedStatus) ++tally.dropped;
        stop(c);
    }
    for (Child& c : g.honest) stop(c);
    for (Child& c : g.droppers) stop(c);
    if (g.intruder.pid > 0) {
        poll_child(g.intruder);
        tally.intrusions += g.intruder.status == kIntrudedStatus;
        stop(g.intruder);
    }
    if (g.watcher.pid > 0) {
        // The watcher sees the game's end, or came too late for it.
        for (int i = 0; i < 20 && !poll_child(g.watcher); ++i) usleep(5000);
        stop(g.watcher);
        tally.hidden_faces += says(g.watcher, "hidden face");
    }
    ++tally.games;
    if (hung) {
        ++tally.hangs;
        std::fprintf(stderr, "table %s hung; seats:%s\n", g.name.c_str(), g.seats.c_str());
        for (const Child& c : g.honest)
            std::fprintf(stderr, "  a player said: %s\n", c.text.c_str());
    }
    const auto crashed = [](const Child& c) {
        return c.status >= 128 && c.status != 128 + SIGKILL;
    };
    for (const Child& c : g.honest) tally.crashes += crashed(c);
    for (const Child& c : g.droppers) {
        tally.crashes += crashed(c);
        tally.rejoined += says(c, "rejoined");
        if (says(c, "rejoined") || says(c, "winner"))
            g.honest.push_back(c);
        else
            ++tally.late;
    }
    std::string seen;
    for (const Child& c : g.honest) {
        const std::string w = winner_of(c.text);
        if (w.empty() || (!seen.empty() && w != seen)) tally.disagreed = true;
        seen = w;
    }
    const std::string watched = g.watcher.pid > 0 ? winner_of(g.watcher.text) : "";
    // A watcher checks every line against its table: one that lost the server disagreed.
    if ((!watched.empty() && watched != seen) || g.watcher.status == 1) tally.disagreed = true;
}

// `tables` games at once on one server, each with its players, a watcher that comes at a random
// moment, and an intruder; then the next round, until `games` are played.
void play_on_server(const std::string& dir, std::mt19937& rng, int games, int tables,
                    int misbehave_percent, int rejoin_percent, Tally& tally) {
    const int port = free_port();
    Child server =
        spawn({dir + "/velmora-server", "--port", int_to_string(port), "--max-per-address",
               "100000", "--max-connections", "100000", "--database", "off"});
    for (int i = 0, fd = -1; i < 500 && fd < 0; ++i, usleep(10000))
        if ((fd = connect_to(port)) >= 0) close(fd);
    for (int round = 0; tally.games < games && !interrupted; ++round) {
        std::vector<TableGame> round_games;
        for (int t = 0; t < tables; ++t)
            round_games.push_back(
                begin_table(dir, port, "Soak " + int_to_string(round) + "-" + int_to_string(t), rng,
                            misbehave_percent, rejoin_percent));
        const auto start = Clock::now();
        std::vector<bool> watched(round_games.size());
        std::vector<Clock::time_point> watch_at;
        for (std::size_t t = 0; t < round_games.size(); ++t)
            watch_at.push_back(start + std::chrono::milliseconds(rng() % 300));
        std::vector<bool> done(round_games.size());
        for (bool all = false;
             !all && !interrupted && Clock::now() - start < std::chrono::seconds(kGameSeconds);) {
            all = true;
            for (std::size_t t = 0; t < round_games.size(); ++t) {
                if (!watched[t] && Clock::now() >= watch_at[t]) {
                    watched[t] = true;
                    round_games[t].watcher =
                        spawn({dir + "/velmora-player", "--server",
                               "127.0.0.1:" + int_to_string(port), "--watch", round_games[t].name});
                }
                if (!done[t]) done[t] = table_decided(round_games[t]);
                all = all && done[t];
            }
            usleep(5000);
        }
        const double took = std::chrono::duration<double>(Clock::now() - start).count();
        for (std::size_t t = 0; t < round_games.size(); ++t) {
            end_table(round_games[t], !done[t] && !interrupted, tally);
            if (done[t]) tally.seconds.push_back(took);
        }
        poll_child(server);
        if (server.status != -1) break;
    }
    kill(server.pid, SIGTERM);
    for (int i = 0; i < 1000 && !poll_child(server); ++i) usleep(5000);
    tally.server_crashed = server.status != 0;
    tally.peak_rss_kib = server.max_rss_kib;
    stop(server);
}

std::string program_dir(const char* argv0) {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    const std::string self = n > 0 ? std::string(path, static_cast<std::size_t>(n)) : argv0;
    return self.substr(0, self.rfind('/'));
}

}  // namespace

int main(int argc, char** argv) {
    const CommandLine line(
        argc, argv,
        "usage: velmora-soak [--games N] [--misbehave PERCENT] [--rejoin PERCENT] [--seed S]\n"
        "                    [--strategies LIST] [--server [--tables T]]\n"
        "The honest players play with the strategies of LIST, comma-separated (easy, auto,\n"
        "strong or expert), seat by seat round the list; auto by default. With --server, the\n"
        "games are played on one velmora-server, T tables at once (20), each watched from a\n"
        "random moment on.\n",
        {"--games", "--misbehave", "--rejoin", "--seed", "--tables", "--strategies"}, {"--server"});
    const int games = static_cast<int>(line.Number("--games", 20, 1, 1000000));
    const int percent = static_cast<int>(line.Number("--misbehave", 25, 0, 100));
    const int rejoin = static_cast<int>(line.Number("--rejoin", 25, 0, 100));
    const unsigned seed = static_cast<unsigned>(line.Number("--seed", 1, 0, UINT_MAX));
    std::vector<std::string> strategies;
    for (Strategy s : StrategyList(line, line.Text("--strategies")))
        strategies.push_back(StrategyName(s));
    signal(SIGPIPE, SIG_IGN);
    signal(SIGINT, [](int) { interrupted = 1; });
    signal(SIGTERM, [](int) { interrupted = 1; });
    const std::string dir = program_dir(argv[0]);
    std::mt19937 rng(seed);
    Tally tally;
    if (line.Given("--server"))
        play_on_server(dir, rng, games, static_cast<int>(line.Number("--tables", 20, 1, 200)),
                       percent, rejoin, tally);
    else
        for (int g = 0; g < games && !interrupted; ++g)
            play_game(dir, rng, percent, rejoin, strategies, tally);
    if (interrupted) {
        std::printf("interrupted: %d games finished\n", tally.games);
        return kInterruptedStatus;
    }
    if (tally.disagreed) std::printf("an honest player missed the winner or saw another one\n");
    const auto [median, longest] = median_and_longest(tally.seconds);
    std::printf(
        "%d games, %d players dropped, %d rejoined, %d back too late, %d seats taken by an "
        "intruder, %d crashes, %d hangs, %d hidden faces seen by a watcher, peak RSS %ld KiB, a "
        "game %.2f s (median), %.2f s (longest)\n",
        tally.games, tally.dropped, tally.rejoined, tally.late, tally.intrusions,
        tally.crashes + tally.server_crashed, tally.hangs, tally.hidden_faces, tally.peak_rss_kib,
        median, longest);
    return tally.crashes == 0 && !tally.server_crashed && tally.hangs == 0 && !tally.disagreed &&
                   tally.intrusions == 0 && tally.hidden_faces == 0
               ? 0
               : 1;
}
