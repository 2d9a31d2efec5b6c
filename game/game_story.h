// The course of one game as one seat may know it: the referee's lines followed on a table of the
// story's own and told as events (the deal, each draw, each card laid and pile moved, who passed,
// joined, left, came back or won), and what the others did since that seat's own turn last ended.
// The same lines tell the same story, whether they came one by one or all at once after a rejoin.
#pragma once

#include <array>
#include <vector>

#include "exchange/players.h"
#include "exchange/tokens.h"
#include "game/seat_list.h"
#include "game/tracker.h"

struct StoryEvent {
    enum Kind : signed char {
        kBoardDealt,  // face, pile
        kHandDealt,   // seat, count
        kDrew,        // seat, count
        kLaid,        // seat, face, pile
        kSlidUnder,   // seat, face, pile
        kPileMoved,   // seat, from, pile
        kPassed,      // seat
        kJoined,      // seat
        kLeft,        // seat
        kBack,        // seat
        kWon,         // seat
    };
    static constexpr int kKinds = kWon + 1;

    Kind kind = kPassed;
    signed char seat = -1;
    signed char face = -1;
    // The board pile the card or pile went to, and the board pile moved.
    signed char pile = -1;
    signed char from = -1;
    signed char count = 0;

    bool operator==(const StoryEvent& o) const {
        return kind == o.kind && seat == o.seat && face == o.face && pile == o.pile &&
               from == o.from && count == o.count;
    }
};

// What a seat did last since the viewer's own turn ended.
struct SeatNews {
    enum Kind : signed char { kNothing, kPassed, kPlayed, kLeft, kBack };
    Kind kind = kNothing;
    int cards = 0;
    int piles = 0;
};

class GameStory {
  public:
    using Movers = std::array<signed char, kNumCards>;
    using News = std::array<SeatNews, kMaxPlayers>;
    // More than any game tells; a referee that sends more is not followed further.
    static constexpr std::size_t kMostEvents = 20000;

    GameStory() { Start(0, -1); }
    // A new game of `numplayers` as seat `viewer` sees it, from the deal on.
    void Start(int numplayers_t, int viewer_t);
    // Goes on from `at`, a table in play on `turn`, with what was told before it.
    void TakeUp(int numplayers_t, int viewer_t, int turn_t, const Tracker& at,
                std::vector<StoryEvent> told);
    // One line of the referee as the viewer received it, in the delivered form (its code at
    // token 1). Lines that tell nothing are passed over. A line whose records do not fit the
    // story's table ends the story: it follows nothing more until the next start (false).
    bool Follow(const Tokens& line);
    // The table the game holds, taken where the story's own differs from it.
    void Settle(const Tracker& table);

    const std::vector<StoryEvent>& events() const { return told; }
    // Each card another seat moved since the viewer's turn ended: that seat, or -1.
    const Movers& movers() const { return moved_by; }
    const News& news() const { return seat_news; }
    // Whether the story followed every line since its start.
    bool whole() const { return !lost; }
    const Tracker& table() const { return story_table; }

  private:
    bool IsSeat(int p) const { return p >= 0 && p < numplayers; }
    void Tell(StoryEvent e);
    // The records of `line` from token 3 on, applied to the story's table and told as `turn`'s.
    bool Moves(const Tokens& line, int mover);
    void Drew(const Tokens& line);
    void Played(const Tokens& line);
    void SeatsSaid(const Tokens& line);
    void Away(int p);
    // The cards `mover` moved between `before` and now are marked as its.
    void Mark(int mover, const Tracker& before, bool records);

    Tracker story_table;
    int numplayers = 0;
    int viewer = -1;
    int turn = -1;
    bool playing = false;
    bool lost = false;
    bool seats_known = false;
    std::array<int, kMaxPlayers> states{};
    std::vector<StoryEvent> told;
    Movers moved_by{};
    News seat_news{};
};
