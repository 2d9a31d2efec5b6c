// The graphics on real surfaces: fonts, start-up and data files, card images, primitives and
// widgets. The dummy video driver's window is 8-bit, so pixels are checked on 32-bit surfaces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "gfx/letterbox.h"
#include "gfx/scaler.h"
#include "gfx/sdl.h"
#include "gfx/sheet_geometry.h"
#include "gfx/widgets.h"
#include "gfx_data.h"
#include "net/event_codes.h"
#include "net/fastevents.h"

namespace {

using gfxdata::kCell;
using gfxdata::width_of;

const std::string& data_dir() {
    static const gfxdata::DataDir dir;
    return dir.path;
}

struct Pixel {
    int r, g, b, a;
    bool operator==(const Pixel& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

// Card images are run-length encoded: their pixels are there while locked.
Uint32 peek(SDL_Surface* s, int x, int y) {
    SDL_LockSurface(s);
    const Uint32 v = static_cast<Uint32*>(s->pixels)[y * s->pitch / 4 + x];
    SDL_UnlockSurface(s);
    return v;
}

void poke(SDL_Surface* s, Uint32 v) {
    SDL_LockSurface(s);
    *static_cast<Uint32*>(s->pixels) = v;
    SDL_UnlockSurface(s);
}

Pixel pixel(SDL_Surface* s, int x, int y) {
    const Uint32 v = peek(s, x, y);
    Uint8 r, g, b, a;
    SDL_GetRGBA(v, s->format, &r, &g, &b, &a);
    return {r, g, b, a};
}

Pixel sheet(int cell, int x, int y) {
    const SDL_Color c = gfxdata::sheet_colour(cell, x, y);
    return {c.r, c.g, c.b, 255};
}

class Graphics : public ::testing::Test {
  protected:
    void SetUp() override {
        sdl = std::make_unique<SDL>(SDL::kFlags);
        sdl->InitVideo(800, 600, data_dir() + "/font", data_dir() + "/sheet.bmp");
        target = sdl->CreateSurface32(300, 200);
        sdl->Clear(target, -1, -1, -1);
    }
    void TearDown() override {
        SDL_FreeSurface(target);
        sdl.reset();
    }
    int redraws() {
        int n = 0;
        SDL_Event e;
        while (FE_PollEvent(&e) > 0) n += e.type == SDL_USEREVENT && e.user.code == EXCH_REDRAW;
        return n;
    }
    std::unique_ptr<SDL> sdl;
    SDL_Surface* target = nullptr;
};

const Pixel kBlack{0, 0, 0, 255}, kWhite{255, 255, 255, 255};

TEST(Font, DecodesMeasuresAndDrawsUtf8Text) {
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, 100, 40, 32, 0xFF, 0xFF00, 0xFF0000, 0);
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 255, 255, 255));
    SDLFont* font = initFont((data_dir() + "/font/font2").c_str(), 0, 0, 0, 1);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->charWidth, 16);
    const unsigned char* coverage_128 = font->data + 4 * (9 * gfxdata::kSide + 8);
    EXPECT_EQ(Pixel({coverage_128[0], coverage_128[1], coverage_128[2], coverage_128[3]}),
              Pixel({0, 0, 0, 128}));

    // "ab" at x 10: 'a' is 8 wide plus the two-pixel overlap, 'b' starts at 10 + 8.
    EXPECT_EQ(drawString(s, font, 10, 5, "ab"), 17);
    EXPECT_EQ(stringWidth(font, "ab"), 17);
    EXPECT_EQ(pixel(s, 10, 8), Pixel(kBlack));
    EXPECT_EQ(pixel(s, 9, 8), Pixel(kWhite));
    EXPECT_EQ(pixel(s, 10 + 8 + 9 + 1, 8), Pixel(kBlack));
    EXPECT_EQ(pixel(s, 10 + 8 + 9 + 2, 8), Pixel(kWhite));
    EXPECT_EQ(pixel(s, 18, 12), Pixel(kBlack)) << "'b' begins at x + width of 'a'";
    EXPECT_EQ(pixel(s, 17, 12), Pixel(kWhite));

    // UTF-8 "é" is the one Latin-1 glyph 233, of advance 0 here: it still blits its two-pixel
    // strip from the middle of its cell.
    EXPECT_EQ(drawString(s, font, 50, 20, "\xC3\xA9"), 0);
    EXPECT_EQ(pixel(s, 50, 23), Pixel(kBlack));
    EXPECT_EQ(pixel(s, 51, 23), Pixel(kBlack));
    EXPECT_EQ(pixel(s, 52, 23), Pixel(kWhite));
    // Beyond Latin-1 ("€", U+20AC), a control code, a broken or overlong sequence, a surrogate:
    // one replacement mark (advance 11 here) each, and what follows is read anew.
    EXPECT_EQ(stringWidth(font, "\xE2\x82\xAC"), 11);
    EXPECT_EQ(stringWidth(font, "\x01\x7F\xC2\x85"), 33);
    EXPECT_EQ(stringWidth(font,
                          "\xC3"
                          "a"),
              11 + 8);
    EXPECT_EQ(stringWidth(font, "\xC0\xA1"), 22);
    EXPECT_EQ(stringWidth(font, "\xED\xA0\x80"), 33);
    EXPECT_EQ(stringWidth(font, "\xE2\x82"), 22) << "cut short at the end";

    // Directives are text: "%s%n" is four glyphs.
    EXPECT_EQ(stringWidth(font, "%s%n"), 7 + 5 + 7 + 8);
    EXPECT_EQ(drawString(s, font, 0, 0, "%s%n"), 27);
    EXPECT_EQ(drawString(s, font, 0, 0, ""), 0);
    freeFont(font);
    SDL_FreeSurface(s);
}

