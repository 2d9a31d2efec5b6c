#include "ui/table_words.h"

#include "game/cards.h"
#include "game/tracker.h"
#include "ui/texts.h"

namespace {

// Each board pile by where it lies, 6 to 13.
const char* const kPileNames[] = {
    Marked("pile", "the top pile"),    Marked("pile", "the top right pile"),
    Marked("pile", "the right pile"),  Marked("pile", "the bottom right pile"),
    Marked("pile", "the bottom pile"), Marked("pile", "the bottom left pile"),
    Marked("pile", "the left pile"),   Marked("pile", "the top left pile")};

// In the order of the faces' suits; each language places the rank itself.
const char* const kSuits[] = {Marked("card", "%s of clubs"), Marked("card", "%s of diamonds"),
                              Marked("card", "%s of spades"), Marked("card", "%s of hearts")};

std::string RankName(int rank) {
    switch (rank) {
        case 0:
            return Translate("card", "ace");
        case 10:
            return Translate("card", "jack");
        case 11:
            return Translate("card", "queen");
        case kKingRank:
            return Translate("card", "king");
        default:
            return std::to_string(rank + 1);
    }
}

}  // namespace

const char* PileName(int p) {
    if (!is_board_pile(p)) return "";
    return Translate("pile", kPileNames[p - kFirstBoardPile]);
}

std::string CardName(int face) {
    if (!is_card(face)) return "";
    return Fill(Translate("card", kSuits[face / kRanks]), RankName(face % kRanks));
}
