// The main menu: a local game, joining and hosting a network game, continuing a kept game, the
// statistics, the kept games, the settings, the rules, and the local game's player count and
// strength.
#pragma once

#include <optional>
#include <string>

#include "game/autoplay_server.h"
#include "game/client.h"
#include "game/referee.h"
#include "game/strategy.h"
#include "store/saved_game.h"
#include "ui/screen.h"

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
    Button* button_server;
    // Only while a saved game can be continued.
    Button* button_continue = nullptr;
    Button* button_statistics;
    Button* button_replays;
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
