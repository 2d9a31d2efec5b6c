// The card sheet and the prepared card images: each picture is a sheet cell turned by a multiple
// of 45 degrees into a 128 x 128 image, so that drawing a card is one blit.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gfx/sdl.h"
#include "gfx/sheet_geometry.h"

namespace {

constexpr double kD = 0.7071067811865476;
constexpr double kCos[8] = {1, kD, 0, -kD, -1, -kD, 0, kD};
constexpr double kSin[8] = {0, kD, 1, kD, 0, -kD, -1, -kD};

// The sheet as the rotation reads it: three bytes a pixel, blue, green, red.
bool is_bgr24(const SDL_PixelFormat* f) {
    return f->BytesPerPixel == 3 && f->Rmask == 0xFF0000 && f->Gmask == 0xFF00 && f->Bmask == 0xFF;
}

SDL_Surface* to_bgr24(SDL_Surface* sheet) {
    SDL_PixelFormat format = *sheet->format;
    format.palette = nullptr;
    format.BitsPerPixel = 24;
    format.BytesPerPixel = 3;
    format.Rmask = 0xFF0000, format.Gmask = 0xFF00, format.Bmask = 0xFF, format.Amask = 0;
    format.Rshift = 16, format.Gshift = 8, format.Bshift = 0, format.Ashift = 0;
    format.Rloss = format.Gloss = format.Bloss = 0, format.Aloss = 8;
    SDL_Surface* converted = SDL_ConvertSurface(sheet, &format, SDL_SWSURFACE);
    SDL_FreeSurface(sheet);
    return converted;
}

// A turned card maps a cell point p to kCentre + R(rot) (p - centre of the cell): the cell's
// pixels land exactly on image pixels in the upright and quarter turns.
constexpr double kCentre = 64.5;
constexpr double kCellX = kCellW / 2.0, kCellY = kCellH / 2.0;

// The part of an image that a card turned by `rot` covers: every pixel its corners' turned
// rectangle touches. Drawing blits only this part; the rest is transparent anyway.
SDL_Rect card_bounds(int rot) {
    double left = kCardImageSize, top = kCardImageSize, right = 0, bottom = 0;
    for (double x : {0.0, static_cast<double>(kCellW)}) {
        for (double y : {0.0, static_cast<double>(kCellH)}) {
            const double dx = x - kCellX, dy = y - kCellY;
            const double xx = kCentre + dx * kCos[rot] - dy * kSin[rot];
            const double yy = kCentre + dx * kSin[rot] + dy * kCos[rot];
            left = std::min(left, xx), top = std::min(top, yy);
            right = std::max(right, xx), bottom = std::max(bottom, yy);
        }
    }
    const int l = std::max(static_cast<int>(std::floor(left + 1e-9)), 0);
    const int t = std::max(static_cast<int>(std::floor(top + 1e-9)), 0);
    const int r = std::min(static_cast<int>(std::ceil(right - 1e-9)), kCardImageSize);
    const int b = std::min(static_cast<int>(std::ceil(bottom - 1e-9)), kCardImageSize);
    return {static_cast<Sint16>(l), static_cast<Sint16>(t), static_cast<Uint16>(r - l),
            static_cast<Uint16>(b - t)};
}

// One sheet cell as the rotation reads it: red, green, blue in the low bytes, kOpaque set on
// card pixels; the key, and a border of kPad pixels around the cell, are 0.
constexpr Uint32 kOpaque = 1u << 24;
constexpr int kPad = 3;

struct CellPixels {
    Uint32 px[kCellH + 2 * kPad][kCellW + 2 * kPad] = {};