TEST(Font, RejectsMalformedFilesNamingThem) {
    const std::string raw = gfxdata::atlas(), dat = gfxdata::widths();
    struct Case {
        std::string ini, raw, dat, file;
    } cases[] = {
        {"0", raw, dat, "font.ini"},
        {"-256", raw, dat, "font.ini"},
        {"17", raw, dat, "font.ini"},
        {"8192", raw, dat, "font.ini"},
        {"big", raw, dat, "font.ini"},
        {"256", raw.substr(1), dat, "font.raw"},
        {"256", raw, dat.substr(1), "font.dat"},
        {"256", raw, "", "font.dat"},
    };
    for (const Case& c : cases) {
        const std::string dir = data_dir() + "/bad";
        std::remove((dir + "/font.dat").c_str());
        gfxdata::write_font(dir, c.ini, c.raw, c.dat);
        std::string why;
        EXPECT_EQ(initFont(dir.c_str(), 0, 0, 0, 1, &why), nullptr) << c.ini;
        EXPECT_NE(why.find(dir + "/" + c.file), std::string::npos) << why;
    }
    std::string why;
    EXPECT_EQ(initFont("/nonexistent", 0, 0, 0, 1, &why), nullptr);
    EXPECT_EQ(why, "/nonexistent/font.ini: can't open");
}

TEST(Startup, FailuresNameWhatFailedAndLeaveNothingOpen) {
    const std::string fonts = data_dir() + "/font", cards = data_dir() + "/sheet.bmp";
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    try {
        SDL sdl(SDL::kFlags);
        ADD_FAILURE() << "started without a video driver";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("SDL: ", 0), 0u) << e.what();
    }
    EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
    setenv("SDL_VIDEODRIVER", "dummy", 1);

    gfxdata::write_sheet(data_dir() + "/narrow.bmp", kCellW * kSheetCells - 1, 24);
    const struct {
        std::string fonts, cards, named;
    } failures[] = {
        {data_dir(), cards, data_dir() + "/font1/font.ini"},
        {fonts, data_dir() + "/missing.bmp", data_dir() + "/missing.bmp"},
        {fonts, data_dir() + "/narrow.bmp", data_dir() + "/narrow.bmp"},
    };
    for (const auto& f : failures) {
        SDL sdl(SDL::kFlags);
        try {
            sdl.InitVideo(800, 600, f.fonts, f.cards);
            ADD_FAILURE() << "loaded " << f.named;
        } catch (const GraphicsError& e) {
            EXPECT_NE(std::string(e.what()).find(f.named), std::string::npos) << e.what();
        }
        EXPECT_EQ(SDL_GetVideoSurface(), nullptr) << "no window opens after a failed load";
    }
    EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u);

    // A 32-bit sheet is turned into the 24 bits the rotation reads.
    gfxdata::write_sheet(data_dir() + "/sheet32.bmp", kCellW * kSheetCells, 32);
    SDL sdl(SDL::kFlags);
    sdl.InitVideo(800, 600, fonts, data_dir() + "/sheet32.bmp");
    EXPECT_EQ(sdl.card_deck->format->BitsPerPixel, 24);
    EXPECT_EQ(pixel(sdl.card_images[kBackSlot], 28, 16), sheet(53, 0, 0));
    char* title = nullptr;
    SDL_WM_GetCaption(&title, nullptr);
    EXPECT_STREQ(title, "Velmora");
}

