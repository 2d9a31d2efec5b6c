#include "ui/lobby_screen.h"

#include <algorithm>

#include "exchange/tokens.h"
#include "game/line_text.h"
#include "game/player_message.h"
#include "game/protocol.h"
#include "ui/navigation.h"
#include "ui/network_setup.h"
#include "ui/record_words.h"
#include "ui/table_view.h"
#include "ui/texts.h"
#include "ui/typed_text.h"

namespace {

// Why the server refused (441), as the player reads it.
std::string Refusal(int why) {
    static const char* const kWhy[] = {
        Marked("line", "The server is full: try again later"),
        Marked("line", "The server takes no more connections from your address"),
        Marked("line", "The server holds as many tables as it may: join one"),
        Marked("line", "That table is gone"),
        Marked("line", "That table has no free seat"),
        Marked("line", "A table of that name is there already"),
        Marked("line", "The server could not read that"),
        Marked("line", "The server closed the lobby after 10 minutes without a word"),
        Marked("line", "That game is not kept"),
    };
    if (why < 0 || why >= static_cast<int>(std::size(kWhy))) return "";
    return Translate("line", kWhy[why]);
}

std::string RowText(const ListedTable& t) {
    const std::string people = Fill(
        TranslatePlural("line", "%d of %d player", "%d of %d players", t.seats), t.joined, t.seats);
    const char* state = t.playing ? Translate("line", "playing") : Translate("line", "waiting");
    std::string row = Fill(Translate("line", "%s: %s, %s"), t.name, people, state);
    if (t.watchers > 0)
        row +=
            Fill(TranslatePlural("line", ", %d watching", ", %d watching", t.watchers), t.watchers);
    return row;
}

}  // namespace

LobbyScreen::LobbyScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t, ServerAddress server_t,
                         bool connected_t, std::string why_t, bool in_lobby_t)
    : Screen(sdl_t, exch_t, profile_t),
      server(std::move(server_t)),
      state(in_lobby_t    ? State::kInLobby
            : connected_t ? State::kEntering
                          : State::kConnecting),
      why(std::move(why_t)),
      rejoin(profile_t.rejoin) {
    ListButtons();
}

LobbyScreen::~LobbyScreen() {
    // A screen that goes with its chat line or its form open gives the keys back as they were.
    if (typing || form) SDL_EnableUNICODE(unicode_before);
    if (form) SDL_EnableKeyRepeat(0, 0);
    if (handed || watching_again) return;
    delete client;
    exch.ClientDisconnect();
}

void LobbyScreen::Shown() {
    rejoin.Start();
    // Back from a game watched again: the list is asked for anew.
    if (state == State::kInLobby) AskForList();
    if (state != State::kConnecting || connect) return;
    connect = std::make_unique<AsyncConnect>(server.host, server.port);
    connect_started = SDL_GetTicks();
}

void LobbyScreen::Connected() {
    outcome = connect->outcome();
    const bool adopted =
        outcome == AsyncConnect::kConnected && exch.ClientAdopt(connect->TakeSocket());
    connect.reset();
    if (!adopted) {
        state = State::kFailed;
        RequestRedraw();
        return;
    }
    state = State::kEntering;
    exch.ClientSend(CodeLine(proto::kLobbyHello, proto::kLobbyVersion));
    RequestRedraw();
}

void LobbyScreen::Line(const std::string& message) {
    const Tokens t(message);
    if (t.token(0) == kGone) {
        ToMenu(why.empty()
                   ? Fill(Translate("line", "The server at %s closed the connection"), server.host)
                   : why);
        return;
    }
    if (t.token(0) != kNetworkLine) return;
    const int code = t.token(1);
    const bool lobby = code == proto::kInLobby || code == proto::kTableListed ||
                       code == proto::kTablesEnd || code == proto::kLobbyChatRelay ||
                       code == proto::kRefused ||
                       (code >= proto::kYourName && code <= proto::kRecordEnd);
    if (code == proto::kRecordText || code == proto::kRecordEnd) {
        fetched.Follow(t);
        if (code == proto::kRecordEnd) RecordCame();
    } else if (lobby)
        LobbyLine(t);
    else if (state == State::kSeating)
        Seated(message);
}

