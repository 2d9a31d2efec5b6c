#include "game/tracker_modify.h"

#include <gtest/gtest.h>

#include <sstream>

#include "exchange/tokens.h"
#include "game/tracker.h"
#include "table_helpers.h"

namespace {

// Records every notification, together with what the tracker looked like at that moment.
struct Recorder : TrackerModify {
    explicit Recorder(const Tracker& t) : table(t) {}
    void note(const std::string& what, int target) {
        std::ostringstream s;
        s << what << " size" << table.pile[target].size();
        calls.push_back(s.str());
    }
    void PlayTopToTop(int t, int s, signed char v) override {
        note("top " + std::to_string(t) + "<" + std::to_string(s) + " " + std::to_string(v), t);
    }
    void PlayTopToBottom(int t, int s, signed char v) override {
        note("bottom " + std::to_string(t) + "<" + std::to_string(s) + " " + std::to_string(v), t);
    }
    void HandToTop(int t, int s, signed char c, signed char v) override {
        note("hand " + std::to_string(t) + "<" + std::to_string(s) + " " + std::to_string(c) + "/" +
                 std::to_string(v),
             t);
    }
    void HandToBottom(int t, int s, signed char c, signed char v) override {
        note("under " + std::to_string(t) + "<" + std::to_string(s) + " " + std::to_string(c) +
                 "/" + std::to_string(v),
             t);
    }
    void PileToPileTop(int t, int s) override {
        note("pile " + std::to_string(t) + "<" + std::to_string(s), t);
    }
    const Tracker& table;
    std::vector<std::string> calls;
};

struct ModifyTest : ::testing::Test {
    ModifyTest() : rec(t) { t.ResetClient(); }
    // Applies `line` from token `offset`; returns what Modify threw: 0 nothing, -1 its failure
    // value, 1 a TrackerError.
    int apply(const std::string& line, unsigned offset = 0) {
        Tokens tokens(line);
        try {
            rec.Modify(&t, &tokens, offset, out);
        } catch (int failure) {
            return failure;
        } catch (const TrackerError&) {
            return 1;
        }
        return 0;
    }
    Tracker t;
    Recorder rec;
    std::string out = "200 -1";
};

using V = std::vector<signed char>;
using S = std::vector<std::string>;

}  // namespace

TEST_F(ModifyTest, TopToTopAndBottomRecords) {
    EXPECT_EQ(apply("900 6 14 1 37 900 8 14 1 5"), 0);
    EXPECT_EQ(t.pile[6], V{0});
    EXPECT_EQ(t.pile[8], V{1});
    EXPECT_EQ(t.cards[0], 37);
    EXPECT_EQ(t.cards[1], 5);
    EXPECT_EQ(out, "200 -1 900 6 14 1 37 900 8 14 1 5");
    // Each notification sees its own card already moved.
    EXPECT_EQ(rec.calls, (S{"top 6<14 37 size1", "top 8<14 5 size1"}));

    // 902 is 900; 901 and 903 put under the bottom; several faces in one record.
    EXPECT_EQ(apply("902  6 14 2 -1 7 901 6 14 1 9 903 6 14 1 -1"), 0);
    EXPECT_EQ(t.pile[6], (V{5, 4, 0, 2, 3}));
    EXPECT_EQ(t.cards[2], -1);
    EXPECT_EQ(t.cards[3], 7);
    EXPECT_EQ(t.cards[4], 9);
    // A count of 0 moves nothing and still consumes the fixed fields.
    rec.calls.clear();
    EXPECT_EQ(apply("900 10 14 0 900 12 14 1 -1"), 0);
    EXPECT_TRUE(t.pile[10].empty());
    EXPECT_EQ(t.pile[12], V{6});
    EXPECT_EQ(rec.calls, S{"top 12<14 -1 size1"});
}