TEST_F(Graphics, RotationsLandWhereTheTableExpects) {
    // Upright: the cell covers columns 28 to 100 and rows 16 to 112 of the frame, exactly.
    SDL_Surface* back = sdl->card_images[kBackSlot];
    int left = 128, right = -1, top = 128, bottom = -1;
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            if (pixel(back, x, y).a == 0) continue;
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
        }
    }
    EXPECT_EQ(left, 28);
    EXPECT_EQ(right, 100);
    EXPECT_EQ(top, 16);
    EXPECT_EQ(bottom, 112);
    EXPECT_EQ(pixel(back, 28, 16), sheet(53, 0, 0));
    EXPECT_EQ(pixel(back, 100, 112), sheet(53, 72, 96));
    // On its head, the top-left corner lands bottom right; a quarter turn clockwise, top right.
    EXPECT_EQ(pixel(sdl->card_images[kBackSlot + 4], 100, 112), sheet(53, 0, 0));
    EXPECT_EQ(pixel(sdl->card_images[kBackSlot + 2], 112, 28), sheet(53, 0, 0));
    EXPECT_EQ(pixel(sdl->card_images[kEmptySlot + 2], 112, 28), sheet(56, 0, 0));
    // Turned by 45 degrees the card keeps its area, spread as coverage over smooth edges; its
    // middle is the cell's middle colour.
    long upright = 0;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) upright += pixel(back, x, y).a;
    for (int rot : {1, 3, 5, 7}) {
        SDL_Surface* turned = sdl->card_images[kBackSlot + rot];
        long area = 0;
        int partial = 0;
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                const int a = pixel(turned, x, y).a;
                area += a;
                partial += a > 0 && a < 255;
            }
        EXPECT_NEAR(area, upright, upright / 100) << rot;
        EXPECT_GT(partial, 200) << "a jagged edge in rotation " << rot;
        EXPECT_EQ(pixel(turned, 64, 64), sheet(53, 36, 48));
    }

    // The key is never copied, its neighbour colour is; alpha applies to card pixels only.
    sdl->RenderCard(0, static_cast<char>(128), 5);
    EXPECT_EQ(pixel(sdl->card_images[5], 40, 28).a, 0);
    EXPECT_EQ(pixel(sdl->card_images[5], 0, 0).a, 0);
    EXPECT_EQ(pixel(sdl->card_images[5], 28, 16), Pixel({1, 1, 6, 128}));
    sdl->RenderCard(0, -1, 6);
    EXPECT_EQ(pixel(sdl->card_images[6], 40, 28), Pixel({0, 254, 0, 255}));

    // Drawn at (x, y), the frame's (28, 16) lands on (x + 28, y + 16).
    sdl->DrawCard(target, 100, 50, 6);
    EXPECT_EQ(pixel(target, 128, 66), sheet(6, 0, 0));
    EXPECT_EQ(pixel(target, 127, 66), Pixel(kWhite));
}