void LobbyScreen::LobbyLine(const Tokens& t) {
    switch (t.token(1)) {
        case proto::kInLobby:
            // The key first, so that the name is the key's where it is.
            if (state == State::kEntering && t.token(2) >= proto::kLobbyVersion)
                if (const auto key =
                        profile.keys.For(server.host + ":" + std::to_string(server.port)))
                    exch.ClientSend(PlayerKeyLine(*key));
            if (state == State::kEntering && !profile.settings.values.name.empty())
                exch.ClientSend(TextLine(proto::kName, profile.settings.values.name));
            state = State::kInLobby;
            list_asked = false;
            AskForList();
            ListButtons();
            break;
        case proto::kTableListed:
            if (auto table = ReadListedTable(t, 2); table && incoming.size() < 1000)
                incoming.push_back(*table);
            break;
        case proto::kTablesEnd:
            tables.swap(incoming);
            incoming.clear();
            list_asked = false;
            listed_at = SDL_GetTicks();
            ListButtons();
            break;
        case proto::kLobbyChatRelay:
            if (const auto said = ReadNamedLine(t, 2)) {
                chat.push_back(said->name + ": " + said->text);
                if (chat.size() > kChatShown) chat.pop_front();
            }
            break;
        case proto::kYourName:
            name_here = ReadText(t, 2, t.data.size(), kNameChars);
            break;
        case proto::kRated:
        case proto::kRatingsEnd:
            RatingsLine(t);
            break;
        case proto::kGameListed:
        case proto::kGamesEnd:
            GamesLine(t);
            break;
        case proto::kRefused:
            why = Refusal(t.token(2));
            if (state == State::kSeating) state = State::kInLobby;
            break;
        default:
            break;
    }
    RequestRedraw();
}

void LobbyScreen::Seated(const std::string& message) {
    client = new Client(exch);
    client->SetName(profile.settings.values.name);
    if (asked.watching)
        client->Watch();
    else
        client->TellName();
    // The game's screen follows the table from its first line on.
    Screen* game = navigate::TableGame(sdl, exch, profile, client, asked);
    handed = true;
    client->Receive(message);
    PostScreen(game);
}

void LobbyScreen::AskForList() {
    if (state != State::kInLobby || list_asked) return;
    list_asked = true;
    exch.ClientSend(CodeLine(proto::kListTables));
}

const RejoinTicket* LobbyScreen::RejoinHere() const {
    const RejoinTicket* ticket = rejoin.offered();
    return ticket && ticket->host == server.host && ticket->port == server.port ? ticket : nullptr;
}

int LobbyScreen::ListTop() const {
    return 10 + 3 * sdl.GetFontHeight(1) + 2 * static_cast<int>(sdl.GetButtonHeight()) + 8;
}

int LobbyScreen::RowHeight() const {
    return static_cast<int>(sdl.GetButtonHeight()) + 4;
}

// As many rows as fit above the chat.
int LobbyScreen::RowsShown() const {
    const int chat_top = sdl.h - 10 - static_cast<int>(kChatShown + 2) * sdl.GetFontHeight(1);
    return std::max(0, (chat_top - ListTop()) / RowHeight());
}

void LobbyScreen::ListButtons() {
    int chosen = -1, row = 0;
    for (const Button* b : buttons.buttons) {
        if (b == buttons.focus) chosen = row;
        ++row;
    }
    buttons.Clear();
    rows.clear();
    const int top = 10 + 3 * sdl.GetFontHeight(1);
    button_create = buttons.AddButton(sdl, 10, top, Translate("button", "Create a table..."),
                                      state == State::kInLobby);
    button_rejoin = nullptr;
    if (const RejoinTicket* ticket = RejoinHere())
        button_rejoin = buttons.AddButton(
            sdl, 20 + button_create->w, top,
            Fill(Translate("button", "Rejoin the game at %s"), ticket->host), true);
    // The lists this lobby shows, on the row below.
    const int views_y = top + static_cast<int>(sdl.GetButtonHeight()) + 4;
    int x = 10;
    const auto view_button = [&](const char* text, View v) {
        Button* b =
            buttons.AddButton(sdl, x, views_y, text, state == State::kInLobby && shown != v);
        x += b->w + 10;
        return b;
    };
    button_tables = view_button(Translate("button", "Tables"), View::kTables);
    button_best = view_button(Translate("button", "Best players"), View::kRatings);
    button_games = view_button(Translate("button", "Finished games"), View::kGames);
    button_own_games = view_button(Translate("button", "Your games"), View::kOwnGames);
    again_buttons.clear();
    if (shown == View::kGames || shown == View::kOwnGames) {
        const char* again = Translate("button", "Watch again");
        const int again_x = sdl.w - 20 - static_cast<int>(sdl.GetButtonWidth(again));
        const int count = std::min(static_cast<int>(finished.size()), RowsShown());
        for (int r = 0; r < count; ++r)
            again_buttons.push_back(
                buttons.AddButton(sdl, again_x, ListTop() + r * RowHeight(), again, true));
    }
    if (shown != View::kTables) {
        row = 0;
        for (Button* b : buttons.buttons)
            if (row++ == chosen && b->enabled) buttons.focus = b;
        RequestRedraw();
        return;
    }
    const char* join = Translate("button", "Join");
    const char* watch = Translate("button", "Watch");
    const int watch_w = static_cast<int>(sdl.GetButtonWidth(watch));
    const int join_w = static_cast<int>(sdl.GetButtonWidth(join));
    const int shown = std::min(static_cast<int>(tables.size()), RowsShown());
    // The buttons in a column just right of the widest row, so that each stays beside its table.
    int widest = 0;
    for (int r = 0; r < shown; ++r)
        widest = std::max(widest, sdl.GetStringWidth(1, RowText(tables[r]).c_str()));
    const int join_x = std::min(10 + widest + 20, sdl.w - 20 - watch_w - join_w);
    for (int r = 0; r < shown; ++r) {
        const ListedTable& t = tables[r];
        const int y = ListTop() + r * RowHeight();
        Button* j = buttons.AddButton(sdl, join_x, y, join, !t.playing && t.joined < t.seats);
        Button* w = buttons.AddButton(sdl, join_x + join_w + 10, y, watch, true);
        rows.emplace_back(j, w);
    }
    row = 0;
    for (Button* b : buttons.buttons)
        if (row++ == chosen && b->enabled) buttons.focus = b;
    RequestRedraw();
}

