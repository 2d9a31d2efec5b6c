// Whole network games between separate processes on 127.0.0.1: the headless referee, headless
// players, and hand-written peers that misbehave.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "exchange/tokens.h"
#include "tests/support/flooder.h"
#include "tests/support/loopback.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWaitMs = 30000;

int ms_left(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Reads lines from a file descriptor with a deadline.
struct LineReader {
    int fd = -1;
    std::string pending;
    bool eof = false;

    bool read_line(std::string& line, Clock::time_point deadline) {
        for (;;) {
            auto nl = pending.find('\n');
            if (nl != std::string::npos) {
                line = pending.substr(0, nl);
                pending.erase(0, nl + 1);
                return true;
            }
            if (eof) return false;
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, ms_left(deadline)) <= 0) return false;
            char buf[4096];
            ssize_t n = read(fd, buf, sizeof buf);
            if (n <= 0) eof = true;
            if (n > 0) pending.append(buf, n);
        }
    }
};

struct Process {
    explicit Process(std::vector<std::string> args) {
        int pipefd[2];
        if (pipe(pipefd) != 0) return;
        pid = fork();
        if (pid == 0) {
            dup2(pipefd[1], 1);
            close(pipefd[0]);
            std::vector<char*> argv;
            std::string path = std::string(VELMORA_BIN_DIR) + "/" + args[0];
            argv.push_back(path.data());
            for (std::size_t i = 1; i < args.size(); ++i) argv.push_back(args[i].data());
            argv.push_back(nullptr);
            execv(path.c_str(), argv.data());
            _exit(127);
        }
        close(pipefd[1]);
        out.fd = pipefd[0];
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process() {
        if (pid > 0 && status == -1) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (out.fd >= 0) close(out.fd);
    }
    // Collects the output until the process ends; its exit status, or -1 after the deadline.
    int wait(std::vector<std::string>& lines, int timeout_ms = kWaitMs) {
        auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
        std::string line;
        while (out.read_line(line, deadline)) lines.push_back(line);
        for (; status == -1 && ms_left(deadline) > 0; usleep(2000)) {
            int st;
            if (waitpid(pid, &st, WNOHANG) == pid) status = WIFEXITED(st) ? WEXITSTATUS(st) : 128;
        }
        return status;
    }

    pid_t pid = -1;
    int status = -1;
    LineReader out;
};

// Starts a referee and waits until it listens.
std::vector<std::string> with(const std::vector<std::string>& more, std::vector<std::string> args) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

struct Referee : Process {
    Referee(int players, int port, const std::string& strategy = "auto",
            const std::vector<std::string>& more = {})
        : Process(with(more, {"velmora-referee", "--players", std::to_string(players), "--port",
                              std::to_string(port), "--strategy", strategy})) {
        std::string line;
        ready = out.read_line(line, Clock::now() + std::chrono::milliseconds(kWaitMs)) &&
                line.rfind("serving", 0) == 0;
    }
    bool ready = false;
};

using Players = std::vector<std::unique_ptr<Process>>;

void add_player(Players& players, int port, const std::string& strategy = "auto",
                const std::vector<std::string>& more = {}) {
    players.push_back(
        std::make_unique<Process>(with(more, {"velmora-player", "--host", "127.0.0.1", "--port",
                                              std::to_string(port), "--strategy", strategy})));
}

// A peer on a plain socket that speaks the protocol by hand until its first play turn.
struct Peer {
    explicit Peer(int port) {
        reader.fd = connect_to_loopback(port);
        connected = reader.fd >= 0;
    }
    ~Peer() { close(reader.fd); }
    void send_text(const std::string& text) {
        ssize_t n = ::send(reader.fd, text.data(), text.size(), MSG_NOSIGNAL);
        (void)n;
    }
    // Answers `line` as a client of the game's own lines does; whether it begins the peer's play
    // turn, which it leaves to the caller.
    bool answer(const std::string& line) {
        Tokens t(line);
        if (t.token(0) == 100) {
            me = t.token(3);
            send_text("101 1\n");
        }
        if (t.token(0) == 310 || t.token(0) == 300) turn = t.token(1);
        if (t.token(0) == 310 && turn == me) send_text("311\n");
        if (t.token(0) == 200 && turn == me) send_text("201\n");
        return t.token(0) == 300 && turn == me;
    }
    // Returns at the peer's own play turn with its 300 line, or false.
    bool play_until_own_turn(std::string& turn_line) {
        auto deadline = Clock::now() + std::chrono::milliseconds(kWaitMs);
        std::string line;
        while (reader.read_line(line, deadline)) {
            if (answer(line)) {
                turn_line = line;
                return true;
            }
        }
        return false;
    }
    // Plays a whole game, each turn with "220"; the code of every line it was sent, in `codes`.
    // Whether the game ended with a winner.
    bool play_to_the_end(std::vector<int>& codes) {
        auto deadline = Clock::now() + std::chrono::milliseconds(kWaitMs);
        std::string line;
        while (reader.read_line(line, deadline)) {
            codes.push_back(Tokens(line).token(0));
            if (answer(line)) send_text("220\n");
            if (codes.back() == 105) return true;
        }
        return false;
    }
    // Whether the other end closes the connection within the time, reading what still comes.
    bool closed_by_peer(int timeout_ms = kWaitMs) {
        auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
        std::string line;
        while (reader.read_line(line, deadline)) {
        }
        return reader.eof;
    }

