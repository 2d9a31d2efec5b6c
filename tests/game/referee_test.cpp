// The referee and the client in local games, through the real exchange and SDL's event queue.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "game/cards.h"
#include "game/line_text.h"
#include "game/seat_list.h"
#include "local_game.h"
#include "table_helpers.h"

namespace {

int code_of(const std::string& msg) {
    return Tokens(msg).token(1);
}

std::vector<int> codes(const std::vector<std::string>& lines) {
    std::vector<int> out;
    for (const auto& l : lines) out.push_back(code_of(l));
    return out;
}

// The client's copy equals the referee's piles, and knows a face exactly where it was shown:
// its own hand and the board.
void expect_consistent(const Tracker& referee, const Tracker& client) {
    int seen = 0;
    for (int p = 0; p < kNumPiles; ++p) {
        ASSERT_EQ(client.pile[p], referee.pile[p]) << "pile " << p;
        for (signed char n : referee.pile[p]) {
            ++seen;
            const bool shown = p == 0 || is_board_pile(p);
            ASSERT_EQ(client.cards[n], shown ? referee.cards[n] : -1) << "card " << int(n);
        }
    }
    ASSERT_EQ(seen, kNumCards);
}

// Steps to player 0's first play turn, left unanswered.
void run_to_own_turn(LocalGame& g) {
    g.connector.hold_turn = true;
    ASSERT_TRUE(g.run_until(
        [&] { return !g.to_client.empty() && code_of(g.to_client.back()) == proto::kTurn; }));
    ASSERT_FALSE(g.step());  // nothing moves while player 0 thinks
    ASSERT_EQ(g.server.current_turn(), 0);
}

}  // namespace

TEST(Referee, StartsATwoPlayerGame) {
    LocalGame g(2);
    ASSERT_TRUE(g.entered);
    run_to_own_turn(g);
    // 100 on creation, 102 and a second 100 when player 0 joins; board, deal 0, deal 1, turn.
    EXPECT_EQ(codes(g.to_client), (std::vector<int>{100, 102, 100, 200, 310, 200, 310, 200, 300}));
    EXPECT_EQ(g.to_client[0], "2 100 1 2 0");
    EXPECT_EQ(g.to_client[1], "2 102 0");
    EXPECT_EQ(g.to_client[4], "2 310 0");

    const Tracker& t = g.server.table();
    // The dealt hand shows player 0 its faces; player 1's stays hidden.
    Tokens own(g.to_client[5]), other(g.to_client[7]);
    ASSERT_EQ(own.data.size(), 3u + 5 * 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(own.token(3 + 5 * i), proto::kTopToTop);
        EXPECT_EQ(own.token(4 + 5 * i), 0);
        EXPECT_EQ(own.token(7 + 5 * i), t.cards[t.pile[0][i]]);
        EXPECT_EQ(other.token(7 + 5 * i), -1);
    }
    EXPECT_EQ(t.pile[0].size(), 6u);  // five dealt, one drawn
    EXPECT_EQ(t.pile[1].size(), 5u);
    for (int side : {6, 8, 10, 12}) EXPECT_EQ(t.pile[side].size(), 1u);
    expect_consistent(t, g.client.tracker);
}

// A local game ends with its winner and waits; player 0's game-over acknowledgement ("Play
// again") starts the next one, the computer's seat answered for as in the first.
TEST(Referee, PlaysToAWinAndStartsTheNextGameOnlyWhenAcknowledged) {
    LocalGame g(2, 11);
    ASSERT_TRUE(g.run_until([&] { return g.winner != -1; }));
    EXPECT_EQ(g.server.winner(), g.winner);
    EXPECT_EQ(g.server.current_turn(), -1);
    EXPECT_TRUE(g.server.table().is_winner(g.winner));
    // Player 1, who has no connection, had play turns answered for it.
    EXPECT_NE(std::find(g.to_client.begin(), g.to_client.end(), "2 300 1 900 1 14 1 -1"),
              g.to_client.end());
    while (g.step()) {
    }
    EXPECT_EQ(code_of(g.to_client.back()), proto::kWinner);
    const auto versions = [&] {
        return std::count_if(g.to_client.begin(), g.to_client.end(),
                             [](const std::string& l) { return code_of(l) == proto::kVersion; });
    };
    EXPECT_EQ(versions(), 2);
    g.exch.ClientSend("106");
    g.winner = -1;
    ASSERT_TRUE(g.run_until([&] { return g.winner != -1; }));
    EXPECT_EQ(versions(), 3);
    EXPECT_TRUE(g.server.table().is_winner(g.winner));
}

