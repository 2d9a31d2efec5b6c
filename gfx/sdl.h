// The one graphics context: starts SDL, SDL_net, the fast event queue and the network layer,
// opens the window with the fonts and the card images, and draws. Failures to get a data file,
// the window or a surface throw GraphicsError; library start-up failures a runtime error.
#pragma once

#include <SDL.h>

#include <array>
#include <string>

#include "gfx/font.h"
#include "gfx/graphics_error.h"
#include "gfx/scaler.h"
#include "gfx/sounds.h"

class Tracker;
class TrackerModify;

// Card image slots: faces 0 to 51, the back in each rotation, the empty pile in each rotation.
constexpr int kCardImages = 70;
constexpr int kBackSlot = 54;
constexpr int kEmptySlot = 62;
// Side of a prepared card image; a card's centre is at (64, 64) of it in every rotation.
constexpr int kCardImageSize = 128;

// How a ring around a card is drawn, so that rings of different meaning differ in shape as well
// as colour: all along the edge, in dashes, in dots, as two lines, or only at the corners.
enum class RingStyle { kSolid, kDashed, kDotted, kDouble, kCorners };

// The table colour, behind everything the program draws.
constexpr Uint8 kTableRed = 0, kTableGreen = 128, kTableBlue = 128;

class SDL {
  public:
    // Start-up flags of the program: timer, video, no parachute.
    static constexpr unsigned kFlags = 0x00100021;

    explicit SDL(unsigned flags);
    ~SDL();
    SDL(const SDL&) = delete;
    SDL& operator=(const SDL&) = delete;

    // Loads the fonts and cards and opens a resizable window for a `width` x `height` picture:
    // that size, or a whole multiple of it on a desktop more than twice as large; or a window
    // of `window_w` x `window_h` when given; or the whole screen.
    void InitVideo(int width, int height, std::string fontdir, std::string cardfilename,
                   int window_w = 0, int window_h = 0, bool full = false);
    // Shows the picture (all of it, or a rectangle of it) in the window.
    void Present();
    void Present(int x, int y, int w, int h);
    // The window was resized to w x h: the picture is scaled to fit it.
    void ResizeWindow(int w, int h);
    // Between a window and the whole screen (F11). The windowed size comes back.
    void ToggleFullscreen();
    bool IsFullscreen() const { return fullscreen; }
    // The window's size when it is not the whole screen.
    void WindowedSize(int& width, int& height) const;
    // A pointer position in the window, in picture coordinates (see Letterbox::ToPicture).
    void ToPicture(int& x, int& y) const { scaler.Box().ToPicture(x, y); }
    // Draws into `picture` and shows it in `window` from now on: the benchmarks' own surfaces,
    // of one pixel format, neither freed while in use.
    void ShowOn(SDL_Surface* picture, SDL_Surface* window_t);
    // Before InitVideo: the window manager's icon for the window, a bitmap keyed on pure green.
    // A missing or unreadable file leaves the default icon: the game plays without it.
    void SetIcon(const std::string& bmp_filename);
    // Fills the clip rectangle; the components are taken as unsigned bytes.
    void Clear(SDL_Surface* surface, char red, char green, char blue);
    // Text is UTF-8, drawn and measured as gfx/font.h says. Fonts: 0 black and 1 white (buttons,
    // screens), 2 black and 3 white (the larger face).
    int DrawString(SDL_Surface* surface, unsigned fontnum, int x, int y, const char* str);
    int GetStringWidth(unsigned fontnum, const char* str);
    int GetFontHeight(unsigned fontnum);
    // A 32-bit surface with red in the lowest byte and alpha in the highest; the caller owns it.
    SDL_Surface* CreateSurface32(unsigned w, unsigned h);

