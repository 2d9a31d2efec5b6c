#include "game/tracker.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "game/cards.h"
#include "table_helpers.h"

TEST(Tracker, Resets) {
    Tracker t;
    t.ResetClient();
    ASSERT_EQ(t.pile[kDeck].size(), 52u);
    EXPECT_EQ(t.pile[kDeck].back(), 0);
    EXPECT_EQ(t.pile[kDeck].front(), 51);
    for (int p = 0; p < kDeck; ++p) EXPECT_TRUE(t.pile[p].empty());
    for (signed char f : t.cards) EXPECT_EQ(f, -1);

    Tracker s, again;
    s.ResetServer(7);
    again.ResetServer(7);
    EXPECT_EQ(std::set<int>(std::begin(s.cards), std::end(s.cards)).size(), 52u);
    EXPECT_EQ(*std::min_element(std::begin(s.cards), std::end(s.cards)), 0);
    EXPECT_EQ(*std::max_element(std::begin(s.cards), std::end(s.cards)), 51);
    EXPECT_TRUE(same_table(s, again));  // the same seed, the same shuffle
    Tracker client;
    client.ResetClient();
    EXPECT_EQ(s.pile[kDeck], client.pile[kDeck]);  // every copy shares the deck order
}

TEST(Tracker, ColourAndRankRules) {
    Tracker t;
    EXPECT_TRUE(t.can_go_on(11, 25));   // black queen on red king
    EXPECT_TRUE(t.can_go_on(24, 12));   // red queen on black king
    EXPECT_FALSE(t.can_go_on(11, 12));  // same colour
    EXPECT_FALSE(t.can_go_on(12, 13));  // a king goes on nothing
    EXPECT_TRUE(t.can_go_on(0, 14));    // black ace on red two
    EXPECT_FALSE(t.can_go_on(0, 15));   // two ranks apart
    EXPECT_FALSE(t.can_go_on(14, 0));   // higher on lower
    EXPECT_TRUE(t.can_go_on(face(3, 4), face(2, 5)));
    EXPECT_FALSE(t.can_go_on(face(3, 4), face(1, 5)));
    EXPECT_THROW(t.can_go_on(-1, 5), TrackerError);  // faces must be known
    EXPECT_THROW(t.can_go_on(5, 52), TrackerError);

    // Laying on top: on a fitting card, any card into an empty side pile, a king into a corner.
    Table tb;
    tb.put(6, red(5));
    tb.put(8, black(9));
    tb.put(10, red(1));
    EXPECT_TRUE(tb.t.fits_on_top(black(4), 6));
    EXPECT_FALSE(tb.t.fits_on_top(red(4), 6));
    EXPECT_TRUE(tb.t.fits_on_top(red(4), 12));
    EXPECT_FALSE(tb.t.fits_on_top(red(11), 7));
    EXPECT_TRUE(tb.t.fits_on_top(red(12), 7));
    EXPECT_FALSE(tb.t.fits_on_top(red(12), 6)) << "a king goes on nothing";
    // Sliding under: only while a side pile is open, and under a bottom card that fits on it.
    EXPECT_TRUE(tb.t.fits_under(red(10), 8));
    EXPECT_FALSE(tb.t.fits_under(black(10), 8));
    EXPECT_FALSE(tb.t.fits_under(red(12), 7)) << "nothing goes under an empty pile";
    tb.put(12, black(7));
    EXPECT_FALSE(tb.t.fits_under(red(10), 8)) << "no side pile is open";
    EXPECT_THROW(tb.t.fits_on_top(red(4), 3), TrackerError);
}

TEST(Tracker, KingsHolesAndFreeKingPiles) {
    Table tb;
    signed char none = 99;
    EXPECT_FALSE(tb.t.has_kings(2, &none));
    EXPECT_EQ(none, -1);
    tb.put(2, black(3));
    signed char first_king = tb.put(2, red(12));
    tb.put(2, black(12));
    signed char found = -1;
    EXPECT_TRUE(tb.t.has_kings(2, &found));
    EXPECT_EQ(found, first_king);
    EXPECT_TRUE(tb.t.has_kings(2, nullptr));

    EXPECT_TRUE(tb.t.has_nonking_holes());
    for (int p : {6, 8, 10}) tb.put(p, black(1));
    EXPECT_TRUE(tb.t.has_nonking_holes());
    tb.put(12, black(1));
    EXPECT_FALSE(tb.t.has_nonking_holes());

    EXPECT_EQ(tb.t.get_free_king_pile(), 7);
    tb.put(7, black(12));
    tb.put(9, red(12));
    EXPECT_EQ(tb.t.get_free_king_pile(), 11);
    tb.put(11, face(2, 12));
    tb.put(13, face(3, 12));
    try {
        tb.t.get_free_king_pile();
        FAIL() << "no corner is free";
    } catch (const TrackerError& e) {
        EXPECT_EQ(e.text(), "0");
        EXPECT_EQ(e.line(), 135);
        EXPECT_STREQ(e.what(), "tracker:135: 0");
    }
}

