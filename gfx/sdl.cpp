#include "gfx/sdl.h"

#include <SDL_net.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "gfx/masks.h"
#include "net/async_connect.h"
#include "net/fastevents.h"
#include "net/net2.h"

namespace {

std::runtime_error start_error(const char* prefix, const char* why) {
    return std::runtime_error(std::string(prefix) + (why ? why : ""));
}

// An X server that resets when its last client leaves (Xvfb without -noreset), or one that is
// still starting, refuses connections for a moment: where a display is named, it is tried for two
// seconds before the start fails. SDL_GetError tells the last try's failure: "Couldn't open X11
// display", or "No available video device" where no driver found one.
bool display_may_come(Uint32 flags) {
    const char* display = std::getenv("DISPLAY");
    const char* why = SDL_GetError();
    return (flags & SDL_INIT_VIDEO) && display && *display && why &&
           (std::strstr(why, "X11 display") || std::strstr(why, "No available video device"));
}

int init_retrying_display(Uint32 flags) {
    for (int tries = 1;; ++tries) {
        if (SDL_Init(flags) == 0) return 0;
        if (tries == 20 || !display_may_come(flags)) return -1;
        SDL_Quit();
        SDL_Delay(100);
    }
}

}  // namespace

SDL::SDL(unsigned flags) {
    FE_CatchQuitSignals();
    // Neither SDL's event thread nor its timer thread: each wakes a thousand times a second,
    // which keeps a processor busy while the window rests. Input is gathered when the main
    // loop looks for events, at least every 10 ms tick; nothing uses SDL's timers.
    if (init_retrying_display(flags & ~SDL_INIT_TIMER) == -1) {
        // A subsystem that did start before the one that failed is shut down again.
        const std::runtime_error e = start_error("SDL: ", SDL_GetError());
        SDL_Quit();
        throw e;
    }
    if (SDLNet_Init() == -1) {
        const std::runtime_error e = start_error("SDL(Net): ", SDLNet_GetError());
        SDL_Quit();
        throw e;
    }
    if (FE_Init() == -1) {
        SDLNet_Quit();
        SDL_Quit();
        throw start_error("SDL(FE): ", FE_GetError());
    }
    if (NET2_Init() == -1) {
        FE_Quit();
        SDLNet_Quit();
        SDL_Quit();
        throw start_error("SDL(Net2): ", NET2_GetError());
    }
}

SDL::~SDL() {
    sounds.Close();
    for (SDLFont* font : fonts)
        if (font) freeFont(font);
    free_card_images();
    if (own_picture) SDL_FreeSurface(own_picture);
    AsyncConnect::EndAll();
    NET2_Quit();
    FE_Quit();
    SDLNet_Quit();
    SDL_Quit();
}

void SDL::load_font(unsigned fontnum, const std::string& dir, float shade) {
    std::string why;
    fonts[fontnum] = initFont(dir.c_str(), shade, shade, shade, 1.0f, &why);
    if (!fonts[fontnum]) throw GraphicsError("can't load a font: " + why);
}

namespace {

// The smallest window side taken from the settings or the command line.
constexpr int kMinWindow = 100;

}  // namespace

