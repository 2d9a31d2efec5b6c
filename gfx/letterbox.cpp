#include "gfx/letterbox.h"

#include <algorithm>

Letterbox Letterbox::Fit(int picture_w, int picture_h, int window_w, int window_h) {
    Letterbox b;
    b.picture_w = picture_w, b.picture_h = picture_h;
    b.window_w = window_w, b.window_h = window_h;
    // The side that limits the scale gets the window's full length; the other keeps the ratio.
    if (static_cast<long>(window_w) * picture_h <= static_cast<long>(window_h) * picture_w) {
        b.w = window_w;
        b.h =
            static_cast<int>((static_cast<long>(window_w) * picture_h + picture_w / 2) / picture_w);
    } else {
        b.h = window_h;
        b.w =
            static_cast<int>((static_cast<long>(window_h) * picture_w + picture_h / 2) / picture_h);
    }
    b.w = std::max(b.w, 1), b.h = std::max(b.h, 1);
    b.x = (window_w - b.w) / 2;
    b.y = (window_h - b.h) / 2;
    return b;
}

int Letterbox::Multiple() const {
    if (w % picture_w != 0 || h != w / picture_w * picture_h) return 0;
    return w / picture_w;
}

namespace {

// The picture pixel that a window pixel's centre falls in: the one the nearest scaling shows
// there, so that a press lands on what the player sees at any scale.
int to_picture(int at, int start, int shown, int picture) {
    if (at < start) return -1;
    const long centre = (2L * (at - start) + 1) * picture / (2L * shown);
    return static_cast<int>(std::min(centre, static_cast<long>(picture)));
}

// The window span [first, end) whose pixels read from picture span [from, from + n).
void to_window(int& from, int& n, int start, int shown, int picture) {
    const long first = static_cast<long>(from) * shown / picture - 1;
    const long end = (static_cast<long>(from + n) * shown + picture - 1) / picture + 1;
    const int a = static_cast<int>(std::max(first, 0L));
    const int b = static_cast<int>(std::min(end, static_cast<long>(shown)));
    from = start + a;
    n = std::max(b - a, 0);
}

}  // namespace

void Letterbox::ToPicture(int& px, int& py) const {
    px = to_picture(px, x, w, picture_w);
    py = to_picture(py, y, h, picture_h);
}

void Letterbox::ToWindow(int& rx, int& ry, int& rw, int& rh) const {
    to_window(rx, rw, x, w, picture_w);
    to_window(ry, rh, y, h, picture_h);
}

int StartMultiple(int desktop_w, int desktop_h, int picture_w, int picture_h) {
    if (desktop_w < 2 * picture_w || desktop_h < 2 * picture_h) return 1;
    const int k = std::min(desktop_w * 9 / 10 / picture_w, desktop_h * 9 / 10 / picture_h);
    return std::max(k, 1);
}
