// How long the game takes from a pointer press to the redrawn window, under X: it starts
// ./velmora, opens a local game and, on the player's turn, presses a hand card ROUNDS times (each
// press starts a drag, which repaints the card translucent) and releases it in place. Each time is
// taken from the faked press to the first changed pixel of the card, polled with XGetImage; the
// poll's own round trip is printed as the resolution. Run in the build directory:
//   velmora-press-latency [ROUNDS]
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/x_window.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The pixels of a small part of the window, as the X server holds them.
std::string grab(Display* d, Window w, int x, int y) {
    XImage* image = XGetImage(d, w, x, y, 24, 24, AllPlanes, ZPixmap);
    if (!image) return "";
    std::string pixels(image->data, image->bytes_per_line * image->height);
    XDestroyImage(image);
    return pixels;
}

// Waits until the part differs from `before`, at most `limit_ms`; the milliseconds, or -1.
double until_changed(Display* d, Window w, int x, int y, const std::string& before, double limit_ms,
                     Clock::time_point start) {
    while (ms_since(start) < limit_ms)
        if (grab(d, w, x, y) != before) return ms_since(start);
    return -1;
}

void move_press(Display* d, Window w, int x, int y, bool down) {
    int rx, ry;
    Window child;
    XTranslateCoordinates(d, w, DefaultRootWindow(d), x, y, &rx, &ry, &child);
    XTestFakeMotionEvent(d, -1, rx, ry, 0);
    XTestFakeButtonEvent(d, 1, down ? True : False, 0);
    XFlush(d);
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * v.size()))];
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "usage: %s [ROUNDS] (with DISPLAY set, in the build directory)\n",
                     argv[0]);
        return 2;
    }
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    const std::vector<Window> before = top_windows(d);
    const pid_t game = fork();
    if (game == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 1);
        execl("./velmora", "./velmora", nullptr);
        _exit(127);
    }
    int status = 1;
    const auto start = Clock::now();
    Window w = None;
    while (w == None && ms_since(start) < 30000) w = shown_game_window(d, before);
    if (w != None) {
        // "New game (local, 2 players)", then the deal and the computer's first answers.
        move_press(d, w, 60, 93, true);
        move_press(d, w, 60, 93, false);
        std::this_thread::sleep_for(std::chrono::seconds(2));
        // The first hand card's visible strip; the card frame's top-left is (50, 480).
        const int x = 80, y = 520;
        std::vector<double> times, polls;
        for (int i = 0; i < rounds; ++i) {
            const std::string still = grab(d, w, x, y);
            const auto poll = Clock::now();
            grab(d, w, x, y);
            polls.push_back(ms_since(poll));
            const auto pressed = Clock::now();
            move_press(d, w, 83, 540, true);
            const double took = until_changed(d, w, x, y, still, 1000, pressed);
            move_press(d, w, 83, 540, false);
            if (took < 0) break;
            times.push_back(took);
            until_changed(d, w, x, y, grab(d, w, x, y), 200, Clock::now());
            // Presses land at every phase of the game's 10 ms tick.
            std::this_thread::sleep_for(std::chrono::microseconds(20000 + 997 * (i % 17)));
        }
        if (static_cast<int>(times.size()) == rounds) {
            std::printf("press to redraw: median %.2f ms, p99 %.2f ms over %d presses\n",
                        percentile(times, 0.5), percentile(times, 0.99), rounds);
            std::printf("poll round trip: median %.2f ms\n", percentile(polls, 0.5));
            status = 0;
        } else {
            std::printf("Error: press %zu of %d redrew nothing within a second\n", times.size() + 1,
                        rounds);
        }
    }
    kill(game, SIGTERM);
    XCloseDisplay(d);
    return status;
}