    // The pixel at padded coordinates (x, y).
    Uint32 at(int x, int y) const { return px[y][x]; }
    // Whether the pixels (x0, y0), (x1, y0), (x0, y1), (x1, y1) are all one colour, into
    // `colour`: the sample points of a pixel span less than a cell pixel, so at most these.
    bool one_colour(int x0, int y0, int x1, int y1, Uint32& colour) const {
        colour = px[y0][x0];
        return px[y0][x1] == colour && px[y1][x0] == colour && px[y1][x1] == colour;
    }
};

void read_cell(SDL_Surface* sheet, int card, CellPixels& cell) {
    for (int y = 0; y < kCellH; ++y) {
        const auto* row =
            static_cast<const Uint8*>(sheet->pixels) + y * sheet->pitch + 3 * kCellW * card;
        for (int x = 0; x < kCellW; ++x) {
            const Uint8 blue = row[3 * x], green = row[3 * x + 1], red = row[3 * x + 2];
            const bool key = blue == 0 && green == 255 && red == 0;
            cell.px[y + kPad][x + kPad] = key ? 0 : kOpaque | red | green << 8 | blue << 16;
        }
    }
}

// Cell coordinates in 16.16 fixed point, padded: never negative where they are read, so a shift
// floors them.
constexpr double kOne = 65536.0;

int fixed(double v) {
    return static_cast<int>(std::lround(v * kOne));
}

// Padded coordinates more than a pixel off the cell, where no sample point reaches it.
constexpr int kNear = (kPad - 1) << 16;
constexpr int kFarX = (kPad + kCellW + 1) << 16, kFarY = (kPad + kCellH + 1) << 16;

// Samples a side for each image pixel of a card turned by an odd multiple of 45 degrees: its
// colour and coverage are the mean of 9 points, so edges and pips are smooth. Upright and
// quarter-turned cards take one sample, which lands on exactly one cell pixel.
constexpr int kSub = 3;

// Locks a surface for direct access while it lives, where SDL asks for that.
class Lock {
  public:
    explicit Lock(SDL_Surface* s_t) : s(SDL_MUSTLOCK(s_t) ? s_t : nullptr) {
        if (s && SDL_LockSurface(s) == -1) throw GraphicsError("can't lock a card surface");
    }
    ~Lock() {
        if (s) SDL_UnlockSurface(s);
    }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

  private:
    SDL_Surface* s;
};

}  // namespace

// What is wrong with the header of a bitmap file meant to be a card sheet, or "" when nothing
// is: SDL's loader trusts a header, so a hostile one must not reach it. A sheet has a header of
// a known kind, one plane of 1 to 32 bits a pixel, and room for the 57 cells, but no more than
// 16384 x 1024 pixels.
std::string bad_sheet_header(const char* path) {
    // The file header, 14 bytes, then the info header, whose first field is its size (its kind).
    constexpr int kInfoAt = 14;
    // The old OS/2 info header has 16-bit width, height, planes and bits a pixel; the Windows
    // kinds have 32-bit width and height (a negative height: top row first), then the same two.
    constexpr int kOs2Size = 12, kOs2Width = 18, kOs2Height = 20, kOs2Planes = 22, kOs2Bits = 24;
    constexpr int kWinWidth = 18, kWinHeight = 22, kWinPlanes = 26, kWinBits = 28;
    constexpr unsigned long kWinSizes[] = {40, 52, 56, 108, 124};
    unsigned char head[kWinBits + 2] = {};
    FILE* f = std::fopen(path, "rb");
    if (!f) return "";  // the loader says why it cannot open it
    const std::size_t got = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    auto le = [&](int at, int bytes) {
        unsigned long v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = v << 8 | head[at + i];
        return v;
    };
    if (got < kOs2Bits + 2 || head[0] != 'B' || head[1] != 'M') return "not a bitmap";
    const unsigned long kind = le(kInfoAt, 4);
    long w, h, planes, bits;
    if (kind == kOs2Size) {
        w = static_cast<long>(le(kOs2Width, 2)), h = static_cast<long>(le(kOs2Height, 2));
        planes = static_cast<long>(le(kOs2Planes, 2)), bits = static_cast<long>(le(kOs2Bits, 2));
    } else if (got == sizeof head &&
               std::find(std::begin(kWinSizes), std::end(kWinSizes), kind) != std::end(kWinSizes)) {
        w = static_cast<int32_t>(le(kWinWidth, 4));
        h = std::labs(static_cast<int32_t>(le(kWinHeight, 4)));
        planes = static_cast<long>(le(kWinPlanes, 2)), bits = static_cast<long>(le(kWinBits, 2));
    } else {
        return "a bitmap header of an unknown kind";
    }
    if (planes != 1 || bits < 1 || bits > 32)
        return "a bitmap of " + std::to_string(bits) + " bits";
    if (w < kCellW * kSheetCells || h < kCellH || w > 16384 || h > 1024)
        return "a size of " + std::to_string(w) + " x " + std::to_string(h) + ", not from " +
               std::to_string(kCellW * kSheetCells) + " x " + std::to_string(kCellH) +
               " to 16384 x 1024";
    return "";
}

