// The X side of the window benchmarks: the program's new window among the display's top windows.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <vector>

inline std::vector<Window> top_windows(Display* d) {
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    std::vector<Window> windows;
    if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count))
        windows.assign(children, children + count);
    if (children) XFree(children);
    return windows;
}

// A viewable 800 x 600 window that was not there before and shows the table colour in its
// top-left pixel (its first frame), or None.
inline Window shown_game_window(Display* d, const std::vector<Window>& before) {
    for (Window w : top_windows(d)) {
        if (std::find(before.begin(), before.end(), w) != before.end()) continue;
        XWindowAttributes a;
        if (!XGetWindowAttributes(d, w, &a) || a.map_state != IsViewable || a.width != 800 ||
            a.height != 600)
            continue;
        XImage* image = XGetImage(d, w, 0, 0, 1, 1, AllPlanes, ZPixmap);
        if (!image) continue;
        const bool table = (XGetPixel(image, 0, 0) & 0xFFFFFF) == 0x008080;
        XDestroyImage(image);
        if (table) return w;
    }
    return None;
}
