// What the other players did since the own turn last ended: the cards they moved, marked, and a
// line for each of them ("Computer 1 played 3 cards", "Player 2 passed").
#pragma once

#include <array>
#include <string>

#include "exchange/players.h"
#include "game/tracker.h"

class OthersNews {
  public:
    using Marks = std::array<bool, kNumCards>;
    using Movers = std::array<signed char, kNumCards>;
    using Lines = std::array<std::string, kMaxPlayers>;

    // Another player's published play, applied to the table that was `before` and is `now`:
    // the cards it moved on the board are marked and its line is written with its `name`.
    // `records`: whether the line carried any (a line without is a pass; one whose records only
    // deal is no play).
    void Note(int mover, const std::string& name, const Tracker& before, const Tracker& now,
              bool records);
    // Player p, named `name`, left the game: its line says so, and who plays on.
    void Left(int p, const std::string& name);
    // Player p's person took the seat back after a dropped connection.
    void Back(int p, const std::string& name);
    // The marks have been seen (the own move); the lines stay until the own turn ends.
    void ClearMarks() { marked.fill(false); }
    void Clear();

    const Marks& marks() const { return marked; }
    // Who moved each marked card: a seat, or -1 where that is not known (a restored game).
    signed char mover_of(int card) const { return marked[card] ? movers[card] : -1; }
    const Lines& lines() const { return news; }
    const Movers& who_moved() const { return movers; }
    void Restore(const Marks& marks_t, const Lines& lines_t, const Movers& movers_t);
    // Every line, one after another.
    std::string Text() const;

  private:
    // What the mover did: "Bo passed", "Bo played 2 cards and moved 1 pile".
    static std::string Told(const std::string& name, bool records, int played, int piles);
    Marks marked{};
    std::array<signed char, kNumCards> movers{};
    Lines news;
};
