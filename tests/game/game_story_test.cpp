// The story of a game as a seat follows it, and as the referee's record tells it again.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "local_game.h"

namespace {

// The story that `viewer` would tell from the referee's record of the game.
GameStory retold(const std::vector<std::string>& record, int numplayers, int viewer) {
    GameStory story;
    story.Start(numplayers, viewer);
    for (const std::string& line : record) story.Follow(Tokens("1 " + line));
    return story;
}

std::multiset<int> faces_on_board(const Tracker& t) {
    std::multiset<int> faces;
    for (int p = kFirstBoardPile; p <= kLastBoardPile; ++p)
        for (signed char c : t.pile[p]) faces.insert(t.cards[c]);
    return faces;
}

}  // namespace

// A whole game told as it went: every card that reached the board is told with its face, the
// story's table is the client's, the winner ends it; the referee's record tells the same story
// to every seat, with each seat's own marks, and to a watcher.
TEST(GameStory, TellsEveryMoveAndTheRecordTellsItAgain) {
    for (int players : {2, 5}) {
        LocalGame g(players, 11);
        ASSERT_TRUE(g.run_until([&] { return g.winner != -1; })) << players;
        const GameStory& live = g.client.story;
        ASSERT_TRUE(live.whole());
        for (int p = 0; p < kNumPiles; ++p)
            EXPECT_EQ(live.table().pile[p], g.client.tracker.pile[p]);
        std::multiset<int> told_faces;
        int dealt = 0, winners = 0;
        for (const StoryEvent& e : live.events()) {
            if (e.kind == StoryEvent::kBoardDealt || e.kind == StoryEvent::kLaid ||
                e.kind == StoryEvent::kSlidUnder)
                told_faces.insert(e.face);
            dealt += e.kind == StoryEvent::kBoardDealt;
            dealt += e.kind == StoryEvent::kHandDealt || e.kind == StoryEvent::kDrew ? e.count : 0;
            winners += e.kind == StoryEvent::kWon;
        }
        const Tracker& end = g.server.table();
        EXPECT_EQ(told_faces, faces_on_board(end));
        EXPECT_EQ(dealt, kNumCards - static_cast<int>(end.pile[kDeck].size()));
        EXPECT_EQ(winners, 1);
        EXPECT_EQ(live.events().back(),
                  (StoryEvent{StoryEvent::kWon, static_cast<signed char>(g.winner)}));

        const GameStory again = retold(g.server.record(), players, 0);
        EXPECT_EQ(again.events(), live.events()) << players;
        EXPECT_EQ(again.movers(), live.movers());
        // Another seat hears the same story, with the marks of its own last turn.
        const GameStory other = retold(g.server.record(), players, 1);
        EXPECT_EQ(other.events(), live.events());
        for (int c = 0; c < kNumCards; ++c) {
            if (other.movers()[c] == -1) continue;
            EXPECT_NE(other.movers()[c], 1) << "a seat's own move is no news to it";
            EXPECT_TRUE(std::any_of(
                end.pile + kFirstBoardPile, end.pile + kLastBoardPile + 1,
                [c](const auto& pile) { return std::count(pile.begin(), pile.end(), c) == 1; }))
                << "a marked card lies on the board";
        }
        // A watcher hears it too, and each seat's marks are those of its last turn: what the
        // seat before it, whose turn ended just then, sees marked for it (but for the seat after
        // the winner, whose last turn came first).
        const GameStory watcher = retold(g.server.record(), players, -1);
        EXPECT_EQ(watcher.events(), live.events());
        for (int p = 0; p < players; ++p) {
            if (p == (g.winner + 1) % players) continue;
            const GameStory before =
                retold(g.server.record(), players, (p + players - 1) % players);
            for (int c = 0; c < kNumCards; ++c)
                EXPECT_EQ(watcher.movers()[c] == p, before.movers()[c] == p) << players << " " << c;
        }
    }
}

// Lines from across the network are not trusted: a record that does not fit the story's table
// ends the story there, table unchanged; a seats line of another game tells nothing; and however
// many lines come, the story holds a bounded count of events.
TEST(GameStory, StopsAtWhatDoesNotFitAndStaysBounded) {
    GameStory story;
    story.Start(2, 0);
    ASSERT_TRUE(story.Follow(Tokens("1 200 -1 900 6 14 1 7")));
    ASSERT_TRUE(story.Follow(Tokens("1 401 3 1 1 65 1 1 66 0 0")));
    EXPECT_TRUE(story.Follow(Tokens("1 401 2 1 1 65 1 1 66")));
    ASSERT_TRUE(story.Follow(Tokens("1 300 1")));
    const Tracker before = story.table();
    // A card that is not in seat 1's hand.
    EXPECT_FALSE(story.Follow(Tokens("1 200 1 910 8 1 1 30 30")));
    EXPECT_FALSE(story.whole());
    EXPECT_FALSE(story.Follow(Tokens("1 105 1")));
    for (int p = 0; p < kNumPiles; ++p) EXPECT_EQ(story.table().pile[p], before.pile[p]);
    const std::vector<StoryEvent> told = {
        {StoryEvent::kBoardDealt, -1, 7, 6}, {StoryEvent::kJoined, 0}, {StoryEvent::kJoined, 1}};
    EXPECT_EQ(story.events(), told);

    story.Start(2, 0);
    story.Follow(Tokens("1 300 0"));
    for (int i = 0; i < 30000; ++i) story.Follow(Tokens("1 200 0"));
    EXPECT_EQ(story.events().size(), GameStory::kMostEvents);
}