// The rings that mark cards differ in shape, not in colour alone, in every rotation: each pair of
// styles differs in a good part of its pixels, and each ring lies on the card's edge.
TEST_F(Graphics, RingStylesDifferWithoutTheirColour) {
    const RingStyle styles[] = {RingStyle::kSolid, RingStyle::kDashed, RingStyle::kDotted,
                                RingStyle::kDouble, RingStyle::kCorners};
    for (int rot = 0; rot < 8; ++rot) {
        std::vector<std::vector<bool>> masks;
        for (RingStyle style : styles) {
            SDL_Surface* ring = sdl->MakeCardRing(rot, style, 255, 255, 255);
            std::vector<bool> mask(128 * 128);
            for (int i = 0; i < 128 * 128; ++i) mask[i] = pixel(ring, i % 128, i / 128).a != 0;
            SDL_FreeSurface(ring);
            EXPECT_GT(std::count(mask.begin(), mask.end(), true), 40) << rot;
            masks.push_back(mask);
        }
        for (std::size_t a = 0; a < masks.size(); ++a)
            for (std::size_t b = a + 1; b < masks.size(); ++b) {
                int differ = 0, either = 0;
                for (int i = 0; i < 128 * 128; ++i)
                    differ += masks[a][i] != masks[b][i], either += masks[a][i] || masks[b][i];
                EXPECT_GT(differ * 100, 30 * either) << "styles " << a << " and " << b << " at "
                                                     << rot << " look alike without colour";
            }
    }
}

namespace {

// The lightness (CIE L*) of an sRGB colour as a player with protanopia or deuteranopia sees it:
// the colour in linear light passed through Viénot, Brettel and Mollon's (1999) simulation.
double seen_lightness(const Pixel& p, bool protan) {
    auto linear = [](int c) {
        const double v = c / 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const double r = linear(p.r), g = linear(p.g), b = linear(p.b);
    const double k = protan ? 0.11238 : 0.29275;
    const double rg = std::clamp(k * r + (1 - k) * g, 0.0, 1.0);
    const double blue = std::clamp((protan ? 0.00401 : -0.02234) * (r - g) + b, 0.0, 1.0);
    const double y = 0.2126 * rg + 0.7152 * rg + 0.0722 * blue;
    return y > 0.008856 ? 116 * std::cbrt(y) - 16 : 903.3 * y;
}

}  // namespace

// The ink of the red suits and of the black ones, read from each built card sheet at the big pip
// of an ace, must differ in lightness by 40 L* under both simulations in high contrast. The
// classic sheet's figures are printed beside them (22 and 39: a red that turns dark).
TEST(SuitColours, HighContrastInksDifferInLightnessToRedGreenBlindEyes) {
    const std::string dir = std::string(VELMORA_BIN_DIR) + "/3rdparty/";
    for (const char* name : {SDL::kClassicSheet, SDL::kContrastSheet}) {
        // Read as 32-bit pixels, whatever depth the file has.
        SDL_Surface* file = load_card_sheet((dir + name).c_str());
        SDL_Surface* form =
            SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 32, 0xff0000, 0xff00, 0xff, 0);
        SDL_Surface* sheet = SDL_ConvertSurface(file, form->format, SDL_SWSURFACE);
        // The ace of spades (face 0) and of hearts (13): their big pip's middle.
        const Pixel black = pixel(sheet, 0 * kCellW + 36, 48);
        const Pixel red = pixel(sheet, 13 * kCellW + 36, 48);
        for (SDL_Surface* s : {file, form, sheet}) SDL_FreeSurface(s);
        EXPECT_GT(red.r, 2 * red.g) << name << ": the red suits stay red";
        for (const bool protan : {true, false}) {
            const double apart = seen_lightness(red, protan) - seen_lightness(black, protan);
            std::printf("%s, %s: red and black %.1f L* apart\n", name,
                        protan ? "protanopia" : "deuteranopia", apart);
            if (std::string(name) == SDL::kContrastSheet) {
                EXPECT_GE(apart, 40.0) << name;
            }
        }
    }
}

