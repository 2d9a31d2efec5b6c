// Renders texts as the game's status line shows them, with the game's own font code, so that the
// window test can compare screenshots with them:   text_strip [--on R,G,B] OUT.ppm TEXT...
// Each text becomes an 800 x 40 strip on the table colour (or R,G,B, as the game's log has it),
// drawn in font 1 at (10, 10); the strips stand one under another. Run it where the data files
// lie.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "gfx/sdl.h"

int main(int argc, char** argv) {
    int r = -1, g = 0, b = 0;
    if (argc > 2 && std::string(argv[1]) == "--on") {
        if (std::sscanf(argv[2], "%d,%d,%d", &r, &g, &b) != 3) r = -2;
        argc -= 2, argv += 2;
    }
    if (argc < 3 || r == -2) {
        std::fprintf(stderr, "usage: %s [--on R,G,B] OUT.ppm TEXT...\n", argv[0]);
        return 2;
    }
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    try {
        SDL sdl(SDL::kFlags);
        sdl.InitVideo(800, 600, "3rdparty/font/data", "3rdparty/deck_default.bmp");
        const int texts = argc - 2, height = 40;
        // The pixel format of an X display of depth 24, so that the text blends as in the window.
        SDL_Surface* strip =
            SDL_CreateRGBSurface(SDL_SWSURFACE, 800, height, 32, 0xFF0000, 0xFF00, 0xFF, 0);
        FILE* out = std::fopen(argv[1], "wb");
        if (!out) return 1;
        std::fprintf(out, "P6\n800 %d\n255\n", height * texts);
        for (int t = 0; t < texts; ++t) {
            if (r < 0)
                ClearToTable(sdl, strip);
            else
                SDL_FillRect(strip, nullptr, SDL_MapRGB(strip->format, r, g, b));
            sdl.DrawString(strip, 1, 10, 10, argv[2 + t]);
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < 800; ++x) {
                    Uint8 r, g, b;
                    SDL_GetRGB(static_cast<Uint32*>(strip->pixels)[y * strip->pitch / 4 + x],
                               strip->format, &r, &g, &b);
                    const unsigned char rgb[3] = {r, g, b};
                    std::fwrite(rgb, 1, 3, out);
                }
            }
        }
        std::fclose(out);
        SDL_FreeSurface(strip);
    } catch (const std::exception& e) {
        std::printf("Error: %s\n", e.what());
        return 1;
    }
    return 0;
}
