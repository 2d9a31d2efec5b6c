#include "ui/main_menu.h"

#include "ui/game_route.h"
#include "ui/navigation.h"
#include "ui/table_view.h"
#include "ui/texts.h"
#include "ui/thinking_thread.h"

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
    // Beside the first button, so that no button moves when a kept game comes or goes.
    if (saved)
        button_continue =
            buttons.AddButton(sdl, button_new->x + button_new->w + step / 2, button_new->y,
                              Translate("button", "Continue game"), true);
    button_serve = next(Translate("button", "Serve and join a game..."), 0);
    button_join = next(Translate("button", "Join a game..."), 0);
    button_server = next(Translate("button", "Play on a server..."), 0);
    button_chosen = next("", step / 2);
    button_players = next("", 0);
    button_strength = next("", 0);
    button_statistics = next(Translate("button", "Statistics"), step / 2);
    button_replays = next(Translate("button", "Replays"), 0);
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
    SeatComputers(*referee, players, strength_t);
    server = referee;
    client = new Client(exch);
    strength = strength_t;
}

void MainMenu::ContinueGame() {
    if (client || server || !saved) return;
    PostScreen(navigate::LocalGameFrom(sdl, exch, profile, *saved));
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
    if (b == button_join) PostScreen(navigate::JoinList(sdl, exch, profile));
    if (b == button_serve) PostScreen(navigate::HostPlayers(sdl, exch, profile));
    if (b == button_server) PostScreen(navigate::ServerEntry(sdl, exch, profile));
    if (b == button_statistics) PostScreen(navigate::Statistics(sdl, exch, profile));
    if (b == button_replays) PostScreen(navigate::Replays(sdl, exch, profile));
    if (b == button_settings) PostScreen(navigate::Settings(sdl, exch, profile));
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
    if (event.type == SDL_QUIT || IsKey(event, SDLK_ESCAPE)) return true;
    const Button* pressed = ButtonEvent(event);
    if (pressed == button_quit) return true;
    // A local game started: the next event shows it.
    if (pressed && Pressed(pressed)) return false;
    if (RouteMessage(exch, client, server)) {
        PostScreen(navigate::Menu(sdl, exch, profile));
        return false;
    }
    if (!keep_values && client && server) {
        PostScreen(navigate::Game(sdl, exch, profile, client, server, strength));
        keep_values = true;
    }
    return false;
}
