#include "ui/game_screen.h"

#include <cstdio>
#include <stdexcept>

#include "exchange/tokens.h"
#include "game/protocol.h"
#include "ui/screens.h"
#include "ui/table_view.h"

namespace {

bool is_program_event(const SDL_Event& event, int code) {
    return event.type == SDL_USEREVENT && event.user.code == code;
}

}  // namespace

void MyClientConnector::FollowRecords(Tokens& command) {
    if (!sdl->tracker_modify) throw std::runtime_error("Tracker modify not set!");
    std::string ignored;
    sdl->tracker_modify->Modify(&client.tracker, &command, 3, ignored);
}

void MyClientConnector::OthersPlayed(int mover, const Tracker& before, bool records) {
    if (gui) gui->NoteOthersPlay(mover, before, records);
}

void MyClientConnector::TurnBegins(int turn) {
    Exchange::PushLocalMessage(EXCH_TURN, EventData(turn), EventData(playernum));
}

void MyClientConnector::SetPlayerNum(int playernum_t, int numplayers_t) {
    TableFollower::SetPlayerNum(playernum_t, numplayers_t);
    sdl->playernum = playernum_t;
    sdl->numplayers = numplayers_t;
    sdl->sane = true;
    // Every game, the first and each one played again, starts from a clean view.
    if (gui) gui->Reset();
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

void ReleaseGame(Exchange& exch, Client* client, Server* server) {
    if (server) {
        // The others' game ends with ours; a local game frees the exchange for the next one.
        if (exch.IsLocalMode())
            exch.LocalModeDisable();
        else
            exch.ServerDisable();
        delete server;
    } else {
        exch.ClientDisconnect();
    }
    delete client;
}

GameScreen::GameScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t, Client* client_t,
                       Server* server_t, std::optional<Strategy> local_strength_t,
                       const SavedGame* resume)
    : Screen(sdl_t, exch_t, profile_t),
      client(client_t),
      server(server_t),
      con(exch_t, sdl_t, *client_t),
      local_strength(local_strength_t) {
    // A new game starts from a clean table: nothing of an earlier game's view may show.
    sdl.sane = false;
    sdl.tracker = &client->tracker;
    if (gui) gui->Reset();
    client->ConnectClientConnector(&con);
    const int bh = static_cast<int>(sdl.GetButtonHeight());
    button_undo = buttons.AddButton(sdl, 10, sdl.h - 3 * bh - 1, "Undo", false);
    button_done = buttons.AddButton(sdl, 10, sdl.h - 2 * bh - 1, "Done", true);
    button_auto = buttons.AddButton(sdl, 10, sdl.h - bh - 1, "Auto", true);
    button_hint = buttons.AddButton(sdl, 10 + button_auto->w + 4, sdl.h - bh - 1, "Hint", true);
    button_again = end_buttons.AddButton(sdl, 10, sdl.h - 2 * bh - 1, "Play again", true);
    button_menu = end_buttons.AddButton(sdl, 10, sdl.h - bh - 1, "Menu", true);
    InitGUI(&buttons);
    if (resume) TakeUp(*resume);
}

// The client follows the referee from the player's turn on, the view as it was when the window
// closed; the file goes, or a second start would offer the same game again.
void GameScreen::TakeUp(const SavedGame& game) {
    client->Resume(game.at, 0);
    own_turns = game.own_turns;
    gui->TurnBegins(0, 0);
    gui->Build();
    gui->RestoreOpenTurn({game.marked, game.news, game.open_moves});
    profile.saved_game.Remove();
}

GameScreen::~GameScreen() {
    if (gui) gui->CancelDrag();
    ReleaseGame(exch, client, server);
    // Nothing may point at the table and the buttons that go with this screen.
    sdl.tracker = nullptr;
    sdl.sane = false;
    if (gui) gui->SetButtons(nullptr);
}

void GameScreen::InitGUI(ButtonList* list) {
    // "Done" and "Auto" stay closed until the first own turn: Reset closed them.
    if (gui) gui->SetButtons(list);
}

void GameScreen::Leave(const std::string& why) {
    if (leaving) return;
    leaving = true;
    PostScreen(new MainMenu(sdl, exch, profile, why));
}

