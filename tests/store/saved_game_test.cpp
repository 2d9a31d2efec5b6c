// A local game kept on the player's turn and taken up by a new referee and client plays on
// exactly as the same game played straight through; a saved game that is not whole is refused.
#include "store/saved_game.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "local_game.h"

namespace {

// Player 0's play turns of a game: where the game stood, and the lines the client got after.
struct OwnTurn {
    PlayTurn at;
    std::size_t lines_before;
};

void set_strong(LocalGame& g, int players) {
    for (int seat = 0; seat < players; ++seat) g.server.SetStrategy(seat, Strategy::kStrong);
}

// The referee awaits player 0's play, and the client has its turn line: where the program keeps
// a game.
bool awaits_own_play(LocalGame& g) {
    if (!g.server.AwaitsPlay() || g.server.current_turn() != 0 || g.to_client.empty()) return false;
    const Tokens last(g.to_client.back());
    return last.token(1) == proto::kTurn && last.token(2) == 0;
}

// Plays to the end, player 0 asking for automatic play: every own turn seen on the way, and the
// client's tables after each line.
std::vector<OwnTurn> play_through(LocalGame& g, std::vector<Tracker>& tables) {
    std::vector<OwnTurn> turns;
    g.connector.hold_turn = true;
    // Up to the winner's line: what follows it depends on who answers first.
    while (g.to_client.empty() || Tokens(g.to_client.back()).token(1) != proto::kWinner) {
        if (awaits_own_play(g)) {
            turns.push_back({g.server.Where(), g.to_client.size()});
            g.exch.ClientSend(int_to_string(proto::kAutoPlay));
        }
        if (!g.step()) break;
        if (tables.size() < g.to_client.size()) tables.push_back(g.client.tracker);
    }
    return turns;
}

SavedGame saved_at(const PlayTurn& at) {
    SavedGame game;
    game.at = at;
    game.strength = Strategy::kStrong;
    game.own_turns = 3;
    return game;
}

// A whole game of strong computer players, player 0 asking for automatic play.
struct Straight {
    std::vector<Tracker> tables;
    std::vector<std::string> lines;
    std::vector<OwnTurn> turns;
};

Straight play_straight(int players, unsigned seed) {
    Straight out;
    LocalGame game(players, seed);
    set_strong(game, players);
    out.turns = play_through(game, out.tables);
    out.lines = game.to_client;
    return out;
}

// The first own turn once the deck is empty, where the turn history decides the strong
// players' turns; null when the game never got there.
const OwnTurn* empty_deck_turn(const Straight& game) {
    for (const OwnTurn& t : game.turns)
        if (t.at.table.pile[kDeck].empty()) return &t;
    return nullptr;
}

}  // namespace

TEST(SavedGame, PlaysOnAsTheGamePlayedStraightThrough) {
    for (int players : {2, 3, 4, 5}) {
        // The first of these games that outlasts its deck.
        Straight straight;
        for (unsigned seed = 1; seed <= 100; ++seed) {
            straight = play_straight(players, seed);
            if (empty_deck_turn(straight)) break;
        }
        const OwnTurn* kept = empty_deck_turn(straight);
        ASSERT_NE(kept, nullptr) << players << " players";
        const int winner = Tokens(straight.lines.back()).token(2);
        ASSERT_NE(winner, -1);

        // Through the file's text, as the program keeps it.
        SavedGame loaded;
        std::string why;
        ASSERT_TRUE(ParseSavedGame(SavedGameText(saved_at(kept->at)), loaded, why)) << why;
        LocalGame resumed(loaded.at);
        set_strong(resumed, players);
        while (resumed.step()) {
        }
        EXPECT_TRUE(resumed.to_client.empty()) << "the referee waits for the play";
        const std::size_t from = kept->lines_before;
        std::vector<Tracker> tables(straight.tables.begin(), straight.tables.begin() + from);
        resumed.to_client.assign(straight.lines.begin(), straight.lines.begin() + from);
        play_through(resumed, tables);

        const std::vector<std::string>& got = resumed.to_client;
        EXPECT_EQ(Tokens(got.back()).token(2), winner) << players << " players";
        ASSERT_EQ(got.size(), straight.lines.size()) << players << " players";
        ASSERT_EQ(tables.size(), straight.tables.size());
        for (std::size_t i = from; i < got.size(); ++i) {
            ASSERT_EQ(got[i], straight.lines[i]) << "line " << i << ", " << players << " players";
            const Tracker& a = tables[i];
            const Tracker& b = straight.tables[i];
            for (int p = 0; p < kNumPiles; ++p) ASSERT_EQ(a.pile[p], b.pile[p]) << "line " << i;
            ASSERT_TRUE(std::equal(std::begin(a.cards), std::end(a.cards), std::begin(b.cards)))
                << "line " << i;
        }
    }
}

