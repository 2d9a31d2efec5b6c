// The table a rejoining player is handed: everything a client of that seat that never lost its
// connection would hold, in one line of integers.
#pragma once

#include <optional>
#include <string>

#include "game/tracker.h"
#include "game/turn_history.h"

class Tokens;

struct SeatTable {
    int numplayers = 0;
    int seat = 0;
    // Whose turn it is, -1 between turns of the deal.
    int turn = -1;
    // The referee's table as the seat sees it (SeenBy).
    Tracker table;
    TurnHistory history;
};

// The line of `code`: players, seat, turn, the history's four numbers, the 52 faces, then each
// pile's count and card numbers from the bottom.
std::string SeatTableLine(int code, const SeatTable& view);
// The view of such a line, its fields from token `first` on; none unless it is one a referee could
// send: every card number in one pile, the deck in dealing order, no hand beyond the game's, the
// faces known exactly on the board and in the seat's own hand, each known once, and the board piles
// runs of the rules. A watcher's table names seat -1 and holds no face off the board.
std::optional<SeatTable> ReadSeatTable(const Tokens& tokens, unsigned first, bool watcher = false);
