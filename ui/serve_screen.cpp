#include "ui/serve_screen.h"

#include "game/autoplay_server.h"
#include "ui/game_route.h"
#include "ui/navigation.h"
#include "ui/network_setup.h"
#include "ui/texts.h"

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

DoServeScreen::DoServeScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t, int port_t,
                             int players_t)
    : Screen(sdl_t, exch_t, profile_t),
      port(port_t),
      players(players_t),
      addresses(LocalAddresses()),
      beacon(profile_t.settings.values, port_t) {
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
    beacon.Follow(exch.GetPlayerWaitCount(), players);
    buttons.AddButton(sdl, 10, 10 + 6 * sdl.GetFontHeight(1),
                      Translate("button", "Start now with computer players"), true);
}

DoServeScreen::~DoServeScreen() {
    if (!keep_values && server) ReleaseGame(exch, client, server);
}

void DoServeScreen::Draw() {
    if (!waiting) {
        DrawWaiting(sdl, failure, {});
        return;
    }
    const int joined = players - exch.GetPlayerWaitCount();
    const std::string in = PeopleSeated(server->Seats());
    const std::string count = Fill(
        TranslatePlural("line", "Players joined: %d of %d", "Players joined: %d of %d", players),
        joined, players);
    DrawWaiting(sdl, Translate("line", "Still waiting for clients to connect..."),
                {in.empty() ? count : count + ": " + in,
                 Fill(Translate("line", "Others join at: %s, port %d"), addresses, port)},
                &buttons);
}

bool DoServeScreen::AcceptEvent(SDL_Event& event) {
    if (event.type == SDL_QUIT) return true;
    if (IsKey(event, SDLK_ESCAPE)) {
        PostScreen(navigate::Menu(sdl, exch, profile));
        return false;
    }
    if (exch.IsPlayerMessage() && exch.GetPlayerNum() != -1) RequestRedraw();
    beacon.Follow(exch.GetPlayerWaitCount(), players);
    // The computer takes every seat still empty, and the game starts.
    if (ButtonEvent(event) && exch.FillEmptySeats()) RequestRedraw();
    if (RouteMessage(exch, client, server)) {
        PostScreen(navigate::Menu(sdl, exch, profile));
        return false;
    }
    if (exch.GetPlayerWaitCount() == 0 && !keep_values && server && client) {
        PostScreen(navigate::Game(sdl, exch, profile, client, server));
        keep_values = true;
    }
    return false;
}