TEST_F(ModifyTest, HandAndPileRecords) {
    signed char c12 = 12, c3 = 3;
    t.pile[kDeck].clear();
    t.pile[0] = {c12, 7, c3};
    t.pile[6] = {20};
    t.cards[20] = red(1);
    EXPECT_EQ(apply("210 910 6 0 2 12 25 3 40", 1), 0);
    EXPECT_EQ(t.pile[0], V{7});
    EXPECT_EQ(t.pile[6], (V{20, 12, 3}));
    EXPECT_EQ(t.cards[12], 25);
    EXPECT_EQ(t.cards[3], 40);
    EXPECT_EQ(rec.calls, (S{"hand 6<0 12/25 size2", "hand 6<0 3/40 size3"}));
    EXPECT_EQ(apply("911 8 0 1 7 -1"), 0);
    EXPECT_EQ(t.pile[8], V{7});

    // A whole pile: one notification, not one per card.
    t.pile[7] = {30};
    t.cards[30] = black(12);
    t.cards[20] = red(11);
    rec.calls.clear();
    EXPECT_EQ(apply("920 7 6"), 0);
    EXPECT_EQ(t.pile[7], (V{30, 20, 12, 3}));
    EXPECT_TRUE(t.pile[6].empty());
    EXPECT_EQ(rec.calls, S{"pile 7<6 size4"});
}

TEST_F(ModifyTest, NothingPastTheEnd) {
    EXPECT_EQ(apply("900 6 14 1 37", 5), 0);
    EXPECT_EQ(out, "200 -1");
    EXPECT_EQ(t.pile[kDeck].size(), 52u);
}

// Bad codes throw after out_string took the whole tail; the records before stay applied.
TEST_F(ModifyTest, InvalidCodes) {
    for (const char* bad :
         {"921 7 6", "923 7 6", "905 6 14 1 3", "919 6 0 0", "899", "924", "0", "-1"}) {
        Tracker before = t;
        std::string line = std::string("900 6 14 1 37 ") + bad;
        out.clear();
        EXPECT_EQ(apply(line), -1) << bad;
        EXPECT_EQ(out, " " + Tokens(line).get_string()) << bad;
        EXPECT_EQ(t.pile[6].size(), before.pile[6].size() + 1) << bad;
        EXPECT_EQ(t.pile[kDeck].size(), before.pile[kDeck].size() - 1) << bad;
    }
}

// Records that run past the line or name numbers out of range fail before any card moves.
TEST_F(ModifyTest, MalformedRecordsMoveNothing) {
    const char* bad[] = {
        "900 6 14 2 37",          // two faces announced, one given
        "900 6 14",               // fixed fields cut
        "900 6 14 -1",            // negative count
        "900 6 14 2147483647 1",  // count far past the line
        "910 6 0 1 12",           // pair cut in half
        "920 7",                  // pile record cut
        "900 6 14 1 52",          // face out of range
        "900 6 14 1 300",         // would become face 44 in 8 bits
        "900 15 14 1 3",          // pile out of range
        "900 6 -1 1 3",
        "910 6 0 1 300 3",  // card number 300 must not become card 44
        "910 6 0 1 3 -2",
        "920 7 270",
    };
    for (const char* line : bad) {
        Tracker before = t;
        rec.calls.clear();
        EXPECT_EQ(apply(line), -1) << line;
        EXPECT_TRUE(same_table(t, before)) << line;
        EXPECT_TRUE(rec.calls.empty()) << line;
    }
}

TEST_F(ModifyTest, ImpossibleMovesAreTrackerErrors) {
    Tracker before = t;
    EXPECT_EQ(apply("900 6 8 1 3"), 1);    // nothing on pile 8
    EXPECT_EQ(apply("910 6 0 1 5 3"), 1);  // card 5 is not in hand 0
    EXPECT_EQ(apply("920 6 8"), 1);        // both empty
    EXPECT_TRUE(same_table(t, before));
    EXPECT_TRUE(rec.calls.empty());
}