TEST(Referee, ThousandGamesKeepEveryCopyConsistent) {
    for (unsigned seed = 1; seed <= 1000; ++seed) {
        const int players = 2 + seed % 4;
        LocalGame g(players, seed);
        for (int events = 0; g.winner == -1 && events < 20000; ++events) {
            const std::size_t lines = g.to_client.size();
            ASSERT_TRUE(g.step()) << "seed " << seed << ": the game stalled";
            if (g.to_client.size() != lines && g.connector.playernum == 0) {
                ASSERT_NO_FATAL_FAILURE(expect_consistent(g.server.table(), g.client.tracker))
                    << "seed " << seed << " after " << g.to_client.back();
            }
        }
        ASSERT_NE(g.winner, -1) << "seed " << seed;
        ASSERT_LT(g.winner, players);
        ASSERT_TRUE(g.server.table().is_winner(g.winner));
    }
}

// In the deal phase only the dealt player's 201 advances the deal.
TEST(Referee, IgnoresAnswersOfPlayersNotInTurn) {
    LocalGame g(3, 5);
    ASSERT_TRUE(
        g.run_until([&] { return !g.to_client.empty() && g.to_client.back() == "2 310 1"; }));
    Exchange::PushPlayerMessage(0, "2 201");
    Exchange::PushPlayerMessage(2, "2 311");
    run_to_own_turn(g);
    int deal_turns = 0;
    for (const auto& l : g.to_client) deal_turns += code_of(l) == proto::kDealTurn;
    EXPECT_EQ(deal_turns, 3);
    for (int p = 1; p < 3; ++p) EXPECT_EQ(g.server.table().pile[p].size(), 5u);

    // Player 0 owes a play: 201, and every answer from the others, change nothing.
    const Tracker before = g.server.table();
    for (auto [from, text] : std::vector<std::pair<int, const char*>>{{0, "2 201"},
                                                                      {1, "2 220"},
                                                                      {2, "2 210"},
                                                                      {1, "2 201"},
                                                                      {7, "2 220"},
                                                                      {-3, "2 101 1"}}) {
        Exchange::PushPlayerMessage(from, text);
        ASSERT_TRUE(g.step());
        EXPECT_FALSE(g.step()) << text << " from " << from << " was answered";
        EXPECT_EQ(g.server.current_turn(), 0);
        EXPECT_TRUE(same_table(g.server.table(), before));
    }
}

TEST(Referee, IgnoresPlaysAfterTheGameIsOver) {
    LocalGame g(2, 11);
    ASSERT_TRUE(g.run_until([&] { return g.winner != -1; }));
    while (g.step()) {
    }
    const Tracker before = g.server.table();
    const std::size_t lines = g.to_client.size();
    for (const char* text : {"2 220", "2 210", "2 201"}) {
        Exchange::PushPlayerMessage(0, text);
        while (g.step()) {
        }
    }
    EXPECT_EQ(g.to_client.size(), lines);
    EXPECT_TRUE(same_table(g.server.table(), before));
}

