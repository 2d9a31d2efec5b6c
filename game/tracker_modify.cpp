#include "game/tracker_modify.h"

#include "exchange/tokens.h"
#include "game/cards.h"
#include "game/protocol.h"
#include "game/tracker.h"

namespace {

// Modify's failure value for a malformed record.
[[noreturn]] void fail() {
    throw -1;
}

bool in_range(int value) {
    return value == -1 || is_card(value);
}

// Checks the fixed fields of a 900 or 910 family record and its num_cards groups of `width`
// numbers each; returns num_cards. Everything is checked before the first card moves.
int check_card_record(const std::vector<int>& d, std::size_t at, int width) {
    if (at + 3 >= d.size()) fail();
    if (!is_pile(d[at + 1]) || !is_pile(d[at + 2])) fail();
    long long num_cards = d[at + 3];
    if (num_cards < 0 ||
        static_cast<long long>(at) + 4 + width * num_cards > static_cast<long long>(d.size()))
        fail();
    for (std::size_t i = at + 4; i < at + 4 + width * num_cards; ++i)
        if (!in_range(d[i])) fail();
    return static_cast<int>(num_cards);
}

}  // namespace

bool TrackerModify::TryModify(Tracker* tracker, const Tokens& tokens, unsigned offset) {
    std::string ignored;
    try {
        Modify(tracker, &tokens, offset, ignored);
    } catch (int) {
        return false;
    } catch (const TrackerError&) {
        return false;
    }
    return true;
}

void TrackerModify::Modify(Tracker* tracker, const Tokens* tokens, unsigned offset,
                           std::string& out_string) {
    const std::vector<int>& d = tokens->data;
    for (std::size_t x = offset; x < d.size(); ++x) {
        out_string += ' ';
        append_int(out_string, d[x]);
    }

    std::size_t at = offset;
    while (at < d.size()) {
        const int code = d[at];
        if (code >= proto::kHandToTop && code <= proto::kHandToBottomAlt) {
            const int n = check_card_record(d, at, 2);
            const int target = d[at + 1], src = d[at + 2];
            const bool to_top = code == proto::kHandToTop || code == proto::kHandToTopAlt;
            for (int i = 0; i < n; ++i) {
                const signed char card = d[at + 4 + 2 * i], face = d[at + 5 + 2 * i];
                BeforeMove(code, target, src, card, face);
                if (to_top) {
                    tracker->move_hand_card_to_top(src, card, target, face);
                    HandToTop(target, src, card, face);
                } else {
                    tracker->move_hand_card_to_bottom(src, card, target, face);
                    HandToBottom(target, src, card, face);
                }
            }
            at += 4 + 2 * n;
        } else if (code == proto::kPileToPile || code == proto::kPileToPileAlt) {
            if (at + 2 >= d.size()) fail();
            const int target = d[at + 1], src = d[at + 2];
            if (!is_pile(target) || !is_pile(src)) fail();
            BeforeMove(code, target, src, -1, -1);
            tracker->move_pile(src, target);
            PileToPileTop(target, src);
            at += 3;
        } else if (code >= proto::kTopToTop && code <= proto::kTopToBottomAlt) {
            const int n = check_card_record(d, at, 1);
            const int target = d[at + 1], src = d[at + 2];
            const bool to_top = code == proto::kTopToTop || code == proto::kTopToTopAlt;
            for (int i = 0; i < n; ++i) {
                const signed char face = d[at + 4 + i];
                BeforeMove(code, target, src, -1, face);
                if (to_top) {
                    tracker->move_top_to_top(target, src, face);
                    PlayTopToTop(target, src, face);
                } else {
                    tracker->move_top_to_bottom(target, src, face);
                    PlayTopToBottom(target, src, face);
                }
            }
            at += 4 + n;
        } else {
            fail();  // outside 900..923, 904..909, 914..919, 921, 923
        }
    }
}
