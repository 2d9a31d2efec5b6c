// A kept game watched again: the table with every hand face up, stepped through with the keys
// (Right and Left a move, Down and Up a turn, Home and End the start and the end), the moves
// sliding as they do in a game. "Play from here" starts a local game from the turn shown, in its
// seat, against the computer; Esc or "Back" returns.
#pragma once

#include <functional>

#include "game/game_record.h"
#include "ui/screen.h"
#include "ui/table_connectors.h"
#include "ui/table_view.h"

class ReplayScreen : public Screen {
  public:
    // `back_t` makes the screen that Back (or Esc) returns to.
    ReplayScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t, const GameRecord& record_t,
                 std::function<Screen*()> back_t);
    ~ReplayScreen() override;

    bool AcceptEvent(SDL_Event& event) override;
    void Draw() override;
    void Idle() override;
    Uint32 NextWakeMs() const override;
    bool Moving() const override;

    // The steps shown so far, of all of them.
    std::size_t shown_steps() const { return at; }
    std::size_t step_count() const { return replay.steps().size(); }

  private:
    void Key(SDLKey key);
    // One step on, its cards sliding.
    void Forward();
    // Straight to the table after `count` steps.
    void JumpTo(std::size_t count);
    // The play turn the table shows: the last step's, the first before any.
    int ShownTurn() const;
    void PlayFromHere();
    void Back();
    // What the view shows of the moment: texts, seats and the marks of the others' moves.
    void ShowMoment();
    Highlights Marks() const;
    TableTexts Texts() const;
    std::string SeatLabel(int p) const;

    GameRecord record;
    GameReplay replay;
    Tracker shown;
    std::size_t at = 0;
    // The seat at the bottom: the record's viewer, or seat 0.
    int bottom = 0;
    std::function<Screen*()> back;
    MyTrackerModify sliding;
    Button* button_play = nullptr;
    Button* button_back = nullptr;
    // The next screen has been asked for.
    bool leaving = false;
};
