#include "ui/screens.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <unistd.h>

#include "exchange/tokens.h"
#include "net/fastevents.h"
#include "ui/game_screen.h"
#include "ui/settings_screen.h"
#include "ui/statistics_screen.h"
#include "ui/table_view.h"
#include "ui/texts.h"

namespace {

constexpr int kPort = 1234;
// The host joins its own game over this address.
constexpr const char* kLoopback = "127.0.0.1";

bool is_key(const SDL_Event& event, SDLKey key) {
    return event.type == SDL_KEYDOWN && event.key.keysym.sym == key;
}

// The waiting screens' picture: a status line, how to leave, and more lines below.
void draw_waiting(SDL& sdl, const std::string& status, std::initializer_list<std::string> more,
                  ButtonList* buttons = nullptr) {
    ClearToTable(sdl, sdl.screen);
    const int h = sdl.GetFontHeight(1);
    sdl.DrawString(sdl.screen, 1, 10, 10, status.c_str());
    // Esc returns to the menu there; it never ends the program.
    sdl.DrawString(sdl.screen, 1, 10, 10 + h, Translate("line", "Press Esc to return to the menu"));
    int y = 10 + 3 * h;
    for (const std::string& line : more) {
        sdl.DrawString(sdl.screen, 1, 10, y, line.c_str());
        y += h;
    }
    if (buttons) buttons->Draw(sdl, sdl.screen);
    sdl.Present();
}

}  // namespace

std::string LocalAddresses() {
    std::string list;
    ifaddrs* all = nullptr;
    if (getifaddrs(&all) == 0) {
        for (const ifaddrs* a = all; a; a = a->ifa_next) {
            if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET) continue;
            const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
            if (ntohl(in->sin_addr.s_addr) >> 24 == 127) continue;
            char text[INET_ADDRSTRLEN];
            if (!inet_ntop(AF_INET, &in->sin_addr, text, sizeof text)) continue;
            list += (list.empty() ? "" : ", ") + std::string(text);
        }
        freeifaddrs(all);
    }
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) == 0 && name[0])
        list += (list.empty() ? "" : ", ") + std::string(name);
    return list;
}

bool RouteMessage(Exchange& exch, Client* client, Server* server) {
    if (!exch.IsPlayerMessage()) return false;
    if (exch.GetPlayerNum() == -1) return client && client->Receive(exch.GetPlayerMessage());
    return server && server->Receive(exch.GetPlayerNum(), exch.GetPlayerMessage());
}

// ---- The main menu ----

MainMenu::MainMenu(SDL& sdl_t, Exchange& exch_t, Profile& profile_t, std::string why_t)
    : Screen(sdl_t, exch_t, profile_t), why(std::move(why_t)) {
    SavedGame game;
    if (profile.saved_game.Load(game)) saved = game;
    // One column, half a button's gap before the local game's choices and before "Quit".
    int y = 4 * sdl.GetFontHeight(1) + 10;
    const int step = static_cast<int>(sdl.GetButtonHeight());
    auto next = [&](const char* text, int gap) {
        y += gap;
        Button* b = buttons.AddButton(sdl, 10, y, text, true);
        y += step;
        return b;
    };
    button_new = next(Translate("button", "New game (local, 2 players)"), 0);
    button_serve = next(Translate("button", "Serve and join a game..."), 0);
    button_join = next(Translate("button", "Join a game..."), 0);
    if (saved) button_continue = next(Translate("button", "Continue game"), 0);
    button_chosen = next("", step / 2);
    button_players = next("", 0);
    button_strength = next("", 0);
    button_statistics = next(Translate("button", "Statistics"), step / 2);
    button_settings = next(Translate("button", "Settings"), 0);
    button_rules = next(Translate("button", "Rules"), 0);
    button_quit = next(Translate("button", "Quit"), step / 2);
    ShowChoices();
}