SDL_Surface* load_card_sheet(const char* bmp_filename) {
    const std::string name = bmp_filename;
    const std::string bad = bad_sheet_header(bmp_filename);
    if (!bad.empty()) throw GraphicsError(name + ": the card sheet has " + bad);
    SDL_Surface* sheet = SDL_LoadBMP_RW(SDL_RWFromFile(bmp_filename, "rb"), 1);
    if (!sheet) throw GraphicsError(name + ": can't load the card sheet: " + SDL_GetError());
    if (!is_bgr24(sheet->format)) sheet = to_bgr24(sheet);
    if (!sheet) throw GraphicsError(name + ": can't convert the card sheet to 24 bits");
    if (sheet->w < kCellW * kSheetCells || sheet->h < kCellH) {
        SDL_FreeSurface(sheet);
        throw GraphicsError(name + ": the card sheet is smaller than " +
                            std::to_string(kCellW * kSheetCells) + " x " + std::to_string(kCellH));
    }
    SDL_SetColorKey(sheet, SDL_SRCCOLORKEY, SDL_MapRGB(sheet->format, 0, 255, 0));
    return sheet;
}

void SDL::load_card_images(const char* bmp_filename) {
    card_deck = load_card_sheet(bmp_filename);
    for (SDL_Surface*& image : card_images) {
        // A new surface is all zero: transparent black.
        image = CreateSurface32(kCardImageSize, kCardImageSize);
        // Run-length encoded, a card is blitted as runs: its opaque rows copied, its transparent
        // frame skipped. Its pixels are then there only while it is locked.
        SDL_SetAlpha(image, SDL_SRCALPHA | SDL_RLEACCEL, SDL_ALPHA_OPAQUE);
    }
    for (int r = 0; r < 8; ++r) {
        RotateCard32(card_images[kBackSlot + r], static_cast<char>(r), kBackCell, -1);
        RotateCard32(card_images[kEmptySlot + r], static_cast<char>(r), kEmptyCell, -1);
        image_bounds[kBackSlot + r] = image_bounds[kEmptySlot + r] = card_bounds(r);
    }
}

void SDL::UseSuitColours(bool high_contrast) {
    if (high_contrast == contrast_sheet) return;
    const std::string file = card_dir + "/" + (high_contrast ? kContrastSheet : kClassicSheet);
    SDL_Surface* sheet = load_card_sheet(file.c_str());
    // The backs and empty piles are alike in both sheets; the faces are drawn anew when next shown.
    SDL_FreeSurface(card_deck);
    card_deck = sheet;
    std::fill(std::begin(easy_rot), std::end(easy_rot), -1);
    contrast_sheet = high_contrast;
}

void SDL::Plot32(SDL_Surface* dest, unsigned x, unsigned y, unsigned color) {
    if (x >= static_cast<unsigned>(dest->w) || y >= static_cast<unsigned>(dest->h)) return;
    auto* row = static_cast<Uint8*>(dest->pixels) + y * dest->pitch;
    reinterpret_cast<Uint32*>(row)[x] = color;
}

