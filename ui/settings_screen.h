// The Settings screen: every kept setting with its value. A click or Enter on one changes it;
// the name is typed on a screen of its own. Esc or "Back" returns to the menu.
#pragma once

#include "ui/text_entry_screen.h"

class SettingsScreen : public Screen {
  public:
    SettingsScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t);
    bool AcceptEvent(SDL_Event& event) override;
    void Draw() override;

  private:
    void ShowValues();
    void Pressed(const Button* b);
    void UseSuitColours(bool high_contrast);

    Button* button_name;
    Button* button_players;
    Button* button_strength;
    Button* button_fullscreen;
    Button* button_animations;
    Button* button_findable;
    Button* button_suits;
    Button* button_sound;
    Button* button_language;
    Button* button_back;
    // Below the buttons: the settings that change as the program is used.
    int info_y = 0;
};

// Types the player's name: printable Latin-1, at most Settings::kNameChars characters.
class NameScreen : public TextEntryScreen {
  public:
    NameScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t);

  private:
    void Enter() override;
    void Cancel() override;
};
