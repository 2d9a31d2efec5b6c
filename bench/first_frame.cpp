// How long a program takes from its start to the first frame of its 800 x 600 window on the X
// display: the moment the window's first pixel shows the table colour. Prints the milliseconds
// and the program's process id, and leaves the program running.
//   first_frame PROGRAM [ARGUMENTS...]
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "bench/x_window.h"

int main(int argc, char** argv) {
    Display* d = argc > 1 ? XOpenDisplay(nullptr) : nullptr;
    if (!d) {
        std::fprintf(stderr, "usage: %s PROGRAM [ARGUMENTS...] (with DISPLAY set)\n", argv[0]);
        return 2;
    }
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });  // windows may vanish meanwhile
    const std::vector<Window> before = top_windows(d);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        // Our output is the figure alone, and whoever reads it must not wait for the program.
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 1);
        execv(argv[1], argv + 1);
        _exit(127);
    }
    const auto deadline = start + std::chrono::seconds(30);
    while (shown_game_window(d, before) == None) {
        if (std::chrono::steady_clock::now() > deadline) return 1;
        usleep(500);
    }
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::printf("%.1f %d\n", took.count(), static_cast<int>(pid));
    XCloseDisplay(d);
    return 0;
}
