#include "ui/screen_loop.h"

#include <algorithm>

#include "net/fastevents.h"
#include "ui/texts.h"

void Screen::PostScreen(Screen* next) {
    try {
        Exchange::PushLocalMessage(EXCH_SET_SCREEN, next, nullptr);
    } catch (...) {
        delete next;
        throw;
    }
}

void Screen::RequestRedraw() {
    Exchange::PushLocalMessage(EXCH_REDRAW, nullptr, nullptr);
}

const Button* Screen::ListEvent(ButtonList& list, const SDL_Event& event) {
    const bool left = (event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_MOUSEBUTTONUP) &&
                      event.button.button == SDL_BUTTON_LEFT;
    if (event.type == SDL_MOUSEMOTION) list.ButtonMotion(event.motion.x, event.motion.y);
    if (event.type == SDL_MOUSEBUTTONDOWN && left) list.ButtonDown(event.button.x, event.button.y);
    if (event.type == SDL_MOUSEBUTTONUP && left)
        return list.ButtonUp(event.button.x, event.button.y);
    if (event.type != SDL_KEYDOWN) return nullptr;
    const SDLKey key = event.key.keysym.sym;
    if (key == SDLK_UP || key == SDLK_DOWN) list.MoveFocus(key == SDLK_UP ? -1 : 1);
    if (key == SDLK_RETURN || key == SDLK_KP_ENTER) return list.focus;
    return nullptr;
}

ScreenLoop::ScreenLoop(Exchange& exch_t, SDL& sdl_t, Sampler sample_t, Uint32 rest_ms_t)
    : exch(exch_t), sdl(sdl_t), sample(std::move(sample_t)), rest_ms(rest_ms_t), rules(sdl_t) {
    old_button_one = sample(&old_x, &old_y) & SDL_BUTTON(1);
    sdl.ToPicture(old_x, old_y);
}

ScreenLoop::~ScreenLoop() {
    delete screen;
    // Screens still queued (a successor posted behind the quit) have no other owner.
    SDL_Event e;
    while (FE_PollEvent(&e) > 0) {
        if (e.type == SDL_USEREVENT && e.user.code == EXCH_SET_SCREEN)
            delete static_cast<Screen*>(e.user.data1);
        FreeEventData(e);
    }
}

void ScreenLoop::OnProgramEvent(const SDL_Event& event) {
    const SDL_UserEvent& u = event.user;
    switch (u.code) {
        case EXCH_QUIT:
            done = true;
            break;
        case EXCH_REDRAW:
            Draw();
            break;
        case EXCH_SET_SCREEN:
            delete screen;
            screen = static_cast<Screen*>(u.data1);
            screen->Shown();
            Draw();
            break;
        case EXCH_RULES:
            ShowRules(true);
            break;
        default:
            break;
    }
}

bool ScreenLoop::OnWindowEvent(const SDL_Event& event) {
    if (event.type == SDL_VIDEORESIZE) {
        sdl.ResizeWindow(event.resize.w, event.resize.h);
    } else if (event.type == SDL_VIDEOEXPOSE) {
        sdl.Present();
    } else if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_F11) {
        sdl.ToggleFullscreen();
        // A screen may show the window's state.
        Draw();
    } else if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_F1) {
        ShowRules(!rules_open);
    } else if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_m &&
               !(event.key.keysym.mod & (KMOD_CTRL | KMOD_ALT)) && screen && !screen->TakesText()) {
        screen->ToggleSound();
        // The key has no other sign on most screens: the window says what it did.
        flash = Fill(Translate("button", "Sound: %s"), OnOff(sdl.sounds.On()));
        flash_until = SDL_GetTicks() + kFlashMs;
        Draw();
    } else {
        return false;
    }
    return true;
}

void ScreenLoop::Draw() {
    if (rules_open)
        rules.Draw();
    else if (screen)
        screen->Draw();
    if (flash.empty()) return;
    // A dark box in the middle of the window, over whatever the screen drew.
    const int w = sdl.GetStringWidth(1, flash.c_str()) + 24, h = sdl.GetFontHeight(1) + 12;
    SDL_Rect box{static_cast<Sint16>((sdl.w - w) / 2), static_cast<Sint16>((sdl.h - h) / 2),
                 static_cast<Uint16>(w), static_cast<Uint16>(h)};
    SDL_FillRect(sdl.screen, &box, SDL_MapRGB(sdl.screen->format, 32, 32, 32));
    sdl.DrawString(sdl.screen, 1, box.x + 12, box.y + 6, flash.c_str());
    sdl.Present();
}

