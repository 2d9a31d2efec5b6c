#include "ui/keyboard_choice.h"

#include <algorithm>

void KeyboardChoice::Reset() {
    *this = KeyboardChoice{};
}

bool KeyboardChoice::Hide() {
    const bool was = visible;
    visible = false;
    return was;
}

int KeyboardChoice::ChosenCard(const std::vector<signed char>& hand) const {
    if (index < 0 || hand.empty()) return -1;
    return hand[std::min(index, static_cast<int>(hand.size()) - 1)];
}

void KeyboardChoice::ChooseHandCard(const std::vector<signed char>& hand, int step) {
    const int n = static_cast<int>(hand.size());
    visible = true;
    if (n == 0) return;
    const int at = index < 0 ? (step > 0 ? -1 : n) : std::min(index, n - 1);
    index = (at + step + n) % n;
}

void KeyboardChoice::ChoosePile(int step) {
    constexpr int n = kLastBoardPile - kFirstBoardPile + 1;
    visible = true;
    const int at = pile < 0 ? (step > 0 ? -1 : n) : pile - kFirstBoardPile;
    pile = kFirstBoardPile + (at + step + n) % n;
}

bool KeyboardChoice::MarkSource(const Tracker& t) {
    visible = true;
    if (source != -1 && source == pile) {
        source = -1;
        return true;
    }
    if (pile == -1 || !is_side_pile(pile) || t.pile[pile].empty()) return false;
    source = pile;
    return true;
}
