// Building small tables by hand for the rule tests.
#pragma once

#include <algorithm>
#include <iterator>

#include "game/tracker.h"

inline int face(int suit, int rank) {
    return suit * 13 + rank;
}
inline int black(int rank) {
    return face(0, rank);
}
inline int red(int rank) {
    return face(1, rank);
}

// A table holding only the cards put on it; card numbers are handed out in order.
struct Table {
    Table() { std::fill(std::begin(t.cards), std::end(t.cards), -1); }
    signed char put(int pile, int card_face) {
        signed char card = next++;
        t.pile[pile].push_back(card);
        t.cards[card] = card_face;
        return card;
    }
    Tracker t;
    int next = 0;
};

inline bool same_table(const Tracker& a, const Tracker& b) {
    return std::equal(std::begin(a.cards), std::end(a.cards), std::begin(b.cards)) &&
           std::equal(std::begin(a.pile), std::end(a.pile), std::begin(b.pile));
}
