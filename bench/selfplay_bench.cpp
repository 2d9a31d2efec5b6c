// What the event queue costs the self-play: the same two-player games, through the real queue in
// this process and, in a twin program built with the queue replaced by a plain list
// (velmora-bench-selfplay-direct), with the referee's lines handed straight to the client.
//   velmora-bench-selfplay [--games N] [--seed S] [--rounds R]
// Each side's best round counts; the twin prints only its games per second.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/headless.h"
#include "tools/local_game.h"

extern char** environ;

namespace {

struct Interrupted {};

// Games per second over `games` games from `seed`.
double games_per_second(int games, unsigned seed) {
    const auto start = std::chrono::steady_clock::now();
    for (int g = 0; g < games; ++g)
        if (play_local_game(2, seed + static_cast<unsigned>(g)).interrupted) throw Interrupted();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return games / took.count();
}

// Runs the twin and reads the one number it prints.
double twin_games_per_second(const std::string& twin, int games, unsigned seed) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("can't make a pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> args{
        twin, "--games", std::to_string(games), "--seed", std::to_string(seed), "--twin", "1"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    const int failed = posix_spawn(&pid, twin.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (failed) throw std::runtime_error("can't start " + twin);
    std::string text;
    char buf[256];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) text.append(buf, n);
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == kInterruptedStatus) throw Interrupted();
    if (WEXITSTATUS(status) != 0) throw std::runtime_error(twin + " failed");
    return std::atof(text.c_str());
}

std::string twin_path() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) throw std::runtime_error("can't find this program");
    return std::string(path, static_cast<std::size_t>(n)) + "-direct";
}

}  // namespace

int main(int argc, char** argv) {
    const CommandLine line(argc, argv,
                           "usage: velmora-bench-selfplay [--games N] [--seed S] [--rounds R]\n",
                           {"--games", "--seed", "--rounds", "--twin"});
    const int games = static_cast<int>(line.Number("--games", 10000, 1, 10000000));
    const unsigned seed = static_cast<unsigned>(line.Number("--seed", 1, 0, UINT_MAX));
    const int rounds = static_cast<int>(line.Number("--rounds", 3, 1, 100));
    const bool twin = line.Number("--twin", 0, 0, 1) != 0;
    try {
        HeadlessSDL sdl(false);
        if (twin) {
            std::printf("%.1f\n", games_per_second(games, seed));
            return 0;
        }
        const std::string direct = twin_path();
        double queued = 0, straight = 0;
        for (int r = 0; r < rounds; ++r) {
            queued = std::max(queued, games_per_second(games, seed));
            straight = std::max(straight, twin_games_per_second(direct, games, seed));
        }
        std::printf("self-play, 2 players, %d games from seed %u, best of %d rounds:\n", games,
                    seed, rounds);
        std::printf("  through the event queue  %9.1f games/s\n", queued);
        std::printf("  lines handed straight    %9.1f games/s\n", straight);
        std::printf("  ratio                    %9.2f\n", straight / queued);
        return 0;
    } catch (const Interrupted&) {
        std::printf("interrupted: no figures finished\n");
        return kInterruptedStatus;
    } catch (const std::exception& e) {
        std::printf("Error: %s\n", e.what());
        return 1;
    }
}
