// The screens driven headless through SDL's event queue, the screen loop and the pointer
// operations, with the game's own data files.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "game/autoplay_server.h"
#include "game/client.h"
#include "game/expert.h"
#include "game/line_text.h"
#include "game/lobby_lines.h"
#include "game/protocol.h"
#include "net/fastevents.h"
#include "net/game_search.h"
#include "server/game_store.h"
#include "tests/support/answer_flood.h"
#include "tests/support/flooder.h"
#include "tests/support/line_peer.h"
#include "tests/support/loopback.h"
#include "tests/support/running_server.h"
#include "tests/support/temp_home.h"
#include "ui/connect_screen.h"
#include "ui/game_route.h"
#include "ui/game_screen.h"
#include "ui/join_screen.h"
#include "ui/lobby_screen.h"
#include "ui/main_menu.h"
#include "ui/replay_screen.h"
#include "ui/screen_loop.h"
#include "ui/serve_screen.h"
#include "ui/settings_screen.h"
#include "ui/table_layout.h"
#include "ui/table_turn.h"
#include "ui/table_view.h"

namespace {

using Positions = std::vector<std::pair<int, int>>;

// An idle pass rests this long at most: the tests feed every event themselves.
constexpr Uint32 kRestMs = 10;

struct Ui : ::testing::Test {
    void SetUp() override {
        sdl = std::make_unique<SDL>(SDL::kFlags);
        const std::string data = VELMORA_BIN_DIR "/3rdparty";
        sdl->InitVideo(800, 600, data + "/font/data", data + "/deck_default.bmp");
        exch = std::make_unique<Exchange>();
        gui = new GUI(sdl.get());
        sdl->tracker_modify = &tracker_modify;
        loop = std::make_unique<ScreenLoop>(
            *exch, *sdl,
            [this](int* x, int* y) {
                *x = pointer.x, *y = pointer.y;
                return static_cast<Uint8>(pointer.down ? SDL_BUTTON(1) : 0);
            },
            kRestMs);
    }
    void TearDown() override {
        loop.reset();
        exch.reset();
        delete gui;
        gui = nullptr;
        sdl.reset();
    }
    // Runs passes until the queue is empty (bounded), keeping the lines sent to the referee.
    void run() {
        for (int i = 0; i < 10000 && loop->Pass(); ++i)
            if (exch->IsPlayerMessage() && exch->GetPlayerNum() != -1)
                outbox.push_back(exch->GetPlayerMessage());
    }
    void post(Screen* s) {
        Exchange::PushLocalMessage(EXCH_SET_SCREEN, s, nullptr);
        run();
    }
    void push(SDL_Event e) {
        FE_PushEvent(&e);
        run();
    }
    void key(SDLKey sym, Uint16 unicode = 0) {
        SDL_Event e{};
        e.type = SDL_KEYDOWN;
        e.key.keysym.sym = sym;
        e.key.keysym.unicode = unicode;
        push(e);
    }
    void click(int x, int y) {
        SDL_Event e{};
        e.button.button = SDL_BUTTON_LEFT;
        e.button.x = static_cast<Uint16>(x);
        e.button.y = static_cast<Uint16>(y);
        e.type = SDL_MOUSEBUTTONDOWN;
        push(e);
        e.type = SDL_MOUSEBUTTONUP;
        push(e);
    }
    // The lines sent to the referee since the last look.
    std::vector<std::string> sent() {
        run();
        return std::exchange(outbox, {});
    }
    // A table seen by player 0 of 2: the view's piles are built from it.
    void own_table(Tracker& t) {
        gui->Reset();
        sdl->tracker = &t;
        sdl->playernum = 0;
        sdl->numplayers = 2;
        sdl->sane = true;
        for (int p = 0; p < 14; ++p) gui->UpdatePile(p);
    }
    // The turn of the game on the screen.
    const TableTurn& turn() const { return dynamic_cast<const GameScreen&>(*loop->screen).turn(); }
    Positions positions(int p) {
        Positions out;
        for (const GCard& g : gui->pile[p]) out.emplace_back(g.x, g.y);
        return out;
    }

    TempHome home;
    Profile profile{home.places()};
    std::unique_ptr<SDL> sdl;
    std::unique_ptr<Exchange> exch;
    MyTrackerModify tracker_modify;
    std::unique_ptr<ScreenLoop> loop;
    std::vector<std::string> outbox;
    struct {
        int x = 0, y = 0;
        bool down = false;
    } pointer;
};

// A screen that records what the loop asks of it.
struct Probe : Screen {
    Probe(SDL& s, Exchange& e, Profile& p, std::vector<std::string>& log_t)
        : Screen(s, e, p), log(log_t) {}
    ~Probe() override { log.push_back("deleted"); }
    bool AcceptEvent(SDL_Event& e) override { return e.type == SDL_QUIT; }
    void Draw() override { log.push_back("draw"); }
    void ButtonDown(int x, int y) override { log.push_back("down " + at(x, y)); }
    void ButtonUp(int x, int y) override { log.push_back("up " + at(x, y)); }
    void MoveTo(int x, int y) override { log.push_back("move " + at(x, y)); }
    static std::string at(int x, int y) { return std::to_string(x) + " " + std::to_string(y); }
    std::vector<std::string>& log;
};

}  // namespace

TEST_F(Ui, LoopActsOnEachCodeAndFeedsThePointer) {
    std::vector<std::string> a, b;
    post(new Probe(*sdl, *exch, profile, a));
    Exchange::PushLocalMessage(EXCH_SET_SCREEN, new Probe(*sdl, *exch, profile, b), nullptr);
    Exchange::PushLocalMessage(EXCH_REDRAW, nullptr, nullptr);
    run();
    EXPECT_EQ(a, (std::vector<std::string>{"draw", "deleted"}));
    EXPECT_EQ(b, (std::vector<std::string>{"draw", "draw"}));

    // Held down while moving: one press, a move per changed sample, one release.
    b.clear();
    for (auto [x, y, down] : std::vector<std::tuple<int, int, bool>>{
             {5, 5, true}, {6, 5, true}, {6, 5, true}, {7, 5, false}}) {
        pointer = {x, y, down};
        loop->Pass();
    }
    EXPECT_EQ(b,
              (std::vector<std::string>{"down 5 5", "move 5 5", "move 6 5", "up 7 5", "move 7 5"}));
    // A press and release that both fall between two samples (a tap) still arrive, once each,
    // where they were made.
    b.clear();
    pointer = {40, 2, false};
    SDL_Event tap{};
    tap.button.button = SDL_BUTTON_LEFT;
    tap.button.x = 40, tap.button.y = 2;
    tap.type = SDL_MOUSEBUTTONDOWN;
    FE_PushEvent(&tap);
    tap.type = SDL_MOUSEBUTTONUP;
    FE_PushEvent(&tap);
    run();
    EXPECT_EQ(b, (std::vector<std::string>{"down 40 2", "move 40 2", "up 40 2"}));

    // In a resized window the screen sees picture coordinates: at twice the size, and at 1.5
    // times with bars of 50 pixels left and right, where a press lies outside the picture.
    for (auto [w, h, x, y, seen] :
         std::vector<std::tuple<int, int, int, int, std::string>>{{1600, 1200, 801, 601, "400 300"},
                                                                  {1300, 900, 53, 899, "2 599"},
                                                                  {1300, 900, 20, 450, "-1 300"}}) {
        SDL_Event resize{};
        resize.type = SDL_VIDEORESIZE;
        resize.resize.w = w, resize.resize.h = h;
        push(resize);
        ASSERT_EQ(std::make_pair(sdl->window->w, sdl->window->h), std::make_pair(w, h));
        b.clear();
        pointer = {x, y, true};
        loop->Pass();
        EXPECT_EQ(b, (std::vector<std::string>{"down " + seen, "move " + seen}));
        pointer.down = false;
        loop->Pass();
    }
    ASSERT_EQ(b.size(), 3u);
    EXPECT_EQ(b.back(), "up -1 300");

    // F1 opens the rules over the screen: its redraws show the rules, the pointer and the keys
    // are theirs, and Esc gives the screen back, drawn anew.
    b.clear();
    key(SDLK_F1);
    Exchange::PushLocalMessage(EXCH_REDRAW, nullptr, nullptr);
    pointer = {30, 30, true};
    run();
    pointer.down = false;
    run();
    EXPECT_TRUE(b.empty()) << "the screen saw nothing while the rules were open";
    key(SDLK_ESCAPE);
    EXPECT_EQ(b, (std::vector<std::string>{"draw"}));

    // A screen queued behind the quit is deleted with the loop.
    std::vector<std::string> c;
    Exchange::PushLocalMessage(EXCH_QUIT, nullptr, nullptr);
    Exchange::PushLocalMessage(EXCH_SET_SCREEN, new Probe(*sdl, *exch, profile, c), nullptr);
    b.clear();
    loop->Pass();
    EXPECT_TRUE(loop->done);
    EXPECT_TRUE(b.empty()) << "a quit draws nothing";
    delete loop->screen;  // while its log lives
    loop->screen = nullptr;
    loop.reset();
    EXPECT_EQ(c, (std::vector<std::string>{"deleted"}));
}

