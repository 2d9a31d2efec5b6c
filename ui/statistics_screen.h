// The Statistics screen: a table of the games finished, one row for each kind played. "Reset"
// asks first, then clears it. Esc or "Back" returns to the menu.
#pragma once

#include "ui/screens.h"

class StatisticsScreen : public Screen {
  public:
    StatisticsScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t);
    bool AcceptEvent(SDL_Event& event) override;
    void Draw() override;

    // The table's columns, from the left: where each starts.
    static constexpr int kColumns[] = {10, 300, 380, 440, 520, 640, 710};

  private:
    // "Reset" and "Back", or, while asking, "Clear them" and "Keep them".
    void Ask(bool asking_t);
    void DrawTable(int y);

    bool asking = false;
    Button* button_reset;
    Button* button_back;
};