TEST_F(Graphics, CacheRendersAFaceOnlyForANewRotationOrAlpha) {
    SDL_Surface* image = sdl->card_images[7];
    sdl->EasyDrawCard(0, -1, target, 0, 0, 7);
    poke(image, 0x12345678);
    sdl->EasyDrawCard(0, -1, target, 0, 0, 7);
    EXPECT_EQ(peek(image, 0, 0), 0x12345678u) << "rendered again for the same request";
    sdl->EasyDrawCard(0, static_cast<char>(128), target, 0, 0, 7);
    EXPECT_EQ(peek(image, 0, 0), 0u);
    poke(image, 0x12345678);
    sdl->EasyDrawCard(2, static_cast<char>(128), target, 0, 0, 7);
    EXPECT_EQ(peek(image, 0, 0), 0u);
    EXPECT_EQ(pixel(sdl->card_images[7], 112, 28), Pixel({1, 1, 8, 128}));

    // Out-of-range rotations and slots are refused, never read or written past the tables.
    EXPECT_THROW(sdl->RenderCard(8, -1, 3), GraphicsError);
    EXPECT_THROW(sdl->RenderCard(-1, -1, 3), GraphicsError);
    EXPECT_THROW(sdl->RenderCard(0, -1, 57), GraphicsError);
    EXPECT_THROW(sdl->DrawCard(target, 0, 0, 70), GraphicsError);
    EXPECT_THROW(sdl->EasyDrawCard(0, -1, target, 0, 0, 1000), GraphicsError);
}

TEST_F(Graphics, PrimitivesAndWidgetsDrawTheirPixels) {
    const Uint32 red = SDL_MapRGB(target->format, 255, 0, 0);
    const Uint32 blue = SDL_MapRGB(target->format, 0, 0, 255);
    border(target, 5, 5, 1, 1, red, blue);
    EXPECT_EQ(pixel(target, 5, 5), Pixel({0, 0, 255, 255}));
    border(target, 10, 10, 4, 3, red, blue);
    EXPECT_EQ(pixel(target, 10, 10), Pixel({255, 0, 0, 255}));
    EXPECT_EQ(pixel(target, 13, 10), Pixel({0, 0, 255, 255}));
    EXPECT_EQ(pixel(target, 10, 12), Pixel({0, 0, 255, 255}));
    EXPECT_EQ(pixel(target, 11, 11), Pixel(kWhite));
    SDL_Surface* table = sdl->CreateSurface32(2, 2);
    ClearToTable(*sdl, table);
    EXPECT_EQ(pixel(table, 1, 1), Pixel({0, 128, 128, 255}));
    SDL_FreeSurface(table);

    // Sizes for a 16-pixel font: a 40-pixel label makes a 48 x 20 button; 20 characters a
    // 328 x 20 field.
    EXPECT_EQ(sdl->GetFontHeight(0), 16);
    EXPECT_EQ(sdl->GetButtonWidth("aaaaa"), 48u);
    EXPECT_EQ(sdl->GetButtonHeight(), 20u);
    EXPECT_EQ(sdl->GetTextInputWidth(20), 328u);
    EXPECT_EQ(sdl->GetTextInputHeight(), 20u);

    // A disabled label is engraved: black, with a white copy one pixel down and right.
    EXPECT_EQ(sdl->DrawButton(target, 50, 50, "a", true, false), 16u);
    EXPECT_EQ(pixel(target, 54, 55), Pixel(kBlack));
    EXPECT_EQ(pixel(target, 55, 56), Pixel(kWhite));
    sdl->DrawButton(target, 50, 100, "a", true, true);
    EXPECT_EQ(pixel(target, 55, 106), Pixel({192, 192, 192, 255}));
    EXPECT_EQ(pixel(target, 50, 100), Pixel({192, 192, 192, 255}));
    sdl->DrawButton(target, 50, 150, "a", false, true);
    EXPECT_EQ(pixel(target, 50, 150), Pixel({0, 0, 0, 255}));
}

TEST_F(Graphics, ButtonsFollowThePressAndAskForRedraws) {
    redraws();
    ButtonList list;
    Button* first = list.AddButton(*sdl, 10, 10, "aaaaa", true);
    Button* second = list.AddButton(*sdl, 30, 10, "aaaaa", false);
    EXPECT_EQ(first->w, 48);

    list.ButtonDown(40, 15);  // on both: the first added wins
    EXPECT_EQ(list.click, first);
    EXPECT_FALSE(first->out);
    EXPECT_EQ(list.ButtonUp(0, 0), first) << "the release point is not looked at";
    EXPECT_TRUE(first->out);
    EXPECT_EQ(redraws(), 2);

    list.ButtonDown(70, 15);    // the disabled one is pressed too
    list.ButtonMotion(78, 15);  // x + w: off it
    EXPECT_TRUE(second->out);
    EXPECT_EQ(list.button_state, 2);
    list.ButtonMotion(60, 29);
    EXPECT_EQ(list.button_state, 1);
    list.ButtonMotion(60, 30);  // y + h: off again
    EXPECT_EQ(list.ButtonUp(60, 15), nullptr);
    EXPECT_EQ(redraws(), 4);

    list.ButtonDown(200, 100);
    list.ButtonMotion(40, 15);
    EXPECT_EQ(list.button_state, 0);
    EXPECT_EQ(list.ButtonUp(40, 15), nullptr);
    EXPECT_EQ(redraws(), 0);
}

}  // namespace

