// The seats as the referee tells the clients that speak the extension: each player's name, and
// whether a person, the computer, or the computer for a person who is away plays the seat. Also
// the limit on how fast one player's chat lines are relayed.
#pragma once

#include <chrono>
#include <deque>
#include <string>
#include <vector>

#include "exchange/players.h"

class Tokens;

struct SeatInfo {
    enum State { kComputer = 0, kPerson = 1, kAway = 2 };
    std::string name;
    int state = kComputer;
};

// The most characters of a name and of a chat line.
constexpr std::size_t kNameChars = 16;
constexpr std::size_t kChatChars = 100;

// What seat p is called while nobody has named it: "Player p".
std::string UnnamedSeat(int p);
// The name seat `p` gets from `wanted`: printable Latin-1, at most kNameChars, blanks trimmed;
// "Player p" when nothing is left; a name another seat holds gets a number ("Anna 2").
std::string SeatName(int p, const std::string& wanted, const std::vector<SeatInfo>& seats);
// The names of the seats a person plays, joined by ", ": who is in.
std::string PeopleSeated(const std::vector<SeatInfo>& seats);
// The 401 line: the seat count, then per seat its state, the name's length and its characters.
std::string SeatsLine(const std::vector<SeatInfo>& seats);
// The seats of a 401 line of a game of `numplayers`; empty when the line is not one.
std::vector<SeatInfo> ReadSeats(const Tokens& tokens, int numplayers);

// At most kLines chat lines of one player in any kSpan: the rest are dropped.
class ChatGate {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kLines = 5;
    static constexpr std::chrono::seconds kSpan{10};

    // Whether seat p's line at `now` may go out; if so, it counts from now on.
    bool Admit(int p, Clock::time_point now);

  private:
    std::deque<Clock::time_point> sent[kMaxPlayers];
};
