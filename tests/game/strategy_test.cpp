// The strong player on positions of real games: it sees only its own cards, plays only legal
// lines, takes a win it can make, lays a card in a turn without a draw, plays the first round
// greedily, decides the same way every time, and plays 3- and 5-player games to their end. The
// expert, on the same positions, as briefly.
#include "game/strategy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>
#include <thread>
#include <tuple>

#include "exchange/tokens.h"
#include "game/expert.h"
#include "local_game.h"

namespace {

struct Start {
    Tracker table;
    int player;
    TurnHistory history;
};

// The starts of the turns of games between strong players, which often run past the deck.
std::vector<Start> positions(int players, unsigned seed) {
    std::vector<Start> out;
    LocalGame g(players, seed);
    for (int seat = 0; seat < players; ++seat) g.server.SetStrategy(seat, Strategy::kStrong);
    g.run_until([&] {
        const int turn = g.server.current_turn();
        const bool playing = g.server.table().cards_drawn(players) > 0;
        if (playing && turn >= 0 && out.size() < 80 && (out.empty() || out.back().player != turn))
            out.push_back({g.server.table(), turn, g.server.history()});
        return g.winner != -1;
    });
    return out;
}

std::string line_of(const Tracker& table, const std::vector<Move>& moves) {
    std::string line = "210";
    Tracker t = table;
    for (const Move& m : moves) {
        AppendRecord(line, t, m);
        Apply(t, m);
    }
    return line;
}

// `table` with the faces `player` cannot see (the others' hands, the deck) dealt otherwise.
Tracker dealt_otherwise(const Tracker& table, int player, std::mt19937& rng) {
    Tracker other = table;
    std::vector<signed char> hidden, faces;
    for (int p = 0; p < kNumPiles; ++p)
        if (p != player && !is_board_pile(p))
            for (signed char c : table.pile[p])
                hidden.push_back(c), faces.push_back(table.cards[c]);
    std::shuffle(faces.begin(), faces.end(), rng);
    for (std::size_t i = 0; i < hidden.size(); ++i) other.cards[hidden[i]] = faces[i];
    return other;
}

}  // namespace

TEST(Strong, SeesOnlyItsOwnCardsAndPlaysLegalLines) {
    std::mt19937 rng(5);
    int checked = 0, bound_turns = 0;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        const int players = 2 + seed % 4;
        for (const auto& [table, player, history] : positions(players, seed)) {
            const std::vector<Move> moves =
                StrongTurn(SeenBy(table, player), player, players, history);
            // Legal on the referee's own table, by the referee's own check.
            const std::string line = line_of(table, moves);
            ASSERT_TRUE(IsLegalPlay(table, player, Tokens(line), 1)) << line;
            // A turn that can win, wins; one that drew nothing lays a card when it can after a
            // round that laid no card, and from the player's third such turn on at the latest.
            Tracker greedy = table, strong = table;
            AutoTurn(greedy, player);
            for (const Move& m : moves) Apply(strong, m);
            ASSERT_TRUE(!greedy.is_winner(player) || strong.is_winner(player)) << line;
            const bool must_lay = !history.drew && (history.turns_without_draw >= 2 * players ||
                                                    history.passes >= players - 1);
            if (must_lay && greedy.pile[player].size() < table.pile[player].size()) {
                ++bound_turns;
                ASSERT_LT(strong.pile[player].size(), table.pile[player].size()) << line;
            }
            // The faces it cannot see, dealt otherwise: the same turn.
            const Tracker other = dealt_otherwise(table, player, rng);
            ASSERT_EQ(line_of(other, StrongTurn(SeenBy(other, player), player, players, history)),
                      line)
                << "seed " << seed;
            ++checked;
        }
    }
    EXPECT_GT(checked, 100);
    EXPECT_GT(bound_turns, 3);
}

