// Draws the program's data files: the card sheet and the two bitmap fonts. Run by the build:
//   velmora-make-assets OUTDIR SANS.ttf SANS-BOLD.ttf
// writes OUTDIR/3rdparty/deck_default.bmp (classic suit colours), deck_contrast.bmp (high
// contrast) and OUTDIR/3rdparty/font/data/font{1,2}/font.*.
// Glyphs and suit symbols come from FreeType; everything else is drawn here. The output depends
// only on the inputs, so a rebuild gives the same bytes.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/utf8.h"
#include "gfx/font_cells.h"
#include "gfx/sheet_geometry.h"

namespace {

struct Rgb {
    uint8_t r, g, b;
};

constexpr Rgb kKey{0, 255, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kEdge{55, 55, 60};
constexpr Rgb kRed{200, 16, 32};
constexpr Rgb kBlack{24, 24, 28};

// The suits' inks of a card sheet. High contrast keeps red and black, but a bright orange-red
// against a deep black, so that they differ in lightness too: to a player who cannot tell red
// from green the classic red turns dark.
struct Inks {
    Rgb red, black;
};
constexpr Inks kClassicInks{kRed, kBlack};
constexpr Inks kContrastInks{{240, 90, 0}, {4, 4, 6}};
constexpr Rgb kBackBlue{28, 58, 160};
constexpr Rgb kBackLight{92, 128, 218};
constexpr Rgb kOutline{214, 240, 240};
constexpr Rgb kSlot{28, 150, 150};

Rgb mix(Rgb a, Rgb b, int coverage) {
    auto m = [coverage](int x, int y) {
        return static_cast<uint8_t>((x * (255 - coverage) + y * coverage + 127) / 255);
    };
    return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

// A coverage bitmap: one byte a pixel, 0 to 255.
struct Glyph {
    int left = 0;  // offset of the bitmap's left column from the pen
    int top = 0;   // offset of its top row above the baseline
    int w = 0, h = 0;
    int advance = 0;
    std::vector<uint8_t> cov;
    uint8_t at(int x, int y) const { return cov[y * w + x]; }
};

class Font {
  public:
    Font(FT_Library lib, const std::string& path) {
        if (FT_New_Face(lib, path.c_str(), 0, &face))
            throw std::runtime_error("can't read the font " + path);
    }
    ~Font() { FT_Done_Face(face); }
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    bool has(unsigned code) const { return FT_Get_Char_Index(face, code) != 0; }

    // The hinted, anti-aliased glyph of `code` at `pixels` per em.
    Glyph render(unsigned code, int pixels) const {
        FT_Set_Pixel_Sizes(face, 0, pixels);
        if (FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL))
            throw std::runtime_error("can't render glyph " + std::to_string(code));
        const FT_GlyphSlot slot = face->glyph;
        Glyph g;
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.w = static_cast<int>(slot->bitmap.width);
        g.h = static_cast<int>(slot->bitmap.rows);
        g.advance = static_cast<int>(slot->advance.x >> 6);
        g.cov.resize(static_cast<size_t>(g.w) * g.h);
        for (int y = 0; y < g.h; ++y)
            for (int x = 0; x < g.w; ++x)
                g.cov[y * g.w + x] = slot->bitmap.buffer[y * slot->bitmap.pitch + x];
        return g;
    }

    // Glyph of `code` whose ink is about `ink_height` pixels tall.
    Glyph render_height(unsigned code, int ink_height) const {
        int pixels = ink_height;
        Glyph g = render(code, pixels);
        for (int i = 0; i < 8 && g.h != ink_height && g.h > 0; ++i) {
            pixels = std::max(1, pixels * ink_height / g.h + (g.h > ink_height ? 0 : 1));
            g = render(code, pixels);
            if (g.h <= ink_height) break;
        }
        return g;
    }

  private:
    FT_Face face = nullptr;
};

// One 73 x 97 cell of the sheet. Drawing with `flip` turns the picture on its head about the
// cell's centre, which gives a card's lower half.
class Cell {
  public:
    Cell() : px(kCellW * kCellH, kKey) {}

    Rgb& at(int x, int y) { return px[y * kCellW + x]; }
    Rgb at(int x, int y) const { return px[y * kCellW + x]; }

    // Blends `colour` by `coverage` over what is there; key pixels are never drawn on, so
    // nothing on a card is ever a blend towards the key.
    void blend(int x, int y, Rgb colour, int coverage, bool flip = false) {
        if (flip) x = kCellW - 1 - x, y = kCellH - 1 - y;
        if (x < 0 || y < 0 || x >= kCellW || y >= kCellH || coverage <= 0) return;
        Rgb& p = at(x, y);
        if (p.r == kKey.r && p.g == kKey.g && p.b == kKey.b) return;
        p = mix(p, colour, std::min(coverage, 255));
    }

    // Glyph ink centred on (cx, cy).
    void stamp(const Glyph& g, double cx, double cy, Rgb colour, bool flip = false) {
        const int x0 = static_cast<int>(std::lround(cx - g.w / 2.0));
        const int y0 = static_cast<int>(std::lround(cy - g.h / 2.0));
        for (int y = 0; y < g.h; ++y)
            for (int x = 0; x < g.w; ++x) blend(x0 + x, y0 + y, colour, g.at(x, y), flip);
    }

    void fill(int x, int y, int w, int h, Rgb colour, bool flip = false) {
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i) blend(i, j, colour, 255, flip);
    }

    void frame(int x, int y, int w, int h, Rgb colour) {
        fill(x, y, w, 1, colour);
        fill(x, y + h - 1, w, 1, colour);
        fill(x, y, 1, h, colour);
        fill(x + w - 1, y, 1, h, colour);
    }

  private:
    std::vector<Rgb> px;
};

// Signed distance from (x, y) to the edge of the rounded rectangle (x0, y0)-(x1, y1) of corner
// radius r; negative inside.
double rounded_rect_distance(double x, double y, double x0, double y0, double x1, double y1,
                             double r) {
    const double cx = std::clamp(x, x0 + r, x1 - r);
    const double cy = std::clamp(y, y0 + r, y1 - r);
    const double dx = x - cx, dy = y - cy;
    if (x > x0 + r && x < x1 - r) return std::max(y0 - y, y - y1);
    if (y > y0 + r && y < y1 - r) return std::max(x0 - x, x - x1);
    return std::sqrt(dx * dx + dy * dy) - r;
}

// The card's shape: pixels mostly outside the rounded corners stay key green; the rest get the
// edge colour within `edge` pixels of the outline and `inside` further in, mixed from 4 x 4
// samples of those two colours only.
void card_shape(Cell& cell, Rgb edge_colour, Rgb inside, double edge, double radius) {
    constexpr int kSub = 4;
    for (int y = 0; y < kCellH; ++y) {
        for (int x = 0; x < kCellW; ++x) {
            int out = 0, on_edge = 0;
            for (int sy = 0; sy < kSub; ++sy) {
                for (int sx = 0; sx < kSub; ++sx) {
                    const double d = rounded_rect_distance(
                        x + (sx + 0.5) / kSub, y + (sy + 0.5) / kSub, 0, 0, kCellW, kCellH, radius);
                    if (d > 0)
                        ++out;
                    else if (d > -edge)
                        ++on_edge;
                }
            }
            const int card = kSub * kSub - out;
            if (out * 2 > kSub * kSub) continue;
            cell.at(x, y) = mix(inside, edge_colour, on_edge * 255 / card);
        }
    }
}

const char* const kRanks[13] = {"A", "2", "3", "4", "5", "6", "7", "8", "9", "10", "J", "Q", "K"};
// Clubs, diamonds, spades, hearts: the order of the faces' suits.
const unsigned kSuitCode[4] = {0x2663, 0x2666, 0x2660, 0x2665};

struct Faces {
    const Font& regular;
    const Font& bold;
};

// The rank and a small suit symbol in the top-left corner, and turned about in the bottom-right.
void corner_index(Cell& cell, const Faces& f, int rank, int suit, Rgb colour) {
    std::vector<Glyph> chars;
    for (const char* c = kRanks[rank]; *c; ++c)
        chars.push_back(f.bold.render_height(static_cast<unsigned char>(*c), rank == 11 ? 10 : 9));
    int ink = -1;
    for (const Glyph& g : chars) ink += g.w + 1;
    const Glyph pip = f.regular.render_height(kSuitCode[suit], 9);
    for (bool flip : {false, true}) {
        double x = 9.5 - ink / 2.0;
        for (const Glyph& g : chars) {
            cell.stamp(g, x + g.w / 2.0, 9.0, colour, flip);
            x += g.w + 1;
        }
        cell.stamp(pip, 9.5, 21.0, colour, flip);
        // A 6 and a 9 are underlined, as printed decks do: on a turned card one reads as the other.
        if (rank == 5 || rank == 8)
            cell.fill(static_cast<int>(9.5 - ink / 2.0), 15, ink + 1, 1, colour, flip);
    }
}

// The pips of 2 to 10 as the usual patterns: three columns, rows from top (0) to bottom (6).
struct Pip {
    int column;  // 0 left, 1 centre, 2 right
    int row;     // 0 to 12, in twelfths of the pip area's height
};

const std::vector<Pip> kPipLayouts[11] = {
    {},
    {},
    {{1, 0}, {1, 12}},
    {{1, 0}, {1, 6}, {1, 12}},
    {{0, 0}, {2, 0}, {0, 12}, {2, 12}},
    {{0, 0}, {2, 0}, {1, 6}, {0, 12}, {2, 12}},
    {{0, 0}, {2, 0}, {0, 6}, {2, 6}, {0, 12}, {2, 12}},
    {{0, 0}, {2, 0}, {1, 3}, {0, 6}, {2, 6}, {0, 12}, {2, 12}},
    {{0, 0}, {2, 0}, {1, 3}, {0, 6}, {2, 6}, {1, 9}, {0, 12}, {2, 12}},
    {{0, 0}, {2, 0}, {0, 4}, {2, 4}, {1, 6}, {0, 8}, {2, 8}, {0, 12}, {2, 12}},
    {{0, 0}, {2, 0}, {1, 2}, {0, 4}, {2, 4}, {0, 8}, {2, 8}, {1, 10}, {0, 12}, {2, 12}},
};

void pips(Cell& cell, const Faces& f, int count, int suit, Rgb colour) {
    const Glyph pip = f.regular.render_height(kSuitCode[suit], 13);
    const double columns[3] = {24.5, 36.5, 48.5};
    const double top = 17.0, bottom = 80.0;
    for (const Pip& p : kPipLayouts[count]) {
        const double y = top + (bottom - top) * p.row / 12.0;
        // Pips of the lower half stand on their heads, as on real cards.
        if (p.row > 6)
            cell.stamp(pip, kCellW - 1 - columns[p.column], kCellH - 1 - y, colour, true);
        else
            cell.stamp(pip, columns[p.column], y, colour);
    }
}

// A court card: a framed picture in two mirrored halves, with a figure for each rank (knight,
// queen, king) on a ground of its own colour, so the three differ at a glance, and a large pip
// beside it in each half, so the suits differ at a glance too (also on a turned card, where the
// small index is hard to read).
void court(Cell& cell, const Faces& f, int rank, int suit, Rgb colour) {
    const unsigned figures[3] = {0x265E, 0x265B, 0x265A};
    const Rgb grounds[3] = {{196, 220, 246}, {248, 206, 214}, {250, 224, 128}};
    const int x = 15, y = 9, w = kCellW - 30, h = kCellH - 18;
    cell.fill(x, y, w, h, grounds[rank - 10]);
    cell.frame(x, y, w, h, colour);
    cell.frame(x + 2, y + 2, w - 4, h - 4, colour);
    cell.fill(x + 2, kCellH / 2, w - 4, 1, colour);
    const Glyph figure = f.regular.render_height(figures[rank - 10], 22);
    const Glyph pip = f.regular.render_height(kSuitCode[suit], 15);
    for (bool flip : {false, true}) {
        cell.stamp(figure, 44.0, 33.0, colour, flip);
        cell.stamp(pip, 27.0, 22.0, colour, flip);
    }
}

Cell face_cell(const Faces& f, int face, const Inks& inks) {
    const int rank = face % 13, suit = face / 13;
    const Rgb colour = suit % 2 ? inks.red : inks.black;
    Cell cell;
    card_shape(cell, kEdge, kWhite, 1.0, 5.0);
    corner_index(cell, f, rank, suit, colour);
    if (rank == 0)
        cell.stamp(f.regular.render_height(kSuitCode[suit], 34), 36.5, 48.5, colour);
    else if (rank < 10)
        pips(cell, f, rank + 1, suit, colour);
    else
        court(cell, f, rank, suit, colour);
    return cell;
}

// The back: a white margin around a lattice in one strong blue.
Cell back_cell() {
    Cell cell;
    card_shape(cell, kEdge, kWhite, 1.0, 5.0);
    const int x0 = 5, y0 = 5, x1 = kCellW - 5, y1 = kCellH - 5;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const int u = (x - x0 + y - y0) % 8, v = (x - x0 - (y - y0) + 800) % 8;
            const bool line = u == 0 || v == 0;
            const bool rim = x < x0 + 2 || y < y0 + 2 || x >= x1 - 2 || y >= y1 - 2;
            cell.blend(x, y, line && !rim ? kBackLight : kBackBlue, 255);
        }
    }
    cell.frame(x0 + 3, y0 + 3, x1 - x0 - 6, y1 - y0 - 6, kWhite);
    return cell;
}

