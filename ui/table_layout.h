// Where the table's cards lie in a picture of w x h pixels: the eight board piles on a 3 x 3 grid
// around the centre, each fanned away from it in its own rotation, and the own hand in a row
// along the bottom. Positions are the top-left corners of the cards' 128 x 128 frames.
#pragma once

struct CardSpot {
    int x;
    int y;
    signed char rot;
};

// The card at `sequence` (0 the bottom card) of board pile `pilenum`.
CardSpot BoardSpot(int pilenum, int sequence, int w, int h);
// The hand card at `index` of `count`, from the left: up to a card's width apart while the row
// has room, closer as the hand grows; the first card stays where it is.
CardSpot HandSpot(int index, int count, int w, int h);
// The hand's row ends this far from the right edge, leaving room for the buttons after a game.
constexpr int kHandRoomRight = 260;
// How far a chosen hand card is lifted out of the row.
constexpr int kHandLift = 16;

// A player's place at the table: a box for the name, the hand's fan and the card count.
struct SeatBox {
    int x;
    int y;
    int w;
    int h;
};

// How many seats sit around the board for `viewer` of `players`: the others, or every seat for a
// watcher (-1).
inline int SeatsAround(int players, int viewer) {
    return viewer < 0 ? players : players - 1;
}
// The place of the `k`-th other player (0 the first clockwise from the player's left, then up and
// round to the right) of `others`, in the free space at the sides and the top.
SeatBox OtherSeat(int k, int others, int w, int h);
// The own name's plate, above the buttons and left of the hand.
SeatBox OwnSeat(int w, int h);
// The deck's frame, in the board's middle cell.
CardSpot DeckSpot(int w, int h);
