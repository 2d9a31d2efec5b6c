// Game records: the referee's record of a game read back and played again, and the records the
// rules could not have produced refused.
#include "game/game_record.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <regex>

#include "local_game.h"
#include "table_helpers.h"

namespace {

// The referee's record of a game, its table at the end, and the record of seat 0's client.
GameRecord Played(int players, unsigned seed, Tracker* end = nullptr,
                  std::optional<GameRecord>* seen = nullptr) {
    LocalGame g(players, seed);
    EXPECT_TRUE(g.run_until([&] { return g.winner != -1; }));
    const GameRecord* kept = g.server.FinishedGame();
    EXPECT_NE(kept, nullptr);
    if (!kept) return {};
    if (seen) *seen = g.client.SeenGame();
    GameRecord record = *kept;
    record.where = "local";
    record.seats[0] = {"Anna", true, Strategy::kAuto};
    for (int p = 1; p < players; ++p)
        record.seats[p] = {"Computer " + std::to_string(p), false, Strategy::kStrong};
    if (end) *end = g.server.table();
    return record;
}

// The text with the first match of `pattern` replaced.
std::string Changed(const std::string& text, const std::string& pattern, const std::string& by) {
    return std::regex_replace(text, std::regex(pattern), by,
                              std::regex_constants::format_first_only);
}

}  // namespace

TEST(GameRecord, TheRefereesAndASeatsRecordsReadBackAndPlayToTheGamesEnd) {
    for (unsigned seed = 1; seed <= 24; ++seed) {
        const int players = 2 + seed % 4;
        Tracker end;
        std::optional<GameRecord> seen;
        const GameRecord record = Played(players, seed, &end, &seen);
        const std::string text = RecordText(record);
        GameRecord read;
        std::string why;
        ASSERT_TRUE(ParseRecord(text, read, why)) << "seed " << seed << ": " << why << "\n" << text;
        EXPECT_EQ(RecordText(read), text);
        GameReplay replay;
        ASSERT_TRUE(replay.Build(read, why)) << why;
        EXPECT_TRUE(same_table(replay.TableAfter(replay.steps().size()), end)) << "seed " << seed;
        EXPECT_EQ(replay.turn_count(), static_cast<int>(record.turns.size()));
        EXPECT_EQ(replay.steps().back().seat, record.winner);
        // Each turn's start is a game a referee takes up: its seat in turn, its draw made.
        const PlayTurn at = replay.AtTurn(replay.turn_count() - 1);
        EXPECT_EQ(at.turn, record.winner);
        std::string table_why;
        EXPECT_TRUE(at.table.is_whole_game(players, table_why)) << table_why;

        // Seat 0's record: the same game, the faces it never saw unknown.
        ASSERT_TRUE(seen);
        GameRecord seat_read;
        ASSERT_TRUE(ParseRecord(RecordText(*seen), seat_read, why)) << why;
        EXPECT_EQ(seat_read.turns, record.turns);
        GameReplay seat_replay;
        ASSERT_TRUE(seat_replay.Build(seat_read, why)) << why;
        const Tracker& seat_end = seat_replay.TableAfter(seat_replay.steps().size());
        for (int p = 0; p < kNumPiles; ++p) {
            EXPECT_EQ(seat_end.pile[p], end.pile[p]);
            for (signed char n : end.pile[p])
                EXPECT_EQ(seat_end.cards[n], p == 0 || is_board_pile(p) ? end.cards[n] : -1);
        }
    }
}

TEST(GameRecord, RefusesWhatTheRulesCouldNotHaveProduced) {
    const std::string good = RecordText(Played(3, 5));
    GameRecord read;
    std::string why;
    ASSERT_TRUE(ParseRecord(good, read, why)) << why;
    const std::string first_move = R"(turn (\d) (91\d) (\d+))";
    const struct {
        std::string text;
        std::string why;
    } bad[] = {
        {"", "it is no game record"},
        {Changed(good, "record 1", "record 2"), "a newer version wrote it"},
        {Changed(good, "faces (-?\\d+) (-?\\d+)", "faces $1 $1"), "a face is dealt twice"},
        {Changed(good, "faces (-?\\d+) (-?\\d+)", "faces $2 $1"), ""},
        {Changed(good, "faces -?\\d+", "faces -1"), "a face is missing from a referee's record"},
        {Changed(good, first_move, "turn $1 $2 14"), ""},
        {Changed(good, "turn 1", "turn 2"), "line 11 cannot be read"},
        {Changed(good, "winner \\d", "winner 9"), ""},
        {Changed(good, "winner (\\d)", "turn 0\nwinner $1"), ""},
        {Changed(good, "\nwinner \\d\n", "\n"), "it has no winner"},
        {good + "turn 1\n", ""},
        {Changed(good, "seat 0 person Anna", "seat 0 person \x01"), "line 5 cannot be read"},
        {Changed(good, "seat 1 computer strong", "seat 1 computer best"), ""},
        {Changed(good, "where local", "where moon"), "line 3 cannot be read"},
        {Changed(good, "players 3", "players 6"), ""},
    };
    for (const auto& [text, expected] : bad) {
        ASSERT_NE(text, good) << "the change did not apply: " << expected;
        EXPECT_FALSE(ParseRecord(text, read, why)) << text;
        EXPECT_FALSE(why.empty());
        EXPECT_EQ(why.find('\n'), std::string::npos);
        if (!expected.empty()) {
            EXPECT_EQ(why, expected) << text;
        }
    }
}
