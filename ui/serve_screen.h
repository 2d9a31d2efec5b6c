// Hosting a network game: the player count typed in, then the wait for the players.
#pragma once

#include <string>

#include "game/client.h"
#include "game/referee.h"
#include "ui/host_beacon.h"
#include "ui/text_entry_screen.h"

class ServeScreen : public TextEntryScreen {
  public:
    ServeScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t);

  private:
    void Enter() override;
};

// Hosts a game, joins it from this program and waits until every player has connected.
class DoServeScreen : public Screen {
  public:
    DoServeScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t, int port_t, int players_t);
    ~DoServeScreen() override;
    bool AcceptEvent(SDL_Event& event) override;
    void Draw() override;

  private:
    int port;
    int players;
    Server* server = nullptr;
    Client* client = nullptr;
    bool waiting = true;
    bool keep_values = false;
    const char* failure = "";
    // Where the others can reach this machine.
    std::string addresses;
    // Answers the searches of players on the local network while players are awaited.
    HostBeacon beacon;
};