void SDL::InitVideo(int width, int height, std::string fontdir, std::string cardfilename,
                    int window_w, int window_h, bool full) {
    for (int c = 0; c < 52; ++c) easy_alpha[c] = easy_rot[c] = -1;
    fonts.fill(nullptr);
    for (SDL_Surface*& image : card_images) image = nullptr;
    card_deck = nullptr;
    const std::string font1 = fontdir + "/font1";
    load_font(3, font1, 1.0f);
    load_font(2, font1, 0.0f);
    const std::string font2 = fontdir + "/font2";
    load_font(1, font2, 1.0f);
    load_font(0, font2, 0.0f);
    load_card_images(cardfilename.c_str());
    const std::size_t slash = cardfilename.rfind('/');
    card_dir = slash == std::string::npos ? "." : cardfilename.substr(0, slash);
    w = width;
    h = height;
    // Before the first mode is set, SDL tells the desktop's size.
    const SDL_VideoInfo* info = SDL_GetVideoInfo();
    desktop_w = info->current_w, desktop_h = info->current_h;
    const int k = StartMultiple(desktop_w, desktop_h, w, h);
    const bool known = desktop_w > 0 && desktop_h > 0;
    // A remembered size from another screen may not fit this one.
    const bool chosen = window_w >= kMinWindow && window_h >= kMinWindow &&
                        (!known || (window_w <= desktop_w && window_h <= desktop_h));
    windowed_w = chosen ? window_w : k * w;
    windowed_h = chosen ? window_h : k * h;
    if (full)
        SetMode(known ? desktop_w : windowed_w, known ? desktop_h : windowed_h, true);
    else
        SetMode(windowed_w, windowed_h, false);
    SDL_WM_SetCaption("Velmora", "Velmora");
}

void SDL::SetMode(int width, int height, bool full) {
    // The picture outlives the window: copied out of it while the window is the picture.
    SDL_Surface* kept = own_picture;
    own_picture = nullptr;
    if (screen && screen == window) {
        kept = SDL_ConvertSurface(window, window->format, SDL_SWSURFACE);
        if (!kept) throw GraphicsError(std::string("can't keep the picture: ") + SDL_GetError());
    }
    const int bpp = window ? window->format->BitsPerPixel : SDL_GetVideoInfo()->vfmt->BitsPerPixel;
    window = SDL_SetVideoMode(width, height, bpp, full ? SDL_FULLSCREEN : SDL_RESIZABLE);
    if (!window) {
        if (kept) SDL_FreeSurface(kept);
        screen = nullptr;
        throw GraphicsError("can't open a " + std::to_string(width) + " x " +
                            std::to_string(height) + " window: " + SDL_GetError());
    }
    fullscreen = full;
    UseWindow(kept);
}

// Shows the picture in the window as it now is; `kept` is the picture's surface, if any yet.
void SDL::UseWindow(SDL_Surface* kept) {
    scaler.SetBox(Letterbox::Fit(w, h, window->w, window->h));
    if (window->w == w && window->h == h) {
        if (kept) {
            SDL_BlitSurface(kept, nullptr, window, nullptr);
            SDL_FreeSurface(kept);
        }
        screen = window;
    } else if (kept) {
        screen = own_picture = kept;
    } else {
        const SDL_PixelFormat* f = window->format;
        screen = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, f->BitsPerPixel, f->Rmask, f->Gmask,
                                      f->Bmask, f->Amask);
        if (!screen) throw GraphicsError(std::string("can't make the picture: ") + SDL_GetError());
        own_picture = screen;
        if (f->palette) SDL_SetColors(screen, f->palette->colors, 0, f->palette->ncolors);
        ClearToTable(*this, screen);
    }
    Present();
}

void SDL::ShowOn(SDL_Surface* picture, SDL_Surface* window_t) {
    screen = picture;
    window = window_t;
    scaler.SetBox(Letterbox::Fit(w, h, window->w, window->h));
}

void SDL::ResizeWindow(int width, int height) {
    if (fullscreen || width < 1 || height < 1) return;
    if (window && width == window->w && height == window->h) return;
    SetMode(width, height, false);
}

void SDL::ToggleFullscreen() {
    if (fullscreen) {
        SetMode(windowed_w, windowed_h, false);
        return;
    }
    windowed_w = window->w, windowed_h = window->h;
    const bool known = desktop_w > 0 && desktop_h > 0;
    SetMode(known ? desktop_w : windowed_w, known ? desktop_h : windowed_h, true);
}

void SDL::WindowedSize(int& width, int& height) const {
    width = fullscreen || !window ? windowed_w : window->w;
    height = fullscreen || !window ? windowed_h : window->h;
}

void SDL::Present() {
    if (screen != window) {
        FillBars();
        const Letterbox& b = scaler.Box();
        scaler.Scale(screen, window, b.x, b.y, b.w, b.h);
    }
    SDL_Flip(window);
}

