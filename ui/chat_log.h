// The chat of a network game, as the table shows it: the last few lines with their senders'
// names, each for a while, and the line the player is typing. It knows no pixels.
#pragma once

#include <SDL.h>

#include <deque>
#include <string>
#include <vector>

class ChatLog {
  public:
    static constexpr Uint32 kShowMs = 20000;
    static constexpr std::size_t kLines = 4;

    void Add(const std::string& line, Uint32 now);
    // The lines still shown at `now`, oldest first.
    std::vector<std::string> Shown(Uint32 now) const;
    // In how many milliseconds the oldest shown line goes; ~0 for never.
    Uint32 NextChangeMs(Uint32 now) const;
    void Clear() { lines.clear(); }

  private:
    struct Line {
        std::string text;
        Uint32 at;
    };
    std::deque<Line> lines;
};