void ScreenLoop::EndFlash() {
    if (flash.empty() || static_cast<Sint32>(SDL_GetTicks() - flash_until) < 0) return;
    flash.clear();
    Draw();
}

Uint32 ScreenLoop::FlashWakeMs() const {
    if (flash.empty()) return kRestMs;
    const Uint32 now = SDL_GetTicks();
    return static_cast<Sint32>(flash_until - now) <= 0 ? 0 : flash_until - now;
}

void ScreenLoop::ShowRules(bool open) {
    rules_open = open;
    Draw();
}

bool ScreenLoop::OnRulesEvent(const SDL_Event& event) {
    if (!rules_open) return false;
    const bool close = (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) ||
                       event.type == SDL_MOUSEBUTTONUP;
    if (close) ShowRules(false);
    return close || event.type == SDL_KEYDOWN || event.type == SDL_MOUSEBUTTONDOWN ||
           event.type == SDL_MOUSEMOTION;
}

void ScreenLoop::MapPointer(SDL_Event& event) const {
    int x, y;
    Uint16 *to_x, *to_y;
    if (event.type == SDL_MOUSEMOTION) {
        to_x = &event.motion.x, to_y = &event.motion.y;
    } else if (event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_MOUSEBUTTONUP) {
        to_x = &event.button.x, to_y = &event.button.y;
    } else {
        return;
    }
    x = *to_x, y = *to_y;
    sdl.ToPicture(x, y);
    // A bar's -1 stays outside the picture as 65535.
    *to_x = static_cast<Uint16>(x), *to_y = static_cast<Uint16>(y);
}

void ScreenLoop::FollowButtonEvent(const SDL_Event& event) {
    const bool press = event.type == SDL_MOUSEBUTTONDOWN;
    if (!press && event.type != SDL_MOUSEBUTTONUP) return;
    if (event.button.button != SDL_BUTTON_LEFT || press == old_button_one) return;
    Feed(event.button.x, event.button.y, press);
}

bool ScreenLoop::Feed(int x, int y, bool button_one) {
    bool acted = false;
    if (screen) {
        acted = button_one != old_button_one || x != old_x || y != old_y;
        if (button_one && !old_button_one)
            screen->ButtonDown(x, y);
        else if (!button_one && old_button_one)
            screen->ButtonUp(x, y);
        if (x != old_x || y != old_y) screen->MoveTo(x, y);
    }
    old_x = x;
    old_y = y;
    old_button_one = button_one;
    return acted;
}

bool ScreenLoop::Pass() {
    const Uint32 rest =
        std::min(screen ? std::min(screen->NextWakeMs(), rest_ms) : rest_ms, FlashWakeMs());
    const bool taken = idle ? exch.WaitEvent(rest) : exch.PollEvent();
    if (taken && !OnWindowEvent(exch.event) && !OnRulesEvent(exch.event)) {
        MapPointer(exch.event);
        if (screen && screen->AcceptEvent(exch.event)) done = true;
        if (exch.event.type == SDL_USEREVENT) OnProgramEvent(exch.event);
        FollowButtonEvent(exch.event);
    }
    int x, y;
    bool button_one = sample(&x, &y) & SDL_BUTTON(1);
    sdl.ToPicture(x, y);
    // While a press or release waits in the queue, its event tells the button, in order: the
    // sample may already show a later state.
    if (FE_Queued(SDL_MOUSEBUTTONDOWNMASK | SDL_MOUSEBUTTONUPMASK)) button_one = old_button_one;
    // The rules take the pointer while they are open; the screen sees none of it.
    const bool acted = rules_open ? (old_x = x, old_y = y, old_button_one = button_one, false)
                                  : Feed(x, y, button_one);
    if (!taken && screen) {
        // The first picture is out: the audio device may open now.
        sdl.sounds.Start();
        // The frame after the last move is drawn too: whether it moves is asked before.
        const bool moving = screen->Moving();
        screen->Idle();
        if (moving) Draw();
        EndFlash();
    }
    // A drag held still waits for the pointer's next motion like any other event.
    idle = !taken && !acted;
    return taken;
}
