#include "gfx/widgets.h"

#include <algorithm>
#include <sstream>
#include <vector>

#include "base/utf8.h"
#include "exchange/exchange.h"
#include "gfx/sdl.h"

namespace {

struct Shade {
    Uint8 r, g, b;
};
constexpr Shade kLightGrey{192, 192, 192};
constexpr Shade kDarkGrey{128, 128, 128};
constexpr Shade kWhite{255, 255, 255};
constexpr Shade kBlack{0, 0, 0};

Uint32 map(SDL_Surface* surface, Shade s) {
    return SDL_MapRGB(surface->format, s.r, s.g, s.b);
}

}  // namespace

bool IsInsideRect(int px, int py, int x, int y, int w, int h) {
    return px >= x && py >= y && px < x + w && py < y + h;
}

void SDL::DrawRect3D(SDL_Surface* surface, int x, int y, unsigned width, unsigned height,
                     bool out) {
    const Shade outer1 = out ? kLightGrey : kBlack, outer2 = out ? kBlack : kLightGrey;
    const Shade inner1 = out ? kWhite : kDarkGrey, inner2 = out ? kDarkGrey : kWhite;
    border(surface, x, y, width, height, map(surface, outer1), map(surface, outer2));
    border(surface, x + 1, y + 1, width - 2, height - 2, map(surface, inner1),
           map(surface, inner2));
}

unsigned SDL::GetButtonHeight() {
    return GetFontHeight(0) + 4;
}

unsigned SDL::GetButtonWidth(const char* text) {
    return GetStringWidth(0, text) + 8;
}

unsigned SDL::DrawButton(SDL_Surface* surface, int x, int y, const char* text, bool out,
                         bool enabled) {
    const unsigned width = GetButtonWidth(text), height = GetButtonHeight();
    DrawRect3D(surface, x, y, width, height, out);
    fillrect(surface, x + 2, y + 2, width - 4, height - 4, map(surface, kLightGrey));
    DrawString(surface, 0, x + 4, y + 2, text);
    // A disabled label is engraved: a light copy one pixel down and to the right.
    if (!enabled) DrawString(surface, 1, x + 5, y + 3, text);
    return width;
}

unsigned SDL::GetTextInputWidth(unsigned chars) {
    return GetFontHeight(0) * chars + 8;
}

unsigned SDL::GetTextInputHeight() {
    return GetButtonHeight();
}

unsigned SDL::DrawTextInput(SDL_Surface* surface, int x, int y, int chars, const char* text) {
    const unsigned width = GetTextInputWidth(chars), height = GetTextInputHeight();
    border(surface, x, y, width, height, map(surface, kDarkGrey), map(surface, kWhite));
    border(surface, x + 1, y + 1, width - 2, height - 2, map(surface, kBlack),
           map(surface, kLightGrey));
    fillrect(surface, x + 2, y + 2, width - 4, height - 4, map(surface, kWhite));
    DrawString(surface, 0, x + 2, y + 2, text);
    return width;
}

ButtonList::~ButtonList() {
    Clear();
}

void ButtonList::Clear() {
    for (Button* b : buttons) delete b;
    buttons.clear();
    button_state = 0;
    click = focus = nullptr;
}

Button* ButtonList::AddButton(SDL& sdl, int x, int y, std::string text, bool enabled) {
    auto* b = new Button;
    b->x = x;
    b->y = y;
    b->w = static_cast<int>(sdl.GetButtonWidth(text.c_str()));
    b->h = static_cast<int>(sdl.GetButtonHeight());
    b->text = std::move(text);
    b->enabled = enabled;
    buttons.push_back(b);
    button_state = 0;
    return b;
}

void ButtonList::Draw(SDL& sdl, SDL_Surface* surface) {
    for (const Button* b : buttons)
        sdl.DrawButton(surface, b->x, b->y, b->text.c_str(), b->out, b->enabled);
    // Over the neighbours' edges: a chosen button stands out in a column of them.
    if (!focus) return;
    const Uint32 yellow = SDL_MapRGB(surface->format, 255, 230, 0);
    for (int i = 1; i <= 2; ++i)
        border(surface, focus->x - i, focus->y - i, focus->w + 2 * i, focus->h + 2 * i, yellow,
               yellow);
}

void ButtonList::MoveFocus(int step) {
    std::vector<Button*> enabled;
    for (Button* b : buttons)
        if (b->enabled) enabled.push_back(b);
    if (enabled.empty()) return;
    const int n = static_cast<int>(enabled.size());
    const auto at = std::find(enabled.begin(), enabled.end(), focus);
    const int from =
        at == enabled.end() ? (step > 0 ? -1 : n) : static_cast<int>(at - enabled.begin());
    focus = enabled[static_cast<std::size_t>(((from + step) % n + n) % n)];
    Redraw();
}

Button* ButtonList::At(int x, int y) const {
    for (Button* b : buttons)
        if (IsInsideRect(x, y, b->x, b->y, b->w, b->h)) return b;
    return nullptr;
}

void ButtonList::ButtonDown(int x, int y) {
    click = At(x, y);
    button_state = click ? 1 : 0;
    if (!click) return;
    click->out = false;
    Redraw();
}

void ButtonList::ButtonMotion(int x, int y) {
    if (!click) return;
    const bool inside = IsInsideRect(x, y, click->x, click->y, click->w, click->h);
    if ((button_state == 1 && !inside) || (button_state == 2 && inside)) {
        button_state = inside ? 1 : 2;
        click->out = !inside;
        Redraw();
    }
}

Button* ButtonList::ButtonUp(int, int) {
    const int state = button_state;
    button_state = 0;
    if (state != 1) return nullptr;
    click->out = true;
    Redraw();
    return click;
}

void ButtonList::Redraw() {
    Exchange::PushLocalMessage(EXCH_REDRAW, nullptr, nullptr);
}

std::vector<std::string> WrappedLines(SDL& sdl, unsigned font, const std::string& text, int width) {
    std::vector<std::string> rows;
    std::istringstream words(text);
    std::string row, word;
    const auto fits = [&](const std::string& s) {
        return sdl.GetStringWidth(font, s.c_str()) <= width;
    };
    while (words >> word) {
        const std::string longer = row.empty() ? word : row + " " + word;
        if (fits(longer)) {
            row = longer;
            continue;
        }
        if (!row.empty()) rows.push_back(row);
        row.clear();
        // A word wider than the row is cut between characters, never inside one.
        for (std::size_t i = 0; i < word.size();) {
            const std::size_t start = i;
            NextCodePoint(word.data(), word.size(), i);
            const std::string c = word.substr(start, i - start);
            if (!row.empty() && !fits(row + c)) rows.push_back(row), row.clear();
            row += c;
        }
    }
    if (!row.empty()) rows.push_back(row);
    return rows;
}