void LobbyScreen::Sit(const std::string& line, ServerTable at) {
    if (state != State::kInLobby) return;
    at.server = server;
    asked = std::move(at);
    why.clear();
    state = State::kSeating;
    exch.ClientSend(line);
    RequestRedraw();
}

void LobbyScreen::Pressed(const Button* b) {
    if (b == button_create && state == State::kInLobby) {
        const Settings& chosen = profile.settings.values;
        const std::string name = chosen.name.empty() ? "Velmora" : chosen.name;
        const Strategy strength =
            chosen.strength == Strategy::kExpert ? Strategy::kStrong : chosen.strength;
        form.emplace(sdl, TableRequest{name, chosen.players, strength, true},
                     10 + 3 * sdl.GetFontHeight(1));
        SDL_EnableKeyRepeat(500, 30);
        unicode_before = SDL_EnableUNICODE(1);
        RequestRedraw();
        return;
    }
    if (b == button_tables) Show(View::kTables);
    if (b == button_best) Show(View::kRatings);
    if (b == button_games) Show(View::kGames);
    if (b == button_own_games) Show(View::kOwnGames);
    for (std::size_t r = 0; r < again_buttons.size() && r < finished.size(); ++r)
        if (b == again_buttons[r]) exch.ClientSend(CodeLine(proto::kWatchAgain, finished[r].id));
    if (b && b == button_rejoin && RejoinHere()) {
        left = true;
        PostScreen(navigate::Rejoin(sdl, exch, profile, *RejoinHere(), false));
        return;
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const ListedTable& t = tables[r];
        if (b == rows[r].first)
            Sit(TextLine(proto::kJoinTable, t.name), {{}, t.name, false, false, t.watchers_chat});
        if (b == rows[r].second)
            Sit(TextLine(proto::kWatchTable, t.name), {{}, t.name, false, true, t.watchers_chat});
    }
}

void LobbyScreen::FormEvent(const SDL_Event& event, const Button* pressed) {
    // Only the keys and the pointer are the form's: a redraw asked for here would come back.
    if (event.type != SDL_KEYDOWN && event.type != SDL_MOUSEBUTTONDOWN &&
        event.type != SDL_MOUSEBUTTONUP)
        return;
    const SDL_keysym* key = event.type == SDL_KEYDOWN ? &event.key.keysym : nullptr;
    const std::optional<TableRequest> made = form->Take(event, key, pressed);
    if (made) {
        profile.settings.values.players = made->seats;
        profile.settings.Save();
        Sit(CreateTableLine(*made), {{}, made->name, true, false, made->watchers_chat});
    }
    if (made || form->cancelled()) {
        form.reset();
        SDL_EnableUNICODE(unicode_before);
        SDL_EnableKeyRepeat(0, 0);
        ListButtons();
    }
    RequestRedraw();
}

