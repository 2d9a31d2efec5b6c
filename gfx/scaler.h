// Shows the picture in a window of another size through a letterbox: whole multiples by copying
// pixels (sharp), other sizes through a bilinear filter on 32-bit pixels (other depths take the
// nearest pixel).
#pragma once

#include <SDL.h>

#include <vector>

#include "gfx/letterbox.h"

class PictureScaler {
  public:
    void SetBox(const Letterbox& box_t);
    const Letterbox& Box() const { return box; }
    // Paints the window rectangle (x, y, w, h), which lies inside the shown picture, from the
    // picture. Both surfaces have the same pixel format; neither is locked.
    void Scale(SDL_Surface* picture, SDL_Surface* window, int x, int y, int w, int h) const;

  private:
    struct Tap {
        int from;       // the picture pixel before the window pixel's centre
        unsigned next;  // weight of the pixel after it, of 256
        // The pixel the centre falls in, which a display without blending shows.
        int nearest() const { return from + (next >= 128); }
    };
    static std::vector<Tap> Taps(int shown, int picture, bool smooth);
    void Nearest(SDL_Surface* picture, SDL_Surface* window, int x, int y, int w, int h) const;
    void Smooth(SDL_Surface* picture, SDL_Surface* window, int x, int y, int w, int h) const;

    Letterbox box;
    bool smooth = false;
    // One tap per window column and row of the shown picture.
    std::vector<Tap> columns, rows;
};
