#include "ui/game_screen.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "exchange/tokens.h"
#include "game/protocol.h"
#include "ui/game_log.h"
#include "ui/game_route.h"
#include "ui/navigation.h"
#include "ui/network_setup.h"
#include "ui/statistics_screen.h"
#include "ui/table_view.h"
#include "ui/texts.h"
#include "ui/typed_text.h"

namespace {

bool is_program_event(const SDL_Event& event, int code) {
    return event.type == SDL_USEREVENT && event.user.code == code;
}

// "Waiting for 1 more player to join" and the like: `format` fills in "1 more player".
std::string Awaited(int players, const char* format) {
    return Fill(
        format,
        Fill(TranslatePlural("table line", "%d more player", "%d more players", players), players));
}

bool is_press(const SDL_Event& event) {
    return event.type == SDL_KEYDOWN || event.type == SDL_MOUSEBUTTONDOWN;
}

}  // namespace

GameScreen::GameScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t, Client* client_t,
                       Server* server_t, std::optional<Strategy> local_strength_t,
                       const SavedGame* resume)
    : Screen(sdl_t, exch_t, profile_t),
      client(client_t),
      server(server_t),
      table_turn(sdl_t,
                 [](int p) {
                     if (gui) gui->UpdatePile(p);
                 }),
      con(exch_t, sdl_t, *client_t, table_turn, chat),
      keeping(profile_t),
      beacon(profile_t.settings.values, kPort),
      log_panel(sdl_t),
      local_strength(local_strength_t) {
    table_turn.SetLocal(local_strength.has_value());
    // A new game starts from a clean table: nothing of an earlier game's view may show.
    sdl.sane = false;
    sdl.tracker = &client->tracker;
    if (gui) {
        gui->Reset();
        gui->SetMoveMs(PaceMs(profile.settings.values.animations));
    }
    client->ConnectClientConnector(&con);
    const int bh = static_cast<int>(sdl.GetButtonHeight());
    button_undo =
        buttons.AddButton(sdl, 10, sdl.h - 3 * bh - 1, Translate("game button", "Undo"), false);
    button_done =
        buttons.AddButton(sdl, 10, sdl.h - 2 * bh - 1, Translate("game button", "Done"), true);
    button_auto =
        buttons.AddButton(sdl, 10, sdl.h - bh - 1, Translate("game button", "Auto"), true);
    // Above the others in their column: beside "Auto" it covered the first hand card's corner.
    button_hint =
        buttons.AddButton(sdl, 10, sdl.h - 4 * bh - 1, Translate("game button", "Hint"), true);
    // After the game, at the other side: a click meant for "Auto" as the game ends lands on
    // no button. Both end at the window's right edge less 10, whichever is wider.
    const char* again = Translate("end button", "Play again");
    const char* menu = Translate("end button", "Menu");
    const char* log = Translate("end button", "Log");
    const int again_w = static_cast<int>(
        std::max({sdl.GetButtonWidth(again), sdl.GetButtonWidth(menu), sdl.GetButtonWidth(log)}));
    button_again =
        end_buttons.AddButton(sdl, sdl.w - 10 - again_w, sdl.h - 2 * bh - 1, again, true);
    button_menu = end_buttons.AddButton(sdl, sdl.w - 10 - again_w, sdl.h - bh - 1, menu, true);
    // Above them, in the same place during the game and after it.
    button_log = buttons.AddButton(sdl, sdl.w - 10 - again_w, sdl.h - 3 * bh - 1, log, true);
    button_end_log =
        end_buttons.AddButton(sdl, sdl.w - 10 - again_w, sdl.h - 3 * bh - 1, log, true);
    // The wide button lies under the five text lines, clear of the board and of every seat;
    // "Menu" stays in its place.
    button_fill = refill_buttons.AddButton(sdl, 10, 10 + 5 * sdl.GetFontHeight(1),
                                           Translate("button", kFillText), true);
    button_refill_menu =
        refill_buttons.AddButton(sdl, sdl.w - 10 - again_w, sdl.h - bh - 1, menu, true);
    InitGUI(&buttons);
    if (resume) TakeUp(*resume);
}

