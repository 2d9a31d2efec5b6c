#include "ui/hint_search.h"

#include "game/expert.h"
#include "net/event_codes.h"
#include "net/fastevents.h"

namespace {

bool same_table(const Tracker& a, const Tracker& b) {
    for (int p = 0; p < kNumPiles; ++p)
        if (a.pile[p] != b.pile[p]) return false;
    return true;
}

}  // namespace

void HintSearch::Start(const Tracker& seen, int player, int numplayers,
                       const TurnHistory& history) {
    Stop();
    stop = false;
    asked = seen;
    worker = std::thread([this, seen, player, numplayers, history] {
        ExpertBudget budget;
        budget.time = std::chrono::milliseconds(kBudgetMs);
        std::vector<Move> turn = ExpertTurn(seen, player, numplayers, history, budget, &stop);
        {
            std::lock_guard<std::mutex> hold(lock);
            found = std::move(turn);
        }
        // A wake for the screen; never waits for room (the screen thread may be joining this one).
        SDL_Event wake{};
        wake.type = SDL_USEREVENT;
        wake.user.code = EXCH_REDRAW;
        FE_TryPushEvent(&wake);
    });
}

void HintSearch::Stop() {
    stop = true;
    if (worker.joinable()) worker.join();
    asked.reset();
    found.reset();
}

bool HintSearch::done() {
    std::lock_guard<std::mutex> hold(lock);
    return found.has_value();
}

std::optional<std::vector<Move>> HintSearch::Take(const Tracker& now) {
    std::optional<std::vector<Move>> turn;
    {
        std::lock_guard<std::mutex> hold(lock);
        if (!found) return std::nullopt;
        turn = std::move(found);
        found.reset();
    }
    if (worker.joinable()) worker.join();
    const bool same = asked && same_table(*asked, now);
    asked.reset();
    return same ? turn : std::nullopt;
}