    LineReader reader;
    bool connected = false;
    int me = -1, turn = -1;
};

// Whether the process catches `signal` (SDL's handler is in place), waiting for it a while.
bool catches(pid_t pid, int signal) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(kWaitMs);
    for (; Clock::now() < deadline; usleep(10 * 1000)) {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("SigCgt:", 0) == 0 &&
                (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1) & 1))
                return true;
    }
    return false;
}

bool has_winner(const std::vector<std::string>& lines) {
    for (const auto& l : lines)
        if (l.rfind("winner ", 0) == 0) return true;
    return false;
}

void expect_game_finishes(Players& players, Referee& referee) {
    for (auto& p : players) {
        std::vector<std::string> lines;
        EXPECT_EQ(p->wait(lines), 0);
        EXPECT_TRUE(has_winner(lines));
    }
    std::vector<std::string> lines;
    EXPECT_EQ(referee.wait(lines), 0);
    EXPECT_TRUE(has_winner(lines));
}

}  // namespace

// The first player chooses its turns with the strong player on its own table; the others let
// the referee play theirs. No headless program opens audio: with SDL's disk driver asked for,
// no audio file appears.
TEST(NetworkGame, HeadlessPlayersPlayToAWinnerInSilence) {
    char dir[] = "/tmp/velmora-audio-XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    const std::string audio = std::string(dir) + "/audio.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", audio.c_str(), 1);
    for (int n : {2, 3, 5}) {
        const int port = free_port();
        Referee referee(n, port);
        ASSERT_TRUE(referee.ready);
        Players players;
        for (int i = 0; i < n; ++i) add_player(players, port, i == 0 ? "strong" : "auto");
        expect_game_finishes(players, referee);
    }
    Process selfplay({"velmora-selfplay", "--games", "2"});
    std::vector<std::string> lines;
    EXPECT_EQ(selfplay.wait(lines), 0);
    EXPECT_FALSE(access(audio.c_str(), F_OK) == 0) << "a headless program opened audio";
    unlink(audio.c_str());
    rmdir(dir);
}

TEST(NetworkGame, ConnectionPastTheLastPlayerIsClosed) {
    const int port = free_port();
    Referee referee(2, port);
    ASSERT_TRUE(referee.ready);
    Peer first(port), second(port);
    ASSERT_TRUE(first.connected && second.connected);
    std::string line;
    ASSERT_TRUE(first.reader.read_line(line, Clock::now() + std::chrono::seconds(10)));
    Peer third(port);
    ASSERT_TRUE(third.connected);
    EXPECT_TRUE(third.closed_by_peer(10000));
    EXPECT_TRUE(third.reader.pending.empty());
}

// The referee plays the seat of the player who left with the strong player.
TEST(NetworkGame, PlayerLeavingInItsTurnIsTakenOver) {
    const int port = free_port();
    Referee referee(3, port, "strong");
    ASSERT_TRUE(referee.ready);
    Players players;
    add_player(players, port);
    add_player(players, port);
    {
        Peer leaver(port);
        std::string turn;
        ASSERT_TRUE(leaver.play_until_own_turn(turn));
    }
    expect_game_finishes(players, referee);
}

