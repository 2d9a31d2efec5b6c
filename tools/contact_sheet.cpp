// Renders every card picture, both fonts and the buttons through the game's own graphics onto the
// table colour, and saves the picture as a BMP:  velmora-contact-sheet FILE
// Run it from the directory that holds the data files (the build directory).
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "gfx/sdl.h"
#include "gfx/widgets.h"

namespace {

constexpr int kWidth = 1064;
constexpr int kHeight = 1000;
// A card's picture starts this far into its 128 x 128 frame when upright.
constexpr int kFrameX = 28;
constexpr int kFrameY = 16;

void draw_faces(SDL& sdl, SDL_Surface* sheet) {
    for (int face = 0; face < 52; ++face)
        sdl.EasyDrawCard(0, -1, sheet, 12 + (face % 13) * 80 - kFrameX,
                         12 + (face / 13) * 106 - kFrameY, face);
}

// One face, the back and the empty pile, each in the eight rotations.
void draw_rotations(SDL& sdl, SDL_Surface* sheet, int top) {
    const unsigned face = 25;
    for (int r = 0; r < 8; ++r) {
        const auto rot = static_cast<char>(r);
        const int x = 8 + r * 130;
        sdl.RenderCard(rot, -1, face);
        sdl.DrawCard(sheet, x, top, face);
        sdl.DrawCard(sheet, x, top + 124, kBackSlot + r);
        sdl.DrawCard(sheet, x, top + 248, kEmptySlot + r);
    }
}

void draw_samples(SDL& sdl, SDL_Surface* sheet, int top) {
    const int x = 12;
    // A face over another card, as a pile shows them.
    sdl.EasyDrawCard(0, -1, sheet, x - kFrameX, top - kFrameY, 51);
    sdl.EasyDrawCard(0, -1, sheet, x + 24 - kFrameX, top + 20 - kFrameY, 0);
    const int tx = 150;
    sdl.DrawString(sheet, 1, tx, top, "Player 2 (you) - Your turn: drag cards, then press Done.");
    sdl.DrawString(sheet, 1, tx, top + 22, "0123456789 !\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~");
    // Latin-1 letters and signs, and a character beyond Latin-1 (the euro sign): its mark.
    sdl.DrawString(sheet, 1, tx + 440, top + 22,
                   "\u00c0\u00c9\u00ce\u00d5\u00dc \u00e0\u00e9\u00ee\u00f5\u00fc "
                   "\u00df\u00f1\u00e7\u00ff \u00bf\u00a1\u00ab\u00bb\u00a9 \u20ac");
    sdl.DrawString(sheet, 3, tx, top + 44, "Game Over! Velmora 0.10 - ABCDEFGHIJKLM");
    const int by = top + 80;
    ButtonList buttons;
    Button* pressed = buttons.AddButton(sdl, tx, by, "Done", true);
    pressed->out = false;
    buttons.AddButton(sdl, tx + 70, by, "New game (local, 2 players)", true);
    buttons.AddButton(sdl, tx + 320, by, "Auto", false);
    buttons.Draw(sdl, sheet);
    sdl.DrawTextInput(sheet, tx + 400, by, 20, "localhost_");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.bmp\n", argv[0]);
        return 2;
    }
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    try {
        SDL sdl(SDL::kFlags);
        sdl.InitVideo(800, 600, "3rdparty/font/data", "3rdparty/deck_default.bmp");
        SDL_Surface* sheet = sdl.CreateSurface32(kWidth, kHeight);
        ClearToTable(sdl, sheet);
        draw_faces(sdl, sheet);
        draw_rotations(sdl, sheet, 430);
        draw_samples(sdl, sheet, 830);
        const int saved = SDL_SaveBMP(sheet, argv[1]);
        SDL_FreeSurface(sheet);
        if (saved != 0) {
            std::fprintf(stderr, "%s: can't write %s\n", argv[0], argv[1]);
            return 1;
        }
    } catch (const std::exception& e) {
        std::printf("Error: %s\n", e.what());
        return 1;
    }
    return 0;
}
