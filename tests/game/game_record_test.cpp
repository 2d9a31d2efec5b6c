// Game records: the referee's record of a game read back and played again, and the records the
// rules could not have produced refused.
#include "game/game_record.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <utility>

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

// The text with the first `from` replaced by `to`.
std::string Changed(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// `record` changed by `change`, as text.
template <class Change>
std::string Edited(GameRecord record, Change change) {
    change(record);
    return RecordText(record);
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
    const GameRecord played = Played(3, 5);
    const std::string good = RecordText(played);
    GameRecord read;
    std::string why;
    ASSERT_TRUE(ParseRecord(good, read, why)) << why;
    const std::size_t end = good.rfind("winner ");
    const struct {
        std::string text;
        std::string why;
    } bad[] = {
        {"", "it is no game record"},
        {Changed(good, "record 1", "record 2"), "a newer version wrote it"},
        {Edited(played, [](GameRecord& r) { r.faces[1] = r.faces[0]; }), "a face is dealt twice"},
        {Edited(played, [](GameRecord& r) { std::swap(r.faces[0], r.faces[1]); }), ""},
        {Edited(played, [](GameRecord& r) { r.faces[0] = -1; }),
         "a face is missing from a referee's record"},
        // The first card laid goes onto the deck instead.
        {Edited(played,
                [](GameRecord& r) {
                    for (std::string& t : r.turns)
                        if (t.rfind("91", 0) == 0) {
                            t = t.substr(0, 4) + "14" + t.substr(t.find(' ', 4));
                            break;
                        }
                }),
         ""},
        {Changed(good, "turn 1", "turn 2"), "line 11 cannot be read"},
        {good.substr(0, end) + "winner 9\n", ""},
        {good.substr(0, end) + "winner " + std::to_string(1 - played.winner % 2) + "\n", ""},
        {Edited(played, [](GameRecord& r) { r.turns.emplace_back(); }),
         "turns follow the game's end"},
        {good.substr(0, end), "it has no winner"},
        {good + "turn 1\n", ""},
        {Edited(played, [](GameRecord& r) { r.seats[0].name = "\x01"; }), "line 5 cannot be read"},
        {Changed(good, "seat 1 computer strong", "seat 1 computer best"), ""},
        {Edited(played, [](GameRecord& r) { r.where = "moon"; }), "line 3 cannot be read"},
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