// The client follows the referee from the player's turn on, the view as it was when the window
// closed; the file goes, or a second start would offer the same game again.
void GameScreen::TakeUp(const SavedGame& game) {
    client->Resume(game.at, 0, game.told);
    own_turns = game.own_turns;
    table_turn.TurnBegins(0);
    gui->Build();
    table_turn.RestoreOpenTurn({game.marked, game.news, game.open_moves, game.movers});
    keeping.GameTakenUp();
}

GameScreen::~GameScreen() {
    KeepPendingRecord();
    if (typing) SDL_EnableUNICODE(unicode_before);
    if (gui) gui->CancelDrag(), gui->SetLog(nullptr);
    if (connection_kept)
        delete client;
    else
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
    KeepPendingRecord();
    if (!at_table || connection_gone) {
        PostScreen(navigate::Menu(sdl, exch, profile, why));
        return;
    }
    // The seat, if any, goes to the computer; the connection goes on in the lobby. The lobby's
    // screen is queued before the line that asks for it: the server's answer (445) comes after it
    // in the queue, however fast it comes, and finds the lobby there.
    connection_kept = true;
    PostScreen(navigate::Lobby(sdl, exch, profile, at_table->server, true, why));
    exch.ClientSend(CodeLine(proto::kLeaveTable));
}

bool GameScreen::AcceptEvent(SDL_Event& event) {
    if (event.type == SDL_QUIT) return Close();
    // A press or key first lands every moving card: it acts on the table as it is.
    if (is_press(event)) LandCards();
    if (event.type == SDL_MOUSEBUTTONDOWN && log_panel.open() &&
        (event.button.button == SDL_BUTTON_WHEELUP ||
         event.button.button == SDL_BUTTON_WHEELDOWN)) {
        log_panel.Wheel(event.button.button == SDL_BUTTON_WHEELUP);
        RequestRedraw();
    }
    if (event.type == SDL_KEYDOWN && !closing && !ChatKey(event.key.keysym)) Key(event.key.keysym);
    LookThrough(event);
    FollowTurns(event);
    // Before the game the picture counts the players the referee still awaits.
    if (!Ready() && exch.IsPlayerMessage()) RequestRedraw();
    // So do the seats waiting for players after "Play again".
    if (again_sent && exch.IsPlayerMessage() && exch.GetPlayerNum() == -1 &&
        Tokens(exch.GetPlayerMessage()).token(1) == proto::kWaiting)
        RequestRedraw();
    TakeHint();
    const bool gone = RouteMessage(exch, client, server);
    if (con.record_offered) KeepPendingRecord();
    beacon.Follow(Refilling() ? client->awaited() : 0, sdl.numplayers);
    KeepTicket();
    if (gone) Gone();
    return closing && KeepWhenSettled();
}

void GameScreen::JoinedAt(const std::string& host, int port, std::optional<SeatSecret> held) {
    keeping.JoinedAt(host, port, sdl.playernum, held);
    client->RecordAs("joined " + host);
}

void GameScreen::AtTable(const ServerTable& table) {
    at_table = table;
    client->RecordAs("server " + table.server.host + " " + table.name);
    table_turn.SetTable(table.name, table.watching);
    button_menu->text = Translate("end button", "Leave");
    if (!table.watching) keeping.JoinedAt(table.server.host, table.server.port, -1, std::nullopt);
    // A watcher's two buttons end at the window's right edge less 10, as the others do.
    const int bh = static_cast<int>(sdl.GetButtonHeight());
    const char* leave = Translate("end button", "Leave");
    const char* log = Translate("end button", "Log");
    const int x =
        sdl.w - 10 - static_cast<int>(std::max(sdl.GetButtonWidth(leave), sdl.GetButtonWidth(log)));
    button_leave = watch_buttons.AddButton(sdl, x, sdl.h - bh - 1, leave, true);
    button_watch_log = watch_buttons.AddButton(sdl, x, sdl.h - 2 * bh - 1, log, true);
    button_refill_menu->text = button_leave->text;
    if (table.watching) InitGUI(&watch_buttons);
}

