#include "game/tracker.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "game/cards.h"

namespace {

// Diagnostics of the checks that guard the table against impossible moves.
constexpr int kLinePileRange = 30;
constexpr int kLineFaceRange = 31;
constexpr int kLineTopToTopEmpty = 49;
constexpr int kLineTopToBottomEmpty = 58;
constexpr int kLineHandToTopNoCard = 69;
constexpr int kLineHandToTopMissing = 73;
constexpr int kLineHandToBottomNoCard = 88;
constexpr int kLineHandToBottomMissing = 92;
constexpr int kLineNoFreeKingPile = 135;
constexpr int kLineInvalidPileMove = 147;
constexpr int kLineNotBoardPile = 156;
constexpr int kLineFaceNotKnown = 173;
constexpr int kLineBadCardNumber = 193;
constexpr int kLineEmptyHand = 205;
constexpr const char* kNotEmpty = "!pile[src_pile].empty()";

void require(bool condition, const char* text, int line) {
    if (!condition) throw TrackerError(text, line);
}

void require_pile(int p) {
    require(is_pile(p), "0", kLinePileRange);
}

void require_face(int value) {
    require(value == -1 || is_card(value), "0", kLineFaceRange);
}

constexpr int kShuffleSwaps = 7 * kNumCards;

}  // namespace

TrackerError::TrackerError(const char* text, int line)
    : std::logic_error("tracker:" + std::to_string(line) + ": " + text), text_(text), line_(line) {}

void Tracker::reset_piles() {
    for (auto& p : pile) p.clear();
    // Card number 0 ends on top of the deck and is dealt first.
    for (int n = 0; n < kNumCards; ++n) pile[kDeck].insert(pile[kDeck].begin(), n);
}

void Tracker::ResetClient() {
    reset_piles();
    std::fill(std::begin(cards), std::end(cards), -1);
}

void Tracker::ResetServer() {
    ResetServer(static_cast<unsigned>(std::time(nullptr)));
}

void Tracker::ResetServer(unsigned seed) {
    std::srand(seed);
    reset_piles();
    for (int n = 0; n < kNumCards; ++n) cards[n] = n;
    // The faces are shuffled, not the piles: every copy shares the deck order of card numbers.
    for (int i = 0; i < kShuffleSwaps; ++i) {
        int a = std::rand() % kNumCards;
        int b = std::rand() % kNumCards;
        if (a != b) std::swap(cards[a], cards[b]);
    }
}

void Tracker::move_top_to_top(int target_pile, int src_pile, int value) {
    require_pile(target_pile);
    require_pile(src_pile);
    require_face(value);
    require(!is_empty(src_pile), kNotEmpty, kLineTopToTopEmpty);
    signed char card = pile[src_pile].back();
    pile[src_pile].pop_back();
    pile[target_pile].push_back(card);
    if (value != -1) cards[card] = value;
}

void Tracker::move_top_to_bottom(int target_pile, int src_pile, int value) {
    require_pile(target_pile);
    require_pile(src_pile);
    require_face(value);
    require(!is_empty(src_pile), kNotEmpty, kLineTopToBottomEmpty);
    signed char card = pile[src_pile].back();
    pile[src_pile].pop_back();
    pile[target_pile].insert(pile[target_pile].begin(), card);
    if (value != -1) cards[card] = value;
}

std::size_t Tracker::find_card(int src_pile, signed char src_card, int line) const {
    const auto& p = pile[src_pile];
    auto it = std::find(p.begin(), p.end(), src_card);
    require(it != p.end(), "0", line);
    return it - p.begin();
}

void Tracker::move_hand_card_to_top(int src_pile, signed char src_card, int dest_pile,
                                    signed char value) {
    require_pile(src_pile);
    require_pile(dest_pile);
    require_face(value);
    require(src_card != -1, "0", kLineHandToTopNoCard);
    std::size_t at = find_card(src_pile, src_card, kLineHandToTopMissing);
    pile[src_pile].erase(pile[src_pile].begin() + at);
    pile[dest_pile].push_back(src_card);
    if (value != -1) cards[src_card] = value;
}

void Tracker::move_hand_card_to_bottom(int src_pile, signed char src_card, int dest_pile,
                                       signed char value) {
    require_pile(src_pile);
    require_pile(dest_pile);
    require_face(value);
    require(src_card != -1, "0", kLineHandToBottomNoCard);
    std::size_t at = find_card(src_pile, src_card, kLineHandToBottomMissing);
    pile[src_pile].erase(pile[src_pile].begin() + at);
    pile[dest_pile].insert(pile[dest_pile].begin(), src_card);
    if (value != -1) cards[src_card] = value;
}

void Tracker::move_pile(int src_pile, int dest_pile) {
    require(is_valid_pile_move(src_pile, dest_pile), "0", kLineInvalidPileMove);
    auto& src = pile[src_pile];
    pile[dest_pile].insert(pile[dest_pile].end(), src.begin(), src.end());
    src.clear();
}

bool Tracker::is_winner(int player) const {
    require_pile(player);
    return is_empty(player);
}

bool Tracker::has_kings(int player, signed char* card) const {
    require_pile(player);
    for (signed char n : pile[player]) {
        if (is_king(cards[n])) {
            if (card) *card = n;
            return true;
        }
    }
    if (card) *card = -1;
    return false;
}

int Tracker::get_free_king_pile() const {
    for (int p : kCornerPiles)
        if (is_empty(p)) return p;
    throw TrackerError("0", kLineNoFreeKingPile);
}

