// The main menu and the screens that set up a network game: the player count and the host name
// are typed in, then the host waits for its players or the joining player for the game.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "game/autoplay_server.h"
#include "game/client.h"
#include "game/referee.h"
#include "game/strategy.h"
#include "net/async_connect.h"
#include "net/game_search.h"
#include "store/rejoin_ticket.h"
#include "ui/screen.h"
#include "ui/typed_text.h"

// Hands the exchange's current player message to the referee (players 0 to 5) or to this
// program's client (-1), where there is one; true when the one that took it is done with the
// game (nobody left to referee, or the referee is gone).
bool RouteMessage(Exchange& exch, Client* client, Server* server);

class MainMenu : public Screen {
  public:
    // `why`: a line telling why the program came back here, or "".
    MainMenu(SDL& sdl_t, Exchange& exch_t, Profile& profile_t, std::string why_t = "");
    ~MainMenu() override;
    bool AcceptEvent(SDL_Event& event) override;
    void Draw() override;
    const std::string& reason() const { return why; }

  private:
    // A new local game throws the saved one away, which counts as lost.
    void StartLocalGame(int players, Strategy strength);
    void ContinueGame();
    // Takes `referee` as this menu's local game, its computer seats played at `strength_t`.
    void AdoptLocalGame(ServerWithAutoPlay* referee, int players, Strategy strength_t);
    // Acts on a pressed button other than "Quit"; whether it started a local game.
    bool Pressed(const Button* b);
    void ShowChoices();

    Button* button_new;
    Button* button_join;
    Button* button_serve;
    // Only while a saved game can be continued.
    Button* button_continue = nullptr;
    Button* button_statistics;
    Button* button_settings;
    Button* button_rules;
    Button* button_players;
    Button* button_strength;
    Button* button_chosen;
    Button* button_quit;
    std::string why;
    Client* client = nullptr;
    Server* server = nullptr;
    Strategy strength = Strategy::kAuto;
    // The game objects went to the game screen, which owns them now.
    bool keep_values = false;
    std::optional<SavedGame> saved;
};

// A one-line text field with a prompt and a help line; Return acts on the text.
class TextEntryScreen : public Screen {
  public:
    // `limit`: the most characters the text may have; `typeable_t`: which.
    TextEntryScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t, const char* prompt_t,
                    const char* help_t, std::string text_t, int limit_t = joinchars,
                    Typeable typeable_t = Typeable::kAscii);
    ~TextEntryScreen() override;
    bool AcceptEvent(SDL_Event& event) override;
    void Draw() override;
    const std::string& typed() const { return text; }
    bool TakesText() const override { return true; }
    const std::string& refusal() const { return problem; }

  protected:
    // Return with a non-empty text.
    virtual void Enter() = 0;
    // Draws what the screen shows below the field, from BelowY() down.
    virtual void DrawBelow() {}
    int BelowY() const { return 10 + 6 * sdl.GetFontHeight(1); }
    // Escape.
    virtual void Cancel();

    static constexpr int joinchars = 32;
    std::string text;
    // Why the last Return did nothing, or "".
    std::string problem;

  private:
    // The characters the field takes: joinchars, or fewer where its prompt leaves less room.
    int FieldChars();

    const char* prompt;
    const char* help;
    Typeable typeable;
    int limit;
    int prevunicode;
};

// Asks for a host name, and lists the games on the local network that answer its search: a click,
// or Up, Down and Enter, joins one of them instead.
class JoinScreen : public TextEntryScreen {
  public:
    JoinScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t);
    bool AcceptEvent(SDL_Event& event) override;
    void Idle() override;
    Uint32 NextWakeMs() const override;
    // The games listed now.
    const std::vector<GameSearch::Found>& listed() const { return games; }

  private:
    void Enter() override;
    void Cancel() override;
    void DrawBelow() override;
    // The list follows the search: a row for each game heard, the keyboard's choice kept.
    void FollowSearch();
    void Join(int port, const std::string& host);
    // A screen change has been asked for: no second one.
    bool ignore_screen = false;
    GameSearch search;
    std::vector<GameSearch::Found> games;
    bool list_built = false;
    // The ticket back into a game left mid-play, offered above the games found.
    std::optional<RejoinTicket> ticket;
};

class ServeScreen : public TextEntryScreen {
  public:
    ServeScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t);

  private:
    void Enter() override;
};

// Connects to a host, without blocking the window, and waits for the game to begin. With a ticket
// it asks for the ticket's seat back instead, trying again for up to a minute while the host
// cannot be reached or has not yet heard that the seat's old connection ended.
class DoJoinScreen : public Screen {
  public:
    DoJoinScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t, int port_t,
                 std::string hostnm_t);
    // `dropped`: the connection of a game in play dropped just now ("reconnecting").
    DoJoinScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t, const RejoinTicket& ticket_t,
                 bool dropped_t);
    ~DoJoinScreen() override;
    bool AcceptEvent(SDL_Event& event) override;
    // Starts the attempt: its outcome must find this screen current.
    void Shown() override;
    void Draw() override;
    void Idle() override;
    Uint32 NextWakeMs() const override;

    // How long a connection may take before the attempt gives up.
    static constexpr Uint32 kConnectMs = 10000;
    // How long a seat is asked for again, and the pauses between the tries.
    static constexpr Uint32 kRejoinMs = 60000;
    static constexpr Uint32 kRetryMs = 500;
    std::string StatusLine() const;

  private:
    void Leave(const std::string& why);
    void Connected();
    // The connection closed before the game screen took over.
    void Closed();
    // Another try to take the seat back, after a pause, while the minute lasts.
    bool TryAgainLater();
    void StartAttempt();

    int port;
    std::string hostnm;
    std::optional<RejoinTicket> ticket;
    bool dropped = false;
    Uint32 first_try = 0;
    // When the next try to take the seat back is due, while one waits.
    std::optional<Uint32> retry_at;
    Server* server = nullptr;
    Client* client = nullptr;
    bool keep_values = false;
    bool waiting = true;
    // The menu has been asked for: no second one.
    bool left = false;
    std::unique_ptr<AsyncConnect> connect;
    Uint32 started = 0;
    AsyncConnect::Outcome outcome = AsyncConnect::kPending;
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
    std::unique_ptr<GameBeacon> beacon;
};

// This machine's own IPv4 addresses other than loopback, and its host name, for a host to tell.
std::string LocalAddresses();