TEST(SavedGame, RefusesWhatNoGameCouldReach) {
    LocalGame g(3, 7);
    std::vector<Tracker> tables;
    const std::vector<OwnTurn> turns = play_through(g, tables);
    ASSERT_FALSE(turns.empty());
    SavedGame game = saved_at(turns.front().at);
    // A legal open move: the view keeps it, to be taken back or sent.
    const Tracker seen = SeenBy(game.at.table, 0);
    for (signed char c : seen.pile[0])
        for (int p = kFirstBoardPile; p <= kLastBoardPile && game.open_moves.empty(); ++p)
            if (seen.fits_on_top(seen.cards[c], p))
                game.open_moves.push_back({Move::kOnTop, 0, p, c});
    const signed char marked = game.at.table.pile[kFirstBoardPile].front();
    game.marked[marked] = true;
    game.movers[marked] = 2;
    game.news[1] = "Computer 1 played 2 cards";
    game.told = {{StoryEvent::kBoardDealt, -1, 37, 6}, {StoryEvent::kPileMoved, 2, -1, 7, 9}};
    const std::string text = SavedGameText(game);
    SavedGame loaded;
    std::string why;
    ASSERT_TRUE(ParseSavedGame(text, loaded, why)) << why;
    EXPECT_EQ(SavedGameText(loaded), text);
    EXPECT_EQ(loaded.movers[marked], 2) << "a marked card keeps its badge";
    EXPECT_EQ(loaded.told, game.told) << "the log is kept";

    const auto refused = [&](std::string edited, const std::string& what) {
        SavedGame out;
        std::string reason;
        EXPECT_FALSE(ParseSavedGame(edited, out, reason)) << what;
        EXPECT_FALSE(reason.empty()) << what;
    };
    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string edited = text;
        const auto at = edited.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? edited : edited.replace(at, from.size(), to);
    };
    const std::string hand = "pile0=";
    const std::size_t line_end = text.find('\n', text.find(hand));
    const std::string first_card = text.substr(text.find(hand) + hand.size(), 2);
    refused(replaced("pile1=", "pile1=" + first_card), "a card in two hands");
    refused(replaced("pile14=51 ", "pile14="), "a card missing");
    refused(replaced("pile14=51 50", "pile14=50 51"), "the deck out of order");
    refused(replaced("players=3", "players=2"), "a hand beyond the players");
    refused(replaced("players=3", "players=9"), "too many players");
    // The next 20 cards of the deck drawn into one hand: more than its turns could draw.
    const std::size_t deck_at = text.find("pile14=") + 7;
    const std::size_t deck_end = text.find('\n', deck_at);
    std::istringstream deck_numbers(text.substr(deck_at, deck_end - deck_at));
    const std::vector<std::string> deck{std::istream_iterator<std::string>(deck_numbers), {}};
    ASSERT_GT(deck.size(), 20u);
    std::string rest, drawn;
    for (std::size_t i = 0; i < deck.size(); ++i)
        (i + 20 < deck.size() ? rest : drawn) += deck[i] + ' ';
    std::string hoarded = text;
    hoarded.replace(deck_at, deck_end - deck_at, rest);
    hoarded.replace(hoarded.find("pile1=") + 6, 0, drawn);
    refused(hoarded, "a hand of more cards than its draws");
    refused(replaced("faces=", "faces=0 "), "53 faces");
    refused(replaced("turn=0", "turn=1"), "another player's turn");
    refused(replaced("own_turns=3", "own_turns=-3"), "a negative count");
    refused(replaced("move1=0 0 ", "move1=0 1 "), "a move from another hand");
    refused(replaced("move1=0", "move1=7"), "no kind of move");
    refused(replaced("version=1", "version=x"), "no version");
    refused(replaced("moved_by2=", "moved_by5="), "a mover beyond the players");
    refused(replaced("moved_by2=", "moved_by2=51 "), "a mover of an unmarked card");
    refused(replaced("told2=5 2", "told2=5 3"), "a log line of a seat beyond the players");
    refused(replaced("told1=0 -1 37 6", "told1=0 -1 37 14"),
            "a log line of a card dealt to the deck");
    refused(replaced("told1=0", "told1=11"), "a log line of no kind");
    refused(text.substr(0, line_end) + "\n\x01\x02garbage", "binary data");
    // Cut anywhere, the text is refused or holds the same table: nothing in between.
    for (std::size_t n = 0; n < text.size(); ++n) {
        SavedGame cut;
        if (!ParseSavedGame(text.substr(0, n), cut, why)) continue;
        for (int p = 0; p < kNumPiles; ++p) ASSERT_EQ(cut.at.table.pile[p], game.at.table.pile[p]);
    }
}