    // Renders sheet cell `card` into slot `card` in rotation `rot` (x 45 degrees clockwise),
    // every pixel at `alpha` (taken unsigned).
    void RenderCard(char rot, char alpha, unsigned card);
    // Blits slot `card` with its top-left corner at (x, y).
    void DrawCard(SDL_Surface* surface, unsigned x, unsigned y, unsigned card);
    // Draws face `card` in that rotation and alpha, rendering it only when the last render
    // differed; other slots are drawn as they are.
    void EasyDrawCard(char rot, char alpha, SDL_Surface* surface, unsigned x, unsigned y,
                      unsigned card);
    // The image EasyDrawCard would draw, rendered as it would be. Read its pixels under a lock;
    // never blit it onto a surface that is freed while it lives (SDL would keep a dangling
    // pointer to that surface in the image's blit map).
    SDL_Surface* EasyCardImage(char rot, char alpha, unsigned card);
    // The suits' colours: every face is drawn from now on from the card sheet beside the one
    // InitVideo loaded, with the classic inks or with high contrast ones. Throws GraphicsError,
    // nothing changed, when that sheet cannot be read.
    void UseSuitColours(bool high_contrast);
    static constexpr const char* kClassicSheet = "deck_default.bmp";
    static constexpr const char* kContrastSheet = "deck_contrast.bmp";

    // A mark that follows a card's edge in rotation `rot`: a ring in the given colour, a little
    // inside and outside the edge, transparent elsewhere; drawn like a card image. Its style
    // tells it apart without its colour. The caller owns it.
    SDL_Surface* MakeCardRing(int rot, RingStyle style, Uint8 red, Uint8 green, Uint8 blue);

    void DrawRect3D(SDL_Surface* screen, int x, int y, unsigned w, unsigned h, bool out);
    unsigned GetButtonHeight();
    unsigned GetButtonWidth(const char* text);
    unsigned DrawButton(SDL_Surface* surface, int x, int y, const char* text, bool out,
                        bool enabled);
    unsigned GetTextInputWidth(unsigned chars);
    unsigned GetTextInputHeight();
    unsigned DrawTextInput(SDL_Surface* surface, int x, int y, int chars, const char* text);

    SDL_Surface* card_deck = nullptr;
    std::array<SDLFont*, 4> fonts{};
    // The folder of the card sheets, and whether the high contrast one is in use.
    std::string card_dir;
    bool contrast_sheet = false;
    signed char easy_alpha[52];
    signed char easy_rot[52];
    TrackerModify* tracker_modify = nullptr;
    Tracker* tracker = nullptr;
    int playernum = -1;
    int numplayers = 0;
    bool sane = false;
    int w = 0;
    int h = 0;
    // Run-length encoded: lock one to read its pixels.
    SDL_Surface* card_images[kCardImages] = {};
    // The picture every screen draws, w x h: the window itself when that is its size, else a
    // surface of the window's format that Present scales into the window.
    SDL_Surface* screen = nullptr;
    SDL_Surface* window = nullptr;
    // Silent until opened: the headless programs and the tests never open it.
    Sounds sounds;

  private:
    void load_font(unsigned fontnum, const std::string& dir, float shade);
    void load_card_images(const char* bmp_filename);
    void Plot32(SDL_Surface* dest, unsigned x, unsigned y, unsigned color);
    void RotateCard32(SDL_Surface* dest, char rot, int card, char alpha);
    void free_card_images();
    void SetMode(int width, int height, bool full);
    void UseWindow(SDL_Surface* kept);
    void FillBars();

    PictureScaler scaler;
    // The picture's surface while it is not the window.
    SDL_Surface* own_picture = nullptr;
    int desktop_w = 0, desktop_h = 0;
    int windowed_w = 0, windowed_h = 0;
    bool fullscreen = false;

    // The part of each image that its card covers; empty until the image is rendered.
    SDL_Rect image_bounds[kCardImages] = {};
};

// The card sheet in `bmp_filename` as 24-bit pixels of blue, green and red, pure green its
// transparent colour; throws GraphicsError naming the file when it cannot be loaded or is smaller
// than the 57 cells of 73 x 97 it must hold. The caller owns it.
SDL_Surface* load_card_sheet(const char* bmp_filename);

void ClearToTable(SDL& sdl, SDL_Surface* surface);
void hline(SDL_Surface* screen, int x, int y, unsigned w, unsigned c);
void vline(SDL_Surface* screen, int x, int y, unsigned h, unsigned c);
void fillrect(SDL_Surface* surface, int x, int y, unsigned w, unsigned h, unsigned color);
// A frame: top and left edges in color1, bottom and right edges (with both far corners) color2.
void border(SDL_Surface* screen, int x, int y, unsigned w, unsigned h, unsigned color1,
            unsigned color2);
