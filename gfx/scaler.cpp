#include "gfx/scaler.h"

#include <algorithm>
#include <cstring>

void PictureScaler::SetBox(const Letterbox& box_t) {
    box = box_t;
    smooth = box.Multiple() == 0;
    columns = Taps(box.w, box.picture_w, smooth);
    rows = Taps(box.h, box.picture_h, smooth);
}

// A window pixel's centre, in picture coordinates, is (i + 0.5) * picture / shown: nearest takes
// the pixel it falls in, smooth the two pixel centres around it.
std::vector<PictureScaler::Tap> PictureScaler::Taps(int shown, int picture, bool smooth) {
    std::vector<Tap> taps(static_cast<std::size_t>(shown));
    for (int i = 0; i < shown; ++i) {
        const long num = (2L * i + 1) * picture;  // the centre, times 2 * shown
        if (!smooth) {
            taps[i] = {static_cast<int>(num / (2L * shown)), 0};
            continue;
        }
        const long at = std::max(num - shown, 0L) * 256 / (2L * shown);  // centre - 0.5, x 256
        const int from = std::min(static_cast<int>(at / 256), picture - 1);
        taps[i] = {from, from == picture - 1 ? 0u : static_cast<unsigned>(at % 256)};
    }
    return taps;
}

void PictureScaler::Scale(SDL_Surface* picture, SDL_Surface* window, int x, int y, int w,
                          int h) const {
    if (w <= 0 || h <= 0) return;
    SDL_LockSurface(window);
    if (smooth && window->format->BytesPerPixel == 4)
        Smooth(picture, window, x, y, w, h);
    else
        Nearest(picture, window, x, y, w, h);
    SDL_UnlockSurface(window);
}

void PictureScaler::Nearest(SDL_Surface* picture, SDL_Surface* window, int x, int y, int w,
                            int h) const {
    const int bpp = window->format->BytesPerPixel;
    const auto* src = static_cast<const Uint8*>(picture->pixels);
    auto* dst = static_cast<Uint8*>(window->pixels);
    const Tap* col = columns.data() + (x - box.x);
    for (int j = 0; j < h; ++j) {
        const int row = rows[y - box.y + j].nearest();
        Uint8* out = dst + (y + j) * window->pitch + x * bpp;
        // Rows from the same picture row are copies of the one above.
        if (j > 0 && rows[y - box.y + j - 1].nearest() == row) {
            std::memcpy(out, out - window->pitch, static_cast<std::size_t>(w) * bpp);
            continue;
        }
        const Uint8* in = src + row * picture->pitch;
        if (bpp == 4) {
            auto* out32 = reinterpret_cast<Uint32*>(out);
            const auto* in32 = reinterpret_cast<const Uint32*>(in);
            for (int i = 0; i < w; ++i) out32[i] = in32[col[i].nearest()];
        } else {
            for (int i = 0; i < w; ++i)
                std::memcpy(out + i * bpp, in + col[i].nearest() * bpp, bpp);
        }
    }
}

namespace {

// (256 - f) parts of a and f of b, each 8-bit channel apart: two channels a multiply.
inline Uint32 mix(Uint32 a, Uint32 b, unsigned f) {
    const Uint32 g = 256 - f;
    const Uint32 even = (((a & 0xFF00FF) * g + (b & 0xFF00FF) * f) >> 8) & 0xFF00FF;
    const Uint32 odd = ((((a >> 8) & 0xFF00FF) * g + ((b >> 8) & 0xFF00FF) * f) >> 8) & 0xFF00FF;
    return even | odd << 8;
}

}  // namespace

void PictureScaler::Smooth(SDL_Surface* picture, SDL_Surface* window, int x, int y, int w,
                           int h) const {
    const Tap* col = columns.data() + (x - box.x);
    for (int j = 0; j < h; ++j) {
        const Tap& r = rows[y - box.y + j];
        const auto* above = reinterpret_cast<const Uint32*>(
            static_cast<const Uint8*>(picture->pixels) + r.from * picture->pitch);
        const auto* below = r.next ? reinterpret_cast<const Uint32*>(
                                         reinterpret_cast<const Uint8*>(above) + picture->pitch)
                                   : above;
        auto* out = reinterpret_cast<Uint32*>(static_cast<Uint8*>(window->pixels) +
                                              (y + j) * window->pitch) +
                    x;
        for (int i = 0; i < w; ++i) {
            const int a = col[i].from;
            const int b = col[i].next ? a + 1 : a;
            out[i] = mix(mix(above[a], above[b], col[i].next), mix(below[a], below[b], col[i].next),
                         r.next);
        }
    }
}
