// A card's face is 0..51: suit = face / 13 (suits 1 and 3 red), rank = face % 13 (12 the king).
// -1 stands for a face this copy of the table does not know.
#pragma once

constexpr int kNumCards = 52;
constexpr int kRanks = 13;
constexpr int kKingRank = 12;

// Both use truncating division, so negative values are neither kings nor red.
inline bool is_king(int value) {
    return value <= 51 && value % kRanks == kKingRank;
}
inline bool is_red(int value) {
    return value <= 51 && (value / kRanks) % 2 == 1;
}

// A face or card number in 0..51.
inline bool is_card(int value) {
    return value >= 0 && value < kNumCards;
}