void SDL::Present(int x, int y, int width, int height) {
    x = std::max(x, 0), y = std::max(y, 0);
    width = std::min(width, w - x), height = std::min(height, h - y);
    if (width <= 0 || height <= 0) return;
    if (screen != window) {
        scaler.Box().ToWindow(x, y, width, height);
        scaler.Scale(screen, window, x, y, width, height);
    }
    SDL_UpdateRect(window, x, y, static_cast<Uint32>(width), static_cast<Uint32>(height));
}

void SDL::FillBars() {
    const Letterbox& b = scaler.Box();
    const Uint32 table = SDL_MapRGB(window->format, kTableRed, kTableGreen, kTableBlue);
    fillrect(window, 0, 0, static_cast<unsigned>(window->w), static_cast<unsigned>(b.y), table);
    fillrect(window, 0, b.y + b.h, static_cast<unsigned>(window->w),
             static_cast<unsigned>(window->h - b.y - b.h), table);
    fillrect(window, 0, b.y, static_cast<unsigned>(b.x), static_cast<unsigned>(b.h), table);
    fillrect(window, b.x + b.w, b.y, static_cast<unsigned>(window->w - b.x - b.w),
             static_cast<unsigned>(b.h), table);
}

void SDL::SetIcon(const std::string& bmp_filename) {
    SDL_Surface* icon = SDL_LoadBMP(bmp_filename.c_str());
    if (!icon) return;
    SDL_SetColorKey(icon, SDL_SRCCOLORKEY, SDL_MapRGB(icon->format, 0, 255, 0));
    SDL_WM_SetIcon(icon, nullptr);
    SDL_FreeSurface(icon);
}

void SDL::Clear(SDL_Surface* surface, char red, char green, char blue) {
    SDL_FillRect(surface, nullptr,
                 SDL_MapRGB(surface->format, static_cast<Uint8>(red), static_cast<Uint8>(green),
                            static_cast<Uint8>(blue)));
}

int SDL::DrawString(SDL_Surface* surface, unsigned fontnum, int x, int y, const char* str) {
    return drawString(surface, fonts.at(fontnum), x, y, str);
}

int SDL::GetStringWidth(unsigned fontnum, const char* str) {
    return stringWidth(fonts.at(fontnum), str);
}

int SDL::GetFontHeight(unsigned fontnum) {
    return fonts.at(fontnum)->charWidth;
}

SDL_Surface* SDL::CreateSurface32(unsigned width, unsigned height) {
    const ChannelMasks m = surface_masks();
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, static_cast<int>(width),
                                          static_cast<int>(height), 32, m.r, m.g, m.b, m.a);
    if (!s)
        throw GraphicsError("can't create a " + std::to_string(width) + " x " +
                            std::to_string(height) + " surface: " + SDL_GetError());
    return s;
}

void ClearToTable(SDL& sdl, SDL_Surface* surface) {
    sdl.Clear(surface, static_cast<char>(kTableRed), static_cast<char>(kTableGreen),
              static_cast<char>(kTableBlue));
}

void fillrect(SDL_Surface* surface, int x, int y, unsigned w, unsigned h, unsigned color) {
    SDL_Rect r{static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w),
               static_cast<Uint16>(h)};
    SDL_FillRect(surface, &r, color);
}

void hline(SDL_Surface* screen, int x, int y, unsigned w, unsigned c) {
    fillrect(screen, x, y, w, 1, c);
}

void vline(SDL_Surface* screen, int x, int y, unsigned h, unsigned c) {
    fillrect(screen, x, y, 1, h, c);
}

void border(SDL_Surface* screen, int x, int y, unsigned w, unsigned h, unsigned color1,
            unsigned color2) {
    hline(screen, x, y, w - 1, color1);
    vline(screen, x, y, h - 1, color1);
    hline(screen, x, y + static_cast<int>(h) - 1, w, color2);
    vline(screen, x + static_cast<int>(w) - 1, y, h, color2);
}
