// The screens driven headless through SDL's event queue, the screen loop and the pointer
// operations, with the game's own data files.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "net/fastevents.h"
#include "tests/support/loopback.h"
#include "ui/game_screen.h"
#include "ui/screen_loop.h"
#include "ui/screens.h"
#include "ui/table_view.h"

namespace {

using Positions = std::vector<std::pair<int, int>>;

struct Ui : ::testing::Test {
    void SetUp() override {
        sdl = std::make_unique<SDL>(SDL::kFlags);
        const std::string data = VELMORA_BIN_DIR "/3rdparty";
        sdl->InitVideo(800, 600, data + "/font/data", data + "/deck_default.bmp");
        exch = std::make_unique<Exchange>();
        gui = new GUI(sdl.get());
        sdl->tracker_modify = &tracker_modify;
        loop = std::make_unique<ScreenLoop>(*exch, [this](int* x, int* y) {
            *x = pointer.x, *y = pointer.y;
            return static_cast<Uint8>(pointer.down ? SDL_BUTTON(1) : 0);
        });
    }
    void TearDown() override {
        loop.reset();
        exch.reset();
        delete gui;
        gui = nullptr;
        sdl.reset();
    }
    // Runs passes until the queue is empty (bounded).
    void run() {
        for (int i = 0; i < 10000 && loop->Pass(); ++i) {
        }
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
    // The player messages queued now, taken off the queue.
    std::vector<std::string> sent() {
        std::vector<std::string> lines;
        while (exch->PollEvent())
            if (exch->IsPlayerMessage()) lines.push_back(exch->GetPlayerMessage());
        return lines;
    }
    // A table seen by player 0 of 2: the view's piles are built from it.
    void own_table(Tracker& t) {
        sdl->tracker = &t;
        sdl->playernum = 0;
        sdl->numplayers = 2;
        sdl->sane = true;
        for (int p = 0; p < 14; ++p) gui->UpdatePile(p);
    }
    Positions positions(int p) {
        Positions out;
        for (const GCard& g : gui->pile[p]) out.emplace_back(g.x, g.y);
        return out;
    }

    std::unique_ptr<SDL> sdl;
    std::unique_ptr<Exchange> exch;
    MyTrackerModify tracker_modify;
    std::unique_ptr<ScreenLoop> loop;
    struct {
        int x = 0, y = 0;
        bool down = false;
    } pointer;
};

// A screen that records what the loop asks of it.
struct Probe : Screen {
    Probe(SDL& s, Exchange& e, std::vector<std::string>& log_t) : Screen(s, e), log(log_t) {}
    ~Probe() override { log.push_back("deleted"); }
    bool AcceptEvent(SDL_Event& e) override { return e.type == SDL_QUIT; }
    void Draw() override { log.push_back("draw"); }
    void ButtonDown(int x, int y) override { log.push_back("down " + std::to_string(x + y)); }
    void ButtonUp(int x, int y) override { log.push_back("up " + std::to_string(x + y)); }
    void MoveTo(int x, int y) override { log.push_back("move " + std::to_string(x + y)); }
    std::vector<std::string>& log;
};

}  // namespace

TEST_F(Ui, LoopActsOnEachCodeAndFeedsThePointer) {
    std::vector<std::string> a, b;
    post(new Probe(*sdl, *exch, a));
    Exchange::PushLocalMessage(EXCH_SET_SCREEN, new Probe(*sdl, *exch, b), nullptr);
    Exchange::PushLocalMessage(EXCH_REDRAW, nullptr, nullptr);
    run();
    EXPECT_EQ(a, (std::vector<std::string>{"draw", "deleted"}));
    EXPECT_EQ(b, (std::vector<std::string>{"draw", "draw"}));

    gui->moves = " 920 6 8";
    Exchange::PushLocalMessage(EXCH_TURN, reinterpret_cast<void*>(1), nullptr);
    run();
    EXPECT_FALSE(gui->done_enabled || gui->auto_enabled);
    EXPECT_EQ(gui->moves, " 920 6 8");
    Exchange::PushLocalMessage(EXCH_TURN, nullptr, nullptr);
    run();
    EXPECT_TRUE(gui->done_enabled && gui->auto_enabled);
    EXPECT_EQ(gui->moves, "");
    Exchange::PushLocalMessage(EXCH_WINNER, reinterpret_cast<void*>(1), nullptr);
    run();
    EXPECT_EQ(gui->turn, -1);
    EXPECT_EQ(gui->winner, 1);
    EXPECT_EQ(b.size(), 5u);

    // Held down while moving: one press, a move per changed sample, one release.
    b.clear();
    for (auto [x, y, down] : std::vector<std::tuple<int, int, bool>>{
             {5, 5, true}, {6, 5, true}, {6, 5, true}, {7, 5, false}}) {
        pointer = {x, y, down};
        loop->Pass();
    }
    EXPECT_EQ(b, (std::vector<std::string>{"down 10", "move 10", "move 11", "up 12", "move 12"}));

    Exchange::PushLocalMessage(EXCH_QUIT, nullptr, nullptr);
    b.clear();
    run();
    EXPECT_TRUE(loop->done);
    EXPECT_TRUE(b.empty()) << "a quit draws nothing";
    delete loop->screen;  // while its log lives
    loop->screen = nullptr;
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
    EXPECT_EQ(
        positions(0),
        (Positions{
            {50, 480}, {68, 480}, {86, 480}, {104, 480}, {122, 480}, {140, 480}, {158, 480}}));
    EXPECT_TRUE(gui->pile[1].empty() && gui->pile[kDeck].empty());

    EXPECT_EQ(gui->InfoText(), "You are player 0. Cards: 7 7. Cards in deck: 31");
    EXPECT_EQ(gui->StatusText(), "Waiting for other players to connect");
    gui->turn = 1;
    EXPECT_EQ(gui->StatusText(), "Waiting for another player");
    gui->turn = 0;
    EXPECT_EQ(gui->StatusText(), "It's your turn!");
    gui->winner = 1;
    EXPECT_EQ(gui->StatusText(), "Game Over! You Lose, Player 1 Won!");
    gui->winner = 0;
    EXPECT_EQ(gui->StatusText(), "Game Over! You Win!");

    // Cards are hit by their opaque pixels only: the transparent edge of a hand card's frame lets
    // the card below be found; an empty pile's place is hit; outside the window nothing is.
    gui->Redraw(gui->gamescreen, -1, -1);
    int pile;
    std::list<GCard>::iterator hit;
    gui->FindCard(50 + 28 + 5, 540, pile, hit);
    EXPECT_EQ(pile, 0);
    EXPECT_EQ(hit->x, 50);
    gui->FindCard(158 + 28 + 5, 540, pile, hit);
    EXPECT_EQ(hit->x, 158);
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
        gui->moves.clear();
        gui->MoveHandCard(0, c.target);
        EXPECT_EQ(gui->moves, c.moves) << c.target;
        EXPECT_EQ(t.pile[0].empty(), !c.moves.empty());
    }
    Tracker t;
    std::fill(std::begin(t.cards), std::end(t.cards), -1);
    t.pile[6] = {0};
    t.pile[8] = {1};
    t.cards[0] = 19, t.cards[1] = 7;  // the red 7 of pile 6 fits on the black 8 of pile 8
    own_table(t);
    gui->moves.clear();
    gui->MovePile(8, 10);
    gui->MovePile(6, 6);
    gui->MovePile(6, 8);
    EXPECT_EQ(gui->moves, " 920 8 6");
    EXPECT_EQ(positions(6), (Positions{{336, 134}}));
    EXPECT_EQ(gui->pile[6].front().cardnum, 62);
}