// Every forged 210 is refused before anything is applied, and nothing is relayed.
TEST(Referee, RejectsForgedPlays) {
    LocalGame g(2, 2);
    run_to_own_turn(g);
    const Tracker t = g.server.table();
    const signed char own = t.pile[0][0];
    const int own_face = t.cards[own];
    const signed char others = t.pile[1][0];
    // A non-empty board pile the card cannot go on.
    int misfit = -1;
    for (int q = kFirstBoardPile; q <= kLastBoardPile && misfit == -1; ++q)
        if (!t.pile[q].empty() && !t.can_go_on(own_face, t.cards[t.pile[q].back()])) misfit = q;
    ASSERT_NE(misfit, -1);
    const std::string c = int_to_string(own), f = int_to_string(own_face);
    const std::string forged[] = {
        "2 210  910 " + int_to_string(misfit) + " 0 1 " + c + " " +
            int_to_string((own_face + 1) % 52),
        "2 210  910 6 0 1 " + int_to_string(t.pile[6][0]) + " " +
            int_to_string(t.cards[t.pile[6][0]]),
        "2 210  910 6 1 1 " + int_to_string(others) + " " + int_to_string(t.cards[others]),
        "2 210  900 0 14 1 -1",
        "2 210  910 " + int_to_string(misfit) + " 0 1 " + c + " " + f,
        "2 210  911 " + int_to_string(misfit) + " 0 1 " + c + " " + f +
            (t.has_nonking_holes() ? " 920 6 6" : ""),
        "2 210  910 6 0 1 " + c,
        "2 210  910 6 0 -1",
        "2 210  920 6 0",
        "2 210  921 7 6",
        "2 210  910 7 0 1 " + c + " " + f + (is_king(own_face) ? " 920 7 7" : ""),
    };
    for (const std::string& line : forged) {
        Exchange::PushPlayerMessage(0, line);
        try {
            g.step();
            ADD_FAILURE() << line << " was accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("Local game: invalid play"), std::string::npos);
        }
        EXPECT_TRUE(same_table(g.server.table(), t)) << line;
        EXPECT_EQ(g.server.current_turn(), 0);
        EXPECT_FALSE(g.step()) << line << " was relayed";
    }
    // A pass is a valid play: relayed as 200 with the mover alone.
    Exchange::PushPlayerMessage(0, "2 210");
    ASSERT_TRUE(g.step());
    ASSERT_TRUE(g.step());
    EXPECT_EQ(g.to_client.back(), "2 200 0");
}

namespace {

// The referee with its inner state open, for tables and states set by hand.
struct OpenReferee : ServerWithAutoPlay {
    using Server::client_versions;
    using Server::client_versions_done;
    using Server::DrawBoard;
    using Server::on_disconnect;
    using Server::tracker;
    using Server::turn;
    using Server::win;
    using ServerWithAutoPlay::AutoPlay;
    using ServerWithAutoPlay::ServerWithAutoPlay;
};

using Pushed = std::vector<std::pair<int, std::string>>;

Pushed take_all(Exchange& exch) {
    Pushed got;
    while (exch.PollEvent())
        if (exch.IsPlayerMessage()) got.emplace_back(exch.GetPlayerNum(), exch.GetPlayerMessage());
    return got;
}

}  // namespace

// A 103 line reaching a player without a connection makes the referee answer what the player who
// left still owes, in that player's name.
TEST(Referee, AnswersForAPlayerWhoLeft) {
    Exchange exch;
    OpenReferee r(3, exch, [] { return 1u; });
    EXPECT_TRUE(take_all(exch).empty()) << "nobody is answered for while seats are free";
    struct State {
        bool started;
        int win, turn, owes;
        Pushed expected;
    } states[] = {
        {false, -1, -1, 0, {{1, "2 101 0"}}},
        {true, 2, -1, 0, {{1, "2 106"}}},
        {true, -1, 1, 1, {{1, "2 311"}}},
        {true, -1, 1, 2, {{1, "2 201"}}},
        {true, -1, 1, 3, {{1, "2 220"}}},
        {true, -1, 1, 0, {}},
        {true, -1, 0, 3, {}},
    };
    for (const State& s : states) {
        r.client_versions_done = s.started;
        r.win = s.win;
        r.turn = s.turn;
        r.on_disconnect = s.owes;
        r.client_versions[1] = 1;
        r.LocalSend(2, "103 1");
        EXPECT_EQ(take_all(exch), s.expected) << s.started << s.win << s.turn << s.owes;
    }
    r.client_versions[1] = -1;  // after the end, once acknowledged, never twice
    r.win = 0;
    r.LocalSend(2, "103 1");
    EXPECT_TRUE(take_all(exch).empty());
}

