#include "ui/screen_loop.h"

#include <cstdint>

#include "ui/table_view.h"

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

ScreenLoop::ScreenLoop(Exchange& exch_t, Sampler sample_t)
    : exch(exch_t), sample(std::move(sample_t)) {
    old_button_one = sample(&old_x, &old_y) & SDL_BUTTON(1);
}

ScreenLoop::~ScreenLoop() {
    delete screen;
}

namespace {

int as_int(void* data) {
    return static_cast<int>(reinterpret_cast<intptr_t>(data));
}

}  // namespace

void ScreenLoop::OnProgramEvent(const SDL_Event& event) {
    const SDL_UserEvent& u = event.user;
    switch (u.code) {
        case EXCH_QUIT:
            done = true;
            break;
        case EXCH_REDRAW:
            if (screen) screen->Draw();
            break;
        case EXCH_SET_SCREEN:
            delete screen;
            screen = static_cast<Screen*>(u.data1);
            screen->Draw();
            break;
        case EXCH_TURN:
            gui->TurnBegins(as_int(u.data1), as_int(u.data2));
            if (screen) screen->Draw();
            break;
        case EXCH_WINNER:
            gui->turn = -1;
            gui->winner = as_int(u.data1);
            if (screen) screen->Draw();
            break;
        default:
            break;
    }
}

bool ScreenLoop::Pass() {
    const bool taken = exch.PollEvent();
    if (taken) {
        if (screen && screen->AcceptEvent(exch.event)) done = true;
        if (exch.event.type == SDL_USEREVENT) OnProgramEvent(exch.event);
    }
    int x, y;
    const bool button_one = sample(&x, &y) & SDL_BUTTON(1);
    if (screen) {
        if (button_one && !old_button_one)
            screen->ButtonDown(x, y);
        else if (!button_one && old_button_one)
            screen->ButtonUp(x, y);
        if (x != old_x || y != old_y) screen->MoveTo(x, y);
    }
    old_x = x;
    old_y = y;
    old_button_one = button_one;
    return taken;
}
