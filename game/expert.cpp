#include "game/expert.h"

#include <algorithm>
#include <random>
#include <thread>

#include "game/strategy.h"

namespace {

// The turns played on, the strong player's best first: among more, the better turn that the
// strong player's short look missed is found more often than the time it costs is missed.
constexpr std::size_t kCandidates = 24;
// How far each table is played on: one round of players who hold back as holding_back_turn
// does, scored by the hands then. Greedy players told less (the players met hold back), and so
// did two rounds.
constexpr int kRounds = 1;
constexpr int kWin = 1000;

// A cheap player that holds back, for the tables played on: of the beginnings of its greedy turn
// (none of it to all of it) it plays the one that leaves its own hand smallest against the next
// player's once that player has drawn and answered greedily; ties to the longer. Once the deck
// is empty it plays the whole greedy turn, as the players met then must lay cards.
void holding_back_turn(Tracker& t, int p, int numplayers) {
    if (t.pile[kDeck].empty()) {
        AutoTurn(t, p);
        return;
    }
    Tracker greedy = t;
    const std::vector<Move> moves = AutoTurn(greedy, p);
    if (moves.empty() || greedy.pile[p].empty()) {
        t = std::move(greedy);
        return;
    }
    const int next = (p + 1) % numplayers;
    std::size_t best_length = moves.size();
    int best = kWin;
    Tracker at = t;
    for (std::size_t length = 0; length <= moves.size(); ++length) {
        if (length > 0) Apply(at, moves[length - 1]);
        Tracker answer = at;
        answer.move_top_to_top(next, kDeck, -1);
        AutoTurn(answer, next);
        const int score =
            answer.pile[next].empty()
                ? kWin
                : static_cast<int>(at.pile[p].size()) - static_cast<int>(answer.pile[next].size());
        if (score <= best) {
            best = score;
            best_length = length;
        }
    }
    for (std::size_t k = 0; k < best_length; ++k) Apply(t, moves[k]);
}

// From the end of `player`'s turn on `t`, every player draws and plays for kRounds rounds, holding
// back. Higher is better: the smallest other hand against the own, a win or a loss outweighing
// both.
int play_on(Tracker t, int player, int numplayers) {
    for (int turn = 1; turn <= kRounds * numplayers; ++turn) {
        const int p = (player + turn) % numplayers;
        if (!t.pile[kDeck].empty()) t.move_top_to_top(p, kDeck, -1);
        holding_back_turn(t, p, numplayers);
        if (t.pile[p].empty()) return p == player ? kWin : -kWin;
    }
    std::size_t smallest = kNumCards;
    for (int i = 1; i < numplayers; ++i)
        smallest = std::min(smallest, t.pile[(player + i) % numplayers].size());
    return static_cast<int>(smallest) - static_cast<int>(t.pile[player].size());
}

class Search {
  public:
    Search(std::vector<WeighedTurn> turns_t, const Tracker& seen, int player_t, int numplayers_t,
           const ExpertBudget& budget_t, const std::atomic<bool>* stop_t)
        : turns(std::move(turns_t)),
          unseen(UnseenOf(seen)),
          player(player_t),
          numplayers(numplayers_t),
          budget(budget_t),
          stop(stop_t),
          deadline(std::chrono::steady_clock::now() + budget_t.time) {}

    // Runs the budget out on the threads given; the scores of every turn.
    std::vector<long> Run(int& samples) {
        std::vector<std::vector<long>> scores(std::max(1, budget.threads),
                                              std::vector<long>(turns.size(), 0));
        std::vector<std::thread> helpers;
        for (std::size_t i = 1; i < scores.size(); ++i)
            helpers.emplace_back([this, &scores, i] { Work(scores[i]); });
        Work(scores[0]);
        for (std::thread& h : helpers) h.join();
        std::vector<long> total(turns.size(), 0);
        for (const auto& s : scores)
            for (std::size_t k = 0; k < s.size(); ++k) total[k] += s[k];
        samples = done.load();
        return total;
    }

  private:
    bool Over(int i) const {
        if (stop && stop->load(std::memory_order_relaxed)) return true;
        if (budget.samples > 0) return i >= budget.samples;
        // Every table is dealt to each turn, so that they are compared on the same tables.
        return i > 0 && std::chrono::steady_clock::now() >= deadline;
    }
    void Work(std::vector<long>& score) {
        std::vector<signed char> faces = unseen.faces;
        for (int i = next++; !Over(i); i = next++) {
            // Each table follows the seed and its number alone, whichever thread deals it.
            std::mt19937_64 rng(budget.seed * 0x9E3779B97F4A7C15ull + static_cast<uint64_t>(i));
            faces = unseen.faces;
            std::shuffle(faces.begin(), faces.end(), rng);
            for (std::size_t k = 0; k < turns.size(); ++k) {
                Tracker t = turns[k].table;
                for (std::size_t c = 0; c < unseen.cards.size() && c < faces.size(); ++c)
                    t.cards[unseen.cards[c]] = faces[c];
                score[k] += play_on(std::move(t), player, numplayers);
            }
            ++done;
        }
    }

    const std::vector<WeighedTurn> turns;
    const Unseen unseen;
    const int player;
    const int numplayers;
    const ExpertBudget budget;
    const std::atomic<bool>* stop;
    const std::chrono::steady_clock::time_point deadline;
    std::atomic<int> next{0};
    std::atomic<int> done{0};
};

}  // namespace

std::vector<Move> ExpertTurn(const Tracker& seen, int player, int numplayers,
                             const TurnHistory& history, const ExpertBudget& budget,
                             const std::atomic<bool>* stop, ExpertReport* report) {
    std::vector<WeighedTurn> turns = WeighTurns(seen, player, numplayers, history);
    if (turns.size() > kCandidates) turns.resize(kCandidates);
    if (report) *report = {static_cast<int>(turns.size()), 0};
    if (turns.size() == 1) return turns.front().path;
    std::vector<std::vector<Move>> paths;
    for (const WeighedTurn& t : turns) paths.push_back(t.path);
    int samples = 0;
    const std::vector<long> scores =
        Search(std::move(turns), seen, player, numplayers, budget, stop).Run(samples);
    if (report) report->samples = samples;
    // Ties go to the strong player's order.
    const auto best = std::max_element(scores.begin(), scores.end());
    return paths[static_cast<std::size_t>(best - scores.begin())];
}
