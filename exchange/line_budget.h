// How many lines a peer may send to the referee: a token bucket that fills with time and with
// every line the referee sends that peer. An honest client answers what it is sent, a line or two
// at a time, and stays far below it; a peer that floods runs dry and is closed as a drop.
#pragma once

#include <chrono>

class LineBudget {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr double kBurst = 200;
    static constexpr double kPerSecond = 20;

    explicit LineBudget(Clock::time_point now) : last(now) {}
    // A line went to the peer: it may answer it.
    void Earn() { tokens = tokens + 1 < kBurst ? tokens + 1 : kBurst; }
    // Whether a line received at `now` is within the budget; it is then spent.
    bool Spend(Clock::time_point now);

  private:
    double tokens = kBurst;
    Clock::time_point last;
};