void SDL::RotateCard32(SDL_Surface* dest, char rot, int card, char alpha) {
    // One lock for the whole render: each unlock of a run-length encoded image encodes it anew.
    const Lock dest_lock(dest);
    // Transparent black is 0 in every channel order.
    for (int y = 0; y < dest->h; ++y)
        std::memset(static_cast<Uint8*>(dest->pixels) + y * dest->pitch, 0, dest->w * 4);
    if (rot < 0 || rot > 7) throw GraphicsError("no card rotation " + std::to_string(rot));
    if (card < 0 || card >= kSheetCells) throw GraphicsError("no card " + std::to_string(card));
    CellPixels cell;
    {
        const Lock sheet_lock(card_deck);
        read_cell(card_deck, card, cell);
    }
    // The images are 32-bit with 8 bits a channel: a colour is its bytes shifted into place.
    const SDL_PixelFormat* f = dest->format;
    const Uint32 most = static_cast<Uint8>(alpha);
    auto put = [&](int x, int y, Uint32 r, Uint32 g, Uint32 b, Uint32 a) {
        auto* row = static_cast<Uint8*>(dest->pixels) + y * dest->pitch;
        reinterpret_cast<Uint32*>(row)[x] =
            a << f->Ashift | r << f->Rshift | g << f->Gshift | b << f->Bshift;
    };
    const double c = kCos[static_cast<int>(rot)], s = kSin[static_cast<int>(rot)];
    const int sub = rot % 2 ? kSub : 1;
    // The sample points' offsets from a pixel's centre, turned back into the cell.
    int su[kSub * kSub], sv[kSub * kSub], reach = 0;
    for (int j = 0; j < sub; ++j)
        for (int i = 0; i < sub; ++i) {
            const double u = (i + 0.5) / sub - 0.5, v = (j + 0.5) / sub - 0.5;
            su[j * sub + i] = fixed(u * c + v * s);
            sv[j * sub + i] = fixed(-u * s + v * c);
            reach = std::max(reach, std::abs(su[j * sub + i]) + 1);
        }
    const int step_x = fixed(c), step_y = fixed(-s);
    const SDL_Rect box = card_bounds(rot);
    for (int y = box.y; y < box.y + box.h; ++y) {
        // The cell point under the pixel's centre, the turn backwards, stepped along the row.
        const double dy = y + 0.5 - kCentre, dx0 = box.x + 0.5 - kCentre;
        int cx = fixed(kPad + kCellX + dx0 * c + dy * s);
        int cy = fixed(kPad + kCellY - dx0 * s + dy * c);
        for (int x = box.x; x < box.x + box.w; ++x, cx += step_x, cy += step_y) {
            // A centre more than a pixel off the cell (the corners of a turned card's box) has
            // every sample point off it; this also keeps every read inside the padded cell.
            if (cx < kNear || cy < kNear || cx >= kFarX || cy >= kFarY) continue;
            // Where all sample points read one colour, that is the pixel's colour.
            Uint32 flat;
            if (cell.one_colour((cx - reach) >> 16, (cy - reach) >> 16, (cx + reach) >> 16,
                                (cy + reach) >> 16, flat)) {
                if (flat) put(x, y, flat & 0xFF, flat >> 8 & 0xFF, flat >> 16 & 0xFF, most);
                continue;
            }
            // Red and blue add up apart in one word, green and coverage in another; the key and
            // the pad are 0 and add nothing.
            Uint32 red_blue = 0, green_n = 0;
            for (int k = 0; k < sub * sub; ++k) {
                const Uint32 p = cell.at((cx + su[k]) >> 16, (cy + sv[k]) >> 16);
                red_blue += p & 0xFF00FF;
                green_n += p >> 8 & 0x1FF00FF;
            }
            const Uint32 n = green_n >> 16;
            if (n)
                put(x, y, (red_blue & 0xFFFF) / n, (green_n & 0xFFFF) / n, (red_blue >> 16) / n,
                    most * n / (sub * sub));
        }
    }
}

void SDL::RenderCard(char rot, char alpha, unsigned card) {
    if (card >= kCardImages) throw GraphicsError("no card image " + std::to_string(card));
    RotateCard32(card_images[card], rot, static_cast<int>(card), alpha);
    image_bounds[card] = card_bounds(rot);
}

void SDL::DrawCard(SDL_Surface* surface, unsigned x, unsigned y, unsigned card) {
    if (card >= kCardImages) throw GraphicsError("no card image " + std::to_string(card));
    SDL_Rect src = image_bounds[card];
    SDL_Rect dst{static_cast<Sint16>(x + src.x), static_cast<Sint16>(y + src.y), 0, 0};
    SDL_BlitSurface(card_images[card], &src, surface, &dst);
}

SDL_Surface* SDL::EasyCardImage(char rot, char alpha, unsigned card) {
    if (card < 52 && (easy_alpha[card] != alpha || easy_rot[card] != rot)) {
        RenderCard(rot, alpha, card);
        easy_alpha[card] = static_cast<signed char>(alpha);
        easy_rot[card] = static_cast<signed char>(rot);
    }
    if (card >= kCardImages) throw GraphicsError("no card image " + std::to_string(card));
    return card_images[card];
}

