#include "gfx/font.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "base/utf8.h"
#include "gfx/font_cells.h"
#include "gfx/masks.h"

namespace {

// A byte repeated in every byte of a pixel, so that any channel's mask picks it out.
Uint32 repeat(unsigned char byte) {
    return byte * 0x01010101u;
}

Uint32 channel(float value) {
    return repeat(static_cast<unsigned char>(value * 255.0f));
}

// Larger atlases are no font of ours: their cells would not fit a line of the window.
constexpr long kMaxSide = 4096;

// Reads at most `limit` bytes of the file; false when it cannot be opened.
bool read_file(const std::string& path, std::size_t limit, std::vector<unsigned char>& out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    out.resize(limit);
    out.resize(std::fread(out.data(), 1, limit, f));
    std::fclose(f);
    return true;
}

// The atlas side from "font.ini": a decimal number, leading blanks allowed, anything after it
// ignored; 0 when it is not a positive multiple of 16 up to kMaxSide.
long read_side(const std::vector<unsigned char>& ini) {
    const std::string text(ini.begin(), ini.end());
    errno = 0;
    char* end = nullptr;
    const long side = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || errno || side <= 0 || side % 16 || side > kMaxSide) return 0;
    return side;
}

struct Loaded {
    long side = 0;
    std::vector<unsigned char> raw, dat;
};

// Reads the three files, checking each; false with `error` naming the file otherwise.
bool read_font_files(const std::string& dir, Loaded& font, std::string& error) {
    const std::string ini = dir + "/font.ini", raw = dir + "/font.raw", dat = dir + "/font.dat";
    std::vector<unsigned char> text;
    if (!read_file(ini, 64, text)) return error = ini + ": can't open", false;
    font.side = read_side(text);
    if (!font.side)
        return error = ini + ": the side is not a multiple of 16 from 16 to 4096", false;
    const std::size_t pixels = static_cast<std::size_t>(font.side) * font.side;
    if (!read_file(raw, pixels, font.raw)) return error = raw + ": can't open", false;
    if (font.raw.size() < pixels)
        return error = raw + ": shorter than " + std::to_string(pixels) + " bytes", false;
    if (!read_file(dat, 256, font.dat)) return error = dat + ": can't open", false;
    if (font.dat.size() < 256) return error = dat + ": shorter than 256 bytes", false;
    return true;
}

// The atlas cell of the character at byte `i` of UTF-8 `str`, moving `i` past it.
int cell_of(const char* str, std::size_t size, std::size_t& i) {
    const auto byte = static_cast<unsigned char>(str[i]);
    const unsigned code = byte < 0x80 ? (++i, byte) : NextCodePoint(str, size, i);
    return IsPrintableLatin1(code) ? static_cast<int>(code) : kReplacementCell;
}

}  // namespace

SDLFont* initFont(const char* fontdir, float r, float g, float b, float a, std::string* error) {
    Loaded files;
    std::string why;
    if (!read_font_files(fontdir, files, why)) {
        if (error) *error = why;
        return nullptr;
    }
    const int n = static_cast<int>(files.side);
    const std::size_t pixels = static_cast<std::size_t>(n) * n;
    std::unique_ptr<Uint32[]> data(new Uint32[pixels]);
    const ChannelMasks m = surface_masks();
    const Uint32 colour = (m.r & channel(r)) | (m.g & channel(g)) | (m.b & channel(b));
    for (std::size_t i = 0; i < pixels; ++i)
        data[i] = colour | (m.a & repeat(static_cast<unsigned char>(files.raw[i] * a)));
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceFrom(data.get(), n, n, 32, n * 4, m.r, m.g, m.b, m.a);
    if (!surface) {
        if (error) *error = std::string(fontdir) + ": can't make the atlas surface";
        return nullptr;
    }
    int* widths = new int[256];
    for (int k = 0; k < 256; ++k) widths[k] = files.dat[k];
    return new SDLFont{surface, n, n / 16, widths,
                       reinterpret_cast<unsigned char*>(data.release())};
}

int drawString(SDL_Surface* screen, SDLFont* font, int x, int y, const char* str) {
    const int s = font->charWidth;
    int pen = 0;
    const std::size_t size = std::strlen(str);
    for (std::size_t i = 0; i < size;) {
        const int k = cell_of(str, size, i);
        const int w = font->widths[k];
        // Glyphs are centred in their cells; each strip is two pixels wider than its advance.
        fontDrawIMG(screen, font->font, x + pen, y, w + 2, s, s * (k % 16) + (s / 2 - w / 2),
                    s * (k / 16));
        pen += w;
    }
    return pen;
}

int stringWidth(SDLFont* font, const char* str) {
    int width = 0;
    const std::size_t size = std::strlen(str);
    for (std::size_t i = 0; i < size;) width += font->widths[cell_of(str, size, i)];
    return width;
}

void fontDrawIMG(SDL_Surface* screen, SDL_Surface* img, int x, int y, int w, int h, int x2,
                 int y2) {
    SDL_Rect src{static_cast<Sint16>(x2), static_cast<Sint16>(y2), static_cast<Uint16>(w),
                 static_cast<Uint16>(h)};
    SDL_Rect dst{static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_BlitSurface(img, &src, screen, &dst);
}

void freeFont(SDLFont* font) {
    delete[] font->widths;
    SDL_FreeSurface(font->font);
    delete[] reinterpret_cast<Uint32*>(font->data);
    delete font;
}