// A turn played with the pointer: two drags, "Done", and the rules of "Done" and "Auto".
TEST_F(Ui, GameScreenPlaysTurnsWithThePointer) {
    exch->EnterLocalMode(2);
    sent();
    auto* client = new Client(*exch);
    post(new GameScreen(*sdl, *exch, client, nullptr));
    auto* game = dynamic_cast<GameScreen*>(loop->screen);
    ASSERT_NE(game, nullptr);
    game->ButtonDown(25, 566);
    game->ButtonUp(25, 566);
    EXPECT_TRUE(sent().empty()) << "nothing acts before the game is known";

    client->Receive("2 100 1 2 0");
    client->Receive("2 200 -1 900 6 14 1 19 900 8 14 1 30 900 10 14 1 3 900 12 14 1 40");
    client->Receive("2 200 -1 900 0 14 1 16 900 0 14 1 25");
    EXPECT_EQ(sent(), (std::vector<std::string>{"2 101 1"}));
    client->Receive("2 300 0 900 0 14 1 7");
    run();
    ASSERT_TRUE(gui->IsOurTurn());
    const auto drag = [&](int x0, int y0, int x1, int y1) {
        game->ButtonDown(x0, y0);
        game->MoveTo((x0 + x1) / 2, (y0 + y1) / 2);
        game->ButtonUp(x1, y1);
    };
    drag(83, 540, 502, 300);  // red 4 onto black 5
    drag(83, 540, 502, 198);  // the king into a corner
    EXPECT_EQ(gui->moves, " 910 8 0 1 4 16 910 7 0 1 5 25");
    drag(83, 540, 400, 402);    // 8 of clubs onto 4 of clubs: refused
    game->ButtonDown(25, 583);  // "Auto" after moves by hand: nothing
    game->ButtonUp(25, 583);
    game->ButtonDown(25, 566);
    game->ButtonUp(25, 566);
    EXPECT_EQ(sent(), (std::vector<std::string>{"2 210  910 8 0 1 4 16 910 7 0 1 5 25"}));
    EXPECT_EQ(gui->moves, "");
    drag(83, 540, 298, 300);  // no drag once the turn's line is sent
    EXPECT_EQ(client->tracker.pile[0].size(), 1u);
    game->ButtonDown(25, 566);
    game->ButtonUp(25, 566);
    EXPECT_TRUE(sent().empty());

    client->Receive("2 300 0 900 0 14 1 8");
    run();
    for (int i = 0; i < 2; ++i) {
        game->ButtonDown(25, 583);
        game->ButtonUp(25, 583);
    }
    EXPECT_EQ(sent(), (std::vector<std::string>{"2 220"}));

    // A referee line that fails on the table loses the referee: back to the menu, table as it was.
    const auto before = client->tracker.pile[kDeck];
    Exchange::PushPlayerMessage(-1, "1 300 1 900 99 14 1 -1");
    loop->Pass();
    EXPECT_EQ(client->tracker.pile[kDeck], before);
    run();
    EXPECT_NE(dynamic_cast<MainMenu*>(loop->screen), nullptr);
    EXPECT_EQ(sdl->tracker, nullptr);
    EXPECT_EQ(gui->buttons, nullptr);
}

