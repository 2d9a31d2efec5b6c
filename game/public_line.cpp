#include "game/public_line.h"

#include <algorithm>

#include "exchange/tokens.h"
#include "game/protocol.h"
#include "game/tracker.h"

namespace {

// The public table (444): players, seat, turn and the history's four numbers, then the 52 faces,
// then each pile's count and card numbers.
bool TableShowsHiddenFace(const Tokens& t, unsigned at) {
    const unsigned faces = at + 8;
    for (unsigned i = faces + kNumCards, p = 0; p < kNumPiles; ++p) {
        const int count = t.token(i++);
        for (int k = 0; k < count; ++k, ++i)
            if (!is_board_pile(static_cast<int>(p)) && t.token(faces + t.token(i)) != -1)
                return true;
    }
    return false;
}

}  // namespace

bool ShowsHiddenFace(const Tokens& t, unsigned at) {
    const int code = t.token(at);
    if (code == proto::kRecordLine) return ShowsHiddenFace(t, at + 1);
    if (code == proto::kWatchedTable) return TableShowsHiddenFace(t, at);
    if (code != proto::kPublished && code != proto::kTurn) return false;
    for (unsigned i = at + 2; i < t.data.size();) {
        const int record = t.token(i), target = t.token(i + 1), count = t.token(i + 3);
        if (record == proto::kPileToPile || record == proto::kPileToPileAlt) {
            i += 3;
            continue;
        }
        const bool pairs = record >= proto::kHandToTop && record <= proto::kHandToBottomAlt;
        for (int k = 0; k < count; ++k)
            if (!is_board_pile(target) && t.token(i + 4 + (pairs ? 2 * k + 1 : k)) != -1)
                return true;
        i += 4 + (pairs ? 2 : 1) * static_cast<unsigned>(std::max(count, 0));
    }
    return false;
}