// The choice buttons' labels follow the choice; a click on either changes it.
void MainMenu::ShowChoices() {
    const Settings& chosen = profile.settings.values;
    const int players = chosen.players;
    button_chosen->text = Fill(Translate("button", "New game (local, %d players, %s)"), players,
                               StrengthLabel(chosen.strength));
    button_players->text = Fill(Translate("button", "Players: %d"), players);
    button_strength->text =
        Fill(Translate("button", "Computer players: %s"), StrengthLabel(chosen.strength));
    for (Button* b : {button_chosen, button_players, button_strength})
        b->w = static_cast<int>(sdl.GetButtonWidth(b->text.c_str()));
}

void MainMenu::StartLocalGame(int players, Strategy strength_t) {
    if (client || server) return;
    if (saved) {
        profile.statistics.Count(saved->Kind(), false, saved->own_turns);
        profile.saved_game.Remove();
        saved.reset();
    }
    exch.EnterLocalMode(players);
    AdoptLocalGame(new ServerWithAutoPlay(players, exch), players, strength_t);
}

void MainMenu::AdoptLocalGame(ServerWithAutoPlay* referee, int players, Strategy strength_t) {
    for (int seat = 1; seat < players; ++seat) referee->SetStrategy(seat, strength_t);
    server = referee;
    client = new Client(exch);
    strength = strength_t;
}

void MainMenu::ContinueGame() {
    if (client || server || !saved) return;
    exch.EnterLocalMode(saved->at.numplayers);
    AdoptLocalGame(new ServerWithAutoPlay(saved->at, exch), saved->at.numplayers, saved->strength);
    // The referee sends nothing until the player's play: the game screen takes it up at once.
    PostScreen(new GameScreen(sdl, exch, profile, client, server, saved->strength, &*saved));
    keep_values = true;
}

MainMenu::~MainMenu() {
    if (!keep_values && (client || server)) ReleaseGame(exch, client, server);
}

bool MainMenu::Pressed(const Button* b) {
    Settings& chosen = profile.settings.values;
    if (b == button_new || b == button_chosen) {
        if (b == button_new)
            StartLocalGame(2, Strategy::kAuto);
        else
            StartLocalGame(chosen.players, chosen.strength);
        return true;
    }
    if (b == button_continue) {
        ContinueGame();
        return true;
    }
    if (b == button_players || b == button_strength) {
        if (b == button_players) chosen.players = NextPlayerCount(chosen.players);
        if (b == button_strength) chosen.strength = OtherStrength(chosen.strength);
        profile.settings.Save();
        ShowChoices();
        RequestRedraw();
    }
    if (b == button_join) PostScreen(new JoinScreen(sdl, exch, profile));
    if (b == button_serve) PostScreen(new ServeScreen(sdl, exch, profile));
    if (b == button_statistics) PostScreen(new StatisticsScreen(sdl, exch, profile));
    if (b == button_settings) PostScreen(new SettingsScreen(sdl, exch, profile));
    if (b == button_rules) Exchange::PushLocalMessage(EXCH_RULES, nullptr, nullptr);
    return false;
}

void MainMenu::Draw() {
    ClearToTable(sdl, sdl.screen);
    sdl.DrawString(sdl.screen, 1, 10, 10, Translate("line", "Welcome to Velmora!"));
    sdl.DrawString(sdl.screen, 1, 10, 10 + sdl.GetFontHeight(1),
                   Fill(Translate("line", "Version %s"), VELMORA_VERSION).c_str());
    buttons.Draw(sdl, sdl.screen);
    const int below = button_quit->y + button_quit->h + sdl.GetFontHeight(1);
    sdl.DrawString(sdl.screen, 1, 10, below, why.c_str());
    sdl.Present();
}

bool MainMenu::AcceptEvent(SDL_Event& event) {
    if (event.type == SDL_QUIT || is_key(event, SDLK_ESCAPE)) return true;
    const Button* pressed = ButtonEvent(event);
    if (pressed == button_quit) return true;
    // A local game started: the next event shows it.
    if (pressed && Pressed(pressed)) return false;
    if (RouteMessage(exch, client, server)) {
        PostScreen(new MainMenu(sdl, exch, profile));
        return false;
    }
    if (!keep_values && client && server) {
        PostScreen(new GameScreen(sdl, exch, profile, client, server, strength));
        keep_values = true;
    }
    return false;
}