void GameScreen::KeepTicket() {
    if (!con.given_secret) return;
    keeping.KeepTicket(sdl.playernum, *con.given_secret);
    con.given_secret.reset();
}

void GameScreen::Gone() {
    connection_gone = true;
    if (server) {
        Leave("");
        return;
    }
    if (keeping.kept_ticket() && GameInPlay() && !client->host_left()) {
        if (leaving) return;
        leaving = true;
        PostScreen(navigate::Rejoin(sdl, exch, profile, *keeping.kept_ticket(), true));
        return;
    }
    keeping.ForgetTicket();
    Leave(Translate("line", "The host left the game"));
}

// The right button held on a board pile spreads it out until the button is released or the
// pointer leaves the pile's place.
void GameScreen::LookThrough(const SDL_Event& event) {
    if (!Ready()) return;
    const bool right = (event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_MOUSEBUTTONUP) &&
                       event.button.button == SDL_BUTTON_RIGHT;
    int pile = -1;
    if (event.type == SDL_MOUSEBUTTONDOWN && right &&
        gui->PickedAt(event.button.x, event.button.y, pile) != DragKind::kPile)
        pile = -1;
    const bool leaves = event.type == SDL_MOUSEMOTION && gui->looked_through() != -1 &&
                        !OnPile(event.motion.x, event.motion.y, gui->looked_through());
    if (!right && !leaves) return;
    if (gui->looked_through() == pile) return;
    gui->LookThrough(pile);
    RequestRedraw();
}

bool GameScreen::OnPile(int x, int y, int pile) const {
    for (const GCard& g : gui->pile[pile])
        if (IsInsideRect(x, y, g.x + 10, g.y + 10, 108, 108)) return true;
    return false;
}

bool GameScreen::GameInPlay() const {
    return Ready() && table_turn.winner() == -1;
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
    if (keeping.game_kept() || !GameInPlay()) return true;
    // The player's line may still wait in the queue while the referee awaits it.
    if (!server->AwaitsPlay() || server->current_turn() != sdl.playernum ||
        !table_turn.IsOurTurn() || table_turn.line_sent())
        return false;
    const OpenTurn open = table_turn.TakeOpenTurn();
    SavedGame game{server->Where(), *local_strength, own_turns,   open.marked,
                   open.news,       open.moves,      open.movers, client->story.events()};
    keeping.KeepGame(game);
    return true;
}

void GameScreen::FollowTurns(const SDL_Event& event) {
    if (is_program_event(event, EXCH_TURN)) {
        const int turn = EventNumber(event.user.data1);
        own_turns += turn == sdl.playernum;
        if (turn == sdl.playernum) gui->SoundAfterMoves(SoundName::kYourTurn);
        table_turn.TurnBegins(turn);
        pass_asked = false;
        refusal.clear();
        RequestRedraw();
    }
    if (is_program_event(event, EXCH_WINNER)) {
        const int winner = EventNumber(event.user.data1);
        ended_at = SDL_GetTicks();
        table_turn.GameOver(winner);
        RequestRedraw();
        // A watcher's game counts for nobody.
        if (Watching()) return;
        keeping.ForgetTicket();
        // Where this program is the referee it knows every hand: they are shown face up.
        if (server) table_turn.Reveal(server->table());
        if (at_table)
            record_pending = true;
        else
            KeepRecord();
        CountGame(winner == sdl.playernum);
        gui->SoundAfterMoves(winner == sdl.playernum ? SoundName::kWon : SoundName::kLost);
        RequestRedraw();
    }
}

