#include "game/turn_history.h"

void TurnHistory::TurnBegins(const Tracker& before_draw, int numplayers, bool draws) {
    int cards = 0;
    for (int p = 0; p < numplayers; ++p) cards += static_cast<int>(before_draw.pile[p].size());
    passes = cards == hand_cards ? passes + 1 : 0;
    hand_cards = cards + draws;
    drew = draws;
    turns_without_draw += !draws;
}