// ---- Typing a host name or a player count ----

TextEntryScreen::TextEntryScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t,
                                 const char* prompt_t, const char* help_t, std::string text_t,
                                 int limit_t, Typeable typeable_t)
    : Screen(sdl_t, exch_t, profile_t),
      text(std::move(text_t)),
      prompt(prompt_t),
      help(help_t),
      typeable(typeable_t),
      limit(limit_t),
      prevunicode(SDL_EnableUNICODE(1)) {
    SDL_EnableKeyRepeat(500, 30);
}

TextEntryScreen::~TextEntryScreen() {
    SDL_EnableUNICODE(prevunicode);
    SDL_EnableKeyRepeat(0, 0);
}

int TextEntryScreen::FieldChars() {
    const int x = 10 + sdl.GetStringWidth(1, prompt);
    int chars = limit;
    while (chars > 1 && x + static_cast<int>(sdl.GetTextInputWidth(chars)) > sdl.w - 10) --chars;
    return chars;
}

void TextEntryScreen::Draw() {
    ClearToTable(sdl, sdl.screen);
    const int x = 10 + sdl.DrawString(sdl.screen, 1, 10, 10, prompt);
    sdl.DrawTextInput(sdl.screen, x, 10, FieldChars(), (text + "_").c_str());
    const int h = sdl.GetFontHeight(1);
    sdl.DrawString(sdl.screen, 1, 10, 10 + 2 * h, help);
    sdl.DrawString(sdl.screen, 1, 10, 10 + 4 * h, problem.c_str());
    DrawBelow();
    sdl.Present();
}

void TextEntryScreen::Cancel() {
    PostScreen(new MainMenu(sdl, exch, profile));
}

bool TextEntryScreen::AcceptEvent(SDL_Event& event) {
    if (event.type == SDL_QUIT) return true;
    if (event.type != SDL_KEYDOWN) return false;
    const SDL_keysym& key = event.key.keysym;
    if (key.sym == SDLK_RETURN) {
        if (!text.empty()) Enter();
    } else if (key.sym == SDLK_ESCAPE) {
        Cancel();
    } else if (key.sym == SDLK_BACKSPACE) {
        if (EraseChar(text)) RequestRedraw();
    } else if (TypeChar(text, key.unicode, typeable, FieldChars())) {
        RequestRedraw();
    }
    return false;
}

JoinScreen::JoinScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t)
    : TextEntryScreen(sdl_t, exch_t, profile_t, Translate("line", "Enter host name: "),
                      Translate("line", "Press Enter when Done or Esc to Cancel"),
                      profile_t.settings.values.last_host),
      search(kSearchPort,
             [] {
                 // Never waits for room: the screen thread, which makes room, may be joining the
                 // search's thread.
                 SDL_Event redraw{};
                 redraw.type = SDL_USEREVENT;
                 redraw.user.code = EXCH_REDRAW;
                 return FE_TryPushEvent(&redraw);
             }),
      ticket(profile_t.rejoin.Load()) {
    FollowSearch();
}

void JoinScreen::Enter() {
    profile.settings.values.last_host = CleanHost(text);
    profile.settings.Save();
    Join(kPort, text);
}

void JoinScreen::Join(int port, const std::string& host) {
    if (ignore_screen) return;
    ignore_screen = true;
    PostScreen(new DoJoinScreen(sdl, exch, profile, port, host));
}

bool JoinScreen::AcceptEvent(SDL_Event& event) {
    if (event.type == SDL_USEREVENT && event.user.code == EXCH_REDRAW) FollowSearch();
    if (const Button* b = ButtonEvent(event)) {
        int row = ticket ? -1 : 0;
        for (const Button* listed : buttons.buttons) {
            if (listed == b && row == -1 && !ignore_screen) {
                ignore_screen = true;
                PostScreen(new DoJoinScreen(sdl, exch, profile, *ticket, false));
            } else if (listed == b) {
                Join(games[row].offer.port, games[row].address);
            }
            ++row;
        }
        return false;
    }
    return TextEntryScreen::AcceptEvent(event);
}

