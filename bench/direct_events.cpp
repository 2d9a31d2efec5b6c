// The event queue's interface without the queue's cost: events pushed by the program go into a
// plain list that the next poll takes from, with no lock, no condition and no SDL queue in
// between. Ctrl-C and SIGTERM still become the quit event.
// The self-play benchmark links this in place of the real queue to measure what the queue costs.
#include <csignal>
#include <deque>

#include "net/event_codes.h"
#include "net/fastevents.h"

namespace {

std::deque<SDL_Event> pending;
volatile std::sig_atomic_t quit_signalled = 0;

}  // namespace

void FE_CatchQuitSignals() {
    std::signal(SIGINT, [](int) { quit_signalled = 1; });
    std::signal(SIGTERM, [](int) { quit_signalled = 1; });
}

int FE_Init() {
    return 0;
}

void FE_Quit() {
    for (SDL_Event& e : pending) FreeEventData(e);
    pending.clear();
}

int FE_PushEvent(SDL_Event* ev) {
    pending.push_back(*ev);
    return 1;
}

bool FE_TryPushEvent(SDL_Event* ev) {
    return FE_PushEvent(ev) == 1;
}

int FE_PollEvent(SDL_Event* event) {
    if (quit_signalled) {
        quit_signalled = 0;
        *event = SDL_Event{};
        event->type = SDL_QUIT;
        return 1;
    }
    if (pending.empty()) return SDL_PollEvent(event);
    *event = pending.front();
    pending.pop_front();
    return 1;
}

int FE_WaitEvent(SDL_Event* event) {
    while (FE_PollEvent(event) <= 0) SDL_Delay(1);
    return 1;
}

int FE_WaitEventTimeout(SDL_Event* event, Uint32 ms) {
    const Uint32 start = SDL_GetTicks();
    while (FE_PollEvent(event) <= 0)
        if (SDL_GetTicks() - start >= ms)
            return 0;
        else
            SDL_Delay(1);
    return 1;
}

void FE_PumpEvents() {
    SDL_PumpEvents();
}

const char* FE_GetError() {
    return nullptr;
}
