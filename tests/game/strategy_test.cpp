// The strong player on positions of real games: it sees only its own cards, plays only legal
// lines, takes a win it can make, plays the first round greedily, decides the same way every
// time, and plays 3- and 5-player games to their end.
#include "game/strategy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "exchange/tokens.h"
#include "local_game.h"

namespace {

// Positions from the start of each turn of games between a strong seat and `auto` seats.
std::vector<std::pair<Tracker, int>> positions(int players, unsigned seed) {
    std::vector<std::pair<Tracker, int>> out;
    LocalGame g(players, seed);
    g.server.SetStrategy(1, Strategy::kStrong);
    g.run_until([&] {
        const int turn = g.server.current_turn();
        if (turn >= 0 && g.server.table().pile[kDeck].size() + out.size() < 60 &&
            (out.empty() || out.back().first.pile[kDeck] != g.server.table().pile[kDeck]))
            out.emplace_back(g.server.table(), turn);
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

}  // namespace

TEST(Strong, SeesOnlyItsOwnCardsAndPlaysLegalLines) {
    std::mt19937 rng(5);
    int checked = 0;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        for (auto& [table, player] : positions(2 + seed % 4, seed)) {
            const int players = 2 + seed % 4;
            const std::vector<Move> moves = StrongTurn(SeenBy(table, player), player, players);
            // Legal on the referee's own table, by the referee's own check.
            const std::string line = line_of(table, moves);
            ASSERT_TRUE(IsLegalPlay(table, player, Tokens(line), 1)) << line;
            // A turn that can win, wins.
            Tracker greedy = table, strong = table;
            AutoTurn(greedy, player);
            for (const Move& m : moves) Apply(strong, m);
            ASSERT_TRUE(!greedy.is_winner(player) || strong.is_winner(player)) << line;
            // The faces it cannot see, dealt otherwise: the same turn.
            Tracker other = table;
            std::vector<signed char> hidden, faces;
            for (int p = 0; p < kNumPiles; ++p)
                if (p != player && !is_board_pile(p))
                    for (signed char c : table.pile[p])
                        hidden.push_back(c), faces.push_back(table.cards[c]);
            std::shuffle(faces.begin(), faces.end(), rng);
            for (std::size_t i = 0; i < hidden.size(); ++i) other.cards[hidden[i]] = faces[i];
            ASSERT_EQ(line_of(other, StrongTurn(SeenBy(other, player), player, players)), line)
                << "seed " << seed;
            ++checked;
        }
    }
    EXPECT_GT(checked, 100);
}

TEST(Strong, KnowsTheDrawsFromItsOwnTableAndPlaysTheFirstRoundGreedily) {
    int kings_on_the_board = 0;
    for (unsigned seed = 1; seed <= 30; ++seed) {
        const int players = 2 + seed % 4;
        LocalGame g(players, seed);
        int draws = 0;
        std::size_t read = 0;
        bool deck_empty = false;
        g.run_until([&] {
            for (; read < g.to_client.size(); ++read) {
                const Tokens line(g.to_client[read]);
                deck_empty = deck_empty || line.token(1) == proto::kDeckEmpty;
                if (line.token(1) != proto::kTurn || deck_empty) continue;
                if (++draws == 1)
                    for (int q : kCornerPiles)
                        kings_on_the_board += !g.client.tracker.pile[q].empty();
                // Counted on the human's table, where the others' faces are unknown.
                EXPECT_EQ(g.client.tracker.cards_drawn(players), draws) << "seed " << seed;
                if (draws > players) continue;
                const int turn = line.token(2);
                Tracker greedy = g.server.table();
                const std::vector<Move> auto_moves = AutoTurn(greedy, turn);
                EXPECT_EQ(line_of(g.server.table(),
                                  StrongTurn(SeenBy(g.server.table(), turn), turn, players)),
                          line_of(g.server.table(), auto_moves))
                    << "seed " << seed << " turn " << draws;
            }
            return g.winner != -1;
        });
        EXPECT_GT(draws, 0);
    }
    // Kings laid out with the board move where the deal begins in the deck.
    EXPECT_GT(kings_on_the_board, 2);
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
