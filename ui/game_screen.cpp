#include "ui/game_screen.h"

#include <cstdint>
#include <stdexcept>

#include "exchange/tokens.h"
#include "game/protocol.h"
#include "ui/screens.h"
#include "ui/table_view.h"

namespace {

void* as_data(int value) {
    return reinterpret_cast<void*>(static_cast<intptr_t>(value));
}

}  // namespace

void MyClientConnector::Apply(Tokens& command) {
    if (!sdl->tracker_modify) throw std::runtime_error("Tracker modify not set!");
    std::string ignored;
    sdl->tracker_modify->Modify(sdl->tracker, &command, 3, ignored);
}

void MyClientConnector::Play(int turn, int playernum, Tokens& command) {
    // The own moves are on the table already: the table view made them.
    if (command.data.size() > 3 && command.token(2) != playernum) Apply(command);
    if (turn == playernum) exch->ClientSend(int_to_string(proto::kSeen));
}

void MyClientConnector::Turn(int turn, int playernum, Tokens& command) {
    if (command.data.size() > 3) Apply(command);
    Exchange::PushLocalMessage(EXCH_TURN, as_data(turn), as_data(playernum));
}

void MyClientConnector::SetPlayerNum(int playernum, int numplayers) {
    sdl->playernum = playernum;
    sdl->numplayers = numplayers;
    sdl->sane = true;
}

void MyTrackerModify::Changed(int target_pile, int src_pile) {
    if (gui) {
        gui->UpdatePile(src_pile);
        gui->UpdatePile(target_pile);
    }
    Exchange::PushLocalMessage(EXCH_REDRAW, nullptr, nullptr);
}

void MyTrackerModify::PlayTopToTop(int target_pile, int src_pile, signed char) {
    Changed(target_pile, src_pile);
}

void MyTrackerModify::PlayTopToBottom(int target_pile, int src_pile, signed char) {
    Changed(target_pile, src_pile);
}

void MyTrackerModify::HandToTop(int target_pile, int src_pile, signed char, signed char) {
    Changed(target_pile, src_pile);
}

void MyTrackerModify::HandToBottom(int target_pile, int src_pile, signed char, signed char) {
    Changed(target_pile, src_pile);
}

void MyTrackerModify::PileToPileTop(int target_pile, int src_pile) {
    Changed(target_pile, src_pile);
}

GameScreen::GameScreen(SDL& sdl_t, Exchange& exch_t, Client* client_t, Server* server_t)
    : Screen(sdl_t, exch_t), client(client_t), server(server_t), con(exch_t, sdl_t, client_t) {
    // A new game starts from a clean table: nothing of an earlier game's view may show.
    sdl.sane = false;
    sdl.tracker = &client->tracker;
    if (gui) gui->Reset();
    client->ConnectClientConnector(&con);
    const int bh = static_cast<int>(sdl.GetButtonHeight());
    button_done = buttons.AddButton(sdl, 10, sdl.h - 2 * bh - 1, "Done", true);
    button_auto = buttons.AddButton(sdl, 10, sdl.h - bh - 1, "Auto", true);
    InitGUI(&buttons);
}

GameScreen::~GameScreen() {
    if (server) {
        exch.ServerDisable();
        delete server;
        server = nullptr;
    }
    delete client;
    client = nullptr;
    // Nothing may point at the table and the buttons that go with this screen.
    sdl.tracker = nullptr;
    sdl.sane = false;
    if (gui) gui->buttons = nullptr;
}

void GameScreen::InitGUI(ButtonList* list) {
    if (!gui) return;
    gui->auto_enabled = gui->done_enabled = false;
    gui->buttons = list;
}

bool GameScreen::AcceptEvent(SDL_Event& event) {
    if (event.type == SDL_QUIT) return true;
    if (RouteMessage(exch, client, server)) PostScreen(new MainMenu(sdl, exch));
    return false;
}

bool GameScreen::Ready() const {
    return gui && sdl.sane;
}

void GameScreen::Draw() {
    if (!Ready()) {
        sdl.Clear(sdl.screen, 0, -128, -128);
        sdl.DrawString(sdl.screen, 1, 10, 10, "Waiting . . .");
        SDL_Flip(sdl.screen);
        return;
    }
    if (!gui->init) {
        gui->init = true;
        for (int p = 0; p < kDeck; ++p) gui->UpdatePile(p);
    }
    gui->Redraw(gui->gamescreen, -1, -1);
    gui->DoDraw(gui->gamescreen);
    SDL_Flip(sdl.screen);
}

void GameScreen::ButtonDown(int x, int y) {
    if (!Ready() || !gui->IsOurTurn()) return;
    if (!gui->StartDrag(x, y)) buttons.ButtonDown(x, y);
}

void GameScreen::MoveTo(int x, int y) {
    if (!Ready()) return;
    if (gui->drag_state != 0)
        gui->DragTo(x, y);
    else
        buttons.ButtonMotion(x, y);
}

void GameScreen::ButtonUp(int x, int y) {
    if (!Ready()) return;
    if (gui->drag_state != 0) {
        gui->Drop(x, y);
        return;
    }
    const Button* b = buttons.ButtonUp(x, y);
    if (b == button_done) {
        if (gui->done_enabled && gui->IsOurTurn()) {
            const std::string line = int_to_string(proto::kPlay) + " " + gui->moves;
            gui->moves.clear();
            exch.ClientSend(line);
            gui->LineSent();
        }
        gui->done_enabled = false;
    } else if (b == button_auto) {
        if (gui->auto_enabled && gui->IsOurTurn() && gui->moves.empty()) {
            exch.ClientSend(int_to_string(proto::kAutoPlay));
            gui->LineSent();
        }
        gui->auto_enabled = false;
    }
}