TEST_F(Ui, TableViewLaysOutPilesHandAndTexts) {
    Tracker t;
    t.ResetClient();
    for (int i = 0; i < 6; ++i) t.move_top_to_top(9, kDeck, i);
    for (int i = 0; i < 7; ++i) t.move_top_to_top(0, kDeck, 10 + i);
    for (int i = 0; i < 7; ++i) t.move_top_to_top(1, kDeck, -1);
    t.move_top_to_top(6, kDeck, 30);
    gui->UpdatePile(9);
    EXPECT_TRUE(gui->pile[9].empty()) << "nothing is built before the own number is known";
    own_table(t);
    EXPECT_EQ(positions(9),
              (Positions{{438, 338}, {456, 356}, {474, 374}, {478, 378}, {482, 382}, {482, 382}}));
    EXPECT_EQ(positions(6), (Positions{{336, 134}}));
    ASSERT_EQ(gui->pile[12].size(), 1u);
    EXPECT_EQ(gui->pile[12].front().cardnum, 68);
    EXPECT_EQ(positions(12), (Positions{{234, 236}}));
    // Seven cards side by side, a card's width apart, from where the row starts.
    EXPECT_EQ(
        positions(0),
        (Positions{
            {50, 480}, {123, 480}, {196, 480}, {269, 480}, {342, 480}, {415, 480}, {488, 480}}));
    EXPECT_TRUE(gui->pile[1].empty() && gui->pile[kDeck].empty());

    TableTurn turn(*sdl, [](int p) { gui->UpdatePile(p); });
    EXPECT_EQ(turn.InfoText(), "You are player 0. Cards: 7 7. Cards in deck: 31");
    EXPECT_EQ(turn.StatusText(), "Waiting for other players to connect");
    turn.TurnBegins(1);
    EXPECT_EQ(turn.StatusText(), "Waiting for another player");
    EXPECT_FALSE(turn.done_enabled() || turn.WholeTurnOpen());
    turn.TurnBegins(0);
    EXPECT_EQ(turn.StatusText(), "It's your turn!");
    EXPECT_TRUE(turn.done_enabled() && turn.WholeTurnOpen());
    turn.GameOver(0);
    EXPECT_EQ(turn.StatusText(), "Game Over! You Win!");
    // Every line names a seat as its plate does, and its badge shows what the plate shows of it.
    turn.GameOver(1);
    EXPECT_EQ(turn.StatusText(), "Game Over! You Lose, Player 1 Won!");
    EXPECT_EQ(turn.Marks().badges[1], "1");
    turn.SetLocal(true);
    EXPECT_EQ(turn.StatusText(), "Game Over! You Lose, Computer 1 Won!");
    EXPECT_EQ(turn.OtherSeats().at(0).name, "Computer 1");
    turn.SetSeats({{"Zo\u00eb", SeatInfo::kPerson}, {"\u00c9mile", SeatInfo::kPerson}});
    EXPECT_EQ(turn.StatusText(), "Game Over! You Lose, \u00c9mile Won!");
    EXPECT_EQ(turn.Marks().badges[1], "\u00c9");

    // Cards are hit by their opaque pixels only: the transparent edge of a hand card's frame lets
    // the card below be found; an empty pile's place is hit; outside the window nothing is.
    gui->Redraw(gui->gamescreen, -1, -1);
    int pile;
    std::list<GCard>::iterator hit;
    gui->FindCard(123 + 20, 540, pile, hit);  // the second card's frame, left of its card
    EXPECT_EQ(pile, 0);
    EXPECT_EQ(hit->x, 50);
    gui->FindCard(488 + 28 + 5, 540, pile, hit);
    EXPECT_EQ(hit->x, 488);
    gui->FindCard(298, 300, pile, hit);
    EXPECT_EQ(pile, 12);
    EXPECT_EQ(hit->cardnum, 68);
    gui->FindCard(482 + 64, 382 + 64, pile, hit);
    EXPECT_EQ(pile, 9);
    EXPECT_EQ(hit->x, 482);
    EXPECT_EQ(&*hit, &gui->pile[9].back());
    for (auto [x, y] : Positions{{-1, 5}, {800, 5}, {5, 600}, {400, 300}}) {
        gui->FindCard(x, y, pile, hit);
        EXPECT_EQ(pile, -1) << x << "," << y;
    }

    // A game kept on the player's turn and continued keeps each marked card's badge.
    TableTurn closed(*sdl, [](int) {});
    GameStory story;
    story.TakeUp(2, 0, 1, t, {});
    const int laid = t.pile[1].back();
    ASSERT_TRUE(story.Follow(Tokens("1 200 1 900 7 1 1 38")));
    closed.FollowStory(story, true);
    ASSERT_EQ(closed.Marks().mover[laid], 1);
    TableTurn continued(*sdl, [](int) {});
    continued.RestoreOpenTurn(closed.TakeOpenTurn());
    EXPECT_TRUE(continued.Marks().moved[laid]);
    EXPECT_EQ(continued.Marks().mover[laid], 1);
}

// The placement rules of a drop, with the records they leave.
TEST_F(Ui, DropsFollowTheRulesAndRecordTheirMoves) {
    struct Case {
        std::vector<int> hand;   // faces; the dropped card is the first
        std::vector<int> board;  // faces on piles 6, 8, 10, 12 (-1 empty)
        int target;
        std::string moves;
    } cases[] = {
        {{25}, {3, 4, 5, 6}, 7, " 910 7 0 1 0 25"},   // a king on an empty corner
        {{24}, {3, 4, 5, 6}, 7, ""},                  // a queen is refused there
        {{20}, {3, -1, 5, 6}, 8, " 910 8 0 1 0 20"},  // anything on an empty side pile
        {{20}, {6, -1, 5, 6}, 6, " 911 6 0 1 0 20"},  // red 8 under black 7 while 8 is open
        {{20}, {6, 4, 5, 2}, 6, ""},                  // the same with every side pile taken
        {{20}, {8, 4, 5, 2}, 6, " 910 6 0 1 0 20"},   // on top of black 9
    };
    for (const Case& c : cases) {
        Tracker t;
        std::fill(std::begin(t.cards), std::end(t.cards), -1);
        signed char n = 0;
        for (int f : c.hand) t.pile[0].push_back(n), t.cards[n++] = static_cast<signed char>(f);
        for (int i = 0; i < 4; ++i)
            if (c.board[i] != -1)
                t.pile[kSidePiles[i]].push_back(n),
                    t.cards[n++] = static_cast<signed char>(c.board[i]);
        own_table(t);
        TableTurn turn(*sdl, [](int p) { gui->UpdatePile(p); });
        turn.TurnBegins(0);
        EXPECT_EQ(turn.DropOn(DragKind::kHandCard, 0, c.target), !c.moves.empty());
        EXPECT_EQ(turn.records(), c.moves) << c.target;
        EXPECT_EQ(t.pile[0].empty(), !c.moves.empty());
    }

    // A turn's moves taken back in reverse order: each Undo leaves the table and the records
    // exactly as before that move. Hand: red 8, red 8, ace; side piles black 9, black 7, black 7
    // and a hole.
    Tracker t;
    std::fill(std::begin(t.cards), std::end(t.cards), -1);
    t.pile[0] = {0, 1, 2};
    t.pile[6] = {3}, t.pile[8] = {4}, t.pile[10] = {5};
    const int faces[] = {20, 46, 0, 8, 6, 32};
    for (int n = 0; n < 6; ++n) t.cards[n] = static_cast<signed char>(faces[n]);
    own_table(t);
    TableTurn turn(*sdl, [](int p) { gui->UpdatePile(p); });
    turn.TurnBegins(0);
    std::vector<std::pair<Tracker, std::string>> before;
    const auto move = [&](DragKind kind, int data, int pile) {
        before.emplace_back(t, turn.records());
        EXPECT_TRUE(turn.DropOn(kind, data, pile));
    };
    move(DragKind::kHandCard, 0, 6);   // onto the black 9
    move(DragKind::kHandCard, 1, 8);   // under the black 7 while pile 12 is open
    move(DragKind::kHandCard, 2, 12);  // into the hole
    move(DragKind::kPile, 10, 6);      // the black 7 onto the red 8
    EXPECT_EQ(turn.records(), " 910 6 0 1 0 20 911 8 0 1 1 46 910 12 0 1 2 0 920 6 10");
    while (!before.empty()) {
        ASSERT_TRUE(turn.CanUndo());
        turn.Undo();
        for (int p = 0; p < kNumPiles; ++p) EXPECT_EQ(t.pile[p], before.back().first.pile[p]) << p;
        EXPECT_EQ(turn.records(), before.back().second);
        before.pop_back();
    }
    EXPECT_FALSE(turn.CanUndo());
    EXPECT_EQ(positions(0), (Positions{{50, 480}, {123, 480}, {196, 480}}));

    // The pile marked to move (Space): never a corner pile (its king goes on nothing) nor an
    // empty one, and gone whenever its pile may have changed: after a move, an Undo, a new turn.
    const auto mark = [&](int pile) {
        while (turn.chosen_pile() != pile) turn.ChoosePile(1);
        turn.MarkSource();
        return turn.source_pile();
    };
    EXPECT_EQ(mark(7), -1) << "a corner pile";
    EXPECT_EQ(mark(12), -1) << "an empty side pile";
    ASSERT_EQ(mark(8), 8);
    ASSERT_TRUE(turn.DropOn(DragKind::kHandCard, 0, 6));
    EXPECT_EQ(turn.source_pile(), -1) << "after a move";
    ASSERT_EQ(mark(8), 8);
    turn.Undo();
    EXPECT_EQ(turn.source_pile(), -1) << "after an Undo";
    ASSERT_EQ(mark(8), 8);
    turn.TurnBegins(0);
    EXPECT_EQ(turn.source_pile(), -1) << "when a turn begins";
    // A key the rules refuse says why: the ace (the chosen card) does not go on the black 7.
    std::string why;
    turn.ChooseHandCard(-1);
    EXPECT_FALSE(turn.PlayChosen(false, why));
    EXPECT_EQ(why, "That card does not fit on the chosen pile");
    EXPECT_EQ(gui->pile[12].front().cardnum, 68) << "the hole shows empty again";
}