TEST(Strong, KnowsTheDrawsAndPlaysTheFirstRoundGreedily) {
    int kings_on_the_board = 0, turns_without_draw = 0, rounds_without_a_card = 0;
    for (unsigned seed = 1; seed <= 16; ++seed) {
        const int players = 2 + seed % 4;
        LocalGame g(players, seed);
        for (int seat = 1; seat < players; ++seat) g.server.SetStrategy(seat, Strategy::kStrong);
        int draws = 0, without_draw = 0;
        std::size_t read = 0;
        bool deck_empty = false;
        g.run_until([&] {
            for (; read < g.to_client.size(); ++read) {
                const Tokens line(g.to_client[read]);
                deck_empty = deck_empty || line.token(1) == proto::kDeckEmpty;
                if (line.token(1) != proto::kTurn) continue;
                // The client follows the game's history as the referee does.
                const TurnHistory& client = g.client.history;
                const TurnHistory& referee = g.server.history();
                EXPECT_EQ(std::tie(client.drew, client.turns_without_draw, client.passes,
                                   client.hand_cards),
                          std::tie(referee.drew, referee.turns_without_draw, referee.passes,
                                   referee.hand_cards))
                    << "seed " << seed;
                without_draw += deck_empty;
                EXPECT_EQ(client.turns_without_draw, without_draw) << "seed " << seed;
                rounds_without_a_card += client.passes >= players;
                if (deck_empty) continue;
                if (++draws == 1)
                    for (int q : kCornerPiles)
                        kings_on_the_board += !g.client.tracker.pile[q].empty();
                // Counted on the human's table, where the others' faces are unknown.
                EXPECT_EQ(g.client.tracker.cards_drawn(players), draws) << "seed " << seed;
                if (draws > players) continue;
                const int turn = line.token(2);
                Tracker greedy = g.server.table();
                const std::vector<Move> auto_moves = AutoTurn(greedy, turn);
                EXPECT_EQ(line_of(g.server.table(), StrongTurn(SeenBy(g.server.table(), turn), turn,
                                                               players, referee)),
                          line_of(g.server.table(), auto_moves))
                    << "seed " << seed << " turn " << draws;
            }
            return g.winner != -1;
        });
        EXPECT_GT(draws, 0);
        turns_without_draw += without_draw;
    }
    // Kings laid out with the board move where the deal begins in the deck.
    EXPECT_GT(kings_on_the_board, 2);
    EXPECT_GT(turns_without_draw, 10);
    EXPECT_GT(rounds_without_a_card, 3);
}

TEST(Strong, GamesEndAndRepeatFromTheirSeed) {
    for (int players : {3, 5}) {
        std::vector<std::string> first;
        for (int run = 0; run < 2; ++run) {
            LocalGame g(players, 40 + players);
            for (int seat = 0; seat < players; ++seat)
                g.server.SetStrategy(seat, Strategy::kStrong);
            ASSERT_TRUE(g.run_until([&] { return g.winner != -1; })) << players;
            EXPECT_TRUE(g.server.table().is_winner(g.winner));
            if (run == 0)
                first = g.to_client;
            else
                EXPECT_EQ(g.to_client, first) << "the same seed, the same game";
        }
    }
}

// The expert plays legal turns from what its seat sees alone, the same turn for the same seed
// and count of tables whatever the hidden faces are, and keeps to its time and to a stop.
TEST(Expert, SeesItsSeatOnlyRepeatsItsSeedAndKeepsItsBudget) {
    std::mt19937 rng(7);
    int searched = 0;
    const Start* open = nullptr;
    const auto starts = positions(3, 8);
    for (std::size_t i = 0; i < starts.size(); i += 4) {
        const auto& [table, player, history] = starts[i];
        ExpertBudget budget;
        budget.samples = 40;
        budget.seed = i;
        ExpertReport report;
        const std::string line = line_of(
            table, ExpertTurn(SeenBy(table, player), player, 3, history, budget, nullptr, &report));
        ASSERT_TRUE(IsLegalPlay(table, player, Tokens(line), 1)) << line;
        const Tracker other = dealt_otherwise(table, player, rng);
        ASSERT_EQ(line_of(other, ExpertTurn(SeenBy(other, player), player, 3, history, budget)),
                  line);
        if (report.candidates == 1) continue;
        EXPECT_EQ(report.samples, 40);
        ++searched;
        open = &starts[i];
    }
    EXPECT_GT(searched, 3);
    ASSERT_NE(open, nullptr);

    using Clock = std::chrono::steady_clock;
    ExpertBudget timed;
    timed.time = std::chrono::milliseconds(40);
    ExpertReport report;
    auto start = Clock::now();
    ExpertTurn(SeenBy(open->table, open->player), open->player, 3, open->history, timed, nullptr,
               &report);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(40 + 1000));
    EXPECT_GT(report.samples, 0);
    std::atomic<bool> stop{false};
    timed.time = std::chrono::minutes(1);
    std::thread stopper([&stop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        stop = true;
    });
    start = Clock::now();
    ExpertTurn(SeenBy(open->table, open->player), open->player, 3, open->history, timed, &stop);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2)) << "a stop ends the search";
    stopper.join();
}