// The referee's record where this program is the referee; elsewhere, the game as this seat saw it.
void GameScreen::KeepRecord() {
    std::optional<GameRecord> record = client->SeenGame();
    if (server && server->FinishedGame()) {
        record = *server->FinishedGame();
        record->where = local_strength ? "local" : "hosted";
        const std::vector<SeatInfo> seats = server->Seats();
        const Strategy strength = local_strength.value_or(profile.settings.values.strength);
        for (int p = 0; p < record->numplayers; ++p) {
            const bool own = p == sdl.playernum;
            const std::string& name = profile.settings.values.name;
            record->seats[p] = {own && !name.empty() ? name : table_turn.PlateName(p),
                                own || seats[p].state != SeatInfo::kComputer, strength};
        }
    }
    if (record) profile.games.Keep(*record);
}

void GameScreen::KeepPendingRecord() {
    con.record_offered = false;
    if (!record_pending) return;
    record_pending = false;
    KeepRecord();
}

void GameScreen::CountGame(bool won) {
    const std::string kind =
        local_strength ? LocalKind(sdl.numplayers, *local_strength) : NetworkKind(sdl.numplayers);
    profile.statistics.Count(kind, won, own_turns);
    own_turns = 0;
    table_turn.SetSummary(SummaryLine(profile.statistics.Get(kind)));
}

