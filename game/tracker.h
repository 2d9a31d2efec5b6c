// One copy of the table: where each card lies and, as far as this copy knows, its face.
#pragma once

#include <array>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "exchange/players.h"
#include "game/cards.h"

// Pile numbers: 0..5 hands, 6/8/10/12 side piles, 7/9/11/13 corner piles, 14 the deck.
constexpr int kNumPiles = 15;
constexpr int kDeck = 14;
constexpr int kFirstBoardPile = 6;
constexpr int kLastBoardPile = 13;

inline bool is_pile(int p) {
    return p >= 0 && p < kNumPiles;
}
inline bool is_board_pile(int p) {
    return p >= kFirstBoardPile && p <= kLastBoardPile;
}
inline bool is_side_pile(int p) {
    return is_board_pile(p) && p % 2 == 0;
}
// Side piles take any card when empty; corner piles only a king.
constexpr int kSidePiles[] = {6, 8, 10, 12};
constexpr int kCornerPiles[] = {7, 9, 11, 13};
// Cards dealt to each player before the first turn.
constexpr int kHandSize = 5;

// A violated precondition of a tracker operation. It is thrown before any pile is touched, so the
// table is unchanged and the caller can reject whatever asked for the move.
class TrackerError : public std::logic_error {
  public:
    TrackerError(const char* text, int line);
    const std::string& text() const { return text_; }
    int line() const { return line_; }

  private:
    std::string text_;
    int line_;
};

class Tracker {
  public:
    void ResetClient();
    void ResetServer();
    // The referee's shuffle from a given seed; ResetServer seeds with the current time.
    void ResetServer(unsigned seed);

    void move_top_to_top(int target_pile, int src_pile, int value);
    void move_top_to_bottom(int target_pile, int src_pile, int value);
    void move_hand_card_to_top(int src_pile, signed char src_card, int dest_pile,
                               signed char value);
    void move_hand_card_to_bottom(int src_pile, signed char src_card, int dest_pile,
                                  signed char value);
    void move_pile(int src_pile, int dest_pile);

    bool is_winner(int player) const;
    bool has_kings(int player, signed char* card) const;
    int get_free_king_pile() const;
    bool has_nonking_holes() const;
    bool is_valid_pile_move(int src_pile, int dest_pile) const;
    // A face goes on a face one rank higher of the other colour; a king goes on nothing.
    bool can_go_on(signed char realcard_src, signed char realcard_dest) const {
        if (!is_card(realcard_src) || !is_card(realcard_dest)) face_not_known();
        if (realcard_src % kRanks == kKingRank) return false;
        if (is_red(realcard_src) == is_red(realcard_dest)) return false;
        return realcard_dest % kRanks == realcard_src % kRanks + 1;
    }
    // Whether `face` may be laid on top of board pile `target`: on a card it can go on, into an
    // empty side pile, or, a king, into an empty corner pile.
    bool fits_on_top(signed char face, int target) const;
    // Whether `face` may be slid under board pile `target`: only while some side pile is empty,
    // and only under a bottom card that can go on it.
    bool fits_under(signed char face, int target) const;
    signed char get_highest_card(int player) const;
    // Cards drawn from the deck since the deal, as far as the board's faces tell.
    int cards_drawn(int numplayers) const;
    // The faces of the first cards laid out on the board, one for each side pile: every player
    // sees them from the deal on, and they never leave the board.
    std::array<signed char, std::size(kSidePiles)> opening_faces() const;
    // Whether this is a whole referee's table of a game of `numplayers` in play, every face
    // known: each face and each card number exactly once, the deck the undrawn card numbers in
    // order, no hand of a seat beyond the game's, no player's hand empty nor larger than the deal
    // and its draws make it, and each board pile a run that the rules can build (a corner pile
    // on a king). `why` names the first fault.
    bool is_whole_game(int numplayers, std::string& why) const;
    // The most cards hand p can hold on this table: the deal's and the draws' since.
    int most_in_hand(int numplayers, int p) const;
    // Each card number 0..51 in exactly one pile.
    bool holds_each_card_once() const;
    // The deck holds the card numbers not yet drawn, in the order they are dealt.
    bool deck_in_dealing_order() const;
    // Each board pile's faces known and a run that the rules can build (a corner pile on a king);
    // `why` names the first fault.
    bool board_of_runs(std::string& why) const;

    // cards[n]: the face of card number n, -1 while unknown.
    signed char cards[52] = {};
    // pile[p]: card numbers from the bottom (front) to the top (back).
    std::vector<signed char> pile[kNumPiles];

  private:
    [[noreturn]] static void face_not_known();
    bool is_empty(int p) const { return pile[p].empty(); }
    void reset_piles();
    std::size_t find_card(int src_pile, signed char src_card, int line) const;
};

// The table as `player` sees it: the faces of the other hands and of the deck unknown (-1).
Tracker SeenBy(const Tracker& t, int player);
