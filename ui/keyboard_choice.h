// The keyboard's choice on the table: a card of the own hand (Left, Right), a board pile (Tab,
// Shift+Tab) and a pile marked to be moved (Space). No choice shows before a key is used, nor
// after Hide until the next key.
#pragma once

#include <vector>

#include "game/tracker.h"

class KeyboardChoice {
  public:
    void Reset();
    // Hides the choices (the pointer is in use); whether they showed.
    bool Hide();
    bool shown() const { return visible; }
    void Show() { visible = true; }

    void ChooseHandCard(const std::vector<signed char>& hand, int step);
    void ChoosePile(int step);
    // Space: the chosen pile becomes the one to move, or no longer is. A pile that cannot move
    // (empty, or a corner pile, whose king goes on nothing) is refused; whether it was.
    bool MarkSource(const Tracker& t);
    // The mark goes whenever its pile changes.
    void ClearSource() { source = -1; }

    // The chosen hand card's number (the nearest one left), or -1.
    int ChosenCard(const std::vector<signed char>& hand) const;
    int chosen_pile() const { return pile; }
    int source_pile() const { return source; }

  private:
    int index = -1;
    int pile = -1;
    int source = -1;
    bool visible = false;
};