// An empty pile: the light outline of a card around a shade a little lighter than the table, so
// that the whole place, not only its outline, takes a dropped card.
Cell empty_cell() {
    Cell cell;
    card_shape(cell, kOutline, kSlot, 2.0, 5.0);
    return cell;
}

void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f))
        throw std::runtime_error("can't write " + path);
}

void put_le(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A bottom-up 24-bit Windows bitmap, rows padded to four bytes.
void write_bmp(const std::string& path, int w, int h, const std::vector<Rgb>& px) {
    const uint32_t row = (w * 3 + 3) & ~3u;
    const uint32_t size = 54 + row * h;
    std::vector<uint8_t> out;
    out.reserve(size);
    out.push_back('B');
    out.push_back('M');
    put_le(out, size, 4);
    put_le(out, 0, 4);
    put_le(out, 54, 4);
    put_le(out, 40, 4);
    put_le(out, w, 4);
    put_le(out, h, 4);
    put_le(out, 1, 2);
    put_le(out, 24, 2);
    put_le(out, 0, 4);
    put_le(out, row * h, 4);
    put_le(out, 2835, 4);
    put_le(out, 2835, 4);
    put_le(out, 0, 4);
    put_le(out, 0, 4);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const Rgb p = px[y * w + x];
            out.push_back(p.b);
            out.push_back(p.g);
            out.push_back(p.r);
        }
        for (uint32_t i = w * 3; i < row; ++i) out.push_back(0);
    }
    write_file(path, out);
}

