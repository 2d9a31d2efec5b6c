#include "ui/table_layout.h"

#include <algorithm>

#include "game/tracker.h"
#include "gfx/sheet_geometry.h"

namespace {

constexpr int kHandY = 120;  // the hand's row, this far above the picture's bottom
constexpr int kHandX = 50;
constexpr int kHandStep = 18;  // the closest the cards come; at most a card apart (kCellW)

// Each board pile's home relative to the picture's centre, and the direction its cards fan out.
struct PileHome {
    int x, y, dx, dy;
};
constexpr PileHome kHomes[8] = {
    {-64, -166, 0, -1}, {38, -166, 1, -1}, {38, -64, 1, 0},    {38, 38, 1, 1},
    {-64, 38, 0, 1},    {-166, 38, -1, 1}, {-166, -64, -1, 0}, {-166, -166, -1, -1},
};

// How far the card at `sequence` lies from its pile's home: from the fifth card on they stack.
int fan(int sequence) {
    if (sequence == 0) return 0;
    if (sequence == 1) return 18;
    if (sequence <= 3) return 4 * sequence + 28;
    return 44;
}

}  // namespace

CardSpot BoardSpot(int pilenum, int sequence, int w, int h) {
    const PileHome& home = kHomes[pilenum - kFirstBoardPile];
    const int f = fan(sequence);
    return {w / 2 + home.x + f * home.dx, h / 2 + home.y + f * home.dy,
            static_cast<signed char>(pilenum - kFirstBoardPile)};
}

CardSpot HandSpot(int index, int count, int w, int h) {
    const int room = w - kHandRoomRight - kHandX;
    const int step = count > 1 ? std::clamp(room / (count - 1), kHandStep, kCellW) : 0;
    return {kHandX + index * step, h - kHandY, 0};
}

namespace {

constexpr int kSeatW = 180;
constexpr int kSeatH = 120;  // the name's plate over a fan of upright cards

enum SeatSlot { kLeft, kTopLeft, kTopRight, kRight, kBottom };

}  // namespace

SeatBox OtherSeat(int k, int others, int w, int h) {
    // Clockwise from the player's left; the top left lies under the text lines.
    static constexpr SeatSlot kSlots[5][5] = {{kTopRight},
                                              {kLeft, kRight},
                                              {kLeft, kTopRight, kRight},
                                              {kLeft, kTopLeft, kTopRight, kRight},
                                              {kBottom, kLeft, kTopLeft, kTopRight, kRight}};
    const SeatSlot slot = kSlots[std::clamp(others, 1, 5) - 1][std::clamp(k, 0, 4)];
    const int left = 10, right = w - 10 - kSeatW, middle = h / 2 - 50;
    switch (slot) {
        case kLeft:
            return {left, middle, kSeatW, kSeatH};
        case kTopLeft:
            return {left, middle - kSeatH - 8, kSeatW, kSeatH};
        case kTopRight:
            return {right, 10, kSeatW, kSeatH};
        case kBottom:
            return {left, h - kSeatH - 10, kSeatW, kSeatH};
        case kRight:
            break;
    }
    return {right, middle, kSeatW, kSeatH};
}

SeatBox OwnSeat(int, int h) {
    return {10, h - 113, 50, 20};
}

CardSpot DeckSpot(int w, int h) {
    return {w / 2 - 64, h / 2 - 64, 0};
}