TEST(Referee, KingsFromTheDeckOpenTheCorners) {
    Exchange exch;
    exch.EnterLocalMode(2);
    OpenReferee r(2, exch, [] { return 1u; });
    // Card 0 is dealt first: king, x, king, x, x, x.
    for (int n = 0; n < kNumCards; ++n) r.tracker.cards[n] = static_cast<signed char>(n);
    std::swap(r.tracker.cards[0], r.tracker.cards[12]);
    std::swap(r.tracker.cards[2], r.tracker.cards[25]);
    take_all(exch);
    r.DrawBoard();
    const Pushed lines = take_all(exch);
    ASSERT_EQ(lines.size(), 1u);
    Tokens t(lines[0].second);
    ASSERT_EQ(t.data.size(), 3u + 6 * 5);
    std::vector<int> piles;
    for (int i = 0; i < 6; ++i) piles.push_back(t.token(4 + 5 * i));
    EXPECT_EQ(piles, (std::vector<int>{7, 6, 9, 8, 10, 12}));
    EXPECT_EQ(t.token(7), 12);
    EXPECT_EQ(t.token(17), 25);
}

// The automatic player's order: kings to the corners, pile moves, cards under piles while holes
// are open, then holes with the highest card, then the first card that fits on the lowest pile.
TEST(AutoPlayer, FollowsItsOrderOfMoves) {
    struct Case {
        const char* what;
        std::vector<int> hand;
        std::vector<int> board;  // faces for piles 6, 8, 10 and 12; -1 leaves one empty
        std::vector<std::string> lines;
    } cases[] = {
        {"two kings", {12, 25, 27}, {47, 34, 4, 17}, {"2 200 -1 910 7 0 1 0 12 910 9 0 1 1 25"}},
        {"nothing fits", {27}, {47, 34, 4, 17}, {"2 200 -1"}},
        {"lowest pile, earliest card",
         {7, 33},
         {47, 21, 4, 17},
         {"2 200 -1 910 6 0 1 0 7 910 8 0 1 1 33", "2 105 0"}},
        {"under a pile before a hole",
         {41, 9},
         {-1, 21, 4, 17},
         {"2 200 -1 911 8 0 1 1 9 910 6 0 1 0 41", "2 105 0"}},
        {"a pile before a card",
         {16},
         {47, 7, 4, 17},
         {"2 200 -1 920 6 8 910 8 0 1 0 16", "2 105 0"}},
    };
    for (const Case& c : cases) {
        Exchange exch;
        exch.EnterLocalMode(2);
        OpenReferee r(2, exch, [] { return 1u; });
        Table table;
        for (int f : c.hand) table.put(0, f);
        for (int i = 0; i < 4; ++i)
            if (c.board[i] != -1) table.put(kSidePiles[i], c.board[i]);
        table.put(1, 50);
        r.tracker = table.t;
        r.turn = 0;
        take_all(exch);
        r.AutoPlay();
        std::vector<std::string> lines;
        for (const auto& [player, text] : take_all(exch))
            if (player == -1) lines.push_back(text);
        EXPECT_EQ(lines, c.lines) << c.what;
    }
}

// A referee across the network may send anything: every bad line loses it, and the client's
// table is left as it was.
TEST(Client, TreatsAHostileRefereeAsLost) {
    Exchange exch;
    Client client(exch);
    FollowingConnector connector(exch, client);
    client.ConnectClientConnector(&connector);
    EXPECT_TRUE(client.Receive("1 300 1")) << "a turn before any game";
    ASSERT_FALSE(client.Receive("1 100 1 3 1"));
    ASSERT_FALSE(client.Receive("1 200 -1 900 6 14 1 5 900 2 14 1 -1"));
    const Tracker before = client.tracker;
    for (const char* line : {
             "1 100 1 9 0", "1 100 1 3 3", "1 300 7", "1 310 -2", "1 105 3",
             "1 300 0 900 99 14 1 -1",              // no such pile
             "1 300 0 900 0 14 1 77",               // no such face
             "1 300 0 900 0 14 -3",                 // a negative count
             "1 300 0 900 0 14 5 1",                // cut short
             "1 200 2 910 6 2 1 60 3",              // no such card
             "1 200 2 910 6 0 1 1 3",               // not in that hand
             "1 200 2 920 8 10",                    // a pile move between empty piles
             "1 200 2 999 1",                       // no such record
             "1 200 2 900 6 14 1 3 900 14 6 9 -1",  // the first record good, the second not
         }) {
        EXPECT_TRUE(client.Receive(line)) << line;
        EXPECT_TRUE(same_table(client.tracker, before)) << line;
    }
    EXPECT_FALSE(client.Receive("1 300 2 900 2 14 1 -1"));
    EXPECT_EQ(client.tracker.pile[2].size(), 2u);
    while (exch.PollEvent()) {
    }
}

