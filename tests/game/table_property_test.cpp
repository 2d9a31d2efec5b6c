// Random games drawn from the rules: the referee's copy and player 0's copy, fed the same
// records, keep the same piles, and player 0 knows exactly the faces it was shown.
#include <gtest/gtest.h>

#include <random>

#include "exchange/tokens.h"
#include "game/cards.h"
#include "game/tracker.h"
#include "game/tracker_modify.h"

namespace {

struct Game {
    explicit Game(unsigned seed, int players) : players(players), rng(seed) {
        referee.ResetServer(seed);
        client.ResetClient();
    }

    // Applies one record to both copies; player 0's copy gets `client_record`.
    void apply(const std::string& record, const std::string& client_record) {
        std::string ignored;
        Tokens r(record), c(client_record);
        modify.Modify(&referee, &r, 0, ignored);
        modify.Modify(&client, &c, 0, ignored);
    }
    void apply(const std::string& record) { apply(record, record); }

    std::string record(int code, int target, int src, int card) const {
        std::string s =
            int_to_string(code) + " " + int_to_string(target) + " " + int_to_string(src) + " 1 ";
        if (code != 900) s += int_to_string(card) + " ";
        return s + int_to_string(referee.cards[card]);
    }

    void draw(int player) {
        int top = referee.pile[kDeck].back();
        std::string hidden = "900 " + int_to_string(player) + " 14 1 -1";
        apply(record(900, player, kDeck, top), player == 0 ? record(900, 0, kDeck, top) : hidden);
    }

    void deal() {
        int sides = 0, kings = 0;
        while (sides < 4) {
            int top = referee.pile[kDeck].back();
            int target = is_king(referee.cards[top]) ? 7 + 2 * kings++ : 6 + 2 * sides++;
            apply(record(900, target, kDeck, top));
        }
        for (int p = 0; p < players; ++p)
            for (int i = 0; i < 5; ++i) draw(p);
    }

    // Every move the rules allow player p now, as records.
    std::vector<std::string> legal_moves(int p) const {
        std::vector<std::string> moves;
        const Tracker& t = referee;
        for (signed char c : t.pile[p]) {
            int v = t.cards[c];
            for (int q = kFirstBoardPile; q <= kLastBoardPile; ++q) {
                if (t.fits_on_top(v, q)) moves.push_back(record(910, q, p, c));
                if (t.fits_under(v, q)) moves.push_back(record(911, q, p, c));
            }
        }
        for (int a = kFirstBoardPile; a <= kLastBoardPile; ++a)
            for (int b = kFirstBoardPile; b <= kLastBoardPile; ++b)
                if (t.is_valid_pile_move(a, b))
                    moves.push_back("920 " + int_to_string(b) + " " + int_to_string(a));
        return moves;
    }

    void check() const {
        int seen[kNumCards] = {};
        for (int p = 0; p < kNumPiles; ++p) {
            ASSERT_EQ(client.pile[p], referee.pile[p]) << "pile " << p;
            for (signed char n : referee.pile[p]) {
                ASSERT_TRUE(is_card(n));
                ++seen[n];
                bool shown = p == 0 || is_board_pile(p);
                ASSERT_EQ(client.cards[n], shown ? referee.cards[n] : -1)
                    << "card " << int(n) << " on pile " << p;
            }
        }
        for (int n = 0; n < kNumCards; ++n) ASSERT_EQ(seen[n], 1) << "card " << n;
    }

    int players;
    std::mt19937 rng;
    Tracker referee, client;
    TrackerModify modify;
};

}  // namespace

TEST(TableProperty, CopiesStayIdenticalOverRandomGames) {
    int moves_made = 0;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        Game g(seed, 2 + seed % 5);
        g.deal();
        g.check();
        for (int turn = 0; turn < 200; ++turn) {
            int p = turn % g.players;
            if (!g.referee.pile[kDeck].empty()) g.draw(p);
            std::vector<std::string> moves;
            while (!(moves = g.legal_moves(p)).empty() && g.rng() % 4 != 0) {
                g.apply(moves[g.rng() % moves.size()]);
                ++moves_made;
                ASSERT_NO_FATAL_FAILURE(g.check()) << "seed " << seed;
            }
            if (g.referee.is_winner(p)) break;
        }
    }
    EXPECT_GT(moves_made, 3000);  // the walk really explored the rules
}
