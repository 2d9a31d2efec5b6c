#include "ui/log_panel.h"

#include <algorithm>

#include "gfx/sdl.h"
#include "gfx/widgets.h"
#include "ui/table_layout.h"
#include "ui/texts.h"

namespace {

constexpr int kPad = 6;
constexpr int kBarW = 4;
constexpr int kIndent = 14;

}  // namespace

void LogPanel::Toggle() {
    shown = !shown;
    rows_back = 0;
}

SDL_Rect LogPanel::Place() const {
    const int fh = sdl.GetFontHeight(1);
    // Below the four text lines and the version, above the hand's row.
    const int top = 10 + 5 * fh + 4, bottom = HandSpot(0, 1, sdl.w, sdl.h).y;
    const int w = std::clamp(sdl.w * 2 / 5, 260, 480);
    return {static_cast<Sint16>(sdl.w - 10 - w), static_cast<Sint16>(top), static_cast<Uint16>(w),
            static_cast<Uint16>(std::max(bottom - top, 2 * fh))};
}

int LogPanel::VisibleRows() const {
    const SDL_Rect r = Place();
    // The title takes the first row.
    return std::max(1, (r.h - 2 * kPad) / sdl.GetFontHeight(1) - 1);
}

void LogPanel::SetLines(const std::vector<std::string>& lines_t) {
    if (lines_t == lines) return;
    const std::size_t rows_before = rows.size();
    lines = lines_t;
    rows.clear();
    const int width = RowWidth();
    for (const std::string& line : lines) {
        bool goes_on = false;
        for (std::string& row : WrappedLines(sdl, 1, line, width)) {
            rows.push_back({std::move(row), goes_on});
            goes_on = true;
        }
    }
    // A view scrolled back keeps showing the same rows as new ones come below them.
    if (rows_back > 0 && rows.size() >= rows_before)
        rows_back += static_cast<int>(rows.size() - rows_before);
    rows_back = std::min(rows_back, MostBack());
}

int LogPanel::RowWidth() const {
    return Place().w - 2 * kPad - kBarW - 4 - kIndent;
}

int LogPanel::MostBack() const {
    return std::max(0, static_cast<int>(rows.size()) - VisibleRows());
}

void LogPanel::Scroll(int by) {
    rows_back = std::clamp(rows_back + by, 0, MostBack());
}

bool LogPanel::Key(SDLKey key) {
    if (!shown) return false;
    const int page = std::max(1, VisibleRows() - 1);
    switch (key) {
        case SDLK_l:
        case SDLK_ESCAPE:
            shown = false;
            return true;
        case SDLK_UP:
            Scroll(1);
            return true;
        case SDLK_DOWN:
            Scroll(-1);
            return true;
        case SDLK_PAGEUP:
            Scroll(page);
            return true;
        case SDLK_PAGEDOWN:
            Scroll(-page);
            return true;
        case SDLK_HOME:
            rows_back = MostBack();
            return true;
        case SDLK_END:
            rows_back = 0;
            return true;
        default:
            return false;
    }
}

bool LogPanel::Covers(int x, int y) const {
    const SDL_Rect r = Place();
    return shown && IsInsideRect(x, y, r.x, r.y, r.w, r.h);
}

void LogPanel::Draw(SDL_Surface* surface) const {
    if (!shown) return;
    const SDL_Rect r = Place();
    const int fh = sdl.GetFontHeight(1);
    fillrect(surface, r.x, r.y, r.w, r.h, SDL_MapRGB(surface->format, 230, 230, 200));
    fillrect(surface, r.x + 2, r.y + 2, r.w - 4u, r.h - 4u, SDL_MapRGB(surface->format, 0, 50, 50));
    const int x = r.x + kPad;
    int y = r.y + kPad;
    sdl.DrawString(surface, 1, x, y, Translate("log", "The game so far (L or Esc closes)"));
    y += fh;
    const int visible = VisibleRows(), count = static_cast<int>(rows.size());
    const int first = std::max(0, count - visible - rows_back);
    for (int i = first; i < count && i < first + visible; ++i, y += fh)
        sdl.DrawString(surface, 1, x + (rows[i].goes_on ? kIndent : 0), y, rows[i].text.c_str());
    if (count <= visible) return;
    // Where the shown rows lie in the whole log.
    const int track_y = r.y + kPad + fh, track_h = visible * fh;
    const int thumb_h = std::max(8, track_h * visible / count);
    const int thumb_y = track_y + (track_h - thumb_h) * first / std::max(1, count - visible);
    const int bar_x = r.x + r.w - kPad - kBarW;
    fillrect(surface, bar_x, track_y, kBarW, track_h, SDL_MapRGB(surface->format, 0, 90, 90));
    fillrect(surface, bar_x, thumb_y, kBarW, thumb_h, SDL_MapRGB(surface->format, 230, 230, 200));
}