TEST(Letterbox, FitsCentresAndMapsThePointerBack) {
    const Letterbox same = Letterbox::Fit(800, 600, 800, 600);
    EXPECT_EQ(same.Multiple(), 1);
    const Letterbox twice = Letterbox::Fit(800, 600, 1600, 1200);
    EXPECT_EQ(twice.Multiple(), 2);
    // 1.5 times, with bars of 50 pixels left and right.
    const Letterbox wide = Letterbox::Fit(800, 600, 1300, 900);
    EXPECT_EQ(wide.Multiple(), 0);
    EXPECT_EQ((std::vector<int>{wide.x, wide.y, wide.w, wide.h}),
              (std::vector<int>{50, 0, 1200, 900}));
    const Letterbox tall = Letterbox::Fit(800, 600, 800, 700);
    EXPECT_EQ((std::vector<int>{tall.x, tall.y, tall.w, tall.h}),
              (std::vector<int>{0, 50, 800, 600}));
    // Window points and the picture points they show; a bar's lie outside the picture.
    const std::vector<std::tuple<const Letterbox*, int, int, int, int>> points{
        {&same, 0, 0, 0, 0},          {&same, 799, 599, 799, 599},    {&twice, 1, 1, 0, 0},
        {&twice, 801, 600, 400, 300}, {&twice, 1599, 1199, 799, 599}, {&wide, 50, 0, 0, 0},
        {&wide, 53, 3, 2, 2},         {&wide, 1249, 899, 799, 599},   {&wide, 49, 450, -1, 300},
        {&wide, 1250, 450, 800, 300}, {&tall, 400, 49, 400, -1},      {&tall, 400, 650, 400, 600}};
    for (auto [box, x, y, px, py] : points) {
        box->ToPicture(x, y);
        EXPECT_EQ(std::make_pair(x, y), std::make_pair(px, py));
    }
    EXPECT_EQ(StartMultiple(0, 0, 800, 600), 1);
    EXPECT_EQ(StartMultiple(1920, 1080, 800, 600), 1);
    EXPECT_EQ(StartMultiple(2560, 1600, 800, 600), 2);
    EXPECT_EQ(StartMultiple(3840, 2160, 800, 600), 3);
}

// At a scale between whole multiples the pointer lands on the picture pixel the window shows
// under it: exactly on a 16-bit display (nearest), the nearer of the two blended on 32 bits.
TEST_F(Graphics, ThePointerHitsThePixelShownUnderIt) {
    for (int bpp : {16, 32}) {
        for (int window_w : {120, 104}) {  // 1.5 and 1.3 times
            SCOPED_TRACE(std::to_string(bpp) + " bits, " + std::to_string(window_w));
            SDL_Surface* picture = SDL_CreateRGBSurface(SDL_SWSURFACE, 80, 2, bpp, 0, 0, 0, 0);
            SDL_Surface* window = SDL_CreateRGBSurface(SDL_SWSURFACE, window_w, 3, bpp, 0, 0, 0, 0);
            ASSERT_TRUE(picture && window);
            // Each picture column a value of its own: on 16 bits the raw pixel, copied as it is;
            // on 32 bits twice the column number in red, which the blend mixes channel by channel.
            const auto value = [&](int x) {
                return bpp == 16 ? static_cast<Uint32>(x + 1)
                                 : SDL_MapRGB(picture->format, static_cast<Uint8>(2 * x), 0, 0);
            };
            for (int x = 0; x < 80; ++x) fillrect(picture, x, 0, 1, 2, value(x));
            PictureScaler scaler;
            scaler.SetBox(Letterbox::Fit(80, 2, window_w, 3));
            const Letterbox& b = scaler.Box();
            ASSERT_EQ(b.Multiple(), 0);
            scaler.Scale(picture, window, b.x, b.y, b.w, b.h);
            SDL_LockSurface(window);
            const Uint8* row = static_cast<Uint8*>(window->pixels) + b.y * window->pitch;
            for (int x = b.x; x < b.x + b.w; ++x) {
                int px = x, py = b.y;
                b.ToPicture(px, py);
                if (bpp == 16) {
                    EXPECT_EQ(reinterpret_cast<const Uint16*>(row)[x], value(px)) << x;
                    continue;
                }
                Uint8 r, g, bl;
                SDL_GetRGB(reinterpret_cast<const Uint32*>(row)[x], window->format, &r, &g, &bl);
                EXPECT_LE(std::abs(r - 2 * px), 1) << "the nearer of the two blended, at " << x;
            }
            SDL_UnlockSurface(window);
            SDL_FreeSurface(picture);
            SDL_FreeSurface(window);
        }
    }
}

