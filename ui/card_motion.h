// Cards sliding across the table. The game's table moves on at once; the picture follows it one
// step after another: each step is a table as it stood after a move, with the cards that move
// to reach it. It knows no rules and draws nothing: only which cards fly from where to where, and
// when.
#pragma once

#include <SDL.h>

#include <deque>
#include <vector>

#include "game/tracker.h"
#include "gfx/sound_names.h"
#include "store/settings.h"
#include "ui/table_layout.h"

// One card's way across the table: the frame's corner and rotation where it sets off and where it
// lands, and how long after its step begins it sets off (a dealt hand leaves the deck card by
// card).
// How long a card takes to cross the table at each pace.
Uint32 PaceMs(Pace pace);

struct Flight {
    signed char card;
    CardSpot from;
    CardSpot to;
    Uint32 delay = 0;
};

// Where a flying card is drawn at one moment.
struct FlyingCard {
    signed char card;
    CardSpot at;
};

class CardMotion {
  public:
    // How long one move takes; 0 shows every change at once.
    void SetMoveMs(Uint32 ms) { move_ms = ms; }
    bool off() const { return move_ms == 0; }
    // Queues a step of seat `mover` (-1: nobody's, as a deal) that leads to `after`, sounding
    // `landing` as it ends. With `join`, the flights join the last step, each setting off a little
    // after the one before: the cards of a deal leave together, and sound once.
    void Add(const Tracker& after, std::vector<Flight> flights, bool join, Uint32 now,
             SoundName landing, int mover);
    // Adds `sound` to the end of the last step; false when nothing moves.
    bool SoundAtEnd(SoundName sound);
    // Ends the steps that are over at `now` and begins the next; whether the table to show
    // changed. The sounds of the steps that ended are added to `landed`.
    bool Advance(Uint32 now, std::vector<SoundName>& landed);
    // Every step ends at once; the sounds of the last, which ends the picture, are returned.
    std::vector<SoundName> Finish();
    bool Busy() const { return !steps.empty(); }
    // The table the running step leads to; null when nothing moves.
    const Tracker* Showing() const { return steps.empty() ? nullptr : &steps.front().after; }
    // The seat whose move the running step shows; -1 for nobody's or when nothing moves.
    int ShowingMover() const { return steps.empty() ? -1 : steps.front().mover; }
    // The running step's cards that have not landed by `now`, where they are.
    std::vector<FlyingCard> Flying(Uint32 now) const;
    // Whether `card` flies at `now`: it is drawn by Flying, not in its pile. A card of the
    // running step that has landed lies in its pile while the others of its step still fly.
    bool Flies(int card, Uint32 now) const;
    // Whether `card` moves in a step that has not ended: its marks wait until it lands.
    bool Moves(int card) const;
    // How long until the next frame is due while cards move.
    static constexpr Uint32 kFrameMs = 16;

  private:
    struct Step {
        Tracker after;
        std::vector<Flight> flights;
        Uint32 start = 0;
        Uint32 length = 0;
        std::vector<SoundName> sounds;
        int mover = -1;
    };
    bool Landed(const Step& step, const Flight& f, Uint32 now) const;

    Uint32 move_ms = 0;
    std::deque<Step> steps;
};
