#include "ui/rules_page.h"

#include <string>

#include "game/cards.h"
#include "gfx/sdl.h"
#include "gfx/sheet_geometry.h"
#include "gfx/widgets.h"
#include "ui/texts.h"

namespace {

constexpr const char* kRules = Marked(
    "rules text",
    "Each player gets five cards, and the four side piles one card each. Every turn begins "
    "with a card drawn from the deck. Lay cards from your hand by these rules, as many as you "
    "like, then press Done. The first player to empty the hand wins.");

constexpr const char* kCaptions[] = {
    Marked("rules caption", "A card goes on a card one rank higher of the other colour."),
    Marked("rules caption", "Only a king opens an empty corner pile; any card an empty side pile."),
    Marked("rules caption", "A whole pile goes onto a pile where its bottom card fits."),
    Marked("rules caption", "While a side pile is empty, a card may slide under a pile."),
};

constexpr const char* kKeys = Marked(
    "rules text",
    "Mouse: drag a card or a pile. Keys: Left and Right choose a card, Tab a pile, Enter plays; "
    "Space marks a pile to move, P moves it; D Done, A Auto, H Hint, Ctrl+Z Undo; Esc leaves "
    "a game; F11 the whole screen; F1 these rules; L the game's log; T a chat line in a network "
    "game; M the sound.");

// Faces: suit * 13 + rank, rank 0 the ace; suits 1 and 3 are red.
constexpr int face(int suit, int rank) {
    return suit * kRanks + rank;
}

constexpr int kFrameInset = 28;  // the card's left edge in its 128-pixel frame

// Each picture is two cards or piles side by side, as they lie on the table; (x, y) is the top
// left corner of the first card. The card that moves is framed in yellow, so that a card laid on
// top and a card slid under, which lie alike once moved, show which one came.
void draw_rule(SDL& sdl, int rule, int x, int y) {
    SDL_Surface* s = sdl.screen;
    const auto card = [&](int cx, int cy, int f) {
        sdl.EasyDrawCard(0, -1, s, cx - kFrameInset, cy - 15, f);
    };
    const auto moving = [&](int cx, int cy, int f) {
        SDL_Rect frame{static_cast<Sint16>(cx - 3), static_cast<Sint16>(cy - 3),
                       static_cast<Uint16>(kCellW + 6), static_cast<Uint16>(kCellH + 6)};
        SDL_FillRect(s, &frame, SDL_MapRGB(s->format, 255, 220, 0));
        card(cx, cy, f);
    };
    switch (rule) {
        case 0:  // a red 4 laid on a black 5
            card(x, y, face(0, 4));
            moving(x + 20, y + 20, face(1, 3));
            break;
        case 1:  // a king in a corner pile, as it lies there, beside an empty corner
            sdl.DrawCard(s, x - kFrameInset, y - 15, kEmptySlot + 1);
            sdl.EasyDrawCard(1, -1, s, x + 70, y - 15, face(3, 12));
            break;
        case 2:  // the pile 9 of spades, 8 of hearts onto a red 10
            card(x, y, face(1, 9));
            card(x + 90, y, face(2, 8));
            card(x + 110, y + 20, face(3, 7));
            break;
        default:  // an empty side pile, and a red 6 slid under a black 5
            sdl.DrawCard(s, x - kFrameInset, y - 15, kEmptySlot);
            moving(x + 90, y, face(1, 5));
            card(x + 110, y + 20, face(0, 4));
            break;
    }
}

}  // namespace

int RulesPage::Wrapped(int x, int y, int width, const char* text) {
    const int h = sdl.GetFontHeight(1);
    for (const std::string& row : WrappedLines(sdl, 1, text, width)) {
        sdl.DrawString(sdl.screen, 1, x, y, row.c_str());
        y += h;
    }
    return y;
}

void RulesPage::RulePicture(int rule, int x, int y) {
    draw_rule(sdl, rule, x, y);
    Wrapped(x + 200, y + 10, kCaptionWidth, Translate("rules caption", kCaptions[rule]));
}

void RulesPage::Draw() {
    ClearToTable(sdl, sdl.screen);
    const int h = sdl.GetFontHeight(1);
    sdl.DrawString(sdl.screen, 1, 10, 10,
                   Translate("line", "How to play Velmora (Esc, F1 or a click returns)"));
    int y = Wrapped(10, 10 + 2 * h, sdl.w - 20, Translate("rules text", kRules)) + h / 2;
    for (int rule = 0; rule < 4; ++rule)
        RulePicture(rule, 10 + (rule % 2) * 395, y + (rule / 2) * 130);
    Wrapped(10, y + 2 * 130 + h / 2, sdl.w - 20, Translate("rules text", kKeys));
    sdl.Present();
}