bool GameScreen::AcceptEvent(SDL_Event& event) {
    if (event.type == SDL_QUIT) return Close();
    if (event.type == SDL_KEYDOWN && !closing) Key(event.key.keysym);
    FollowGame(event);
    if (RouteMessage(exch, client, server)) Leave(server ? "" : "The host left the game");
    return closing && KeepWhenSettled();
}

bool GameScreen::GameInPlay() const {
    return Ready() && gui->winner == -1;
}

bool GameScreen::Close() {
    if (closing) return false;
    if (!local_strength || !GameInPlay()) return true;
    closing = true;
    closing_at = SDL_GetTicks();
    gui->CancelDrag();
    return KeepWhenSettled();
}

bool GameScreen::KeepWhenSettled() {
    if (kept || !GameInPlay()) return true;
    // The player's line may still wait in the queue while the referee awaits it.
    if (!server->AwaitsPlay() || server->current_turn() != sdl.playernum || !gui->IsOurTurn() ||
        gui->line_sent)
        return false;
    const OpenTurn open = gui->TakeOpenTurn();
    SavedGame game{server->Where(), *local_strength, own_turns, open.marked, open.news, open.moves};
    profile.saved_game.Save(game);
    kept = true;
    return true;
}

void GameScreen::FollowGame(const SDL_Event& event) {
    if (is_program_event(event, EXCH_TURN) && EventNumber(event.user.data1) == sdl.playernum)
        ++own_turns;
    if (is_program_event(event, EXCH_WINNER))
        CountGame(EventNumber(event.user.data1) == sdl.playernum);
}

void GameScreen::CountGame(bool won) {
    const std::string kind =
        local_strength ? LocalKind(sdl.numplayers, *local_strength) : NetworkKind(sdl.numplayers);
    profile.statistics.Count(kind, won, own_turns);
    own_turns = 0;
    if (gui) gui->SetSummary(SummaryLine(profile.statistics.Get(kind)));
}

void GameScreen::Key(const SDL_keysym& key) {
    if (key.sym == SDLK_ESCAPE) Escape();
    if (!Ready()) return;
    if (gui->winner != -1) {
        EndKey(key);
        return;
    }
    switch (key.sym) {
        case SDLK_LEFT:
        case SDLK_RIGHT:
            gui->ChooseHandCard(key.sym == SDLK_LEFT ? -1 : 1);
            break;
        case SDLK_TAB:
            gui->ChoosePile(key.mod & KMOD_SHIFT ? -1 : 1);
            break;
        case SDLK_SPACE:
            gui->MarkSource();
            break;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
        case SDLK_p:
            gui->PlayChosen(key.sym == SDLK_p);
            // As after a drop: the move that empties the hand wins, its line goes at once.
            if (gui->HandPlayedOut()) SendPlay();
            break;
        case SDLK_d:
        case SDLK_a:
            // Clicked asks for the redraw itself.
            Clicked(key.sym == SDLK_d ? button_done : button_auto);
            return;
        case SDLK_z:
            if (key.mod & KMOD_CTRL) Undo();
            break;
        case SDLK_h:
            Hint();
            break;
        default:
            return;
    }
    RequestRedraw();
}

// After the game: Up and Down choose "Play again" or "Menu", Enter presses it.
void GameScreen::EndKey(const SDL_keysym& key) {
    if (key.sym == SDLK_UP || key.sym == SDLK_DOWN)
        end_buttons.MoveFocus(key.sym == SDLK_UP ? -1 : 1);
    if (key.sym == SDLK_RETURN || key.sym == SDLK_KP_ENTER) Clicked(end_buttons.focus);
}

void GameScreen::Escape() {
    // Before the deal and after the end there is nothing to lose.
    if (!Ready() || gui->winner != -1) {
        Leave("");
        return;
    }
    const Uint32 now = SDL_GetTicks();
    if (escape_asked && now - escape_at <= kEscapeMs) {
        // A local game thrown away counts as lost.
        if (local_strength) CountGame(false);
        Leave("");
        return;
    }
    escape_asked = true;
    escape_at = now;
    RequestRedraw();
}

