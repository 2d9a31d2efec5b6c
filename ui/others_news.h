// What the other players did since the own turn last ended, as the game's story tells it: the
// cards they moved, marked, and a line for each of them ("Computer 1 played 3 cards", "Player 2
// passed").
#pragma once

#include <array>
#include <functional>
#include <string>

#include "game/game_story.h"

class OthersNews {
  public:
    using Marks = std::array<bool, kNumCards>;
    using Movers = GameStory::Movers;
    using Lines = std::array<std::string, kMaxPlayers>;

    // The story went on: each seat's line is written anew with its name from `name_of`; with
    // `marks`, the cards the others moved are marked as the story has them.
    void Follow(const GameStory& story, const std::function<std::string(int)>& name_of, bool marks);
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
    // What a seat did: "Bo passed", "Bo played 2 cards and moved 1 pile", "Bo left; ...".
    static std::string Told(const std::string& name, const SeatNews& said);
    Marks marked{};
    Movers movers{};
    Lines news;
};