// A peer that sends what no client sends is disconnected; the others finish their game.
TEST(NetworkGame, MisbehavingPeersAreDisconnected) {
    const std::vector<std::string> behaviours = {"garbage", "forged draw", "foreign card",
                                                 "endless line", "burst"};
    for (const std::string& behaviour : behaviours) {
        const int port = free_port();
        Referee referee(4, port);
        ASSERT_TRUE(referee.ready);
        Players players;
        add_player(players, port);
        Peer bad(port);
        add_player(players, port);
        add_player(players, port);
        std::string turn;
        ASSERT_TRUE(bad.play_until_own_turn(turn)) << behaviour;
        const std::string me = std::to_string(bad.me);
        if (behaviour == "garbage") bad.send_text("hello referee\n");
        if (behaviour == "forged draw") bad.send_text("210  900 " + me + " 14 1 -1\n");
        if (behaviour == "foreign card") bad.send_text("210  910 6 " + me + " 1 0 0\n");
        if (behaviour == "endless line") bad.send_text(std::string(70000, '7'));
        if (behaviour == "burst") {
            std::string lines;
            for (int i = 0; i < 5000; ++i) lines += "102 " + std::to_string(i) + "\n";
            bad.send_text(lines + "hello\n");
        }
        EXPECT_TRUE(bad.closed_by_peer()) << behaviour;
        expect_game_finishes(players, referee);
    }
}

// A peer that floods while the referee awaits players, and never reads, stalls nobody: the honest
// players who come after it finish their game, and the referee ends within a second of SIGTERM.
TEST(NetworkGame, APeerThatFloodsAndNeverReadsStallsNobody) {
    for (int n : {2, 5}) {
        const int port = free_port();
        Referee referee(n, port);
        ASSERT_TRUE(referee.ready);
        Flooder flooder(port);
        ASSERT_TRUE(flooder.connected);
        flooder.thread.join();
        Players players;
        for (int i = 1; i < n; ++i) add_player(players, port, "auto", {"--name", "Honest"});
        expect_game_finishes(players, referee);
    }
    const int port = free_port();
    Referee referee(3, port);
    ASSERT_TRUE(referee.ready);
    Flooder flooder(port);
    ASSERT_TRUE(flooder.connected);
    flooder.thread.join();
    Players players;
    add_player(players, port);
    kill(referee.pid, SIGTERM);
    std::vector<std::string> lines;
    EXPECT_EQ(referee.wait(lines, 1000), 130);
}

bool has_line(const std::vector<std::string>& lines, const std::string& prefix,
              const std::string& part) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.rfind(prefix, 0) == 0 && l.find(part) != std::string::npos;
    });
}

// Whether a seat list names both `a` and `b`, in whichever seats they joined.
bool seats_both(const std::vector<std::string>& lines, const std::string& a, const std::string& b) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
        if (l.rfind("seats ", 0) != 0) return false;
        const std::string names = ", " + l.substr(6) + ",";
        return names.find(", " + a + ",") != std::string::npos &&
               names.find(", " + b + ",") != std::string::npos;
    });
}

// Names and chat reach the players that speak them: the seats named, a name taken twice
// numbered, a chat line relayed to each of them; a peer of the game's own lines alone plays along
// and is sent none of them. Against a referee of the game's own lines alone (--plain) our players
// play their game through without them.
TEST(NetworkGame, NamesAndChatOnlyBetweenPeersThatSpeakThem) {
    for (const bool plain : {false, true}) {
        const int port = free_port();
        Referee referee(3, port, "auto",
                        plain ? std::vector<std::string>{"--plain"} : std::vector<std::string>{});
        ASSERT_TRUE(referee.ready);
        Players players;
        add_player(players, port, "auto", {"--name", "Anna", "--say", "hello"});
        add_player(players, port, "strong", {"--name", " Anna "});
        {
            Peer peer(port);
            std::vector<int> codes;
            EXPECT_TRUE(peer.play_to_the_end(codes));
            EXPECT_TRUE(std::all_of(codes.begin(), codes.end(), [](int c) { return c < 400; }))
                << "the peer was sent a line it does not speak";
        }
        for (auto& p : players) {
            std::vector<std::string> lines;
            EXPECT_EQ(p->wait(lines), 0);
            EXPECT_TRUE(has_winner(lines));
            EXPECT_EQ(seats_both(lines, "Anna", "Anna 2"), !plain);
            EXPECT_EQ(has_line(lines, "chat ", " hello"), !plain);
        }
        std::vector<std::string> lines;
        EXPECT_EQ(referee.wait(lines), 0);
    }
}

// A seat taken and left before the table is full is answered for when the game starts.
TEST(NetworkGame, SeatsLeftInTheLobbyDoNotStopTheGame) {
    for (const std::string leaving : {"close", "106", "101 -1"}) {
        const int port = free_port();
        Referee referee(3, port);
        ASSERT_TRUE(referee.ready);
        {
            Peer early(port);
            std::string waiting;
            ASSERT_TRUE(early.reader.read_line(waiting, Clock::now() + std::chrono::seconds(10)));
            if (leaving != "close") {
                early.send_text(leaving + "\n");
                EXPECT_TRUE(early.closed_by_peer(10000)) << leaving;
            }
        }
        Players players;
        add_player(players, port);
        add_player(players, port);
        expect_game_finishes(players, referee);
    }
}

