// "Replays": the kept games, newest first, a page at a time (Page Up and Page Down turn it): each
// row the date, the players, the winner and where. A row opens the game to be watched again; Esc
// or "Back" returns to the menu.
#pragma once

#include <utility>
#include <vector>

#include "store/record_shelf.h"
#include "ui/screen.h"

// "2026-12-09 21:14  Anna, Computer 1  Won: Anna  Against the computer".
std::string RecordRow(const GameRecord& record);

class ReplayListScreen : public Screen {
  public:
    ReplayListScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t);
    bool AcceptEvent(SDL_Event& event) override;
    void Draw() override;

  private:
    // The rows from `first` on that fit, and "Back".
    void ShowPage();
    int RowsFit() const;

    std::vector<RecordShelf::Shelved> kept;
    std::size_t first = 0;
    std::vector<std::pair<const Button*, std::size_t>> rows;
    Button* button_back = nullptr;
    bool leaving = false;
};
