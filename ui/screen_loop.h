// The one loop of the program: it takes at most one event a pass, hands it to the current screen,
// acts on the program's own event codes (quit, redraw, set screen) and feeds the sampled left
// button and pointer, in picture coordinates, to the screen. It draws only on request, and after
// a pass that did nothing it rests until the next event, or until the screen's next wake.
#pragma once

#include <SDL.h>

#include <functional>

#include "exchange/exchange.h"
#include "gfx/sdl.h"
#include "ui/rules_page.h"
#include "ui/screen.h"

class ScreenLoop {
  public:
    // Samples the pointer as SDL_GetMouseState does: the buttons' mask, position into x and y.
    using Sampler = std::function<Uint8(int* x, int* y)>;

    // `rest_ms`: the longest rest of an idle pass (tests rest briefly).
    ScreenLoop(Exchange& exch_t, SDL& sdl_t, Sampler sample_t = SDL_GetMouseState,
               Uint32 rest_ms_t = kRestMs);
    // The screen current at the end is deleted.
    ~ScreenLoop();
    ScreenLoop(const ScreenLoop&) = delete;
    ScreenLoop& operator=(const ScreenLoop&) = delete;

    // One pass: an event if there is one (after an idle pass, waiting for one until the screen's
    // next wake, or kRestMs), then the pointer. Whether an event was taken.
    bool Pass();
    void Run() {
        while (!done) Pass();
    }

    Screen* screen = nullptr;
    bool done = false;

    // The longest rest: a bound on every wait, long enough to cost nothing.
    static constexpr Uint32 kRestMs = 60000;

  private:
    void OnProgramEvent(const SDL_Event& event);
    // The window's own events (resized, exposed, F11, F1, M for the sound), which no screen sees;
    // whether it was one.
    bool OnWindowEvent(const SDL_Event& event);
    // While the rules are open they take the keys and the pointer: Esc, F1 or a click closes
    // them; whether the event was theirs.
    bool OnRulesEvent(const SDL_Event& event);
    void ShowRules(bool open);
    // The current picture: the rules over the screen, or the screen, and a flash over them.
    void Draw();
    // A flash shown long enough goes; when the loop must wake for that.
    void EndFlash();
    Uint32 FlashWakeMs() const;
    // The pointer's position in a mouse event, into picture coordinates.
    void MapPointer(SDL_Event& event) const;
    // A left press or release taken as an event, which a quick click can hide from the samples.
    void FollowButtonEvent(const SDL_Event& event);
    // Feeds a pointer state to the screen; whether it called the screen.
    bool Feed(int x, int y, bool button_one);

    Exchange& exch;
    SDL& sdl;
    Sampler sample;
    Uint32 rest_ms;
    int old_x = -1, old_y = -1;
    bool old_button_one = false;
    bool idle = false;
    RulesPage rules;
    bool rules_open = false;
    // A word over the picture for a moment, such as the sound switched by M.
    std::string flash;
    Uint32 flash_until = 0;
    static constexpr Uint32 kFlashMs = 1500;
};
