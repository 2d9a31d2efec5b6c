// The record of a game as one seat saw it, kept from the lines the referee sent that seat: the
// turns' records, the seats' names, the winner, and at the end the faces the seat came to know.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "exchange/tokens.h"
#include "game/game_record.h"

// A whole record sent line by line (456) and ended with its number and count (457), as a server
// sends a kept game; a record too long for any game is dropped.
class OfferedRecord {
  public:
    // One line as received (its code at token 1); whether it was one of a record's.
    bool Follow(const Tokens& line);
    // The record, once its end came and it reads; taken once.
    std::optional<GameRecord> Take();

    static constexpr std::size_t kMostLines = GameRecord::kMostTurns + 20;

  private:
    std::vector<std::string> lines;
    std::optional<GameRecord> done;
};

class SeatRecorder {
  public:
    // Where the games are played: the record's `where`, from the game in play on.
    void Place(const std::string& where);
    // A new game of `numplayers`, seen from `viewer`, from its first line on.
    void Start(int numplayers, int viewer);
    // One line as the client received it (its code at token 1). A line that does not fit the
    // turns kept so far, or a rejoin's record, leaves this game unkept.
    void Follow(const Tokens& line);
    // The game, once won and followed whole, with the faces `end` knows.
    std::optional<GameRecord> Finished(const Tracker& end) const;

  private:
    std::string place = "joined unknown";
    GameRecord record;
    bool whole = false;
    bool playing = false;
};