void JoinScreen::FollowSearch() {
    const std::vector<GameSearch::Found> heard = search.Games(SDL_GetTicks());
    const auto same = [](const GameSearch::Found& a, const GameSearch::Found& b) {
        return a.address == b.address && a.offer.port == b.offer.port &&
               a.offer.name == b.offer.name && a.offer.joined == b.offer.joined;
    };
    if (list_built && std::equal(heard.begin(), heard.end(), games.begin(), games.end(), same))
        return;
    list_built = true;
    int chosen = -1, row = 0;
    for (const Button* b : buttons.buttons) {
        if (b == buttons.focus) chosen = row;
        ++row;
    }
    games = heard;
    buttons.Clear();
    const int h = static_cast<int>(sdl.GetButtonHeight());
    row = 0;
    if (ticket) {
        Button* b = buttons.AddButton(
            sdl, 10, BelowY() + 2 * sdl.GetFontHeight(1),
            Fill(Translate("button", "Rejoin the game at %s"), ticket->host), true);
        if (row++ == chosen) buttons.focus = b;
    }
    for (const GameSearch::Found& g : games) {
        const std::string at = g.offer.port == kPort
                                   ? Fill(Translate("button", "%s at %s"), g.offer.name, g.address)
                                   : Fill(Translate("button", "%s at %s, port %d"), g.offer.name,
                                          g.address, g.offer.port);
        const std::string label = Fill(
            TranslatePlural("button", "%s: %d of %d player", "%s: %d of %d players", g.offer.seats),
            at, g.offer.joined, g.offer.seats);
        Button* b =
            buttons.AddButton(sdl, 10, BelowY() + 2 * sdl.GetFontHeight(1) + row * h, label, true);
        if (row++ == chosen) buttons.focus = b;
    }
    RequestRedraw();
}

void JoinScreen::Idle() {
    FollowSearch();
}

Uint32 JoinScreen::NextWakeMs() const {
    return search.NextDropMs(SDL_GetTicks());
}

void JoinScreen::DrawBelow() {
    const int y = BelowY();
    const char* title = games.empty()
                            ? Translate("line", "Searching the local network for games...")
                            : Translate("line",
                                        "Games on the local network: click one, or choose it "
                                        "with Up and Down and press Enter");
    sdl.DrawString(sdl.screen, 1, 10, y, title);
    buttons.Draw(sdl, sdl.screen);
}

void JoinScreen::Cancel() {
    if (ignore_screen) return;
    ignore_screen = true;
    TextEntryScreen::Cancel();
}

ServeScreen::ServeScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t)
    : TextEntryScreen(sdl_t, exch_t, profile_t,
                      Translate("line", "Enter number of players total: "),
                      Translate("line", "Press Enter when Done or Esc to cancel"), "2") {}

void ServeScreen::Enter() {
    const int n = string_to_int(text);
    if (n > 1 && n < 6) {
        PostScreen(new DoServeScreen(sdl, exch, profile, kPort, n));
        return;
    }
    problem = Translate("line", "Enter a number from 2 to 5");
    RequestRedraw();
}

// ---- Waiting for a network game ----

DoJoinScreen::DoJoinScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t, int port_t,
                           std::string hostnm_t)
    : Screen(sdl_t, exch_t, profile_t), port(port_t), hostnm(std::move(hostnm_t)) {}

DoJoinScreen::DoJoinScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t,
                           const RejoinTicket& ticket_t, bool dropped_t)
    : Screen(sdl_t, exch_t, profile_t),
      port(ticket_t.port),
      hostnm(ticket_t.host),
      ticket(ticket_t),
      dropped(dropped_t) {}

DoJoinScreen::~DoJoinScreen() {
    if (!keep_values) ReleaseGame(exch, client, server);
}

