// The server's store: ratings by the method's worked numbers, names that belong to a key, and
// finished games kept and rated, on SQLite always and on PostgreSQL where VELMORA_POSTGRES names
// a database (the test command makes one in a temporary folder).
#include "server/game_store.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "temp_home.h"

namespace {

// Two players of the default rating, one game: the numbers OpenSkill's Plackett-Luce model gives
// for it, as Algorithm 4 of Weng and Lin works them out: c^2 = 2 (sigma^2 + beta^2), each player
// half of the exponentials, Omega = +-sigma^2 / (2c), Delta = sigma^3 / (4 c^3).
TEST(Rating, FollowsTheWorkedExampleTiesAndFixedPlayers) {
    const std::vector<Rating> two(2);
    const std::vector<Rating> after = Rate(two, {1, 2}, {false, false});
    EXPECT_NEAR(after[0].mu, 27.63523138347365, 1e-9);
    EXPECT_NEAR(after[0].sigma, 8.065506316323548, 1e-9);
    EXPECT_NEAR(after[1].mu, 22.36476861652635, 1e-9);
    EXPECT_NEAR(after[1].sigma, 8.065506316323548, 1e-9);

    // Equal players who tie keep their skill and grow surer; a fixed player does not move, and a
    // win over a stronger one is worth more than over a weaker one.
    const std::vector<Rating> tied =
        Rate(std::vector<Rating>(4), {1, 2, 2, 4}, std::vector<bool>(4));
    EXPECT_NEAR(tied[1].mu, tied[2].mu, 1e-12);
    EXPECT_LT(tied[1].sigma, Rating{}.sigma);
    EXPECT_GT(tied[0].mu, tied[1].mu);
    EXPECT_GT(tied[1].mu, tied[3].mu);
    const Rating strong{30, 1}, weak{15, 1};
    const auto over_strong = Rate({Rating{}, strong}, {1, 2}, {false, true});
    const auto over_weak = Rate({Rating{}, weak}, {1, 2}, {false, true});
    EXPECT_EQ(over_strong[1].mu, strong.mu);
    EXPECT_GT(over_strong[0].mu, over_weak[0].mu);
}

// Where the store tests run: a temporary SQLite file, and PostgreSQL where it is given.
std::vector<std::string> StorePlaces(const TempHome& home) {
    std::vector<std::string> places{home.path + "/server.db"};
    if (const char* pg = std::getenv("VELMORA_POSTGRES")) places.push_back(pg);
    return places;
}

std::array<unsigned char, 32> Key(unsigned char fill) {
    std::array<unsigned char, 32> key;
    key.fill(fill);
    return key;
}

// A game of two people, as velmora-referee --record kept it: Anna (seat 0) won against Bo.
std::string TwoPlayerGame() {
    return R"(velmora-record 1
played 2026-12-09T22:50:56Z
where hosted
players 2
seat 0 person Anna
seat 1 person Bo
viewer -1
faces 9 15 20 47 28 3 22 14 7 0 27 2 51 23 1 13 5 43 12 32 34 31 45 29 10 42 26 24 30 21 4 39 38 46 25 8 16 18 41 19 50 35 37 36 11 40 6 49 33 48 44 17
turn 0 920 6 12 911 8 0 1 5 3 910 12 0 1 6 22 910 6 0 1 8 7 910 8 0 1 14 1
turn 1 910 7 1 1 12 51 910 8 1 1 15 13
turn 0
turn 1
turn 0 910 9 0 1 18 12
turn 1 910 10 1 1 19 32
turn 0 910 12 0 1 20 34 920 12 10 910 10 0 1 16 5
turn 1 910 10 1 1 17 43 920 10 8 911 6 1 1 13 23 910 8 1 1 21 31
turn 0 910 6 0 1 22 45 920 6 8 910 8 0 1 4 28 910 8 0 1 7 14
winner 0
)";
}

}  // namespace

TEST(GameStore, NamesBelongToAKeyAndGamesAreKeptAndRated) {
    TempHome home;
    for (const std::string& place : StorePlaces(home)) {
        SCOPED_TRACE(place);
        const std::string anna_key = KeyHash(Key(1)), bo_key = KeyHash(Key(2));
        {
            GameStore store(OpenDatabase(place));
            EXPECT_EQ(store.OwnedName("Anna", anna_key), "Anna");
            EXPECT_EQ(store.OwnedName("ANNA", bo_key), "ANNA 2") << "a second key takes no name";
            EXPECT_EQ(store.OwnedName("Anna", ""), "Anna 2") << "nor does a player without one";
            EXPECT_EQ(store.OwnedName("anna", anna_key), "anna") << "the owner in any case";
            EXPECT_EQ(store.OwnedName("Bo", bo_key), "Bo");
            EXPECT_EQ(store.OwnedName("", bo_key), "");
        }
        // Opened again, the schema stays and the names with it.
        GameStore store(OpenDatabase(place));
        EXPECT_EQ(store.OwnedName("Anna", bo_key), "Anna 2");
        GameRecord record;
        std::string why;
        ASSERT_TRUE(ParseRecord(TwoPlayerGame(), record, why)) << why;
        const std::array<std::string, kMaxPlayers> keys{anna_key, bo_key};
        GameReplay replay;
        ASSERT_TRUE(replay.Build(record, why));
        const int id = store.Finish(record, "Oak", keys, replay.TableAfter(replay.steps().size()));
        EXPECT_EQ(store.RecordOf(id), RecordText(record));
        const std::vector<RatedPlayer> best = store.Best(50);
        ASSERT_GE(best.size(), 2u);
        EXPECT_EQ(best[0].name, "Anna");
        EXPECT_GT(best[0].rating, best[1].rating);
        EXPECT_EQ(store.StandingOf("bo")->place, 2);
        ASSERT_FALSE(store.Games("Bo", 10).empty());
        EXPECT_EQ(store.Games("Bo", 10).front().id, id);
        EXPECT_EQ(store.Games("", 1).front().winner, "Anna");
    }
}
