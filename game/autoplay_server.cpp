#include "game/autoplay_server.h"

#include <initializer_list>

#include "game/protocol.h"

namespace {

// Appends blank-led numbers to a line.
void append(std::string& out, std::initializer_list<int> numbers) {
    for (int n : numbers) {
        out += ' ';
        append_int(out, n);
    }
}

}  // namespace

void ServerWithAutoPlay::AutoPlay() {
    const int p = turn;
    std::string moves = published_line(-1);
    auto_play_kings(moves, p);
    if (check_winner(p, moves)) return;
    bool progress = true;
    while (progress) {
        progress = auto_play_move_pile(moves);
        if (check_winner(p, moves)) return;
        if (tracker.has_nonking_holes()) {
            while (do_auto_play_holes_ascending(moves, p)) {
                progress = true;
                if (check_winner(p, moves)) return;
            }
            if (auto_play_hand_holes(moves, p)) progress = true;
            if (check_winner(p, moves)) return;
        }
        while (do_auto_play_hand_pick_one(moves, p)) {
            progress = true;
            if (check_winner(p, moves)) return;
        }
    }
    SendAll(moves);
}

bool ServerWithAutoPlay::check_winner(int player, const std::string& moves) {
    if (!tracker.is_winner(player)) return false;
    if (!moves.empty()) SendAll(moves);
    Win(player);
    return true;
}

void ServerWithAutoPlay::auto_play_kings(std::string& moves, int player) {
    signed char king;
    while (tracker.has_kings(player, &king))
        move_hand_card_to_top(moves, player, king, tracker.get_free_king_pile());
}

bool ServerWithAutoPlay::auto_play_move_pile(std::string& moves) {
    for (int a = kFirstBoardPile; a <= kLastBoardPile; ++a)
        for (int b = kFirstBoardPile; b <= kLastBoardPile; ++b)
            if (tracker.is_valid_pile_move(a, b)) {
                move_pile(moves, a, b);
                return true;
            }
    return false;
}

bool ServerWithAutoPlay::do_auto_play_holes_ascending(std::string& moves, int player) {
    for (int q : kSidePiles) {
        if (tracker.pile[q].empty()) continue;
        const signed char bottom = tracker.cards[tracker.pile[q].front()];
        for (signed char c : tracker.pile[player])
            if (tracker.can_go_on(bottom, tracker.cards[c])) {
                move_hand_card_to_bottom(moves, player, c, q);
                return true;
            }
    }
    return false;
}

bool ServerWithAutoPlay::auto_play_hand_holes(std::string& moves, int player) {
    bool played = false;
    for (int q : kSidePiles) {
        if (!tracker.pile[q].empty()) continue;
        move_hand_card_to_top(moves, player, tracker.get_highest_card(player), q);
        if (tracker.is_winner(player)) return true;
        played = true;
    }
    return played;
}

bool ServerWithAutoPlay::do_auto_play_hand_pick_one(std::string& moves, int player) {
    for (int q = kFirstBoardPile; q <= kLastBoardPile; ++q) {
        if (tracker.pile[q].empty()) continue;
        const signed char top = tracker.cards[tracker.pile[q].back()];
        for (signed char c : tracker.pile[player])
            if (tracker.can_go_on(tracker.cards[c], top)) {
                move_hand_card_to_top(moves, player, c, q);
                return true;
            }
    }
    return false;
}

void ServerWithAutoPlay::move_hand_card_to_top(std::string& moves, int player, signed char card,
                                               int pile) {
    append(moves, {proto::kHandToTop, pile, player, 1, card, tracker.cards[card]});
    tracker.move_hand_card_to_top(player, card, pile, -1);
}

void ServerWithAutoPlay::move_hand_card_to_bottom(std::string& moves, int player, signed char card,
                                                  int pile) {
    append(moves, {proto::kHandToBottom, pile, player, 1, card, tracker.cards[card]});
    tracker.move_hand_card_to_bottom(player, card, pile, -1);
}

void ServerWithAutoPlay::move_pile(std::string& moves, int from, int to) {
    append(moves, {proto::kPileToPile, to, from});
    tracker.move_pile(from, to);
}
