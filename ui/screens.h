// The main menu and the screens that set up a network game: the player count and the host name
// are typed in, then the host waits for its players or the joining player for the game.
#pragma once

#include <string>

#include "game/client_server.h"
#include "ui/screen.h"

// Hands the exchange's current player message to the referee (players 0 to 5) or to this
// program's client (-1), where there is one; true when the one that took it is done with the
// game (nobody left to referee, or the referee is gone).
bool RouteMessage(Exchange& exch, Client* client, Server* server);

class MainMenu : public Screen {
  public:
    MainMenu(SDL& sdl_t, Exchange& exch_t);
    ~MainMenu() override;
    bool AcceptEvent(SDL_Event& event) override;
    void Draw() override;

  private:
    Button* button_new;
    Button* button_join;
    Button* button_serve;
    Client* client = nullptr;
    Server* server = nullptr;
    // The game objects went to the game screen, which owns them now.
    bool keep_values = false;
};

// A one-line text field with a prompt and a help line; Return acts on the text.
class TextEntryScreen : public Screen {
  public:
    TextEntryScreen(SDL& sdl_t, Exchange& exch_t, const char* prompt_t, const char* help_t,
                    std::string text_t);
    ~TextEntryScreen() override;
    bool AcceptEvent(SDL_Event& event) override;
    void Draw() override;
    const std::string& typed() const { return text; }

  protected:
    // Return with a non-empty text.
    virtual void Enter() = 0;
    // Escape.
    virtual void Cancel();

    static constexpr int joinchars = 32;
    std::string text;

  private:
    const char* prompt;
    const char* help;
    int prevunicode;
};

class JoinScreen : public TextEntryScreen {
  public:
    JoinScreen(SDL& sdl_t, Exchange& exch_t);

  private:
    void Enter() override;
    void Cancel() override;
    // A screen change has been asked for: no second one.
    bool ignore_screen = false;
};

class ServeScreen : public TextEntryScreen {
  public:
    ServeScreen(SDL& sdl_t, Exchange& exch_t);

  private:
    void Enter() override;
};

// Connects to a host and waits for the game to begin.
class DoJoinScreen : public Screen {
  public:
    DoJoinScreen(SDL& sdl_t, Exchange& exch_t, int port_t, std::string hostnm_t);
    ~DoJoinScreen() override;
    bool AcceptEvent(SDL_Event& event) override;
    void Draw() override;

  private:
    void Leave();

    int port;
    std::string hostnm;
    Server* server = nullptr;
    Client* client = nullptr;
    bool keep_values = false;
    bool waiting = true;
    bool ignore_screen = false;
};

// Hosts a game, joins it from this program and waits until every player has connected.
class DoServeScreen : public Screen {
  public:
    DoServeScreen(SDL& sdl_t, Exchange& exch_t, int port_t, int players_t);
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
};
