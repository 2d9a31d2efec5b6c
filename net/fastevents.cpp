#include "net/fastevents.h"

#include <SDL_syswm.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <deque>

#include "net/event_codes.h"

namespace {

constexpr Uint32 kTickMs = 10;

SDL_mutex* eventLock = nullptr;
SDL_cond* eventWait = nullptr;
const char* error = nullptr;

// The thread that takes events, and the events it pushed while SDL's queue was full.
Uint32 mainThread = 0;
std::deque<SDL_Event> overflow;

// A timed wait of the main thread on an X display watches the display's connection, so that
// input wakes it at once; a push from another thread wakes it through this pipe. `mainPolling`
// (under eventLock) says whether it waits so.
int wakePipe[2] = {-1, -1};
bool mainPolling = false;
int displayFd = -1;

// The X display's connection once the window is open, or -1 (no window, another driver).
int display_fd() {
    if (displayFd != -1 || !SDL_GetVideoSurface()) return displayFd;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) > 0 && info.subsystem == SDL_SYSWM_X11)
        displayFd = ConnectionNumber(info.info.x11.display);
    return displayFd;
}

// With eventLock held, after a push from another thread.
void wakeMain() {
    if (!mainPolling) return;
    const char byte = 0;
    if (write(wakePipe[1], &byte, 1) < 0) {
        // A full pipe already holds a wake-up.
    }
}

// With eventLock held by the main thread: waits up to `ms` for a wake-up or the X display, with
// the lock let go meanwhile. Without a window (a program without one, or before it opens) only a
// push or a signal brings an event, so the wake-up alone is watched. False for a window of
// another driver, whose input only a look at SDL's queue finds.
bool waitForWake(Uint32 ms) {
    const int fd = display_fd();
    if (wakePipe[0] < 0 || (fd < 0 && SDL_GetVideoSurface())) return false;
    mainPolling = true;
    SDL_UnlockMutex(eventLock);
    pollfd watched[2] = {{wakePipe[0], POLLIN, 0}, {fd, POLLIN, 0}};
    poll(watched, fd < 0 ? 1 : 2, static_cast<int>(ms));
    char drained[64];
    while (read(wakePipe[0], drained, sizeof drained) > 0) {
    }
    SDL_LockMutex(eventLock);
    mainPolling = false;
    return true;
}

volatile std::sig_atomic_t quitSignalled = 0;

// Also wakes a wait on the display: the quit is taken at once, not at the next wake.
void noteQuitSignal(int) {
    quitSignalled = 1;
    const int saved = errno;
    const char byte = 0;
    if (wakePipe[1] >= 0 && write(wakePipe[1], &byte, 1) < 0) {
        // A full pipe already holds a wake-up.
    }
    errno = saved;
}

// With eventLock held: a quit signal noted since becomes SDL's quit event.
void deliverQuitSignal() {
    if (!quitSignalled) return;
    quitSignalled = 0;
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
}

// With eventLock held: moves overflow events into SDL's queue, oldest first, while there is room.
void drainOverflow() {
    while (!overflow.empty() && SDL_PushEvent(&overflow.front()) == 0) overflow.pop_front();
}

}  // namespace

void FE_CatchQuitSignals() {
    std::signal(SIGINT, noteQuitSignal);
    std::signal(SIGTERM, noteQuitSignal);
}

int FE_Init() {
    eventLock = SDL_CreateMutex();
    if (!eventLock) {
        error = "FE: can't create a mutex";
        return -1;
    }
    eventWait = SDL_CreateCond();
    if (!eventWait) {
        error = "FE: can't create a condition variable";
        return -1;
    }
    mainThread = SDL_ThreadID();
    displayFd = -1;
    if (pipe2(wakePipe, O_NONBLOCK | O_CLOEXEC) != 0) wakePipe[0] = wakePipe[1] = -1;
    return 0;
}