void write_sheet(const std::string& path, const Faces& f, const Inks& inks) {
    const int w = kCellW * kSheetCells;
    std::vector<Rgb> sheet(static_cast<size_t>(w) * kCellH, kKey);
    auto put = [&](int index, const Cell& cell) {
        for (int y = 0; y < kCellH; ++y)
            for (int x = 0; x < kCellW; ++x) sheet[y * w + index * kCellW + x] = cell.at(x, y);
    };
    for (int face = 0; face < 52; ++face) put(face, face_cell(f, face, inks));
    put(kBackCell, back_cell());
    put(kEmptyCell, empty_cell());
    write_bmp(path, w, kCellH, sheet);
}

// ---- The icon: two cards fanned out, a heart behind and a spade in front ----

struct Rgba {
    uint8_t r, g, b, a;
};

// One card of the icon, in units of the icon's side: its centre, its turn in degrees, and where
// its suit symbol sits from the centre (the card behind shows it in its visible corner).
struct IconCard {
    double cx, cy, degrees;
    unsigned suit;
    Rgb colour;
    double sx, sy;
};

// The icon at `size` pixels square, from 4 x 4 samples a pixel: each sample takes the colour of
// the frontmost card it falls on (its edge, its face, its suit symbol), or none.
std::vector<Rgba> draw_icon(int size, const Font& font) {
    constexpr int kSub = 4;
    constexpr double kPi = 3.14159265358979323846;
    const IconCard cards[] = {{0.36, 0.42, -14, 0x2665, kRed, -0.07, -0.11},
                              {0.62, 0.57, 10, 0x2660, kBlack, 0, 0}};
    const double side = size * kSub;
    const double w = 0.48 * side, h = 0.66 * side, radius = 0.07 * side;
    const double edge = std::max(kSub * 1.0, 0.022 * side);
    const Glyph suits[] = {font.render_height(cards[0].suit, static_cast<int>(0.30 * side)),
                           font.render_height(cards[1].suit, static_cast<int>(0.30 * side))};
    std::vector<Rgba> icon(static_cast<size_t>(size) * size, Rgba{0, 0, 0, 0});
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            int covered = 0, r = 0, g = 0, b = 0;
            for (int sy = 0; sy < kSub; ++sy) {
                for (int sx = 0; sx < kSub; ++sx) {
                    const double px = x * kSub + sx + 0.5, py = y * kSub + sy + 0.5;
                    bool hit = false;
                    Rgb c{};
                    for (int i = 0; i < 2; ++i) {
                        const IconCard& card = cards[i];
                        const double a = -card.degrees * kPi / 180;
                        const double dx = px - card.cx * side, dy = py - card.cy * side;
                        const double qx = dx * std::cos(a) - dy * std::sin(a);
                        const double qy = dx * std::sin(a) + dy * std::cos(a);
                        const double d =
                            rounded_rect_distance(qx, qy, -w / 2, -h / 2, w / 2, h / 2, radius);
                        if (d > 0) continue;
                        hit = true;
                        c = d > -edge ? kEdge : kWhite;
                        const Glyph& glyph = suits[i];
                        const int gx =
                            static_cast<int>(std::floor(qx - card.sx * side + glyph.w / 2.0));
                        const int gy =
                            static_cast<int>(std::floor(qy - card.sy * side + glyph.h / 2.0));
                        if (gx >= 0 && gy >= 0 && gx < glyph.w && gy < glyph.h)
                            c = mix(c, card.colour, glyph.at(gx, gy));
                    }
                    if (!hit) continue;
                    ++covered, r += c.r, g += c.g, b += c.b;
                }
            }
            if (covered == 0) continue;
            icon[y * size + x] = {static_cast<uint8_t>(r / covered),
                                  static_cast<uint8_t>(g / covered),
                                  static_cast<uint8_t>(b / covered),
                                  static_cast<uint8_t>(covered * 255 / (kSub * kSub))};
        }
    }
    return icon;
}

