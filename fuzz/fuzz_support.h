// What every fuzz target shares: the invariants of a table, and a failure that stops the run.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "game/cards.h"
#include "game/tracker.h"

// A broken invariant: report it and abort, which the fuzzer and the replay both count as a crash.
[[noreturn]] inline void broken(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

// Every card number lies in exactly one pile, and every face is unknown or a face.
inline void check_table(const Tracker& t) {
    int seen[kNumCards] = {};
    for (const auto& pile : t.pile)
        for (signed char n : pile) {
            if (!is_card(n)) broken("a pile holds something that is no card number");
            ++seen[n];
        }
    for (int n = 0; n < kNumCards; ++n) {
        if (seen[n] != 1) broken("a card number is not in exactly one pile");
        if (t.cards[n] != -1 && !is_card(t.cards[n])) broken("a face out of range");
    }
}

inline bool same_table(const Tracker& a, const Tracker& b) {
    for (int n = 0; n < kNumCards; ++n)
        if (a.cards[n] != b.cards[n]) return false;
    for (int p = 0; p < kNumPiles; ++p)
        if (a.pile[p] != b.pile[p]) return false;
    return true;
}
