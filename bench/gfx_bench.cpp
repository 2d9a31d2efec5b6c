// What drawing the table costs, against one plain 800 x 600 32-bit surface copy measured in the
// same run: a full repaint with 40 cards from the render cache, and one card face rendered.
// Run from the build directory, where the card sheet and fonts lie:  ./velmora-bench-gfx [N]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <vector>

#include "bench/best_time.h"
#include "gfx/sdl.h"

namespace {

// A table: the background and 40 cards spread over it in the eight rotations, as a five-player
// game shows them.
void repaint(SDL& sdl, SDL_Surface* table) {
    ClearToTable(sdl, table);
    for (int i = 0; i < 40; ++i) {
        const unsigned card = static_cast<unsigned>(i);
        sdl.EasyDrawCard(static_cast<char>(i % 8), -1, table, 20 + (i % 10) * 70,
                         20 + (i / 10) * 130, card);
    }
}

SDL_Surface* surface(int w, int h, Uint32 r, Uint32 g, Uint32 b) {
    return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, r, g, b, 0);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 50;
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    try {
        SDL sdl(SDL::kFlags);
        sdl.InitVideo(800, 600, "3rdparty/font/data", "3rdparty/deck_default.bmp");
        // Our own surface format, and the one an X display of depth 24 gives the window.
        SDL_Surface* ours = sdl.CreateSurface32(800, 600);
        SDL_Surface* display = surface(800, 600, 0xFF0000, 0xFF00, 0xFF);
        SDL_Surface* source = surface(800, 600, 0xFF0000, 0xFF00, 0xFF);
        SDL_FillRect(source, nullptr, SDL_MapRGB(source->format, 0, 128, 128));

        // The baseline is measured first and last; the better counts, so that a slow start of
        // the machine does not flatter the figures.
        const auto plain = [&] { SDL_BlitSurface(source, nullptr, display, nullptr); };
        double copy = best_us(runs, plain);
        repaint(sdl, ours);  // fills the render cache
        const double ours_repaint = best_us(runs, [&] { repaint(sdl, ours); });
        const double display_repaint = best_us(runs, [&] { repaint(sdl, display); });
        int face = 0;
        const double render = best_us(runs, [&] {
            sdl.RenderCard(static_cast<char>(face % 8), -1, static_cast<unsigned>(face % 52));
            ++face;
        });
        copy = std::min(copy, best_us(runs, plain));
        std::printf("plain 800x600 copy: %.1f us\n", copy);
        std::printf("repaint, 40 cards, 32-bit RGBA table: %.1f us = %.2f x copy\n", ours_repaint,
                    ours_repaint / copy);
        std::printf("repaint, 40 cards, X display format: %.1f us = %.2f x copy\n", display_repaint,
                    display_repaint / copy);
        std::printf("one face rendered: %.1f us = %.2f x copy\n", render, render / copy);
        SDL_FreeSurface(source);
        SDL_FreeSurface(display);
        SDL_FreeSurface(ours);
    } catch (const Interrupted&) {
        std::printf("interrupted: no figures finished\n");
        return 130;
    } catch (const std::exception& e) {
        std::printf("Error: %s\n", e.what());
        return 1;
    }
    return 0;
}
