// The Statistics screen: a table of the games finished, one row for each kind played. "Reset"
// asks first, then clears it. Esc or "Back" returns to the menu.
#pragma once

#include <array>
#include <string>

#include "store/statistics.h"
#include "ui/screen.h"

// How a kind of game reads on the screen ("Local, 3 players, Strong"), "" for no kind of ours.
std::string KindLabel(const std::string& kind);
// "Won 12 of 20 (60 %), streak 3".
std::string SummaryLine(const Tally& r);

class StatisticsScreen : public Screen {
  public:
    StatisticsScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t);
    bool AcceptEvent(SDL_Event& event) override;
    void Draw() override;

    // The table's columns: the kind of game, then six figures.
    static constexpr std::size_t kColumns = 7;

  private:
    // "Reset" and "Back", or, while asking, "Clear them" and "Keep them".
    void Ask(bool asking_t);
    void DrawTable(int y);

    bool asking = false;
    Button* button_reset;
    Button* button_back;
};