void FE_Quit() {
    for (int& end : wakePipe) {
        if (end >= 0) close(end);
        end = -1;
    }
    SDL_DestroyMutex(eventLock);
    eventLock = nullptr;
    SDL_DestroyCond(eventWait);
    eventWait = nullptr;
    // Nobody takes the events left now; the texts they carry are freed.
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_ALLEVENTS) > 0) FreeEventData(e);
    for (SDL_Event& o : overflow) FreeEventData(o);
    overflow.clear();
}

int FE_PushEvent(SDL_Event* ev) {
    SDL_LockMutex(eventLock);
    if (SDL_ThreadID() == mainThread) {
        // Waiting here would wait for ourselves to take an event.
        if (!overflow.empty() || SDL_PushEvent(ev) != 0) overflow.push_back(*ev);
    } else {
        while (SDL_PushEvent(ev) != 0) SDL_CondWaitTimeout(eventWait, eventLock, kTickMs);
        wakeMain();
    }
    SDL_UnlockMutex(eventLock);
    SDL_CondSignal(eventWait);
    return 1;
}

bool FE_TryPushEvent(SDL_Event* ev) {
    SDL_LockMutex(eventLock);
    const bool pushed = overflow.empty() && SDL_PushEvent(ev) == 0;
    if (pushed) wakeMain();
    SDL_UnlockMutex(eventLock);
    if (pushed) SDL_CondSignal(eventWait);
    return pushed;
}

int FE_PollEvent(SDL_Event* event) {
    SDL_LockMutex(eventLock);
    deliverQuitSignal();
    drainOverflow();
    int result = SDL_PollEvent(event);
    // The slot just freed goes to the overflow first, so the main thread's events keep moving.
    drainOverflow();
    SDL_UnlockMutex(eventLock);
    if (result > 0) SDL_CondSignal(eventWait);
    return result;
}

int FE_WaitEvent(SDL_Event* event) {
    // Each wait is bounded; the span only matters where nothing wakes it sooner.
    constexpr Uint32 kRestMs = 60000;
    int result;
    while ((result = FE_WaitEventTimeout(event, kRestMs)) <= 0) {
    }
    return result;
}

int FE_WaitEventTimeout(SDL_Event* event, Uint32 ms) {
    SDL_LockMutex(eventLock);
    const Uint32 start = SDL_GetTicks();
    drainOverflow();
    int result;
    while (deliverQuitSignal(), (result = SDL_PollEvent(event)) <= 0) {
        const Uint32 waited = SDL_GetTicks() - start;
        if (waited >= ms) break;
        // A push and a quit signal (and on an X display its connection) all wake the wait, so
        // it waits for the whole span; on another driver's window it waits in ticks, which also
        // see a quit signal.
        if (!waitForWake(ms - waited))
            SDL_CondWaitTimeout(eventWait, eventLock, std::min(ms - waited, kTickMs));
    }
    drainOverflow();
    SDL_UnlockMutex(eventLock);
    if (result <= 0) return 0;
    SDL_CondSignal(eventWait);
    return result;
}

void FE_PumpEvents() {
    SDL_LockMutex(eventLock);
    deliverQuitSignal();
    SDL_PumpEvents();
    SDL_UnlockMutex(eventLock);
}

bool FE_QuitRequested() {
    SDL_LockMutex(eventLock);
    deliverQuitSignal();
    SDL_PumpEvents();
    SDL_Event quit;
    const bool queued = SDL_PeepEvents(&quit, 1, SDL_PEEKEVENT, SDL_QUITMASK) > 0;
    SDL_UnlockMutex(eventLock);
    return queued;
}

bool FE_Queued(Uint32 mask) {
    SDL_LockMutex(eventLock);
    SDL_Event e;
    const bool queued = SDL_PeepEvents(&e, 1, SDL_PEEKEVENT, mask) > 0;
    SDL_UnlockMutex(eventLock);
    return queued;
}

const char* FE_GetError() {
    return error;
}