uint32_t crc32(const uint8_t* data, size_t n, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void put_be(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 3; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void png_chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    put_be(out, static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    put_be(out, crc32(typed.data(), typed.size()));
}

// An RGBA PNG whose zlib stream holds stored (uncompressed) blocks: no compressor needed, and
// the same bytes at every build.
void write_png(const std::string& path, int size, const std::vector<Rgba>& px) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < size; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < size; ++x) {
            const Rgba p = px[y * size + x];
            raw.insert(raw.end(), {p.r, p.g, p.b, p.a});
        }
    }
    std::vector<uint8_t> z{0x78, 0x01};
    for (size_t at = 0; at < raw.size();) {
        const size_t n = std::min<size_t>(65535, raw.size() - at);
        z.push_back(at + n == raw.size() ? 1 : 0);
        put_le(z, static_cast<uint32_t>(n), 2);
        put_le(z, static_cast<uint32_t>(~n & 0xFFFF), 2);
        z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
        at += n;
    }
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) a = (a + byte) % 65521, b = (b + a) % 65521;
    put_be(z, b << 16 | a);
    std::vector<uint8_t> header;
    put_be(header, size);
    put_be(header, size);
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA
    std::vector<uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png_chunk(out, "IHDR", header);
    png_chunk(out, "IDAT", z);
    png_chunk(out, "IEND", {});
    write_file(path, out);
}