TEST(Tracker, PileMoves) {
    Table tb;
    signed char queen = tb.put(6, red(11));
    signed char jack = tb.put(6, black(10));
    signed char king = tb.put(7, black(12));
    EXPECT_FALSE(tb.t.is_valid_pile_move(6, 6));
    EXPECT_FALSE(tb.t.is_valid_pile_move(6, 8));  // empty destination
    EXPECT_FALSE(tb.t.is_valid_pile_move(8, 6));  // empty source
    EXPECT_FALSE(tb.t.is_valid_pile_move(7, 6));  // a king pile never moves
    EXPECT_TRUE(tb.t.is_valid_pile_move(6, 7));   // the bottom card decides, not the top
    EXPECT_THROW(tb.t.is_valid_pile_move(5, 7), TrackerError);
    EXPECT_THROW(tb.t.is_valid_pile_move(6, 14), TrackerError);

    tb.t.move_pile(6, 7);
    EXPECT_EQ(tb.t.pile[7], (std::vector<signed char>{king, queen, jack}));
    EXPECT_TRUE(tb.t.pile[6].empty());
}

TEST(Tracker, HighestCard) {
    Table tb;
    signed char bottom = tb.put(3, 3);
    tb.put(3, 16);
    tb.put(3, 29);
    EXPECT_EQ(tb.t.get_highest_card(3), bottom);  // equal ranks: the bottom one
    signed char nine = tb.put(3, red(9));
    tb.put(3, black(9));
    EXPECT_EQ(tb.t.get_highest_card(3), nine);

    Table unknown;  // a client's copy: unknown faces rank below known ones
    unknown.put(1, -1);
    signed char two = unknown.put(1, black(1));
    EXPECT_EQ(unknown.t.get_highest_card(1), two);
    EXPECT_THROW(unknown.t.get_highest_card(4), TrackerError);
}

// Every rejected operation reports its diagnostic and leaves the table exactly as it was.
TEST(Tracker, RejectedOperationsChangeNothing) {
    Table tb;
    tb.put(0, black(3));
    signed char in_hand_1 = tb.put(1, red(5));
    tb.put(6, red(11));
    tb.put(7, black(12));
    const Tracker before = tb.t;
    Tracker& t = tb.t;

    struct Case {
        const char* name;
        std::function<void()> op;
        const char* text;
        int line;
    };
    const Case cases[] = {
        {"top of empty pile", [&] { t.move_top_to_top(6, 8, -1); }, "!pile[src_pile].empty()", 49},
        {"bottom of empty pile", [&] { t.move_top_to_bottom(6, 8, -1); }, "!pile[src_pile].empty()",
         58},
        {"hand card -1", [&] { t.move_hand_card_to_top(0, -1, 6, -1); }, "0", 69},
        {"card not in hand", [&] { t.move_hand_card_to_top(0, in_hand_1, 6, -1); }, "0", 73},
        {"bottom card -1", [&] { t.move_hand_card_to_bottom(0, -1, 6, -1); }, "0", 88},
        {"bottom not in hand", [&] { t.move_hand_card_to_bottom(0, in_hand_1, 6, -1); }, "0", 92},
        {"invalid pile move", [&] { t.move_pile(7, 6); }, "0", 147},
        {"pile move off board", [&] { t.move_pile(0, 6); }, "0", 156},
        {"target pile 15", [&] { t.move_top_to_top(15, 6, -1); }, "0", 30},
        {"source pile -1", [&] { t.move_top_to_bottom(6, -1, -1); }, "0", 30},
        {"hand pile 20", [&] { t.move_hand_card_to_top(20, 0, 6, -1); }, "0", 30},
        {"dest pile -3", [&] { t.move_hand_card_to_bottom(1, in_hand_1, -3, -1); }, "0", 30},
        {"player 99", [&] { t.is_winner(99); }, "0", 30},
        {"face 52", [&] { t.move_top_to_top(8, 6, 52); }, "0", 31},
        {"face -2", [&] { t.move_hand_card_to_top(1, in_hand_1, 8, -2); }, "0", 31},
        {"empty hand", [&] { t.get_highest_card(2); }, "0", 205},
    };
    for (const Case& c : cases) {
        try {
            c.op();
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const TrackerError& e) {
            EXPECT_EQ(e.text(), c.text) << c.name;
            EXPECT_EQ(e.line(), c.line) << c.name;
        }
        EXPECT_TRUE(same_table(t, before)) << c.name;
    }
}
