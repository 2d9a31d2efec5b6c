#include "game/moves.h"

#include <algorithm>

#include "exchange/tokens.h"
#include "game/protocol.h"

void Apply(Tracker& t, const Move& m) {
    switch (m.kind) {
        case Move::kOnTop:
            t.move_hand_card_to_top(m.from, m.card, m.to, -1);
            break;
        case Move::kUnder:
            t.move_hand_card_to_bottom(m.from, m.card, m.to, -1);
            break;
        case Move::kPile:
            t.move_pile(m.from, m.to);
            break;
    }
}

bool IsLegal(const Tracker& t, int player, const Move& m) {
    if (!is_board_pile(m.to)) return false;
    if (m.kind == Move::kPile) return is_board_pile(m.from) && t.is_valid_pile_move(m.from, m.to);
    if (m.from != player || !is_pile(player) || !is_card(m.card)) return false;
    const auto& hand = t.pile[player];
    if (std::find(hand.begin(), hand.end(), m.card) == hand.end()) return false;
    const signed char face = t.cards[m.card];
    if (!is_card(face)) return false;
    return m.kind == Move::kOnTop ? t.fits_on_top(face, m.to) : t.fits_under(face, m.to);
}

void AppendRecord(std::string& line, const Tracker& before, const Move& m) {
    auto add = [&](int n) {
        line += ' ';
        append_int(line, n);
    };
    if (m.kind == Move::kPile) {
        add(proto::kPileToPile), add(m.to), add(m.from);
        return;
    }
    add(m.kind == Move::kOnTop ? proto::kHandToTop : proto::kHandToBottom);
    add(m.to), add(m.from), add(1), add(m.card), add(before.cards[m.card]);
}

std::vector<Move> LegalMoves(const Tracker& t, int player) {
    std::vector<Move> out;
    for (signed char c : t.pile[player]) {
        const signed char v = t.cards[c];
        for (int q = kFirstBoardPile; q <= kLastBoardPile; ++q) {
            if (t.fits_under(v, q)) out.push_back({Move::kUnder, player, q, c});
            if (t.fits_on_top(v, q)) out.push_back({Move::kOnTop, player, q, c});
        }
    }
    for (int a = kFirstBoardPile; a <= kLastBoardPile; ++a)
        for (int b = kFirstBoardPile; b <= kLastBoardPile; ++b)
            if (t.is_valid_pile_move(a, b)) out.push_back({Move::kPile, a, b, -1});
    return out;
}