TEST_F(Graphics, ScalingIsSharpAtMultiplesSmoothBetweenAndRepaintsRectanglesExactly) {
    SDL_Surface* picture = sdl->CreateSurface32(80, 60);
    const Uint32 red = SDL_MapRGB(picture->format, 255, 0, 0);
    const Uint32 blue = SDL_MapRGB(picture->format, 0, 0, 255);
    fillrect(picture, 0, 0, 40, 60, red);
    fillrect(picture, 40, 0, 40, 60, blue);
    fillrect(picture, 20, 20, 1, 1, blue);
    for (auto [ww, wh] : std::vector<std::pair<int, int>>{{160, 120}, {130, 90}, {70, 70}}) {
        SCOPED_TRACE(std::to_string(ww) + " x " + std::to_string(wh));
        PictureScaler scaler;
        scaler.SetBox(Letterbox::Fit(80, 60, ww, wh));
        const Letterbox& b = scaler.Box();
        SDL_Surface* window = sdl->CreateSurface32(ww, wh);
        SDL_Surface* whole = sdl->CreateSurface32(ww, wh);
        scaler.Scale(picture, window, b.x, b.y, b.w, b.h);
        if (b.Multiple() == 2) {
            EXPECT_EQ(pixel(window, 40, 40), Pixel({0, 0, 255, 255})) << "the lone pixel, sharp";
            EXPECT_EQ(pixel(window, 41, 41), Pixel({0, 0, 255, 255}));
            EXPECT_EQ(pixel(window, 42, 41), Pixel({255, 0, 0, 255}));
        } else {
            // Channels blend apart: red and blue meet through purples, never another colour.
            for (int x = b.x; x < b.x + b.w; ++x) {
                const Pixel p = pixel(window, x, b.y + b.h - 1);
                EXPECT_TRUE(p.g == 0 && p.r + p.b >= 254 && p.r + p.b <= 256) << x;
            }
            EXPECT_EQ(pixel(window, b.x, b.y), Pixel({255, 0, 0, 255}));
            EXPECT_EQ(pixel(window, b.x + b.w - 1, b.y), Pixel({0, 0, 255, 255}));
        }
        // A changed rectangle repainted alone leaves the window as a whole repaint would.
        fillrect(picture, 30, 10, 17, 9, SDL_MapRGB(picture->format, 0, 255, 0));
        int x = 30, y = 10, w = 17, h = 9;
        b.ToWindow(x, y, w, h);
        scaler.Scale(picture, window, x, y, w, h);
        scaler.Scale(picture, whole, b.x, b.y, b.w, b.h);
        for (int yy = b.y; yy < b.y + b.h; ++yy)
            for (int xx = b.x; xx < b.x + b.w; ++xx)
                ASSERT_EQ(peek(window, xx, yy), peek(whole, xx, yy)) << xx << ", " << yy;
        fillrect(picture, 30, 10, 17, 9, red);
        fillrect(picture, 40, 10, 7, 9, blue);
        SDL_FreeSurface(window);
        SDL_FreeSurface(whole);
    }
    SDL_FreeSurface(picture);
}