// Names are cleaned and made unique; a seat list survives its own round trip and nothing else
// that is not one; a player's sixth chat line within ten seconds is dropped, and only that
// player's.
TEST(SeatList, NamesSeatLinesAndTheChatLimit) {
    std::vector<SeatInfo> seats = {{"Anna", SeatInfo::kPerson}, {"Player 1", SeatInfo::kAway}};
    EXPECT_EQ(SeatName(1, "  An\tna \x7f", seats), "Anna 2");
    EXPECT_EQ(SeatName(0, "Anna", seats), "Anna") << "the own name is no other's";
    EXPECT_EQ(SeatName(2, " \x01 ", seats), "Player 2");
    EXPECT_EQ(SeatName(2, "Abcdefghijklmnopqrst", {{"Abcdefghijklmnop"}}), "Abcdefghijklmn 2");
    // Latin-1 letters are kept and counted as one character each; C1 controls, characters beyond
    // Latin-1 and broken UTF-8 are dropped. On the line each travels as its Latin-1 code.
    EXPECT_EQ(SeatName(2, "Zo\u00eb \u00c5ngstr\u00f6m-N\u00fa\u00f1ez", {}),
              "Zo\u00eb \u00c5ngstr\u00f6m-N\u00fa\u00f1");
    EXPECT_EQ(SeatName(2, "Jo\u0085\u20ac\xC3\u00e9", {}), "Jo\u00e9");
    std::string e16;
    for (int i = 0; i < 17; ++i) e16 += "\u00e9";
    EXPECT_EQ(SeatName(1, e16, {{PrintableText(e16, 16)}}), PrintableText(e16, 14) + " 2");
    EXPECT_EQ(TextLine(410, "\u00e9!"), "410 233 33");
    EXPECT_EQ(ReadText(Tokens("410 90 128 255 256 -1 233"), 1, 6, 16), "Z\u00ff\u00e9");
    seats.push_back({"Zo\u00eb", SeatInfo::kComputer});
    const std::vector<SeatInfo> back = ReadSeats(Tokens("2 " + SeatsLine(seats)), 3);
    ASSERT_EQ(back.size(), 3u);
    for (int p = 0; p < 3; ++p)
        EXPECT_TRUE(back[p].name == seats[p].name && back[p].state == seats[p].state) << p;
    for (const char* bad : {"2 401 2 1 1 65 1 1 66", "2 401 3 1 1 65 3 1 66 0 0",
                            "2 401 3 1 1 65 1 17 66 0 0", "2 401 3 1 1 65 1 1 66 0 2 67"})
        EXPECT_TRUE(ReadSeats(Tokens(bad), 3).empty()) << bad;
    EXPECT_EQ(ReadSeats(Tokens("2 401 2 1 2 9 65 0 0"), 2)[0].name, "A");

    ChatGate gate;
    const auto t0 = ChatGate::Clock::now();
    for (int i = 0; i < ChatGate::kLines; ++i) EXPECT_TRUE(gate.Admit(0, t0));
    EXPECT_FALSE(gate.Admit(0, t0 + std::chrono::seconds(9)));
    EXPECT_TRUE(gate.Admit(1, t0));
    EXPECT_TRUE(gate.Admit(0, t0 + ChatGate::kSpan));
    EXPECT_FALSE(gate.Admit(7, t0));
}