std::string DoJoinScreen::StatusLine() const {
    if (ticket && (outcome == AsyncConnect::kPending || waiting))
        return dropped ? Translate("line", "Connection lost: reconnecting...")
                       : Fill(Translate("line", "Rejoining the game at %s ..."), hostnm);
    switch (outcome) {
        case AsyncConnect::kPending:
            return Fill(Translate("line", "Connecting to %s ..."), hostnm);
        case AsyncConnect::kConnected:
            return waiting ? Translate("line", "Please wait a moment...")
                           : Translate("line", "Error: couldn't connect to server!");
        case AsyncConnect::kUnknownHost:
            return Fill(Translate("line", "Error: no host is known by the name %s"), hostnm);
        case AsyncConnect::kNotAHost:
            return Fill(
                Translate("line",
                          "Error: %s is no host's address: type the host's name or address"),
                hostnm);
        case AsyncConnect::kRefused:
            return Fill(Translate("line", "Error: %s refused: no game is hosted there"), hostnm);
        case AsyncConnect::kNoAnswer:
            return Fill(Translate("line", "Error: no answer from %s within 10 seconds"), hostnm);
        case AsyncConnect::kFailed:
            break;
    }
    return Translate("line", "Error: couldn't connect to server!");
}

void DoJoinScreen::Shown() {
    if (outcome != AsyncConnect::kPending || connect || left || retry_at) return;
    first_try = SDL_GetTicks();
    StartAttempt();
}

void DoJoinScreen::StartAttempt() {
    retry_at.reset();
    outcome = AsyncConnect::kPending;
    connect = std::make_unique<AsyncConnect>(hostnm, port);
    started = SDL_GetTicks();
}

void DoJoinScreen::Draw() {
    const bool asking = ticket && !left && (connect || retry_at || client);
    draw_waiting(
        sdl, StatusLine(),
        {asking ? Translate("line", "The host keeps your seat; trying again for up to a minute")
                : ""});
}

// Back to the menu, once. The connection this screen opened closes with it (ReleaseGame), or the
// next join would be refused.
void DoJoinScreen::Leave(const std::string& why) {
    if (left) return;
    left = true;
    connect.reset();
    PostScreen(new MainMenu(sdl, exch, profile, why));
}

bool DoJoinScreen::TryAgainLater() {
    if (!ticket || SDL_GetTicks() - first_try >= kRejoinMs) return false;
    retry_at = SDL_GetTicks() + kRetryMs;
    RequestRedraw();
    return true;
}

void DoJoinScreen::Connected() {
    outcome = connect->outcome();
    if (outcome == AsyncConnect::kConnected && exch.ClientAdopt(connect->TakeSocket())) {
        client = new Client(exch);
        client->SetName(profile.settings.values.name);
        if (ticket)
            client->Rejoin(ticket->seat, ticket->secret);
        else
            client->AskToJoin();
    } else if (outcome == AsyncConnect::kConnected) {
        waiting = false;
    } else if (outcome != AsyncConnect::kUnknownHost && outcome != AsyncConnect::kNotAHost) {
        TryAgainLater();
    }
    connect.reset();
    RequestRedraw();
}

void DoJoinScreen::Closed() {
    const int refusal = client->refusal();
    const bool again = ticket && client->MayRejoinAgain();
    ReleaseGame(exch, client, server);
    client = nullptr;
    if (again && TryAgainLater()) return;
    if (ticket && refusal != -1) {
        // The game holds the seat no more: the ticket is of no use.
        profile.rejoin.Remove();
        Leave(Fill(Translate("line", "The game at %s no longer holds your seat"), hostnm));
        return;
    }
    if (ticket) {
        Leave(Fill(Translate("line", "Could not get back into the game at %s"), hostnm));
        return;
    }
    // A host that closes before its first line, or refuses, has no seat left: its game is full.
    Leave(Fill(Translate("line", "The game at %s has already begun"), hostnm));
}

Uint32 DoJoinScreen::NextWakeMs() const {
    const Uint32 now = SDL_GetTicks();
    if (retry_at) return *retry_at > now ? *retry_at - now : 0;
    if (!connect) return kNoWake;
    const Uint32 waited = now - started;
    return waited >= kConnectMs ? 0 : kConnectMs - waited;
}