void GameScreen::Idle() {
    if (closing) {
        const bool late = SDL_GetTicks() - closing_at > kCloseMs;
        if (!KeepWhenSettled() && !late) return;
        if (!kept && GameInPlay())
            std::fprintf(stderr,
                         "velmora: the game could not be kept: the computer players "
                         "did not finish their turns in time\n");
        Exchange::PushLocalMessage(EXCH_QUIT, nullptr, nullptr);
        closing = false;
        return;
    }
    // The question goes away by itself when its time is up.
    if (!escape_asked || SDL_GetTicks() - escape_at <= kEscapeMs) return;
    escape_asked = false;
    RequestRedraw();
}

void GameScreen::Undo() {
    if (!Ready() || !gui->CanUndo()) return;
    gui->Undo();
    RequestRedraw();
}

void GameScreen::Hint() {
    if (!Ready() || !gui->WholeTurnOpen()) return;
    gui->ShowHint(StrongTurn(*sdl.tracker, sdl.playernum, sdl.numplayers, client->history));
    RequestRedraw();
}

bool GameScreen::Ready() const {
    return gui && sdl.sane;
}

bool GameScreen::Dragging() const {
    return Ready() && gui->drag_state != 0;
}

ButtonList& GameScreen::Active() {
    return Ready() && gui->winner != -1 ? end_buttons : buttons;
}

// The buttons' looks and the status line follow the state of the game.
void GameScreen::ShowState() {
    // A game in play: "Play again" is not sent yet, and the next end shows no chosen button
    // until a key chooses one.
    if (gui->winner == -1) again_sent = false, end_buttons.focus = nullptr;
    if (escape_asked)
        gui->SetNotice("Press Esc again to leave the game");
    else if (again_sent)
        gui->SetNotice("Waiting for the other players");
    else
        gui->SetNotice("");
    button_undo->enabled = gui->CanUndo();
    button_done->enabled = gui->done_enabled && gui->IsOurTurn();
    button_auto->enabled = button_hint->enabled = gui->WholeTurnOpen();
    button_again->enabled = !again_sent;
    gui->SetButtons(&Active());
}

void GameScreen::Draw() {
    if (!Ready()) {
        ClearToTable(sdl, sdl.screen);
        sdl.DrawString(sdl.screen, 1, 10, 10, "Waiting . . .");
        sdl.Present();
        return;
    }
    gui->Build();
    ShowState();
    if (gui->drag_state != 0) {
        gui->RepaintDrag();
        return;
    }
    gui->Redraw(gui->gamescreen, -1, -1);
    gui->DoDraw(gui->gamescreen);
    sdl.Present();
}

void GameScreen::ButtonDown(int x, int y) {
    if (!Ready()) return;
    if (gui->HideChoices()) RequestRedraw();
    if (gui->winner != -1) {
        end_buttons.ButtonDown(x, y);
        return;
    }
    if (!gui->IsOurTurn()) return;
    if (!gui->StartDrag(x, y)) buttons.ButtonDown(x, y);
}

void GameScreen::MoveTo(int x, int y) {
    if (!Ready()) return;
    if (gui->drag_state != 0)
        gui->DragTo(x, y);
    else
        Active().ButtonMotion(x, y);
}

void GameScreen::ButtonUp(int x, int y) {
    if (!Ready()) return;
    if (gui->drag_state != 0) {
        gui->Drop(x, y);
        // The move that empties the hand wins: its line goes at once.
        if (gui->HandPlayedOut()) SendPlay();
        RequestRedraw();
        return;
    }
    Clicked(Active().ButtonUp(x, y));
}

void GameScreen::SendPlay() {
    const std::string line = gui->TakePlayLine();
    if (!line.empty()) exch.ClientSend(line);
}

void GameScreen::Clicked(const Button* b) {
    if (!b) return;
    if (b == button_done) {
        SendPlay();
    } else if (b == button_auto) {
        if (gui->TakeAutoPlay()) exch.ClientSend(int_to_string(proto::kAutoPlay));
    } else if (b == button_undo) {
        Undo();
    } else if (b == button_hint) {
        Hint();
    } else if (b == button_again) {
        if (again_sent) return;
        again_sent = true;
        exch.ClientSend(int_to_string(proto::kGameOverAck));
    } else if (b == button_menu) {
        Leave("");
    }
    RequestRedraw();
}