TEST_F(Ui, MenuAndTextEntryScreens) {
    post(new MainMenu(*sdl, *exch));
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

    click(15, 125);  // the last row of "Serve and join a game..."
    auto* serve = dynamic_cast<ServeScreen*>(loop->screen);
    ASSERT_NE(serve, nullptr);
    for (Uint16 c : {'1', '6', 'x'}) {
        key(SDLK_BACKSPACE);
        key(SDLK_a, c);
        key(SDLK_RETURN);
        EXPECT_EQ(loop->screen, serve) << static_cast<char>(c);
    }
    EXPECT_EQ(serve->typed(), "x");
    key(SDLK_ESCAPE);

    // Return twice quickly asks for one connecting screen.
    click(15, 127);
    key(SDLK_a, 'h');
    SDL_Event ret{};
    ret.type = SDL_KEYDOWN;
    ret.key.keysym.sym = SDLK_RETURN;
    FE_PushEvent(&ret);
    FE_PushEvent(&ret);
    loop->Pass();
    loop->Pass();
    SDL_Event queued[16];
    const int n = SDL_PeepEvents(queued, 16, SDL_PEEKEVENT, SDL_EVENTMASK(SDL_USEREVENT));
    EXPECT_EQ(std::count_if(queued, queued + std::max(n, 0),
                            [](const SDL_Event& e) { return e.user.code == EXCH_SET_SCREEN; }),
              1);
    run();

    // Leaving a connected join screen closes its connection: the next join is not refused.
    const int port = free_port();
    ASSERT_TRUE(exch->EnterServerMode(port, 2));
    post(new DoJoinScreen(*sdl, *exch, port, "127.0.0.1"));
    key(SDLK_ESCAPE);
    EXPECT_NE(dynamic_cast<MainMenu*>(loop->screen), nullptr);
    EXPECT_TRUE(exch->ClientConnect("127.0.0.1", port));
    exch->ServerDisable();
    run();

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
    click(15, 82);
    EXPECT_NE(dynamic_cast<GameScreen*>(loop->screen), nullptr);
}
