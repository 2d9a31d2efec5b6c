#include "game/cards.h"

// Both use truncating division, so negative values are neither kings nor red.
bool is_king(int value) {
    return value <= 51 && value % kRanks == kKingRank;
}

bool is_red(int value) {
    return value <= 51 && (value / kRanks) % 2 == 1;
}