void DoJoinScreen::Idle() {
    if (retry_at && SDL_GetTicks() >= *retry_at) {
        StartAttempt();
        RequestRedraw();
        return;
    }
    if (!connect || SDL_GetTicks() - started < kConnectMs) return;
    // Abandoned, the attempt ends at once.
    connect.reset();
    outcome = AsyncConnect::kNoAnswer;
    if (!TryAgainLater()) RequestRedraw();
}

bool DoJoinScreen::AcceptEvent(SDL_Event& event) {
    if (event.type == SDL_QUIT) return true;
    if (is_key(event, SDLK_ESCAPE)) {
        Leave("");
        return false;
    }
    if (connect && connect->Ends(event)) {
        Connected();
        return false;
    }
    if (!exch.IsPlayerMessage() || exch.GetPlayerNum() != -1 || !client) return false;
    if (client->Receive(exch.GetPlayerMessage())) {
        // Also after the game screen has been asked for: it is replaced at once, and its
        // destructor frees the client.
        if (keep_values)
            Leave(Translate("line", "The host left the game"));
        else
            Closed();
        return false;
    }
    // A refusal comes before the close.
    if (keep_values || left || client->refusal() != -1) return false;
    auto* game = new GameScreen(sdl, exch, profile, client, server);
    game->JoinedAt(hostnm, port, ticket ? std::optional<SeatSecret>(ticket->secret) : std::nullopt);
    PostScreen(game);
    keep_values = true;
    return false;
}

DoServeScreen::DoServeScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t, int port_t,
                             int players_t)
    : Screen(sdl_t, exch_t, profile_t),
      port(port_t),
      players(players_t),
      addresses(LocalAddresses()) {
    if (!exch.EnterServerMode(port, players)) {
        waiting = false;
        failure = Translate("line", "Error: port 1234 is in use: is a game hosted here already?");
        return;
    }
    if (!exch.ClientConnect(kLoopback, port)) {
        // Nobody can join a game its host cannot: the port is given back at once.
        exch.ServerDisable();
        waiting = false;
        failure = Translate("line", "Error: can't start server and connect to it!");
        return;
    }
    server = new ServerWithAutoPlay(players, exch);
    client = new Client(exch);
    client->SetName(profile.settings.values.name);
    client->AskToJoin();
    if (profile.settings.values.findable)
        beacon =
            std::make_unique<GameBeacon>(GameOffer{profile.settings.values.name, port, 0, players});
    buttons.AddButton(sdl, 10, 10 + 6 * sdl.GetFontHeight(1),
                      Translate("button", "Start now with computer players"), true);
}

DoServeScreen::~DoServeScreen() {
    if (!keep_values && server) ReleaseGame(exch, client, server);
}

void DoServeScreen::Draw() {
    if (!waiting) {
        draw_waiting(sdl, failure, {});
        return;
    }
    const int joined = players - exch.GetPlayerWaitCount();
    const std::string in = PeopleSeated(server->Seats());
    const std::string count = Fill(
        TranslatePlural("line", "Players joined: %d of %d", "Players joined: %d of %d", players),
        joined, players);
    draw_waiting(sdl, Translate("line", "Still waiting for clients to connect..."),
                 {in.empty() ? count : count + ": " + in,
                  Fill(Translate("line", "Others join at: %s, port %d"), addresses, port)},
                 &buttons);
}

bool DoServeScreen::AcceptEvent(SDL_Event& event) {
    if (event.type == SDL_QUIT) return true;
    if (is_key(event, SDLK_ESCAPE)) {
        PostScreen(new MainMenu(sdl, exch, profile));
        return false;
    }
    if (exch.IsPlayerMessage() && exch.GetPlayerNum() != -1) RequestRedraw();
    if (beacon) beacon->SetJoined(players - exch.GetPlayerWaitCount());
    // The computer takes every seat still empty, and the game starts.
    if (ButtonEvent(event) && exch.FillEmptySeats()) RequestRedraw();
    if (RouteMessage(exch, client, server)) {
        PostScreen(new MainMenu(sdl, exch, profile));
        return false;
    }
    if (exch.GetPlayerWaitCount() == 0 && !keep_values && server && client) {
        PostScreen(new GameScreen(sdl, exch, profile, client, server));
        keep_values = true;
    }
    return false;
}
