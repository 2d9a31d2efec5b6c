// The channel masks of every 32-bit surface the graphics make (card images, fonts, the table's
// off-screen picture): alpha in the high byte, and red, green and blue in the display's order
// where the display has 32-bit pixels with red in the third byte, as X displays of depth 24 do,
// so that blits onto the window need no conversion; red in the low byte otherwise.
#pragma once

#include <SDL.h>

struct ChannelMasks {
    Uint32 r, g, b, a;
};

inline ChannelMasks surface_masks() {
    const SDL_VideoInfo* info = SDL_GetVideoInfo();
    const SDL_PixelFormat* f = info ? info->vfmt : nullptr;
    if (f && f->BitsPerPixel == 32 && f->Rmask == 0xFF0000 && f->Gmask == 0xFF00 &&
        f->Bmask == 0xFF)
        return {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    return {0xFF, 0xFF00, 0xFF0000, 0xFF000000};
}
