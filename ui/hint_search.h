// The hint's search: the expert's turn from the table as it is, on a thread of its own within
// 150 ms, so that the window keeps drawing and answering meanwhile. Its answer is taken once, and
// only for the table it was asked about.
#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "game/moves.h"
#include "game/tracker.h"
#include "game/turn_history.h"

class HintSearch {
  public:
    static constexpr int kBudgetMs = 150;
    HintSearch() = default;
    ~HintSearch() { Stop(); }
    HintSearch(const HintSearch&) = delete;
    HintSearch& operator=(const HintSearch&) = delete;

    // Begins a search of `player`'s turn on `seen` (its hidden faces -1); one running ends first.
    void Start(const Tracker& seen, int player, int numplayers, const TurnHistory& history);
    void Stop();
    bool running() const { return asked.has_value(); }
    // Whether the search has ended with a turn, not yet taken.
    bool done();
    // The turn found, once it is, when `now` is still the table it was asked about; none else.
    std::optional<std::vector<Move>> Take(const Tracker& now);

  private:
    std::thread worker;
    std::atomic<bool> stop{false};
    std::mutex lock;
    std::optional<std::vector<Move>> found;
    std::optional<Tracker> asked;
};