void SDL::EasyDrawCard(char rot, char alpha, SDL_Surface* surface, unsigned x, unsigned y,
                       unsigned card) {
    EasyCardImage(rot, alpha, card);
    DrawCard(surface, x, y, card);
}

namespace {

// Which pixels of a card image of rotation-independent shape a ring of `style` covers.
class RingShape {
  public:
    RingShape(SDL_Surface* card_t, RingStyle style_t) : card(card_t), style(style_t) {}

    bool At(int x, int y) const {
        const bool inside = Covered(x, y);
        switch (style) {
            case RingStyle::kSolid:
                return Band(x, y, inside, 3);
            case RingStyle::kDashed:
                return Band(x, y, inside, 3) && Around(x, y, 10.0);
            case RingStyle::kDotted:
                return Band(x, y, inside, 3) && Around(x, y, 3.5);
            case RingStyle::kDouble:
                // The edge's line, a gap, and a second line further in.
                return inside ? NearOther(x, y, true, 7) && !NearOther(x, y, true, 5)
                              : Band(x, y, false, 3);
            case RingStyle::kCorners:
                return Band(x, y, inside, 5) && AtCorner(x, y);
        }
        return false;
    }

  private:
    bool Covered(int x, int y) const {
        if (x < 0 || y < 0 || x >= kCardImageSize || y >= kCardImageSize) return false;
        const auto* row = static_cast<const Uint8*>(card->pixels) + y * card->pitch;
        return (reinterpret_cast<const Uint32*>(row)[x] & card->format->Amask) != 0;
    }
    // Whether a pixel of the other kind lies within `reach` of (x, y).
    bool NearOther(int x, int y, bool inside, int reach) const {
        for (int dy = -reach; dy <= reach; ++dy)
            for (int dx = -reach; dx <= reach; ++dx)
                if (Covered(x + dx, y + dy) != inside) return true;
        return false;
    }
    // Every other slice of `degrees` around the card's centre: dashes or dots along the edge in
    // any rotation.
    static bool Around(int x, int y, double degrees) {
        const double centre = kCardImageSize / 2.0;
        const double angle = std::atan2(y + 0.5 - centre, x + 0.5 - centre) * 180.0 / M_PI + 180.0;
        return static_cast<int>(angle / degrees) % 2 == 0;
    }
    // The edge's band: `inner` pixels inside it, one outside.
    bool Band(int x, int y, bool inside, int inner) const {
        return NearOther(x, y, inside, inside ? inner : 1);
    }
    // Near a corner of the card, in any rotation: around a corner the card covers about a
    // quarter of a small square, along an edge about half.
    bool AtCorner(int x, int y) const {
        constexpr int kReach = 16;
        int covered = 0, all = 0;
        for (int dy = -kReach; dy <= kReach; ++dy)
            for (int dx = -kReach; dx <= kReach; ++dx) covered += Covered(x + dx, y + dy), ++all;
        return covered * 100 < 42 * all;
    }

    SDL_Surface* card;
    RingStyle style;
};

}  // namespace

SDL_Surface* SDL::MakeCardRing(int rot, RingStyle style, Uint8 red, Uint8 green, Uint8 blue) {
    if (rot < 0 || rot > 7) throw GraphicsError("no card rotation " + std::to_string(rot));
    SDL_Surface* card = card_images[kBackSlot + rot];
    SDL_Surface* ring = CreateSurface32(kCardImageSize, kCardImageSize);
    const Uint32 colour = SDL_MapRGBA(ring->format, red, green, blue, SDL_ALPHA_OPAQUE);
    {
        const Lock card_lock(card), ring_lock(ring);
        const RingShape shape(card, style);
        for (int y = 0; y < kCardImageSize; ++y)
            for (int x = 0; x < kCardImageSize; ++x)
                if (shape.At(x, y)) Plot32(ring, x, y, colour);
    }
    SDL_SetAlpha(ring, SDL_SRCALPHA | SDL_RLEACCEL, SDL_ALPHA_OPAQUE);
    return ring;
}

void SDL::free_card_images() {
    for (SDL_Surface*& image : card_images) {
        if (image) SDL_FreeSurface(image);
        image = nullptr;
    }
    if (card_deck) SDL_FreeSurface(card_deck);
    card_deck = nullptr;
}