// A game screen played with the pointer and the keys: drags, "Undo", "Done" and "Auto", the
// others' moves marked and told, the winning drop sent at once, "Play again", Escape.
TEST_F(Ui, GameScreenPlaysTurnsWithThePointer) {
    exch->EnterLocalMode(2);
    sent();
    auto* client = new Client(*exch);
    post(new GameScreen(*sdl, *exch, profile, client, nullptr));
    auto* game = dynamic_cast<GameScreen*>(loop->screen);
    ASSERT_NE(game, nullptr);
    const auto press = [&](int x, int y) {
        game->ButtonDown(x, y);
        game->ButtonUp(x, y);
        run();
    };
    const auto drag = [&](int x0, int y0, int x1, int y1) {
        game->ButtonDown(x0, y0);
        game->MoveTo((x0 + x1) / 2, (y0 + y1) / 2);
        game->ButtonUp(x1, y1);
        run();
    };
    const int undo = 544, done = 566, autoplay = 588;
    press(25, done);
    EXPECT_TRUE(sent().empty()) << "nothing acts before the game is known";

    // Side piles red 7, black 5, black 4, red 2; the hand red 4, king of hearts and a red 3.
    client->Receive("2 100 1 2 0");
    client->Receive("2 200 -1 900 6 14 1 19 900 8 14 1 30 900 10 14 1 3 900 12 14 1 40");
    client->Receive("2 200 -1 900 0 14 1 16 900 0 14 1 25");
    EXPECT_EQ(sent(), (std::vector<std::string>{"2 101 2"}));
    client->Receive("2 300 0 900 0 14 1 41");
    run();
    ASSERT_TRUE(turn().IsOurTurn());
    // The right button held on a pile spreads it out; released, the pile folds back.
    SDL_Event right{};
    right.button.button = SDL_BUTTON_RIGHT;
    right.button.x = 400, right.button.y = 198;
    right.type = SDL_MOUSEBUTTONDOWN;
    push(right);
    EXPECT_EQ(gui->looked_through(), 6);
    right.type = SDL_MOUSEBUTTONUP;
    push(right);
    EXPECT_EQ(gui->looked_through(), -1);
    // No button covers a hand card: where "Hint" once lay over the first card's corner, a press
    // picks up the card; "Hint" is above "Undo".
    game->ButtonDown(85, 588);
    EXPECT_EQ(gui->dragging(), DragKind::kHandCard);
    game->ButtonUp(85, 588);
    press(25, undo - 22);
    // The hint is searched beside the window, which says so meanwhile.
    const auto await_hint = [&] {
        for (int i = 0; i < 1000 && turn().StatusText() == "Hint: thinking..."; ++i) loop->Pass();
    };
    await_hint();
    EXPECT_TRUE(turn().IsHinted(4) || turn().IsHinted(5) || turn().IsHinted(9))
        << "the button gave its hint";
    EXPECT_EQ(turn().StatusText().rfind("Hint: ", 0), 0u) << "and says it";
    // T opens the chat's line: every key is the line's (D, H and I do nothing in the game) until
    // Return sends it; Esc only closes an open line, it never asks to leave.
    key(SDLK_t);
    for (char c : std::string("dhi")) key(static_cast<SDLKey>(c), static_cast<Uint16>(c));
    key(SDLK_RETURN);
    EXPECT_EQ(sent(), (std::vector<std::string>{"2 410 100 104 105"}));
    key(SDLK_t);
    key(SDLK_ESCAPE);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(turn().StatusText().rfind("Press Esc", 0), std::string::npos);
    // "Done" with no move made while one was possible asks first.
    press(25, done);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(turn().StatusText(), "Press D again to pass");
    drag(83, 540, 502, 300);  // red 4 onto black 5
    // The pointer held still on a pile of two cards spreads it too; moved off, it folds.
    pointer.x = 502, pointer.y = 300;
    run();
    EXPECT_EQ(gui->looked_through(), -1);
    SDL_Delay(GameScreen::kRestOnPileMs + 20);
    run();
    EXPECT_EQ(gui->looked_through(), 8);
    SDL_Event away{};
    away.type = SDL_MOUSEMOTION;
    away.motion.x = pointer.x = 700, away.motion.y = pointer.y = 200;
    push(away);
    EXPECT_EQ(gui->looked_through(), -1);
    key(SDLK_h);
    await_hint();
    EXPECT_EQ(turn().StatusText().rfind("Hint: ", 0), 0u) << "a hint after the first move too";
    drag(83, 540, 502, 198);  // the king into a corner
    EXPECT_EQ(gui->DropTargets(), std::vector<int>()) << "no drag, no targets";
    game->ButtonDown(83, 540);
    EXPECT_EQ(gui->DropTargets(), (std::vector<int>{10})) << "the red 3 goes on the black 4 only";
    game->ButtonUp(83, 540);
    SDL_Event ctrl_z{};
    ctrl_z.type = SDL_KEYDOWN;
    ctrl_z.key.keysym.sym = SDLK_z;
    ctrl_z.key.keysym.mod = KMOD_LCTRL;
    push(ctrl_z);
    EXPECT_EQ(client->tracker.pile[7].size(), 0u) << "the king is back in the hand";
    press(25, autoplay);
    EXPECT_TRUE(sent().empty()) << "no Auto after a move by hand";
    press(25, undo);
    press(25, undo);
    EXPECT_EQ(client->tracker.pile[0].size(), 3u);
    drag(83, 540, 502, 300);
    drag(83, 540, 502, 198);
    press(25, undo);
    press(25, done);
    EXPECT_EQ(sent(), (std::vector<std::string>{"2 210  910 8 0 1 4 16"}));
    drag(83, 540, 298, 300);  // no drag once the turn's line is sent
    EXPECT_EQ(client->tracker.pile[0].size(), 2u);

    // The other player lays a card and moves a pile: both are marked and told, until our move.
    client->Receive("2 300 1 900 1 14 1 -1");
    client->Receive("2 200 1 910 8 1 1 7 2 920 8 12");
    run();
    EXPECT_EQ(turn().NewsText(), "Player 1 played 1 card and moved 1 pile");
    EXPECT_TRUE(turn().IsMarked(7) && turn().IsMarked(3) && !turn().IsMarked(2));
    EXPECT_EQ(turn().Marks().mover[7], 1) << "the badge on a moved card names its mover";
    EXPECT_EQ(turn().Marks().mover[2], -1);
    client->Receive("2 300 0");
    run();
    drag(83, 540, 502, 198);  // the king into a corner
    EXPECT_FALSE(turn().IsMarked(7)) << "the own move clears the marks";
    press(25, undo);
    EXPECT_TRUE(turn().IsMarked(7) && turn().records().empty()) << "Undo brings them back";
    press(25, autoplay);
    EXPECT_EQ(sent(), (std::vector<std::string>{"2 220"})) << "Auto, every move taken back";
    EXPECT_EQ(turn().NewsText(), "") << "the news last until the own turn ends";
    // The referee names the seats: the news names the player by it.
    client->Receive("2 401 2 1 4 65 110 110 97 1 2 66 111");
    client->Receive("2 300 1 900 1 14 1 -1");
    client->Receive("2 200 1");
    EXPECT_EQ(turn().NewsText(), "Bo passed");
    // A player who leaves is named in the news.
    client->Receive("2 103 1");
    EXPECT_EQ(turn().NewsText(), "Bo left; the computer plays the seat");

    // The drop that empties the hand sends the turn's line at once. Hand: king, red 3, black 6.
    client->Receive("2 300 0 900 0 14 1 5");
    run();
    key(SDLK_h);  // the hint: the king (card 5) first, into the free corner, as a player would
    await_hint();
    EXPECT_TRUE(turn().IsHinted(5));
    drag(83, 540, 502, 198);  // the king into a corner
    EXPECT_FALSE(turn().IsHinted(5)) << "a move clears the hint";
    drag(83, 540, 400, 402);  // the red 3 on the black 4 of pile 10
    drag(83, 540, 502, 198);  // the black 6 refused on the king
    drag(83, 540, 400, 198);  // the black 6 on the red 7 of pile 6
    EXPECT_EQ(sent(),
              (std::vector<std::string>{"2 210  910 7 0 1 5 25 910 10 0 1 6 41 910 6 0 1 9 5"}));

    // After the end "Play again" lies where no turn button was, and a press in the first half
    // second is ignored; then it acknowledges, once, and the next game starts from a clean view.
    Exchange::PushLocalMessage(EXCH_WINNER, nullptr, nullptr);
    run();
    const int again_x = 800 - 10 - static_cast<int>(sdl->GetButtonWidth("Play again")) + 5;
    press(again_x, done);
    EXPECT_TRUE(sent().empty()) << "a press as the game ends";
    SDL_Delay(GameScreen::kEndGuardMs + 20);
    press(25, done);
    press(25, autoplay);
    EXPECT_TRUE(sent().empty()) << "where the turn buttons were";
    press(again_x, done);
    press(again_x, done);
    EXPECT_EQ(sent(), (std::vector<std::string>{"2 106"}));
    EXPECT_EQ(turn().StatusText(), "Waiting for the other players");
    client->Receive("2 100 1 2 0");
    run();
    EXPECT_EQ(turn().StatusText(), "Waiting for other players to connect");
    EXPECT_TRUE(gui->pile[7].empty() && turn().winner() == -1);

    // A deal to another player is no play: no news. Escape during a game asks first; a second
    // Escape leaves.
    client->Receive("2 310 1");
    client->Receive("2 200 -1 900 1 14 1 -1");
    EXPECT_EQ(turn().NewsText(), "");
    client->Receive("2 200 -1 900 6 14 1 19 900 0 14 1 16");
    client->Receive("2 300 0 900 0 14 1 41");
    run();
    game->ButtonDown(83, 540);  // a drag the game's end interrupts
    key(SDLK_ESCAPE);
    EXPECT_EQ(turn().StatusText(), "Press Esc again to leave the game");
    EXPECT_EQ(loop->screen, game);
    key(SDLK_ESCAPE);
    ASSERT_NE(dynamic_cast<MainMenu*>(loop->screen), nullptr);
    EXPECT_EQ(sdl->tracker, nullptr);
    EXPECT_EQ(gui->buttons, nullptr);
}