// The menu's icons, and the window's in the game's data: a bitmap keyed on pure green.
void write_icons(const std::string& outdir, const Font& font) {
    for (int size : {48, 64, 128, 256}) {
        std::string dir = outdir + "/icons";
        for (const std::string& sub :
             {std::string("/hicolor"), "/" + std::to_string(size) + "x" + std::to_string(size),
              std::string("/apps")}) {
            dir += sub;
            mkdir(dir.c_str(), 0755);
        }
        write_png(dir + "/velmora.png", size, draw_icon(size, font));
    }
    constexpr int kWindowIcon = 64;
    const std::vector<Rgba> icon = draw_icon(kWindowIcon, font);
    std::vector<Rgb> keyed;
    for (const Rgba& p : icon) keyed.push_back(p.a < 128 ? kKey : Rgb{p.r, p.g, p.b});
    write_bmp(outdir + "/3rdparty/velmora-icon.bmp", kWindowIcon, kWindowIcon, keyed);
}

bool has_ink(const Glyph& g, int row) {
    for (int x = 0; x < g.w; ++x)
        if (g.at(x, row)) return true;
    return false;
}

// The baseline that centres the ink of every letter in a cell: the accents of Latin-1's capitals
// (É, Ä, Å) reach above the font's ascent, and must not be cut at the cell's top. Where the
// tallest and the deepest glyph do not both fit, the accents win over the descenders' last row.
int ink_baseline(const Font& font, int cell, int pixels) {
    int above = 0, below = 0;
    for (unsigned code = 32; code < 256; ++code) {
        if (!IsPrintableLatin1(code) || !font.has(code)) continue;
        const Glyph g = font.render(code, pixels);
        if (g.h == 0) continue;
        above = std::max(above, g.top);
        below = std::max(below, g.h - g.top);
    }
    return above + std::max(0, cell - above - below) / 2;
}