bool Tracker::has_nonking_holes() const {
    return std::any_of(std::begin(kSidePiles), std::end(kSidePiles),
                       [this](int p) { return is_empty(p); });
}

bool Tracker::is_valid_pile_move(int src_pile, int dest_pile) const {
    require(is_board_pile(src_pile) && is_board_pile(dest_pile), "0", kLineNotBoardPile);
    if (src_pile == dest_pile || is_empty(src_pile) || is_empty(dest_pile)) return false;
    return can_go_on(cards[pile[src_pile].front()], cards[pile[dest_pile].back()]);
}

void Tracker::face_not_known() {
    throw TrackerError("0", kLineFaceNotKnown);
}

bool Tracker::fits_on_top(signed char face, int target) const {
    require(is_board_pile(target), "0", kLineNotBoardPile);
    const auto& p = pile[target];
    if (p.empty()) return is_side_pile(target) || is_king(face);
    return can_go_on(face, cards[p.back()]);
}

bool Tracker::fits_under(signed char face, int target) const {
    require(is_board_pile(target), "0", kLineNotBoardPile);
    const auto& p = pile[target];
    return !p.empty() && has_nonking_holes() && can_go_on(cards[p.front()], face);
}

signed char Tracker::get_highest_card(int player) const {
    require_pile(player);
    signed char best = -1;
    for (signed char n : pile[player]) {
        require(is_card(n), "0", kLineBadCardNumber);
        // Signed remainders: an unknown face (-1) ranks below every known one.
        if (best == -1 || cards[n] % kRanks > cards[best] % kRanks) best = n;
    }
    require(best != -1, "0", kLineEmptyHand);
    return best;
}

int Tracker::cards_drawn(int numplayers) const {
    // Card numbers leave the deck in order from 0: first the board's, kings to the corners until
    // every side pile is covered, then the deal, then the draws. Board faces are known to all.
    int board = 0;
    for (std::size_t covered = 0; covered < std::size(kSidePiles) && board < kNumCards; ++board)
        if (!is_king(cards[board])) ++covered;
    const int taken = kNumCards - static_cast<int>(pile[kDeck].size());
    return taken - board - kHandSize * numplayers;
}

std::array<signed char, std::size(kSidePiles)> Tracker::opening_faces() const {
    // The board takes the deck's first card numbers, at least one for each side pile.
    std::array<signed char, std::size(kSidePiles)> faces;
    std::copy_n(cards, faces.size(), faces.begin());
    return faces;
}

bool Tracker::holds_each_card_once() const {
    std::array<int, kNumCards> numbers{};
    for (const auto& p : pile)
        for (signed char c : p) {
            if (!is_card(c) || numbers[c]++ > 0) return false;
        }
    return std::all_of(numbers.begin(), numbers.end(), [](int n) { return n == 1; });
}

bool Tracker::deck_in_dealing_order() const {
    const auto& deck = pile[kDeck];
    for (std::size_t i = 0; i < deck.size(); ++i)
        if (deck[i] != kNumCards - 1 - static_cast<int>(i)) return false;
    return true;
}

bool Tracker::board_of_runs(std::string& why) const {
    for (int p = kFirstBoardPile; p <= kLastBoardPile; ++p) {
        const auto& run = pile[p];
        for (signed char c : run)
            if (!is_card(cards[c]))
                return why = "board pile " + std::to_string(p) + " has a face not known", false;
        if (!run.empty() && !is_side_pile(p) && !is_king(cards[run.front()]))
            return why = "corner pile " + std::to_string(p) + " does not start with a king", false;
        for (std::size_t i = 1; i < run.size(); ++i)
            if (!can_go_on(cards[run[i]], cards[run[i - 1]]))
                return why = "board pile " + std::to_string(p) + " is no run of the rules", false;
    }
    return true;
}

bool Tracker::is_whole_game(int numplayers, std::string& why) const {
    std::array<int, kNumCards> faces{};
    for (signed char f : cards)
        if (is_card(f)) ++faces[f];
    if (!std::all_of(faces.begin(), faces.end(), [](int n) { return n == 1; }))
        return why = "the faces are not the 52 cards, each once", false;
    if (!holds_each_card_once())
        return why = "the piles do not hold every card exactly once", false;
    if (!deck_in_dealing_order()) return why = "the deck is not in the order it is dealt", false;
    for (int p = 0; p < kMaxPlayers; ++p)
        if (pile[p].empty() == (p < numplayers))
            return why = "hand " + std::to_string(p) + (p < numplayers ? " is empty" : " is extra"),
                   false;
    for (int p = 0; p < numplayers; ++p)
        if (static_cast<int>(pile[p].size()) > most_in_hand(numplayers, p))
            return why = "hand " + std::to_string(p) + " holds more cards than its draws brought",
                   false;
    return board_of_runs(why);
}

// The deal gives each hand kHandSize cards; then each play turn, from seat 0 round the table,
// draws one while the deck lasts.
int Tracker::most_in_hand(int numplayers, int p) const {
    const int drawn = cards_drawn(numplayers);
    return kHandSize + (drawn > p ? (drawn - p + numplayers - 1) / numplayers : 0);
}

Tracker SeenBy(const Tracker& t, int player) {
    Tracker seen = t;
    for (int p = 0; p < kNumPiles; ++p) {
        if (p == player || is_board_pile(p)) continue;
        for (signed char c : seen.pile[p]) seen.cards[c] = -1;
    }
    return seen;
}