TEST_F(Ui, MenuAndTextEntryScreens) {
    post(new MainMenu(*sdl, *exch, profile));
    click(15, 127);  // "Join a game..." starts at 4 x 18 + 10 + 2 x 22
    auto* join = dynamic_cast<JoinScreen*>(loop->screen);
    ASSERT_NE(join, nullptr);
    key(SDLK_RETURN);
    key(SDLK_BACKSPACE);
    EXPECT_EQ(loop->screen, join) << "Return and Backspace on an empty field do nothing";
    for (int i = 0; i < 33; ++i) key(SDLK_a, 'a');
    key(SDLK_LSHIFT);
    EXPECT_EQ(join->typed(), std::string(32, 'a'));
    key(SDLK_ESCAPE);
    ASSERT_NE(dynamic_cast<MainMenu*>(loop->screen), nullptr);

    // A host name takes printable ASCII only; a name Latin-1 letters too, each one character of
    // the limit however many bytes it takes, and Backspace takes back the whole character.
    post(new JoinScreen(*sdl, *exch, profile));
    for (int c : {0xE9, 9, 0x20AC}) key(SDLK_a, static_cast<Uint16>(c));
    EXPECT_EQ(dynamic_cast<JoinScreen&>(*loop->screen).typed(), "");
    post(new NameScreen(*sdl, *exch, profile));
    const auto& name = dynamic_cast<NameScreen&>(*loop->screen);
    while (!name.typed().empty()) key(SDLK_BACKSPACE);
    for (int c : {0x5A, 0x6F, 0xEB, 0x85, 0x20AC}) key(SDLK_a, static_cast<Uint16>(c));  // Zoë
    for (int i = 0; i < 20; ++i) key(SDLK_a, 0xE9);
    std::string e13;
    for (int i = 0; i < 13; ++i) e13 += "\u00e9";
    EXPECT_EQ(name.typed(), "Zo\u00eb" + e13);
    key(SDLK_BACKSPACE);
    key(SDLK_RETURN);
    EXPECT_EQ(profile.settings.values.name, "Zo\u00eb" + e13.substr(2));
    post(new MainMenu(*sdl, *exch, profile));

    // The player count is refused with a reason, and its field stays inside the window.
    click(15, 125);  // the last row of "Serve and join a game..."
    auto* serve = dynamic_cast<ServeScreen*>(loop->screen);
    ASSERT_NE(serve, nullptr);
    for (Uint16 c : {'1', '6', 'x'}) {
        key(SDLK_BACKSPACE);
        key(SDLK_a, c);
        key(SDLK_RETURN);
        EXPECT_EQ(loop->screen, serve) << static_cast<char>(c);
        EXPECT_EQ(serve->refusal(), "Enter a number from 2 to 5");
    }
    for (int i = 0; i < 40; ++i) key(SDLK_a, '7');
    const int field = 10 + sdl->GetStringWidth(1, "Enter number of players total: ");
    EXPECT_LE(field + static_cast<int>(sdl->GetTextInputWidth(serve->typed().size())), sdl->w);
    key(SDLK_ESCAPE);

    // The join screen lists the games on the local network that answer its search (other tests'
    // hosts may answer too); a click on one joins it, at its address and port.
    {
        const int game_port = free_port();
        GameBeacon zed({"Zed", game_port, 1, 4});
        post(new JoinScreen(*sdl, *exch, profile));
        auto* listing = dynamic_cast<JoinScreen*>(loop->screen);
        ASSERT_NE(listing, nullptr);
        const auto row = [&] {
            const auto& games = listing->listed();
            for (std::size_t i = 0; i < games.size(); ++i)
                if (games[i].offer.name == "Zed" && games[i].offer.port == game_port)
                    return static_cast<int>(i);
            return -1;
        };
        for (int i = 0; i < 300 && row() == -1; ++i) loop->Pass();
        ASSERT_NE(row(), -1) << "the host of this machine is listed within three seconds";
        EXPECT_EQ(listing->listed()[row()].address, "127.0.0.1");
        EXPECT_EQ(listing->listed()[row()].offer.joined, 1);
        const int h = sdl->GetFontHeight(1);
        click(20, 10 + 8 * h + row() * static_cast<int>(sdl->GetButtonHeight()) + 5);
        auto* joined = dynamic_cast<DoJoinScreen*>(loop->screen);
        ASSERT_NE(joined, nullptr);
        EXPECT_EQ(joined->StatusLine().rfind("Connecting to 127.0.0.1", 0) == 0 ||
                      joined->StatusLine().find("127.0.0.1 refused") != std::string::npos,
                  true)
            << joined->StatusLine();
        key(SDLK_ESCAPE);
    }
    // A flood of answers while the list is open holds nothing up: Esc returns to the menu at
    // once, and the search's thread ends.
    {
        const int host = socket(AF_INET, SOCK_DGRAM, 0);
        const int on = 1;
        setsockopt(host, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in at = loopback_address(kSearchPort);
        at.sin_addr.s_addr = htonl(INADDR_ANY);
        ASSERT_EQ(bind(host, reinterpret_cast<const sockaddr*>(&at), sizeof at), 0);
        post(new JoinScreen(*sdl, *exch, profile));
        AnswerFlood flood;
        ASSERT_TRUE(flood.Start(host, 3000, 500000)) << "a search within 3 seconds";
        for (int i = 0; i < 50; ++i) loop->Pass();
        EXPECT_LE(dynamic_cast<JoinScreen&>(*loop->screen).listed().size(), GameSearch::kMostGames);
        const auto pressed = std::chrono::steady_clock::now();
        key(SDLK_ESCAPE);
        EXPECT_NE(dynamic_cast<MainMenu*>(loop->screen), nullptr);
        EXPECT_LT(std::chrono::steady_clock::now() - pressed, std::chrono::seconds(1));
        flood.Stop();
        close(host);
    }
    // 0.0.0.0, "0" and 255.255.255.255 are no host: SDL_net would listen on every interface.
    const int port = free_port();
    for (const char* nowhere : {"0.0.0.0", "0", "255.255.255.255"}) {
        auto* refused = new DoJoinScreen(*sdl, *exch, profile, port, nowhere);
        post(refused);
        for (int i = 0; i < 300 && refused->StatusLine()[0] == 'C'; ++i) loop->Pass();
        EXPECT_EQ(refused->StatusLine(),
                  std::string("Error: ") + nowhere +
                      " is no host's address: type the host's name or address");
        EXPECT_FALSE(exch->ClientConnect(nowhere, port)) << nowhere;
        const int probe = socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in address = loopback_address(port);
        EXPECT_NE(connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0)
            << "nothing listens on the port after joining " << nowhere;
        close(probe);
        key(SDLK_ESCAPE);
    }
    // A join nobody takes: a refusal of its own.
    auto* joining = new DoJoinScreen(*sdl, *exch, profile, port, "127.0.0.1");
    EXPECT_EQ(joining->StatusLine(), "Connecting to 127.0.0.1 ...");
    post(joining);
    for (int i = 0; i < 300 && joining->StatusLine()[0] == 'C'; ++i) loop->Pass();
    EXPECT_EQ(joining->StatusLine(), "Error: 127.0.0.1 refused: no game is hosted there");
    key(SDLK_ESCAPE);

    // A host that closes at once, after its first line or before any (its game is full): back
    // on the menu, saying why.
    const int host = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = loopback_address(port);
    ASSERT_EQ(bind(host, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    listen(host, 1);
    MainMenu* menu = nullptr;
    for (const std::string first : {"100 1 2 1\n", ""}) {
        profile.settings.values.last_host = "earlier.example";
        post(new DoJoinScreen(*sdl, *exch, profile, port, "127.0.0.1"));
        pollfd waiting{host, POLLIN, 0};
        ASSERT_EQ(poll(&waiting, 1, 5000), 1) << "the join connects within 5 seconds";
        const int peer = accept(host, nullptr, nullptr);
        ASSERT_GE(peer, 0);
        // The joiner's first lines ("420": is the game in play?, and its name) are read, as a
        // referee reads them; a close with them unread would reset the connection and lose what
        // the host wrote.
        std::string asked;
        ssize_t n = 0;
        pollfd line{peer, POLLIN, 0};
        for (int i = 0, quiet = 0; i < 300 && quiet < 5; ++i) {
            char got[64];
            if (poll(&line, 1, 10) == 1 && (n = read(peer, got, sizeof got)) > 0)
                asked.append(got, static_cast<std::size_t>(n)), quiet = 0;
            else if (!asked.empty())
                ++quiet;
            loop->Pass();
        }
        EXPECT_EQ(asked.rfind("420\n", 0), 0u) << asked;
        ASSERT_EQ(write(peer, first.data(), first.size()), static_cast<ssize_t>(first.size()));
        close(peer);
        menu = nullptr;
        for (int i = 0; i < 300 && !menu; ++i) {
            loop->Pass();
            menu = dynamic_cast<MainMenu*>(loop->screen);
        }
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->reason(), first.empty() ? "The game at 127.0.0.1 has already begun"
                                                : "The host left the game");
        // Only a host that took the player is offered next time.
        EXPECT_EQ(profile.settings.values.last_host,
                  first.empty() ? "earlier.example" : "127.0.0.1");
    }
    close(host);
    EXPECT_TRUE(exch->ClientConnect("127.0.0.1", free_port()) == false) << "nobody listens";

    // "New game" pressed and released elsewhere starts nothing; clicked, it starts one game.
    SDL_Event e{};
    e.button.button = SDL_BUTTON_LEFT;
    e.type = SDL_MOUSEBUTTONDOWN, e.button.x = 15, e.button.y = 85;
    push(e);
    SDL_Event away{};
    away.type = SDL_MOUSEMOTION, away.motion.x = 15, away.motion.y = 300;
    push(away);
    e.type = SDL_MOUSEBUTTONUP, e.button.y = 300;
    push(e);
    EXPECT_NE(dynamic_cast<MainMenu*>(loop->screen), nullptr);
    // A local game left for the menu, and a second one started: it is dealt and played.
    for (int game = 0; game < 2; ++game) {
        click(15, 82);
        EXPECT_NE(dynamic_cast<GameScreen*>(loop->screen), nullptr);
        EXPECT_TRUE(sdl->sane && turn().IsOurTurn()) << game;
        key(SDLK_ESCAPE);
        key(SDLK_ESCAPE);
        ASSERT_NE(dynamic_cast<MainMenu*>(loop->screen), nullptr);
    }
    // The chosen local game: "Players" turns 3 into 4, and the game has four seats.
    click(15, 214);
    click(15, 192);
    ASSERT_NE(dynamic_cast<GameScreen*>(loop->screen), nullptr);
    EXPECT_EQ(sdl->numplayers, 4);
    key(SDLK_ESCAPE);
    key(SDLK_ESCAPE);
    click(15, 361);  // "Quit", after "Statistics", "Replays", "Settings" and "Rules"
    EXPECT_TRUE(loop->done);
}

// A host that is gone is said to be gone, and nothing more is promised: a refused connection
// sends the player back to the menu at once, a host that accepts but never answers ends the tries
// in their time, a ticket is offered only while its host answers, and every end drops it.
TEST_F(Ui, AHostGoneIsSaidSoAndItsTicketDropped) {
    const auto rejoin_button = [&] {
        auto* join = dynamic_cast<JoinScreen*>(loop->screen);
        return join && !join->listed_rejoin().empty();
    };
    const auto ticket_kept = [&] { return profile.rejoin.Load().has_value(); };
    const RejoinTicket nobody{"127.0.0.1", free_port(), 1, DrawSecret()};

    // Nobody listens: the join screen never offers the ticket, and drops it.
    ASSERT_TRUE(profile.rejoin.Save(nobody));
    post(new JoinScreen(*sdl, *exch, profile));
    for (int i = 0; i < 300 && ticket_kept(); ++i) loop->Pass();
    EXPECT_FALSE(ticket_kept());
    EXPECT_FALSE(rejoin_button());
    key(SDLK_ESCAPE);

    // A dropped game whose host refuses: the menu says it is gone, before any promise.
    ASSERT_TRUE(profile.rejoin.Save(nobody));
    auto* dropped = new DoJoinScreen(*sdl, *exch, profile, nobody, true);
    post(dropped);
    MainMenu* menu = nullptr;
    for (int i = 0; i < 300 && !menu; ++i) {
        loop->Pass();
        menu = dynamic_cast<MainMenu*>(loop->screen);
    }
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->reason(), "The host at 127.0.0.1 is gone");
    EXPECT_FALSE(ticket_kept());

    // A host that accepts and never answers: offered while it answers, then the tries end.
    const int silent = socket(AF_INET, SOCK_STREAM, 0);
    const RejoinTicket quiet{"127.0.0.1", free_port(), 1, DrawSecret()};
    const sockaddr_in address = loopback_address(quiet.port);
    ASSERT_EQ(bind(silent, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    listen(silent, 8);
    ASSERT_TRUE(profile.rejoin.Save(quiet));
    post(new JoinScreen(*sdl, *exch, profile));
    for (int i = 0; i < 300 && !rejoin_button(); ++i) loop->Pass();
    EXPECT_TRUE(rejoin_button());
    EXPECT_EQ(dynamic_cast<JoinScreen&>(*loop->screen).listed_rejoin(), "127.0.0.1");
    auto* asking = new DoJoinScreen(*sdl, *exch, profile, quiet, true, 300);
    post(asking);
    const std::string unanswered = "Trying to reach the host again for up to a minute";
    for (int i = 0; i < 300 && asking->Promise() == unanswered; ++i) loop->Pass();
    EXPECT_EQ(asking->Promise(), "The host keeps your seat; trying again for up to a minute");
    const std::string over = "Could not get back into the game at 127.0.0.1";
    for (int i = 0; i < 300 && asking->StatusLine() != over; ++i) loop->Pass();
    EXPECT_EQ(asking->StatusLine(), over);
    EXPECT_EQ(asking->Promise(), "Press any key to return to the menu");
    EXPECT_FALSE(ticket_kept());
    key(SDLK_SPACE, ' ');
    EXPECT_NE(dynamic_cast<MainMenu*>(loop->screen), nullptr);
    close(silent);
}

// The lobby of a server running here: its tables listed, a seat taken meanwhile refused with
// why, a table made and started with computer players whose game tells the table's name, Esc
// back to the lobby on the same connection, a table watched with every seat around the board,
// and the menu with why once the server stops.
TEST_F(Ui, TheLobbyOfAServerListsMakesWatchesAndLeavesTables) {
    GameStore store(OpenDatabase(home.path + "/server.db"));
    RunningServer server(RunningServer::Loose(), &store);
    const auto in_lobby = [&](LinePeer& peer) {
        peer.Send("430 3");
        return peer.Await(proto::kInLobby).has_value();
    };
    const auto pass_until = [&](auto done) {
        for (int i = 0; i < 500 && !done(); ++i) loop->Pass();
        return done();
    };
    LinePeer bo(server.port), cy(server.port);
    ASSERT_TRUE(in_lobby(bo) && in_lobby(cy));
    // Bo's key holds "Anna" on this server: the window's Anna is numbered.
    bo.Send(PlayerKeyLine(PlayerKey{7}));
    bo.Send(TextLine(proto::kName, "Anna"));
    ASSERT_TRUE(bo.Await(proto::kYourName));
    profile.settings.values.name = "Anna";
    bo.Send(CreateTableLine({"Oak", 2, Strategy::kAuto, true}));
    ASSERT_TRUE(bo.Await(proto::kWatchers));
    auto* lobby = new LobbyScreen(*sdl, *exch, profile, {"127.0.0.1", server.port}, false);
    post(lobby);
    ASSERT_TRUE(pass_until([&] { return lobby->listed().size() == 1; }));
    EXPECT_TRUE(lobby->listed()[0].name == "Oak" && lobby->listed()[0].joined == 1);
    EXPECT_EQ(lobby->own_name(), "Anna 2");
    cy.Send(TextLine(proto::kJoinTable, "Oak"));
    ASSERT_TRUE(cy.Await(proto::kWatchers));
    // Up and Down go down the page: "Create a table...", the lists' buttons (the tables' own
    // is shown, and closed), then each table's "Join" and "Watch".
    for (SDLKey k : {SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_RETURN}) key(k);
    EXPECT_TRUE(pass_until([&] { return lobby->StatusLine() == "That table has no free seat"; }));

    const int fh = sdl->GetFontHeight(1);
    click(15, 10 + 3 * fh + 8);
    for (int i = 0; i < 24; ++i) key(SDLK_BACKSPACE);
    for (char c : std::string("Elm")) key(static_cast<SDLKey>(std::tolower(c)), c);
    key(SDLK_RETURN);
    GameScreen* game = nullptr;
    ASSERT_TRUE(pass_until([&] { return (game = dynamic_cast<GameScreen*>(loop->screen)); }));
    // The creator's "Start now with computer players", under the five text lines.
    click(15, 10 + 5 * fh + 8);
    ASSERT_TRUE(pass_until([&] { return sdl->sane; }));
    EXPECT_EQ(turn().StatusText().rfind("Elm: ", 0), 0u) << turn().StatusText();
    key(SDLK_ESCAPE);
    key(SDLK_ESCAPE);
    ASSERT_TRUE(pass_until([&] { return (lobby = dynamic_cast<LobbyScreen*>(loop->screen)); }));
    ASSERT_TRUE(pass_until([&] { return lobby->listed().size() == 2; }));
    EXPECT_EQ(lobby->listed()[1].joined, 0) << "the seat left is the computer's";

    // The computer finishes Elm's game, which the server keeps: "Finished games" lists it, and
    // "Watch again" shows it; Esc comes back to the lobby on the same connection.
    ASSERT_TRUE(pass_until([&] {
        SDL_Delay(5);
        return server.Logged("event=game-kept table=\"Elm\"");
    }));
    const int row2 = 10 + 3 * fh + static_cast<int>(sdl->GetButtonHeight()) + 4 + 5;
    const int list_top = 10 + 3 * fh + 2 * static_cast<int>(sdl->GetButtonHeight()) + 8;
    const int bh = static_cast<int>(sdl->GetButtonHeight());
    const int finished_x =
        10 + static_cast<int>(sdl->GetButtonWidth("Tables") + sdl->GetButtonWidth("Best players")) +
        20 + 5;
    click(finished_x, row2);
    ASSERT_TRUE(pass_until([&] { return !lobby->games().empty(); }));
    EXPECT_EQ(lobby->games().front().table, "Elm");
    EXPECT_EQ(lobby->view(), LobbyScreen::View::kGames);
    click(sdl->w - 25, list_top + bh / 2);
    ASSERT_TRUE(pass_until([&] { return dynamic_cast<ReplayScreen*>(loop->screen) != nullptr; }));
    key(SDLK_END);
    key(SDLK_ESCAPE);
    ASSERT_TRUE(pass_until([&] { return (lobby = dynamic_cast<LobbyScreen*>(loop->screen)); }));
    ASSERT_TRUE(pass_until([&] { return lobby->listed().size() == 2; }));

    // Both tables play: "Join" is offered at neither, the first "Watch" is the fifth choice.
    for (SDLKey k : {SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_RETURN}) key(k);
    ASSERT_TRUE(pass_until([&] { return dynamic_cast<GameScreen*>(loop->screen) && sdl->sane; }));
    EXPECT_EQ(sdl->playernum, -1);
    EXPECT_EQ(turn().OtherSeats().size(), 2u);
    EXPECT_EQ(turn().StatusText().rfind("Watching Oak", 0), 0u) << turn().StatusText();
    server.Stop();
    MainMenu* menu = nullptr;
    ASSERT_TRUE(pass_until([&] { return (menu = dynamic_cast<MainMenu*>(loop->screen)); }));
    EXPECT_EQ(menu->reason(), "The host left the game");
}

// A local game against the expert: it thinks beside the window, whose passes never wait for it,
// and its turns reach the referee as any seat's; the game ends, and a new game starts clean.
TEST_F(Ui, TheExpertThinksBesideTheWindow) {
    profile.settings.values.players = 2;
    profile.settings.values.strength = Strategy::kExpert;
    post(new MainMenu(*sdl, *exch, profile));
    using Clock = std::chrono::steady_clock;
    Clock::duration longest{};
    int expert_turns = 0;
    // Games until the expert has thought out a few turns (a deal may end a game at once). Every
    // pass is the test's own, timed: the player's "A" goes into the queue, not through run().
    // The referee seeds each deal with the time in seconds: a game dealt in the same second as
    // the one before would be the same game, which may be one that ends at once.
    std::time_t dealt = 0;
    for (int game = 0; game < 5 && expert_turns < 4; ++game) {
        for (int i = 0; i < 150 && std::time(nullptr) == dealt; ++i) SDL_Delay(10);
        dealt = std::time(nullptr);
        click(15, 192);
        ASSERT_NE(dynamic_cast<GameScreen*>(loop->screen), nullptr);
        bool asked = false;
        for (int step = 0; step < 100000 && turn().winner() == -1; ++step) {
            const bool ours = turn().IsOurTurn() && !turn().line_sent();
            if (ours && !asked) {
                SDL_Event a{};
                a.type = SDL_KEYDOWN;
                a.key.keysym.sym = SDLK_a;
                FE_PushEvent(&a);
            }
            expert_turns += asked && !ours && !turn().IsOurTurn();
            asked = ours || (asked && turn().IsOurTurn());
            const auto start = Clock::now();
            loop->Pass();
            longest = std::max(longest, Clock::now() - start);
        }
        EXPECT_NE(turn().winner(), -1);
        key(SDLK_ESCAPE);
        ASSERT_NE(dynamic_cast<MainMenu*>(loop->screen), nullptr);
    }
    EXPECT_GE(expert_turns, 4);
    // A pass that waited for the expert would take its whole budget.
    EXPECT_LT(longest, ExpertBudget{}.time);
}

// A whole local game from the keyboard: the menu's first button by Down and Enter, then every
// own move the greedy player would make, chosen with Left, Right, Tab and Space and played with
// Enter or P, each turn ended with D; marks only once a key is used.
TEST_F(Ui, PlaysAWholeLocalGameFromTheKeyboard) {
    post(new MainMenu(*sdl, *exch, profile));
    key(SDLK_DOWN);
    key(SDLK_RETURN);
    ASSERT_NE(dynamic_cast<GameScreen*>(loop->screen), nullptr);
    ASSERT_TRUE(sdl->sane && turn().IsOurTurn());
    const auto yellow = [&] {
        SDL_Surface* s = gui->gamescreen;
        const Uint32 mark = SDL_MapRGB(s->format, 255, 230, 0);
        int n = 0;
        SDL_LockSurface(s);
        for (int i = 0; i < s->h * s->pitch / 4; ++i)
            n += static_cast<Uint32*>(s->pixels)[i] == mark;
        SDL_UnlockSurface(s);
        return n;
    };
    EXPECT_EQ(yellow(), 0) << "no mark before a key is used";
    const Tracker& t = *sdl->tracker;
    const auto has = [&](int p, int card) {
        return std::find(t.pile[p].begin(), t.pile[p].end(), card) != t.pile[p].end();
    };
    const auto tab_to = [&](int p) {
        for (int i = 0; i < 8 && turn().chosen_pile() != p; ++i) key(SDLK_TAB);
        ASSERT_EQ(turn().chosen_pile(), p);
    };
    int moves = 0, turns = 0;
    const auto play_game = [&] {
        int this_turn = 0;
        for (int step = 0; step < 3000 && turn().winner() == -1; ++step) {
            if (!turn().IsOurTurn() || turn().line_sent()) {
                loop->Pass();
                continue;
            }
            Tracker copy = t;
            const std::vector<Move> greedy = AutoTurn(copy, sdl->playernum);
            if (greedy.empty() || this_turn > 30) {
                key(SDLK_d);
                ++turns;
                this_turn = 0;
                continue;
            }
            const Move& m = greedy.front();
            if (m.kind == Move::kPile) {
                const std::size_t size = t.pile[m.to].size() + t.pile[m.from].size();
                tab_to(m.from);
                key(SDLK_SPACE);
                tab_to(m.to);
                key(moves % 2 ? SDLK_p : SDLK_RETURN);
                EXPECT_TRUE(t.pile[m.from].empty() && t.pile[m.to].size() == size);
            } else {
                for (int i = 0; i < 20 && turn().ChosenCard() != m.card; ++i) key(SDLK_RIGHT);
                ASSERT_EQ(turn().ChosenCard(), m.card);
                tab_to(m.to);
                EXPECT_GT(yellow(), 0) << "the chosen card and pile are marked";
                key(SDLK_RETURN);
                EXPECT_TRUE(has(m.to, m.card) && !has(sdl->playernum, m.card));
            }
            ++moves, ++this_turn;
        }
    };
    // Games until a few turns and moves were played; after each, Down and Enter press "Play
    // again" (no button is chosen at a game's end until a key chooses one) and the next game is
    // dealt.
    // The referee seeds each deal with the time in seconds: the next game waits for the next
    // second, or it would repeat this one.
    for (int game = 0; game < 8 && (turns < 3 || moves <= 5); ++game) {
        const std::time_t dealt = std::time(nullptr);
        play_game();
        ASSERT_NE(turn().winner(), -1) << "the game ended";
        for (int i = 0; i < 150 && std::time(nullptr) == dealt; ++i) SDL_Delay(10);
        // A key in the first moment after the end was meant for the game.
        SDL_Delay(GameScreen::kEndGuardMs);
        key(SDLK_DOWN);
        key(SDLK_RETURN);
        EXPECT_EQ(turn().winner(), -1);
        EXPECT_EQ(t.pile[sdl->playernum].size() + t.pile[1].size(), 11u);
    }
    EXPECT_GE(turns, 3);
    EXPECT_GT(moves, 5);
}

// A host waiting for two more players goes on past a peer that floods and never reads (the
// window never waits on it, and the referee cuts it off), and starts at once with "Start now with
// computer players": the empty seats are the computer's, and the host's turn comes.
TEST_F(Ui, HostGoesOnPastAFloodAndStartsNowWithComputerPlayers) {
    const int port = free_port();
    post(new DoServeScreen(*sdl, *exch, profile, port, 3));
    for (int i = 0; i < 300 && exch->GetPlayerWaitCount() != 2; ++i) loop->Pass();
    ASSERT_EQ(exch->GetPlayerWaitCount(), 2) << "the host has joined its own game";
    {
        Flooder flooder(port);
        ASSERT_TRUE(flooder.connected);
        for (int i = 0; i < 3000 && !flooder.done; ++i) loop->Pass();
        EXPECT_TRUE(flooder.done) << "the flooding peer was never cut off";
        EXPECT_EQ(dynamic_cast<DoServeScreen*>(loop->screen) != nullptr, true);
    }
    click(20, 10 + 6 * sdl->GetFontHeight(1) + 5);
    for (int i = 0; i < 3000 && !(dynamic_cast<GameScreen*>(loop->screen) && turn().IsOurTurn());
         ++i)
        loop->Pass();
    ASSERT_NE(dynamic_cast<GameScreen*>(loop->screen), nullptr);
    EXPECT_TRUE(turn().IsOurTurn());
    EXPECT_EQ(sdl->numplayers, 3);
    key(SDLK_ESCAPE);
}

namespace {

// The moving cards' clock in the test below: it stands still unless the test moves it.
Uint32 frozen_ms = 0;
Uint32 frozen_clock() {
    return frozen_ms;
}

}  // namespace

// A game of 3 players from one shuffle, played with "Auto", its cards moving and not: every line
// to and from the referee comes at the same point, and the pictures on the player's turns (where
// a press first lands the moving cards) and at the end, once the cards landed, are the same
// pixel for pixel. The game kept, watched again and stepped to its end, shows that end too.
TEST_F(Ui, MovingCardsChangeNoLineAndEndAsTheStillTableAndItsReplay) {
    gui->SetClock(frozen_clock);
    // The own plate says "You" in the game; the record names the seat so where no name is set.
    profile.settings.values.name.clear();
    const auto picture = [&] {
        SDL_Surface* s = gui->gamescreen;
        SDL_LockSurface(s);
        const auto* px = static_cast<const Uint32*>(s->pixels);
        std::vector<Uint32> out(px, px + s->h * s->pitch / 4);
        SDL_UnlockSurface(s);
        return out;
    };
    struct Seen {
        std::vector<std::string> lines;
        std::vector<std::vector<Uint32>> pictures;
        std::vector<Uint32> before_landing;
        // On the player's turn before a press lands the cards: the status line and whether a
        // computer's plate is gold; the status line before and after the last cards land.
        std::vector<std::pair<std::string, bool>> own_turn_unlanded;
        std::string end_unlanded, end_landed;
    };
    const auto computer_gold = [&] {
        const std::vector<SeatView> seats = turn().OtherSeats();
        return std::any_of(seats.begin(), seats.end(), [](const SeatView& s) { return s.turn; });
    };
    const auto play = [&](Pace pace) {
        profile.settings.values.animations = pace;
        exch->EnterLocalMode(3);
        auto* referee = new ServerWithAutoPlay(3, *exch, [] { return 20261208u; });
        for (int seat = 1; seat < 3; ++seat) referee->SetStrategy(seat, Strategy::kStrong);
        auto* client = new Client(*exch);
        // As the menu starts a local game: the player's arrival, the screen that follows the
        // client, the referee's first lines routed until the screen takes over, and the program
        // events they caused handed to it.
        EXPECT_TRUE(exch->PollEvent() && !RouteMessage(*exch, client, referee));
        auto* screen = new GameScreen(*sdl, *exch, profile, client, referee, Strategy::kStrong);
        std::vector<SDL_Event> caused;
        for (int i = 0; i < 100 && exch->PollEvent(); ++i)
            if (!RouteMessage(*exch, client, referee) && !exch->IsPlayerMessage())
                caused.push_back(exch->event);
        Exchange::PushLocalMessage(EXCH_SET_SCREEN, screen, nullptr);
        for (SDL_Event& e : caused) FE_PushEvent(&e);
        Seen seen;
        const auto pass = [&] {
            const bool taken = loop->Pass();
            if (taken && exch->IsPlayerMessage())
                seen.lines.push_back(std::to_string(exch->GetPlayerNum()) + ": " +
                                     exch->GetPlayerMessage());
            return taken;
        };
        for (int i = 0; i < 10000 && pass(); ++i) continue;
        for (int turns = 0; turns < 200 && turn().winner() == -1; ++turns) {
            for (int i = 0; i < 10000 && pass(); ++i) continue;
            if (!turn().IsOurTurn() || turn().line_sent()) continue;
            seen.own_turn_unlanded.emplace_back(turn().StatusText(), computer_gold());
            // A press on the bare table between two seats lands the moving cards.
            SDL_Event e{};
            e.button.button = SDL_BUTTON_LEFT, e.button.x = 700, e.button.y = 200;
            e.type = SDL_MOUSEBUTTONDOWN;
            FE_PushEvent(&e);
            e.type = SDL_MOUSEBUTTONUP;
            FE_PushEvent(&e);
            for (int i = 0; i < 10000 && pass(); ++i) continue;
            seen.pictures.push_back(picture());
            e.type = SDL_KEYDOWN, e.key.keysym.sym = SDLK_a;
            FE_PushEvent(&e);
        }
        EXPECT_NE(turn().winner(), -1);

        seen.before_landing = picture();
        seen.end_unlanded = turn().StatusText();
        frozen_ms += 60000;
        for (int i = 0; i < 3; ++i) loop->Pass();
        seen.end_landed = turn().StatusText();
        gui->Show();
        seen.pictures.push_back(picture());
        key(SDLK_ESCAPE);
        return seen;
    };
    const Seen still = play(Pace::kOff), moving = play(Pace::kNormal);
    EXPECT_EQ(moving.lines, still.lines);
    ASSERT_EQ(moving.pictures.size(), still.pictures.size());
    ASSERT_GT(still.pictures.size(), 3u);
    for (std::size_t i = 0; i < still.pictures.size(); ++i)
        EXPECT_TRUE(moving.pictures[i] == still.pictures[i]) << "picture " << i;
    EXPECT_FALSE(moving.before_landing == still.pictures.back()) << "the last move still moves";

    // The texts and plates follow the picture: while the computers' cards fly the status line
    // waits and a computer's plate is gold; the end is told once the winning cards have landed.
    for (const auto& [status, gold] : still.own_turn_unlanded) {
        EXPECT_EQ(status, "It's your turn!");
        EXPECT_FALSE(gold);
    }
    const auto waiting =
        std::count(moving.own_turn_unlanded.begin(), moving.own_turn_unlanded.end(),
                   std::make_pair(std::string("Waiting for another player"), true));
    EXPECT_GT(waiting, 0);
    EXPECT_EQ(still.end_unlanded, still.end_landed);
    EXPECT_EQ(moving.end_landed, still.end_landed);
    EXPECT_EQ(moving.end_unlanded.rfind("Game Over", 0), std::string::npos) << moving.end_unlanded;

    const std::vector<RecordShelf::Shelved> kept = profile.games.List();
    ASSERT_EQ(kept.size(), 2u);
    // The same game twice, moving and still, kept whole.
    const auto after_time = [](const RecordShelf::Shelved& s) {
        const std::string text = RecordText(s.record);
        return text.substr(text.find("\nwhere"));
    };
    EXPECT_EQ(after_time(kept[0]), after_time(kept[1]));
    post(new ReplayScreen(*sdl, *exch, profile, kept.front().record,
                          [this] { return new MainMenu(*sdl, *exch, profile); }));
    const auto* replay = dynamic_cast<const ReplayScreen*>(loop->screen);
    ASSERT_NE(replay, nullptr);
    for (std::size_t i = 0; i < 3000 && replay->shown_steps() < replay->step_count(); ++i)
        key(SDLK_RIGHT);
    const auto end_picture = [&] {
        frozen_ms += 60000;
        for (int i = 0; i < 3; ++i) loop->Pass();
        gui->Show();
        return picture();
    };
    EXPECT_TRUE(end_picture() == still.pictures.back()) << "stepped to the end by Right";
    key(SDLK_HOME);
    EXPECT_EQ(replay->shown_steps(), 0u);
    EXPECT_FALSE(end_picture() == still.pictures.back()) << "the start shows the deck alone";
    key(SDLK_DOWN);
    const std::size_t first_turn = replay->shown_steps();
    EXPECT_GT(first_turn, 0u);
    key(SDLK_DOWN);
    EXPECT_GT(replay->shown_steps(), first_turn);
    key(SDLK_UP);
    EXPECT_EQ(replay->shown_steps(), first_turn);
    key(SDLK_END);
    EXPECT_TRUE(end_picture() == still.pictures.back()) << "gone to the end by End";

    // "Play from here" on the second turn: a local game in that turn's seat (1), its hand the
    // player's, the others after it in turn order.
    key(SDLK_HOME);
    for (int i = 0; i < 3; ++i) key(SDLK_DOWN);
    GameReplay game;
    std::string why;
    ASSERT_TRUE(game.Build(kept.front().record, why)) << why;
    ASSERT_EQ(replay->shown_steps(), game.TurnStart(2));
    const PlayTurn second = game.AtTurn(1);
    const int bh = static_cast<int>(sdl->GetButtonHeight());
    click(sdl->w - 15, sdl->h - 2 * bh + bh / 2);
    ASSERT_NE(dynamic_cast<GameScreen*>(loop->screen), nullptr);
    EXPECT_TRUE(turn().IsOurTurn());
    EXPECT_EQ(sdl->tracker->pile[0], second.table.pile[1]);
    EXPECT_EQ(sdl->tracker->pile[1], second.table.pile[2]);
    EXPECT_EQ(sdl->tracker->pile[kDeck], second.table.pile[kDeck]);
}

// SDL's disk audio driver writes what the mixer plays into a file, silence as zeros.
struct AudioFile {
    std::string path;
    std::size_t size() const {
        struct stat st;
        return stat(path.c_str(), &st) == 0 ? static_cast<std::size_t>(st.st_size) : 0;
    }
    // Whether any of the `bytes` from byte `from` on sounds, once written (waiting at most 2 s).
    bool SoundFrom(std::size_t from, std::size_t bytes) const {
        for (int i = 0; i < 400 && size() < from + bytes; ++i) SDL_Delay(5);
        std::ifstream in(path, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(from));
        std::vector<char> data(bytes);
        in.read(data.data(), static_cast<std::streamsize>(bytes));
        data.resize(static_cast<std::size_t>(in.gcount()));
        return std::any_of(data.begin(), data.end(), [](char c) { return c != 0; });
    }
    // Past whatever still plays: the end of the file once the mixer is quiet, and two buffers
    // that may still be on their way.
    std::size_t QuietEnd() const {
        for (int i = 0; i < 400 && Mix_Playing(-1) > 0; ++i) SDL_Delay(5);
        return size() + 2 * 4096;
    }
};

// A laid card sounds at once; another player's card as it lands, not before; a muted game stays
// silent; M switches the sound on every screen but one that takes text.
TEST_F(Ui, SoundsFollowTheViewAndStayOffWhenMuted) {
    const AudioFile audio{home.path + "/audio.raw"};
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", audio.path.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "2", 1);
    sdl->sounds.Find(VELMORA_BIN_DIR "/sounds");
    sdl->sounds.Start();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    constexpr std::size_t kAWhile = 64 * 1024;  // about 0.7 s of sound

    // Hand: red 8, red 8, ace; side piles black 9, black 7, black 7 and a hole; the other
    // player holds one card.
    Tracker t;
    std::fill(std::begin(t.cards), std::end(t.cards), -1);
    t.pile[0] = {0, 1, 2}, t.pile[1] = {6};
    t.pile[6] = {3}, t.pile[8] = {4}, t.pile[10] = {5};
    const int faces[] = {20, 46, 0, 8, 6, 32, 12};
    for (int n = 0; n < 7; ++n) t.cards[n] = static_cast<signed char>(faces[n]);
    own_table(t);
    TableTurn turn(*sdl, [](int p) { gui->UpdatePile(p); });
    turn.TurnBegins(0);
    ASSERT_FALSE(audio.SoundFrom(0, 4096)) << "silent before anything happens";

    std::size_t from = audio.size();
    ASSERT_TRUE(turn.DropOn(DragKind::kHandCard, 0, 6));
    EXPECT_TRUE(audio.SoundFrom(from, kAWhile)) << "a laid card";

    gui->SetClock(frozen_clock);
    gui->SetMoveMs(220);
    from = audio.QuietEnd();
    t.pile[1].clear(), t.pile[7].push_back(6);
    gui->CardsMoved(7, 1);
    EXPECT_FALSE(audio.SoundFrom(from, kAWhile)) << "a card in flight";
    from = audio.size();
    frozen_ms += 1000;
    gui->AdvanceMoves();
    EXPECT_TRUE(audio.SoundFrom(from, kAWhile)) << "the card landed";

    std::vector<std::string> log;
    post(new Probe(*sdl, *exch, profile, log));
    key(SDLK_m, 'm');
    EXPECT_FALSE(profile.settings.values.sound || sdl->sounds.On()) << "M mutes";
    from = audio.QuietEnd();
    ASSERT_TRUE(turn.DropOn(DragKind::kHandCard, 2, 12));
    ASSERT_FALSE(turn.DropOn(DragKind::kHandCard, 1, 7)) << "refused, and silent too";
    EXPECT_FALSE(audio.SoundFrom(from, kAWhile)) << "muted";
    post(new NameScreen(*sdl, *exch, profile));
    key(SDLK_m, 'm');
    EXPECT_FALSE(sdl->sounds.On()) << "M typed into the name";
    key(SDLK_ESCAPE);
    key(SDLK_m, 'm');
    EXPECT_TRUE(profile.settings.values.sound && sdl->sounds.On()) << "M on the Settings screen";
}

// At 2 to 5 players, and for a watcher of 5, the seats overlap nothing: not each other, the board's
// piles fanned out fully, the text lines, the hand spread to its widest, the buttons or the deck.
TEST(TableLayout, SeatsOverlapNothingAtAnyPlayerCount) {
    struct Box {
        int x, y, w, h;
        bool meets(const Box& o) const {
            return x < o.x + o.w && o.x < x + w && y < o.y + o.h && o.y < y + h;
        }
    };
    const int w = 800, h = 600;
    std::vector<std::pair<std::string, Box>> fixed{
        {"the text lines", {10, 10, 580, 90}},
        {"the hand", {78, h - 120 - kHandLift + 15, 564, 113}},
        {"the buttons", {10, h - 113, 60, 113}},
        {"the buttons after a game", {w - 110, h - 45, 100, 45}}};
    const CardSpot deck = DeckSpot(w, h);
    fixed.push_back({"the deck", {deck.x + 26, deck.y + 13, 77, 101}});
    // A card upright or on its side fills 73 x 97 of its frame; turned by 45 degrees, 120 x 120.
    for (int p = kFirstBoardPile; p <= kLastBoardPile; ++p)
        for (int s = 0; s < 5; ++s) {
            const CardSpot c = BoardSpot(p, s, w, h);
            const bool diagonal = c.rot % 2 == 1, side = c.rot % 4 == 2;
            const Box card = diagonal ? Box{c.x + 4, c.y + 4, 120, 120}
                             : side   ? Box{c.x + 15, c.y + 27, 97, 73}
                                      : Box{c.x + 27, c.y + 15, 73, 97};
            fixed.push_back({"pile " + std::to_string(p), card});
        }
    // Five seats around the board are a watcher's, who has no hand and no buttons at the left.
    for (int others = 1; others <= 5; ++others) {
        std::vector<Box> seats;
        for (int k = 0; k < others; ++k) {
            const SeatBox b = OtherSeat(k, others, w, h);
            const Box seat{b.x, b.y, b.w, b.h};
            EXPECT_TRUE(seat.x >= 0 && seat.y >= 0 && seat.x + seat.w <= w && seat.y + seat.h <= h);
            for (const auto& [what, box] : fixed)
                EXPECT_FALSE(seat.meets(box) &&
                             !(others == 5 && (what == "the hand" || what == "the buttons")))
                    << others + 1 << " players, seat " << k << ", " << what;
            for (const Box& other : seats)
                EXPECT_FALSE(seat.meets(other)) << others + 1 << " players, seat " << k;
            seats.push_back(seat);
        }
    }
}