// Ctrl-C and SIGTERM become SDL's quit event: each headless program stops at once, says what it
// finished and exits with 130.
TEST(NetworkGame, HeadlessProgramsEndOnASignal) {
    const int port = free_port();
    Referee referee(2, port, "auto", {"--hidden"});
    ASSERT_TRUE(referee.ready);
    // Waiting for players, not to be found, takes the main thread and the network thread alone:
    // no timer thread, which woke a thousand times a second.
    std::size_t threads = 0;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(referee.pid) + "/task"))
        threads += task.is_directory();
    EXPECT_EQ(threads, 2u);
    Process player({"velmora-player", "--host", "127.0.0.1", "--port", std::to_string(port)});
    Process selfplay({"velmora-selfplay", "--games", "100000000"});
    Process bench({"velmora-bench-net", "--round-trips", "10000000"});
    const std::pair<Process*, int> signals[] = {
        {&player, SIGTERM}, {&referee, SIGINT}, {&selfplay, SIGINT}, {&bench, SIGTERM}};
    for (auto [process, signal] : signals) {
        ASSERT_TRUE(catches(process->pid, signal)) << "SDL never took over the signal";
        kill(process->pid, signal);
        std::vector<std::string> lines;
        EXPECT_EQ(process->wait(lines, 10000), 130);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().rfind("interrupted: ", 0), 0u) << lines.back();
    }
}

// Whether the server's lobby lists a table whose name has the character codes `name`, watched by
// at least `watchers`, within the wait.
bool table_listed(int port, const std::string& name, int watchers = 0) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(kWaitMs);
    for (; Clock::now() < deadline; usleep(10000)) {
        LineReader lobby;
        lobby.fd = connect_to_loopback(port);
        const std::string ask = "430 3\n432\n";
        if (lobby.fd < 0 || write(lobby.fd, ask.data(), ask.size()) != ssize_t(ask.size())) {
            if (lobby.fd >= 0) close(lobby.fd);
            continue;
        }
        bool found = false;
        std::string line;
        while (!found && lobby.read_line(line, deadline) && line.rfind("434", 0) != 0)
            found = line.rfind("433", 0) == 0 && line.size() > name.size() &&
                    line.compare(line.size() - name.size(), name.size(), name) == 0 &&
                    Tokens(line).token(4) >= watchers;
        close(lobby.fd);
        if (found) return true;
    }
    return false;
}

// On a velmora-server, headless players meet at a table by its name (the first makes it, for three
// seats), a watcher of the table prints the winner they print, and SIGTERM stops the server at
// once.
TEST(NetworkGame, PlayersMeetAtANamedTableOfTheServerAndAWatcherSeesItsEnd) {
    const int port = free_port();
    Process server({"velmora-server", "--port", std::to_string(port), "--database", "off"});
    const auto listening = Clock::now() + std::chrono::milliseconds(kWaitMs);
    for (int fd = -1; fd < 0 && Clock::now() < listening; usleep(10000))
        if ((fd = connect_to_loopback(port)) >= 0) close(fd);
    const std::string at = "127.0.0.1:" + std::to_string(port);
    Players players;
    players.push_back(std::make_unique<Process>(std::vector<std::string>{
        "velmora-player", "--server", at, "--table", "Oak", "--seats", "3", "--name", "Anna"}));
    // The watcher comes once the lobby lists the table.
    ASSERT_TRUE(table_listed(port, "79 97 107"));
    Process watcher({"velmora-player", "--server", at, "--watch", "Oak"});
    std::vector<std::string> watched;
    ASSERT_TRUE(table_listed(port, "79 97 107", 1));
    for (const char* name : {"Bo", "Cy"})
        players.push_back(std::make_unique<Process>(std::vector<std::string>{
            "velmora-player", "--server", at, "--table", "oak", "--name", name}));
    std::vector<std::string> winners;
    for (auto& p : players) {
        std::vector<std::string> lines;
        EXPECT_EQ(p->wait(lines), 0);
        for (const auto& l : lines)
            if (l.rfind("winner ", 0) == 0) winners.push_back(l);
    }
    ASSERT_EQ(winners.size(), 3u);
    EXPECT_EQ(watcher.wait(watched), 0);
    EXPECT_EQ(watched, std::vector<std::string>{winners[0]});
    EXPECT_EQ(winners[1], winners[0]);
    const auto stop = Clock::now();
    kill(server.pid, SIGTERM);
    std::vector<std::string> ignored;
    EXPECT_EQ(server.wait(ignored, 5000), 0);
    EXPECT_LT(Clock::now() - stop, std::chrono::seconds(2));
}
