#include "ui/drag_picture.h"

#include <algorithm>
#include <string>

#include "gfx/sdl.h"
#include "ui/table_view.h"

DragPicture::DragPicture(SDL* sdl_t)
    : sdl(sdl_t), backdrop(sdl_t->CreateSurface32(sdl_t->w, sdl_t->h)) {
    // Opaque: composing the window copies it rather than blending it.
    SDL_SetAlpha(backdrop, 0, SDL_ALPHA_OPAQUE);
}

DragPicture::~DragPicture() {
    End();
    SDL_FreeSurface(backdrop);
}

// The dragged cards as one picture, drawn at half opacity: one blend a motion (SDL has a fast
// path for exactly half), and no translucent renders that the card images' cache would have to
// forget. Pure green, which no card shows, keys out the rest. The cards' pixels are copied, not
// blitted: a card image blitted onto a surface that is freed keeps a dangling pointer to it.
void DragPicture::Begin(const std::list<GCard>& cards, const std::function<int(int)>& face_of,
                        SDL_Surface* behind, int x, int y) {
    End();
    int left = sdl->w, top = sdl->h, right = 0, bottom = 0;
    for (const GCard& g : cards) {
        left = std::min(left, g.x), top = std::min(top, g.y);
        right = std::max(right, g.x + kCardImageSize);
        bottom = std::max(bottom, g.y + kCardImageSize);
    }
    const SDL_PixelFormat* f = sdl->card_images[0]->format;
    image = SDL_CreateRGBSurface(SDL_SWSURFACE, right - left, bottom - top, 32, f->Rmask, f->Gmask,
                                 f->Bmask, 0);
    if (!image) throw GraphicsError(std::string("can't create a surface: ") + SDL_GetError());
    image_x = left;
    image_y = top;
    const Uint32 key = SDL_MapRGB(image->format, 0, 255, 0);
    SDL_FillRect(image, nullptr, key);
    for (const GCard& g : cards) {
        SDL_Surface* card = sdl->EasyCardImage(g.rot, g.alpha, face_of(g.cardnum));
        SDL_LockSurface(card);
        for (int row = 0; row < kCardImageSize; ++row) {
            const auto* from = static_cast<const Uint32*>(card->pixels) + row * card->pitch / 4;
            auto* to = static_cast<Uint32*>(image->pixels) + (g.y - top + row) * image->pitch / 4 +
                       (g.x - left);
            for (int col = 0; col < kCardImageSize; ++col)
                if (from[col] & f->Amask) to[col] = from[col] & ~f->Amask;
        }
        SDL_UnlockSurface(card);
    }
    SDL_SetColorKey(image, SDL_SRCCOLORKEY | SDL_RLEACCEL, key);
    SDL_SetAlpha(image, SDL_SRCALPHA | SDL_RLEACCEL, 128);
    press_x = last_x = x;
    press_y = last_y = y;
    Recompose(behind);
}

void DragPicture::Recompose(SDL_Surface* behind) {
    SDL_BlitSurface(behind, nullptr, backdrop, nullptr);
    Draw(last_x, last_y, true);
}

SDL_Rect DragPicture::At(int x, int y) const {
    return {static_cast<Sint16>(image_x + x - press_x), static_cast<Sint16>(image_y + y - press_y),
            static_cast<Uint16>(image->w), static_cast<Uint16>(image->h)};
}

// At a scaled window size most of a motion's cost is in showing: only the changed part is shown.
void DragPicture::Draw(int x, int y, bool whole) {
    const SDL_Rect was = At(last_x, last_y), now = At(x, y);
    last_x = x;
    last_y = y;
    SDL_Rect from = was, at = was;
    SDL_BlitSurface(backdrop, whole ? nullptr : &from, sdl->screen, whole ? nullptr : &at);
    at = now;
    SDL_BlitSurface(image, nullptr, sdl->screen, &at);
    if (whole) {
        sdl->Present();
        return;
    }
    const int left = std::min(was.x, now.x), top = std::min(was.y, now.y);
    sdl->Present(left, top, std::max(was.x + was.w, now.x + now.w) - left,
                 std::max(was.y + was.h, now.y + now.h) - top);
}

void DragPicture::MoveTo(int x, int y) {
    if (image) Draw(x, y, false);
}

void DragPicture::End() {
    if (image) SDL_FreeSurface(image);
    image = nullptr;
}
