// The record of a game as one seat saw it, kept from the lines the referee sent that seat: the
// turns' records, the seats' names, the winner, and at the end the faces the seat came to know.
#pragma once

#include <optional>

#include "exchange/tokens.h"
#include "game/game_record.h"

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
