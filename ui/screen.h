// A screen: one user-visible state of the program. It takes every event and the sampled pointer,
// and draws the whole window. Screens never replace themselves: they post their successor and
// the screen loop swaps the two when it takes that event.
#pragma once

#include <SDL.h>

#include "exchange/exchange.h"
#include "gfx/sdl.h"
#include "gfx/widgets.h"
#include "store/profile.h"

// Whether `event` is a press of `key`.
inline bool IsKey(const SDL_Event& event, SDLKey key) {
    return event.type == SDL_KEYDOWN && event.key.keysym.sym == key;
}

class Screen {
  public:
    Screen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t)
        : sdl(sdl_t), exch(exch_t), profile(profile_t) {}
    virtual ~Screen() = default;
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    // True ends the program.
    virtual bool AcceptEvent(SDL_Event& event) = 0;
    // The screen has become the current one: every event from now on reaches it.
    virtual void Shown() {}
    // Paints the whole window and shows it.
    virtual void Draw() = 0;
    // The left button's press and release and the pointer's motion, in window coordinates.
    virtual void ButtonUp(int, int) {}
    virtual void ButtonDown(int, int) {}
    virtual void MoveTo(int, int) {}
    // After each pass that took no event: a screen that waits for a time looks at the clock
    // here. NextWakeMs tells the loop when that is due: in how many milliseconds, or kNoWake.
    virtual void Idle() {}
    virtual Uint32 NextWakeMs() const { return kNoWake; }
    // Whether the picture changes by itself, as moving cards do: while it does, the loop draws a
    // frame after each idle pass (over which the rules may lie).
    virtual bool Moving() const { return false; }
    static constexpr Uint32 kNoWake = ~Uint32{0};
    // Whether keys type into a field now: then M is a letter, not the sound's switch.
    virtual bool TakesText() const { return false; }
    // Sound on or off, kept at once; the screen is drawn again, as it may show the setting.
    void ToggleSound() {
        Settings& v = profile.settings.values;
        v.sound = !v.sound;
        sdl.sounds.SetOn(v.sound);
        profile.settings.Save();
        RequestRedraw();
    }

  protected:
    // Hands `next` to the screen loop, which shows it in place of the current screen.
    static void PostScreen(Screen* next);
    static void RequestRedraw();
    // The pointer and the keys on a column of `buttons`: the one pressed by a click or by Enter
    // on the one chosen with Up and Down, or null.
    const Button* ButtonEvent(const SDL_Event& event) { return ListEvent(buttons, event); }
    // The same on another list, as a form over the screen has.
    static const Button* ListEvent(ButtonList& list, const SDL_Event& event);

    SDL& sdl;
    Exchange& exch;
    // The settings, the statistics and the saved game of the player.
    Profile& profile;
    ButtonList buttons;
};
