// Where the program's fixed-size picture lies in a window of any size: scaled to fit with its
// aspect ratio kept, centred, the rest of the window a bar of table colour. Plain arithmetic, so
// that the pointer mapping can be checked without a window.
#pragma once

struct Letterbox {
    // The picture `picture_w` x `picture_h` fitted into a window `window_w` x `window_h`.
    static Letterbox Fit(int picture_w, int picture_h, int window_w, int window_h);

    // The whole multiple the picture is shown at (1 for its own size), or 0 for another size.
    int Multiple() const;
    // A window point in picture coordinates. A point on a bar lands just outside the picture
    // (-1, or the picture's width or height), where nothing can be hit.
    void ToPicture(int& px, int& py) const;
    // The window rectangle that shows the picture rectangle (rx, ry, rw, rh), every window pixel
    // that the smooth filter reads from it included, clipped to the shown picture.
    void ToWindow(int& rx, int& ry, int& rw, int& rh) const;

    int picture_w = 0, picture_h = 0;
    int window_w = 0, window_h = 0;
    // The shown picture's rectangle in the window.
    int x = 0, y = 0, w = 0, h = 0;
};

// The window size to start at, as a multiple of the picture: 1 on a desktop smaller than twice
// the picture (or of unknown size), else the largest whole multiple that fits in about 90 % of it.
int StartMultiple(int desktop_w, int desktop_h, int picture_w, int picture_h);
