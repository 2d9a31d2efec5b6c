// What repainting the game's window costs, against one plain 800 x 600 32-bit surface copy
// measured in the same run: a drag motion (the background, the texts, the buttons, the marks of
// the piles it may go to and a dragged pile of four cards), a full repaint (the table with the
// four other players' seats painted anew, then composed) and a frame of moving cards (the
// picture drawn and shown; the 99th percentile of many frames). The window is an 800 x 600
// surface in the pixel format of an X display of depth 24, as the game gets it there, then one
// of twice that size with the picture scaled into it. Last, the full repaint with every text of
// the table in German against the same in English. Run from the build directory, where the card
// sheet, the fonts and the catalogues lie:  ./velmora-bench-ui [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "bench/best_time.h"
#include "game/tracker.h"
#include "gfx/sdl.h"
#include "gfx/widgets.h"
#include "ui/language.h"
#include "ui/table_view.h"
#include "ui/texts.h"

namespace {

// A table late in a game of five: four cards on every board pile, seven in the own hand, three
// in each other hand.
void deal(Tracker& t) {
    t.ResetServer(1);
    for (int p = 6; p <= 13; ++p)
        for (int i = 0; i < 4; ++i) t.move_top_to_top(p, kDeck, -1);
    for (int i = 0; i < 7; ++i) t.move_top_to_top(0, kDeck, -1);
    for (int p = 1; p < 5; ++p)
        for (int i = 0; i < 3; ++i) t.move_top_to_top(p, kDeck, -1);
}

// The moving cards' clock: each frame comes a frame's time after the one before.
Uint32 frame_clock_ms = 0;
Uint32 frame_clock() {
    return frame_clock_ms;
}

// Frames of moving cards, as the window shows them: a card from another player's hand to a
// pile and back, a pile onto a pile and back, one after another. The 99th percentile of the
// frames' times in microseconds.
double frame_p99_us(Tracker& table, int frames) {
    gui->SetClock(frame_clock);
    gui->SetMoveMs(220);
    const std::pair<int, int> moves[] = {{8, 1}, {1, 8}, {6, 10}, {10, 6}};
    std::vector<double> took;
    for (int move = 0; took.size() < static_cast<std::size_t>(frames);) {
        if (FE_QuitRequested()) throw Interrupted();
        if (!gui->Moving()) {
            const auto [target, src] = moves[move++ % 4];
            // Whether the rules allow it does not matter here.
            if (src == 6 || src == 10) {
                auto& from = table.pile[src];
                table.pile[target].insert(table.pile[target].end(), from.begin(), from.end());
                from.clear();
            } else {
                table.move_top_to_top(target, src, -1);
            }
            gui->CardsMoved(target, src);
        }
        frame_clock_ms += CardMotion::kFrameMs;
        const auto start = std::chrono::steady_clock::now();
        gui->Show();
        took.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    gui->SetClock(SDL_GetTicks);
    std::sort(took.begin(), took.end());
    return took[took.size() * 99 / 100];
}

// The game's own drag: pile 9's top card pressed, then moved, the piles it may go to marked at
// every step; microseconds a motion.
double drag_us(int rounds) {
    int pile = 0;
    if (gui->PickedAt(542, 442, pile) != DragKind::kPile)
        throw std::runtime_error("no pile under the pointer");
    gui->StartDrag(DragKind::kPile, pile, 542, 442, {6, 8});
    int step = 0;
    const double us = best_us(rounds, [&] {
        gui->DragTo(542 + step % 50, 442 + step % 30);
        ++step;
    });
    gui->CancelDrag();
    return us;
}

// The table's texts, buttons and seats in the language in use, as a game shows them.
void label_table(ButtonList& buttons) {
    gui->SetTexts({Translate("table line", "It's your turn!"),
                   Fill(Translate("table line", "%s, streak %d"),
                        Fill(Translate("table line", "Won %d of %d (%d %%)"), 12, 20, 60), 3),
                   Fill(Translate("table line", "You are player %d. Cards: %s. Cards in deck: %d"),
                        0, "7 3 3 3 3", 0),
                   Fill(Translate("table line", "%s played %s and moved %s"),
                        Fill(Translate("plate", "Computer %d"), 1),
                        Fill(TranslatePlural("table line", "%d card", "%d cards", 2), 2),
                        Fill(TranslatePlural("table line", "%d pile", "%d piles", 1), 1))});
    const char* labels[] = {Translate("game button", "Done"), Translate("game button", "Auto")};
    int i = 0;
    for (Button* b : buttons.buttons) b->text = labels[i++ % 2];
    std::vector<SeatView> seats;
    for (int k = 1; k < 5; ++k)
        seats.push_back({Fill(Translate("plate", "Computer %d"), k), k == 2, false, {}});
    gui->SetSeats(seats, {Translate("plate", "You"), true, false, {}});
}

SDL_Surface* surface(int w, int h) {
    return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 50;
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    try {
        SDL sdl(SDL::kFlags);
        sdl.InitVideo(800, 600, "3rdparty/font/data", "3rdparty/deck_default.bmp");
        SDL_Surface* window = surface(800, 600);
        SDL_Surface* source = surface(800, 600);
        SDL_Surface* picture = surface(800, 600);
        SDL_Surface* double_window = surface(1600, 1200);
        sdl.ShowOn(window, window);
        Tracker table;
        deal(table);
        sdl.tracker = &table;
        sdl.playernum = 0;
        sdl.numplayers = 5;
        sdl.sane = true;
        StartLanguage("locale", "en");
        gui = new GUI(&sdl);
        ButtonList buttons;
        buttons.AddButton(sdl, 10, 555, "", true);
        buttons.AddButton(sdl, 10, 577, "", true);
        gui->buttons = &buttons;
        label_table(buttons);
        for (int p = 0; p < kDeck; ++p) gui->UpdatePile(p);
        gui->Redraw(gui->gamescreen, -1, -1);  // fills the render cache

        // The baseline is measured first and last; the better counts, so that a slow start of
        // the machine does not flatter the figures.
        const auto plain = [&] { SDL_BlitSurface(source, nullptr, window, nullptr); };
        double copy = best_us(rounds, plain);
        const double full = best_us(rounds, [&] {
            gui->Redraw(gui->gamescreen, -1, -1);
            gui->DoDraw(gui->gamescreen);
        });
        const double drag = drag_us(rounds);
        const double frame = frame_p99_us(table, 20 * rounds);
        // The same in a window twice the picture's size, scaled on every show.
        sdl.ShowOn(picture, double_window);
        const double drag2 = drag_us(rounds);
        const double full2 = best_us(rounds, [&] {
            gui->Redraw(gui->gamescreen, -1, -1);
            gui->DoDraw(gui->gamescreen);
            sdl.Present();
        });
        const double frame2 = frame_p99_us(table, 20 * rounds);
        sdl.ShowOn(window, window);
        const auto repaint = [&] {
            gui->Redraw(gui->gamescreen, -1, -1);
            gui->DoDraw(gui->gamescreen);
        };
        // English and German by turns, each at its best of the rounds.
        double english = 1e300, german = 1e300;
        for (int turn = 0; turn < 3; ++turn) {
            UseLanguage("en");
            label_table(buttons);
            english = std::min(english, best_us(rounds, repaint));
            UseLanguage("de");
            label_table(buttons);
            german = std::min(german, best_us(rounds, repaint));
        }
        copy = std::min(copy, best_us(rounds, plain));
        std::printf("plain 800x600 copy: %.1f us\n", copy);
        std::printf("drag motion repaint: %.1f us = %.2f x copy\n", drag, drag / copy);
        std::printf("full repaint: %.1f us = %.2f x copy\n", full, full / copy);
        std::printf("drag motion repaint at 2x: %.1f us = %.2f x copy\n", drag2, drag2 / copy);
        std::printf("full repaint at 2x: %.1f us = %.2f x copy\n", full2, full2 / copy);
        std::printf("moving cards frame p99: %.2f ms = %.2f x copy\n", frame / 1000, frame / copy);
        std::printf("moving cards frame p99 at 2x: %.2f ms = %.2f x copy\n", frame2 / 1000,
                    frame2 / copy);
        std::printf("full repaint in German: %.1f us = %.3f x English (%.1f us)\n", german,
                    german / english, english);
        delete gui;
        gui = nullptr;
        for (SDL_Surface* s : {source, window, picture, double_window}) SDL_FreeSurface(s);
    } catch (const Interrupted&) {
        std::printf("interrupted: no figures finished\n");
        return 130;
    } catch (const std::exception& e) {
        std::printf("Error: %s\n", e.what());
        return 1;
    }
    return 0;
}
