// Where a computer player's turn is thought out away from the referee's thread, so that a window
// that hosts the referee never waits for it.
#pragma once

#include <atomic>
#include <functional>
#include <string>

class TurnAside {
  public:
    // Turns a search into the seat's play line; it ends early once `stop` is set.
    using Decide = std::function<std::string(const std::atomic<bool>& stop)>;
    virtual ~TurnAside() = default;
    // Runs `decide` on a thread of its own and, unless stopped meanwhile, answers for `seat`
    // with the line it returns, as the seat's own line. One search at a time.
    virtual void Start(int seat, Decide decide) = 0;
};