bool LobbyScreen::ChatKey(const SDL_keysym& key) {
    if (!typing) {
        if (key.sym != SDLK_t || state != State::kInLobby) return false;
        typing = true;
        unicode_before = SDL_EnableUNICODE(1);
        RequestRedraw();
        return true;
    }
    if (key.sym == SDLK_RETURN || key.sym == SDLK_KP_ENTER) {
        const std::string clean = PrintableText(chat_field, kChatChars);
        if (!clean.empty()) exch.ClientSend(TextLine(proto::kLobbyChat, clean));
    }
    if (key.sym == SDLK_RETURN || key.sym == SDLK_KP_ENTER || key.sym == SDLK_ESCAPE) {
        chat_field.clear();
        typing = false;
        SDL_EnableUNICODE(unicode_before);
    } else if (key.sym == SDLK_BACKSPACE) {
        EraseChar(chat_field);
    } else {
        TypeChar(chat_field, key.unicode, Typeable::kLatin1, kChatChars);
    }
    RequestRedraw();
    return true;
}

void LobbyScreen::ToMenu(const std::string& why_t) {
    if (left) return;
    left = true;
    PostScreen(navigate::Menu(sdl, exch, profile, why_t));
}

bool LobbyScreen::AcceptEvent(SDL_Event& event) {
    if (event.type == SDL_QUIT) return true;
    if (connect && connect->Ends(event)) {
        Connected();
        return false;
    }
    if (rejoin.Follow(event)) ListButtons();
    if (exch.IsPlayerMessage() && exch.GetPlayerNum() == -1) {
        // Once the table's screen has the client, every line is its until it takes over.
        if (handed) {
            if (client->Receive(exch.GetPlayerMessage()))
                ToMenu(
                    Fill(Translate("line", "The server at %s closed the connection"), server.host));
        } else {
            Line(exch.GetPlayerMessage());
        }
        return false;
    }
    if (handed || left) return false;
    if (form) {
        FormEvent(event, ListEvent(form->buttons(), event));
        return false;
    }
    const Button* pressed = ButtonEvent(event);
    if (event.type == SDL_KEYDOWN && ChatKey(event.key.keysym)) return false;
    if (IsKey(event, SDLK_ESCAPE)) ToMenu("");
    if (pressed) Pressed(pressed);
    return false;
}

void LobbyScreen::Idle() {
    if (rejoin.Expire(SDL_GetTicks())) ListButtons();
    if (connect && SDL_GetTicks() - connect_started >= kConnectMs) {
        connect.reset();
        outcome = AsyncConnect::kNoAnswer;
        state = State::kFailed;
        RequestRedraw();
    }
    if (!form && shown == View::kTables && SDL_GetTicks() - listed_at >= kListMs) AskForList();
}

Uint32 LobbyScreen::NextWakeMs() const {
    const Uint32 now = SDL_GetTicks();
    const auto until = [now](Uint32 since, Uint32 span) {
        return now - since >= span ? 0 : span - (now - since);
    };
    Uint32 wake = rejoin.NextWakeMs(now);
    if (connect) wake = std::min(wake, until(connect_started, kConnectMs));
    if (state == State::kInLobby && !list_asked && !form && shown == View::kTables)
        wake = std::min(wake, until(listed_at, kListMs));
    return wake;
}

std::string LobbyScreen::StatusLine() const {
    switch (state) {
        case State::kConnecting:
            return Fill(Translate("line", "Connecting to %s ..."), server.host);
        case State::kEntering:
            return Fill(Translate("line", "Entering the lobby at %s ..."), server.host);
        case State::kSeating:
            return asked.watching ? Fill(Translate("line", "Watching %s ..."), asked.name)
                                  : Fill(Translate("line", "Taking a seat at %s ..."), asked.name);
        case State::kFailed:
            return ConnectFailure(outcome, server.host);
        case State::kInLobby:
            break;
    }
    if (form) return Fill(Translate("line", "A new table at %s"), server.host);
    if (!why.empty()) return why;
    switch (shown) {
        case View::kRatings:
            return Fill(Translate("line", "Best players at %s"), server.host);
        case View::kGames:
            return Fill(Translate("line", "Finished games at %s"), server.host);
        case View::kOwnGames:
            return Fill(Translate("line", "Your games at %s"), server.host);
        case View::kTables:
            break;
    }
    return Fill(Translate("line", "Tables at %s"), server.host);
}

