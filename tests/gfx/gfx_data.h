// Data files for the graphics tests, with contents the tests can predict pixel by pixel.
#pragma once

#include <SDL.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "gfx/sheet_geometry.h"

namespace gfxdata {

constexpr int kSide = 256;  // cells of 16
constexpr int kCell = kSide / 16;

// Advance widths: 8 by default, so that "aaaaa" is 40 pixels wide.
inline int width_of(int code) {
    switch (code) {
        case 0xE9:  // e acute
            return 0;
        case 127:  // the replacement mark
            return 11;
        case 'b':
            return 9;
        case '%':
            return 7;
        case 's':
            return 5;
        default:
            return 8;
    }
}

inline void write(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// Each glyph's strip (its advance plus two pixels, centred in the cell) is opaque in row 3;
// row 7 marks only the strip's first column; row 9 is coverage 128 over the strip.
inline std::string atlas() {
    std::string raw(kSide * kSide, '\0');
    for (int k = 0; k < 256; ++k) {
        const int left = kCell * (k % 16) + kCell / 2 - width_of(k) / 2, top = kCell * (k / 16);
        for (int x = left; x < left + width_of(k) + 2; ++x) {
            raw[(top + 3) * kSide + x] = static_cast<char>(255);
            raw[(top + 9) * kSide + x] = static_cast<char>(128);
        }
        raw[(top + 7) * kSide + left] = static_cast<char>(255);
    }
    return raw;
}

inline std::string widths() {
    std::string dat(256, '\0');
    for (int k = 0; k < 256; ++k) dat[k] = static_cast<char>(width_of(k));
    return dat;
}

inline void write_font(const std::string& dir, const std::string& ini, const std::string& raw,
                       const std::string& dat) {
    mkdir(dir.c_str(), 0755);
    write(dir + "/font.ini", ini);
    write(dir + "/font.raw", raw);
    if (!dat.empty()) write(dir + "/font.dat", dat);
}

// Sheet pixel (x, y) of cell c: red x + 1, green y + 1, blue c + 1; in cells 5 and 6 the block of
// columns and rows 10 to 13 is the transparent key (0, 255, 0) and the colour next to it.
inline SDL_Color sheet_colour(int c, int x, int y) {
    const bool block = x >= 10 && x <= 13 && y >= 10 && y <= 13;
    if (block && c == 5) return {0, 255, 0, 0};
    if (block && c == 6) return {0, 254, 0, 0};
    return {static_cast<Uint8>(x + 1), static_cast<Uint8>(y + 1), static_cast<Uint8>(c + 1), 0};
}

inline void put_le(std::string& out, unsigned value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i));
}

// A bottom-up Windows bitmap of 24 or 32 bits a pixel (blue, green, red, then a pad byte).
inline void write_sheet(const std::string& path, int width, int bits) {
    const int bytes = bits / 8, row = (width * bytes + 3) & ~3;
    std::string out = "BM";
    put_le(out, 54 + row * kCellH, 4);
    put_le(out, 0, 4);
    put_le(out, 54, 4);
    put_le(out, 40, 4);
    put_le(out, width, 4);
    put_le(out, kCellH, 4);
    put_le(out, 1, 2);
    put_le(out, bits, 2);
    for (int i = 0; i < 6; ++i) put_le(out, 0, 4);
    for (int y = 96; y >= 0; --y) {
        std::string line;
        for (int x = 0; x < width; ++x) {
            const SDL_Color c = sheet_colour(x / kCellW, x % kCellW, y);
            line += {static_cast<char>(c.b), static_cast<char>(c.g), static_cast<char>(c.r)};
            if (bytes == 4) line += '\0';
        }
        line.resize(row, '\0');
        out += line;
    }
    write(path, out);
}

// A fresh directory with both fonts and a good sheet, removed again at exit.
struct DataDir {
    DataDir() {
        char name[] = "/tmp/velmora-gfx-XXXXXX";
        path = mkdtemp(name);
        mkdir((path + "/font").c_str(), 0755);
        for (const char* font : {"/font/font1", "/font/font2"})
            write_font(path + font, "256\n", atlas(), widths());
        write_sheet(path + "/sheet.bmp", kCellW * kSheetCells, 24);
    }
    ~DataDir() { std::filesystem::remove_all(path); }
    std::string path;
};

}  // namespace gfxdata
