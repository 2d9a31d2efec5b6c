#include "exchange/tokens.h"

#include <gtest/gtest.h>

#include <climits>

TEST(Tokens, SplitsAtBlanksOnlyAndReadsEmptyLinesAsNothing) {
    Tokens t("  1   -1 900 ");
    EXPECT_EQ(t.data, (std::vector<int>{1, -1, 900}));
    EXPECT_EQ(t.token(0), 1);
    EXPECT_EQ(t.token(2), 900);
    EXPECT_EQ(t.token(3), -1);
    EXPECT_EQ(t.token(1000), -1);
    EXPECT_EQ(t.get_string(), "1 -1 900");

    // Non-numbers read as 0; a trailing carriage return stays in the piece and is ignored.
    Tokens x("2 x 7");
    EXPECT_EQ(x.get_string(), "2 0 7");
    EXPECT_EQ(Tokens("201\r").data, std::vector<int>{201});
    // A tab is not a separator: "3\t4" is one piece, read as 3.
    EXPECT_EQ(Tokens("3\t4 5").data, (std::vector<int>{3, 5}));
    // Two blanks after the code split like one.
    EXPECT_EQ(Tokens("210  910 6 0 1 12 25").data, Tokens("210 910 6 0 1 12 25").data);
    for (const char* line : {"", "    "}) {
        Tokens e(line);
        EXPECT_TRUE(e.data.empty());
        EXPECT_EQ(e.token(0), -1);
        EXPECT_EQ(e.get_string(), "");
    }
}

TEST(Numbers, ConvertLikePrintfAndAtoiAndClampOutOfRange) {
    EXPECT_EQ(int_to_string(-1), "-1");
    EXPECT_EQ(int_to_string(0), "0");
    EXPECT_EQ(int_to_string(INT_MIN), "-2147483648");
    EXPECT_EQ(string_to_int("  \t+42abc"), 42);
    EXPECT_EQ(string_to_int("-17"), -17);
    EXPECT_EQ(string_to_int("abc"), 0);
    EXPECT_EQ(string_to_int("- 5"), 0);
    EXPECT_EQ(string_to_int(""), 0);
    EXPECT_EQ(string_to_int("2147483647"), INT_MAX);
    EXPECT_EQ(string_to_int("-2147483648"), INT_MIN);
    // Numbers beyond the int range clamp to its ends rather than wrapping around.
    EXPECT_EQ(string_to_int("2147483648"), INT_MAX);
    EXPECT_EQ(string_to_int("99999999999999999999999999"), INT_MAX);
    EXPECT_EQ(string_to_int("-2147483649"), INT_MIN);
    EXPECT_EQ(string_to_int("-99999999999999999999999999"), INT_MIN);
    EXPECT_EQ(Tokens("900 4294967340").token(1), INT_MAX);
}
