#include "exchange/line_budget.h"

#include <algorithm>

bool LineBudget::Spend(Clock::time_point now) {
    const double seconds = std::chrono::duration<double>(now - last).count();
    last = std::max(last, now);
    tokens = std::min(kBurst, tokens + std::max(0.0, seconds) * kPerSecond);
    if (tokens < 1) return false;
    tokens -= 1;
    return true;
}