// An atlas of 16 x 16 square cells: printable ASCII and Latin-1 from the font, each glyph on a
// common baseline and centred in its cell where the drawing code expects it, and the replacement
// character's mark in its cell; other codes blank with the width of a blank.
void write_font(const std::string& dir, const Font& font, int cell, int pixels) {
    const int side = cell * 16;
    std::vector<uint8_t> atlas(static_cast<size_t>(side) * side, 0);
    std::vector<uint8_t> widths(256, 0);
    const int baseline = ink_baseline(font, cell, pixels);
    const int blank = font.render(' ', pixels).advance;
    for (int k = 0; k < 256; ++k) {
        const unsigned code = k == kReplacementCell ? 0xFFFD : static_cast<unsigned>(k);
        if (!(IsPrintableLatin1(k) || k == kReplacementCell) || !font.has(code)) {
            widths[k] = static_cast<uint8_t>(blank);
            continue;
        }
        const Glyph g = font.render(code, pixels);
        // The strip drawn for a glyph is its advance plus two pixels, centred in the cell.
        const int advance = std::min(g.advance, cell - 4);
        widths[k] = static_cast<uint8_t>(advance);
        const int strip = cell / 2 - advance / 2;
        const int cx = cell * (k % 16), cy = cell * (k / 16);
        const int pen = std::max(0, g.left);
        for (int y = 0; y < g.h; ++y) {
            const int ay = baseline - g.top + y;
            // A letter's row cut off at the cell's edge is a letter misread: no font of ours
            // may lose one (the replacement mark may lose its rim).
            if ((ay < 0 || ay >= cell) && k != kReplacementCell && has_ink(g, y))
                throw std::runtime_error("glyph " + std::to_string(k) + " does not fit its cell");
            if (ay < 0 || ay >= cell) continue;
            for (int x = 0; x < g.w; ++x) {
                const int ax = strip + pen + x;
                if (ax >= strip + advance + 2 || ax >= cell) continue;
                atlas[(cy + ay) * side + cx + ax] = g.at(x, y);
            }
        }
    }
    mkdir(dir.c_str(), 0755);
    const std::string ini = std::to_string(side) + "\n";
    write_file(dir + "/font.ini", std::vector<uint8_t>(ini.begin(), ini.end()));
    write_file(dir + "/font.raw", atlas);
    write_file(dir + "/font.dat", widths);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s OUTDIR SANS.ttf SANS-BOLD.ttf\n", argv[0]);
        return 2;
    }
    try {
        FT_Library lib;
        if (FT_Init_FreeType(&lib)) throw std::runtime_error("can't start FreeType");
        {
            const Font regular(lib, argv[2]), bold(lib, argv[3]);
            const std::string root = std::string(argv[1]) + "/3rdparty";
            for (const char* sub : {"", "/font", "/font/data"}) mkdir((root + sub).c_str(), 0755);
            write_sheet(root + "/deck_default.bmp", Faces{regular, bold}, kClassicInks);
            write_sheet(root + "/deck_contrast.bmp", Faces{regular, bold}, kContrastInks);
            write_font(root + "/font/data/font1", bold, 24, 18);
            write_font(root + "/font/data/font2", regular, 18, 14);
            mkdir((std::string(argv[1]) + "/icons").c_str(), 0755);
            write_icons(argv[1], regular);
        }
        FT_Done_FreeType(lib);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