void GameScreen::Key(const SDL_keysym& key) {
    if (LogKey(key)) return;
    // A watcher has nothing to lose; before the deal Up, Down and Enter choose the buttons.
    if (Watching() && key.sym == SDLK_ESCAPE) Leave("");
    if (Watching()) return;
    if (key.sym == SDLK_ESCAPE) Escape();
    if (!Ready()) {
        if (MayFillSeats()) EndKey(key);
        return;
    }
    if (table_turn.winner() != -1) {
        EndKey(key);
        return;
    }
    // A drag holds the table: keys wait until it ends.
    if (gui->dragging() != DragKind::kNone) return;
    refusal.clear();
    switch (key.sym) {
        case SDLK_LEFT:
        case SDLK_RIGHT:
            table_turn.ChooseHandCard(key.sym == SDLK_LEFT ? -1 : 1);
            break;
        case SDLK_TAB:
            table_turn.ChoosePile(key.mod & KMOD_SHIFT ? -1 : 1);
            break;
        case SDLK_SPACE:
            table_turn.MarkSource();
            break;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
        case SDLK_p:
            table_turn.PlayChosen(key.sym == SDLK_p, refusal);
            // As after a drop: the move that empties the hand wins, its line goes at once.
            if (table_turn.HandPlayedOut()) SendPlay();
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

bool GameScreen::LogKey(const SDL_keysym& key) {
    if (!Ready()) return false;
    if (key.sym == SDLK_l && !log_panel.open()) {
        ToggleLog();
        return true;
    }
    if (!log_panel.Key(key.sym)) return false;
    RequestRedraw();
    return true;
}

void GameScreen::ToggleLog() {
    log_panel.Toggle();
    RequestRedraw();
}

bool GameScreen::JustEnded() const {
    return SDL_GetTicks() - ended_at < kEndGuardMs;
}

// After the game: Up and Down choose "Play again" or "Menu", Enter presses it.
void GameScreen::EndKey(const SDL_keysym& key) {
    if (JustEnded()) return;
    if (key.sym == SDLK_UP || key.sym == SDLK_DOWN) Active().MoveFocus(key.sym == SDLK_UP ? -1 : 1);
    if (key.sym == SDLK_RETURN || key.sym == SDLK_KP_ENTER) Clicked(Active().focus);
}

void GameScreen::Escape() {
    // Before the deal and after the end there is nothing to lose.
    if (!Ready() || table_turn.winner() != -1) {
        Leave("");
        return;
    }
    const Uint32 now = SDL_GetTicks();
    if (escape_asked && now - escape_at <= kEscapeMs) {
        // A local game thrown away counts as lost.
        if (local_strength) CountGame(false);
        keeping.ForgetTicket();
        Leave("");
        return;
    }
    escape_asked = true;
    escape_at = now;
    RequestRedraw();
}

bool GameScreen::ChatKey(const SDL_keysym& key) {
    if (!typing) {
        if (key.sym != SDLK_t || local_strength || !Ready() ||
            (Watching() && !at_table->watchers_chat))
            return false;
        typing = true;
        unicode_before = SDL_EnableUNICODE(1);
        RequestRedraw();
        return true;
    }
    switch (key.sym) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            client->Chat(chat_field);
            [[fallthrough]];
        case SDLK_ESCAPE:
            chat_field.clear();
            typing = false;
            SDL_EnableUNICODE(unicode_before);
            break;
        case SDLK_BACKSPACE:
            EraseChar(chat_field);
            break;
        default:
            TypeChar(chat_field, key.unicode, Typeable::kLatin1, kChatChars);
            break;
    }
    RequestRedraw();
    return true;
}

void GameScreen::LandCards() {
    if (!Ready() || !gui->Moving()) return;
    gui->FinishMoves();
    RequestRedraw();
}

void GameScreen::RestOn(int x, int y) {
    resting_on = -1;
    int pile = -1;
    if (gui->dragging() != DragKind::kNone || gui->looked_through() != -1 || Active().At(x, y) ||
        log_panel.Covers(x, y))
        return;
    if (gui->PickedAt(x, y, pile) != DragKind::kPile || gui->pile[pile].size() < 2) return;
    resting_on = pile;
    resting_since = SDL_GetTicks();
}

void GameScreen::Idle() {
    // The moving cards follow the clock, even while the rules lie over the table.
    if (Ready()) gui->AdvanceMoves();
    if (Ready() && resting_on != -1 && SDL_GetTicks() - resting_since >= kRestOnPileMs) {
        gui->LookThrough(resting_on);
        resting_on = -1;
        RequestRedraw();
    }
    if (closing) {
        const bool late = SDL_GetTicks() - closing_at > kCloseMs;
        if (!KeepWhenSettled() && !late) return;
        if (!keeping.game_kept() && GameInPlay())
            std::fprintf(stderr, "velmora: %s\n",
                         Translate("terminal",
                                   "the game could not be kept: the computer players did not "
                                   "finish their turns in time"));
        Exchange::PushLocalMessage(EXCH_QUIT, nullptr, nullptr);
        closing = false;
        return;
    }
    // A chat line that has been shown long enough goes.
    if (chat.Shown(SDL_GetTicks()).size() != chat_rows) RequestRedraw();
    // The question goes away by itself when its time is up.
    if (!escape_asked || SDL_GetTicks() - escape_at <= kEscapeMs) return;
    escape_asked = false;
    RequestRedraw();
}

void GameScreen::Undo() {
    if (!Ready() || !table_turn.CanUndo() || gui->dragging() != DragKind::kNone) return;
    table_turn.Undo();
    RequestRedraw();
}

void GameScreen::Hint() {
    // From the table as it now is: after the turn's first moves, the expert's way on, searched
    // beside the window.
    if (!Ready() || !table_turn.Moving() || gui->dragging() != DragKind::kNone ||
        hint_search.running())
        return;
    hint_search.Start(*sdl.tracker, sdl.playernum, sdl.numplayers, client->history);
    refusal = Translate("table line", "Hint: thinking...");
    RequestRedraw();
}

// The hint's search has ended: its turn is shown if the table is still the one it searched.
void GameScreen::TakeHint() {
    if (!hint_search.running() || !hint_search.done()) return;
    const std::optional<std::vector<Move>> turn = hint_search.Take(*sdl.tracker);
    refusal.clear();
    if (turn && Ready() && table_turn.Moving()) table_turn.ShowHint(*turn);
    RequestRedraw();
}

bool GameScreen::Ready() const {
    return gui && sdl.sane;
}

bool GameScreen::Moving() const {
    return Ready() && gui->Moving();
}

Uint32 GameScreen::NextWakeMs() const {
    const Uint32 now = SDL_GetTicks();
    const auto until = [now](Uint32 since, Uint32 span) {
        return now - since >= span ? 0 : span - (now - since);
    };
    Uint32 wake = kNoWake;
    if (closing) wake = until(closing_at, kCloseMs);
    // The question goes away by itself when its time is up.
    if (escape_asked) wake = std::min(wake, until(escape_at, kEscapeMs + 1));
    if (Ready() && gui->Moving()) wake = std::min(wake, CardMotion::kFrameMs);
    if (resting_on != -1) wake = std::min(wake, until(resting_since, kRestOnPileMs));
    wake = std::min(wake, chat.NextChangeMs(now));
    return wake;
}

ButtonList& GameScreen::Active() {
    if (Watching()) return watch_buttons;
    // The server table's creator may start the game before every seat is taken.
    if (!Ready()) return MayFillSeats() ? refill_buttons : buttons;
    if (table_turn.winner() == -1) return buttons;
    return Refilling() ? refill_buttons : end_buttons;
}

bool GameScreen::MayFillSeats() const {
    return server || (at_table && at_table->creator);
}

bool GameScreen::Refilling() const {
    return MayFillSeats() && again_sent && table_turn.winner() != -1 && client->awaited() > 0;
}

// The buttons' looks and the status line follow the state of the game.
void GameScreen::ShowState() {
    // A game in play: "Play again" is not sent yet, and the next end shows no chosen button
    // until a key chooses one.
    if (table_turn.winner() == -1) again_sent = false, end_buttons.focus = nullptr;
    if (escape_asked)
        table_turn.SetNotice(Translate("table line", "Press Esc again to leave the game"));
    else if (Refilling())
        table_turn.SetNotice(
            Awaited(client->awaited(), Translate("table line", "Waiting for %s to join")));
    else if (again_sent)
        table_turn.SetNotice(Translate("table line", "Waiting for the other players"));
    else
        table_turn.SetNotice(refusal);
    const bool free = gui->dragging() == DragKind::kNone;
    button_undo->enabled = free && table_turn.CanUndo();
    button_done->enabled = table_turn.done_enabled();
    button_auto->enabled = free && table_turn.WholeTurnOpen();
    button_hint->enabled = free && table_turn.Moving();
    button_again->enabled = !again_sent;
    gui->SetButtons(&Active());
    ShowTurn();
}

void GameScreen::ShowTurn() {
    table_turn.FollowPicture(gui->Picture());
    if (log_panel.open())
        log_panel.SetLines(
            LogLines(client->story.events(), [this](int p) { return table_turn.PlateName(p); }));
    gui->SetLog(&log_panel);
    gui->SetHighlights(table_turn.Marks());
    gui->SetTexts(table_turn.Texts());
    gui->SetSeats(table_turn.OtherSeats(), table_turn.OwnSeat());
    const std::vector<std::string> shown = chat.Shown(SDL_GetTicks());
    chat_rows = shown.size();
    gui->SetChat(shown, typing, chat_field);
}

void GameScreen::Draw() {
    if (!Ready()) {
        ClearToTable(sdl, sdl.screen);
        const int awaited = client->awaited();
        std::string waiting = awaited > 0
                                  ? Awaited(awaited, Translate("line", "Waiting for %s . . ."))
                                  : Translate("line", "Waiting . . .");
        if (at_table) waiting = Fill(Translate("table line", "%s: %s"), at_table->name, waiting);
        sdl.DrawString(sdl.screen, 1, 10, 10, waiting.c_str());
        sdl.DrawString(sdl.screen, 1, 10, 10 + sdl.GetFontHeight(1),
                       at_table ? Translate("line", "Press Esc to return to the lobby")
                                : Translate("line", "Press Esc to return to the menu"));
        const std::string in = PeopleSeated(con.seats);
        if (!in.empty())
            sdl.DrawString(sdl.screen, 1, 10, 10 + 3 * sdl.GetFontHeight(1),
                           Fill(Translate("line", "In: %s"), in).c_str());
        if (!Watching() && MayFillSeats()) refill_buttons.Draw(sdl, sdl.screen);
        sdl.Present();
        return;
    }
    gui->Build();
    ShowState();
    gui->Show();
}

void GameScreen::ButtonDown(int x, int y) {
    if (!Ready()) {
        Active().ButtonDown(x, y);
        return;
    }
    LandCards();
    // A spread pile folds: the press is meant for the table beneath.
    resting_on = -1;
    if (gui->looked_through() != -1) gui->LookThrough(-1), RequestRedraw();
    refusal.clear();
    if (table_turn.HideChoices()) RequestRedraw();
    // The log lies over the board: a press on it is no move.
    if (log_panel.Covers(x, y)) return;
    if (Watching()) {
        Active().ButtonDown(x, y);
        return;
    }
    if (table_turn.winner() != -1) {
        if (!JustEnded()) Active().ButtonDown(x, y);
        return;
    }
    // A press on a button is always the button, whatever card lies beneath it.
    int data = 0;
    const DragKind kind = buttons.At(x, y) ? DragKind::kNone : gui->PickedAt(x, y, data);
    if (kind == DragKind::kNone) {
        buttons.ButtonDown(x, y);
        return;
    }
    // Once the turn's line is sent the cards stay where they are.
    if (!table_turn.Moving()) return;
    ShowState();
    gui->StartDrag(kind, data, x, y, table_turn.TargetsOf(kind, data));
}

void GameScreen::MoveTo(int x, int y) {
    if (!Ready()) {
        Active().ButtonMotion(x, y);
        return;
    }
    if (gui->dragging() != DragKind::kNone)
        gui->DragTo(x, y);
    else
        Active().ButtonMotion(x, y);
    RestOn(x, y);
}

void GameScreen::ButtonUp(int x, int y) {
    if (!Ready()) {
        Clicked(Active().ButtonUp(x, y));
        return;
    }
    const DragKind kind = gui->dragging();
    if (kind != DragKind::kNone) {
        const int data = gui->drag_data();
        const int target = gui->Drop(x, y);
        // The mouse is told why as the keyboard is.
        refusal = table_turn.RefusalOf(kind, data, target);
        table_turn.DropOn(kind, data, target);
        // The move that empties the hand wins: its line goes at once.
        if (table_turn.HandPlayedOut()) SendPlay();
        RequestRedraw();
        return;
    }
    Clicked(Active().ButtonUp(x, y));
}

void GameScreen::SendPlay() {
    if (gui->dragging() != DragKind::kNone) return;
    const std::string line = table_turn.TakePlayLine();
    if (!line.empty()) exch.ClientSend(line);
}

void GameScreen::Clicked(const Button* b) {
    if (!b) return;
    if (b == button_done) {
        // A turn that could have laid a card passes only when asked twice.
        if (!pass_asked && table_turn.CouldMoveButDidNot()) {
            pass_asked = true;
            refusal = Translate("table line", "Press D again to pass");
        } else {
            SendPlay();
        }
    } else if (b == button_auto) {
        if (gui->dragging() == DragKind::kNone && table_turn.TakeAutoPlay())
            exch.ClientSend(int_to_string(proto::kAutoPlay));
    } else if (b == button_undo) {
        Undo();
    } else if (b == button_hint) {
        Hint();
    } else if (b == button_log || b == button_end_log) {
        ToggleLog();
    } else if (b == button_again) {
        if (again_sent) return;
        again_sent = true;
        KeepPendingRecord();
        exch.ClientSend(int_to_string(proto::kGameOverAck));
    } else if (b == button_fill) {
        if (at_table)
            exch.ClientSend(CodeLine(proto::kStartNow));
        else
            exch.FillEmptySeats();
    } else if (b == button_watch_log) {
        ToggleLog();
    } else if (b == button_menu || b == button_refill_menu || b == button_leave) {
        Leave("");
    }
    RequestRedraw();
}