void LobbyScreen::Draw() {
    ClearToTable(sdl, sdl.screen);
    const int fh = sdl.GetFontHeight(1);
    sdl.DrawString(sdl.screen, 1, 10, 10, StatusLine().c_str());
    const char* help =
        form ? Translate("line", "Type the name; Enter creates the table, Esc goes back")
        : shown == View::kTables
            ? Translate("line",
                        "Join or Watch a table: click, or Up, Down and Enter. "
                        "T: chat. Esc: menu")
            : Translate("line", "Click, or Up, Down and Enter. T: chat. Esc: menu");
    sdl.DrawString(sdl.screen, 1, 10, 10 + fh, help);
    if (form) {
        form->Draw();
        sdl.Present();
        return;
    }
    buttons.Draw(sdl, sdl.screen);
    if (shown != View::kTables) {
        const std::vector<std::string> rows_text = ShownRows();
        for (std::size_t r = 0; r < rows_text.size(); ++r)
            sdl.DrawString(sdl.screen, 1, 10, ListTop() + static_cast<int>(r) * RowHeight() + 2,
                           rows_text[r].c_str());
    }
    if (state == State::kInLobby && tables.empty() && shown == View::kTables)
        sdl.DrawString(sdl.screen, 1, 10, ListTop(),
                       Translate("line", "No tables yet: create one, and others can join it"));
    for (std::size_t r = 0; r < rows.size() && shown == View::kTables; ++r)
        sdl.DrawString(sdl.screen, 1, 10, ListTop() + static_cast<int>(r) * RowHeight() + 2,
                       RowText(tables[r]).c_str());
    if (tables.size() > rows.size() && shown == View::kTables)
        sdl.DrawString(sdl.screen, 1, 10, ListTop() + static_cast<int>(rows.size()) * RowHeight(),
                       Fill(Translate("line", "... and %d more"),
                            static_cast<int>(tables.size() - rows.size()))
                           .c_str());
    int y = sdl.h - 10 - static_cast<int>(kChatShown + 1) * fh;
    sdl.DrawString(sdl.screen, 1, 10, y,
                   typing ? ("> " + LastChars(chat_field, 80) + "_").c_str()
                          : Translate("line", "The lobby's chat (T to talk):"));
    for (const std::string& line : chat) sdl.DrawString(sdl.screen, 1, 10, y += fh, line.c_str());
    sdl.Present();
}

void LobbyScreen::Show(View v) {
    if (state != State::kInLobby) return;
    shown = v;
    if (v == View::kRatings) exch.ClientSend(CodeLine(proto::kListRatings));
    if (v == View::kGames) exch.ClientSend(CodeLine(proto::kListGames));
    if (v == View::kOwnGames) exch.ClientSend(TextLine(proto::kListGames, name_here));
    if (v == View::kTables) AskForList();
    ListButtons();
}

void LobbyScreen::RatingsLine(const Tokens& t) {
    const std::optional<RatedPlayer> rated = ReadRated(t, t.token(1) == proto::kRated ? 2 : 3);
    if (t.token(1) == proto::kRated) {
        if (rated && best_incoming.size() < 1000) best_incoming.push_back(*rated);
        return;
    }
    best.swap(best_incoming);
    best_incoming.clear();
    own_standing = rated;
    ListButtons();
}

void LobbyScreen::GamesLine(const Tokens& t) {
    if (t.token(1) == proto::kGameListed) {
        if (const auto game = ReadListedGame(t, 2); game && finished_incoming.size() < 1000)
            finished_incoming.push_back(*game);
        return;
    }
    finished.swap(finished_incoming);
    finished_incoming.clear();
    ListButtons();
}

std::vector<std::string> LobbyScreen::ShownRows() const {
    std::vector<std::string> out;
    const std::size_t most = static_cast<std::size_t>(RowsShown());
    if (shown == View::kRatings) {
        if (own_standing && own_standing->place > 0)
            out.push_back(Fill(Translate("line", "You: %d. %s, %d (%d games)"), own_standing->place,
                               own_standing->name, own_standing->rating, own_standing->games));
        else
            out.push_back(Translate("line", "You are not rated yet: finish a game with people"));
        for (const RatedPlayer& p : best)
            if (out.size() < most)
                out.push_back(Fill(Translate("line", "%d. %s, %d (%d games)"), p.place, p.name,
                                   p.rating, p.games));
        return out;
    }
    if (finished.empty()) out.push_back(Translate("line", "No finished game is kept here yet"));
    for (const ListedGame& g : finished)
        if (out.size() < most)
            out.push_back(Fill(Translate("line", "%s  %s: %s. Won: %s"), PlayedLabel(g.played),
                               g.table, g.players, g.winner));
    return out;
}

void LobbyScreen::RecordCame() {
    std::optional<GameRecord> record = fetched.Take();
    if (!record || left) {
        why = Translate("line", "That game could not be read");
        RequestRedraw();
        return;
    }
    // The connection stays in the lobby while the game is watched, and the lobby comes back.
    left = watching_again = true;
    PostScreen(navigate::Replay(
        sdl, exch, profile, *record,
        [this_server = server, &sdl = sdl, &exch = exch, &profile = profile] {
            return navigate::Lobby(sdl, exch, profile, this_server, true, "", true);
        }));
}
