// Timing for the drawing benchmarks: the best of several rounds, stopping on SDL's quit event.
#pragma once

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <functional>

#include "net/fastevents.h"

// Thrown when SDL's quit event arrives (Ctrl-C, SIGTERM).
struct Interrupted {};

// The best time of one call in microseconds: rounds of 20 calls, the fastest round's average,
// so that a busy moment of the machine does not count.
inline double best_us(int rounds, const std::function<void()>& work) {
    double best = 1e30;
    for (int r = 0; r < rounds; ++r) {
        if (FE_QuitRequested()) throw Interrupted();
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 20; ++i) work();
        const std::chrono::duration<double, std::micro> took =
            std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count() / 20);
    }
    return best;
}
