// SDL's single event queue made usable from several threads: a push that never drops an event,
// a wait that wakes at once on a push and looks every 10 ms tick for input that SDL queues by
// itself. It needs no SDL timer: SDL's timer thread would wake a thousand times a second.
#pragma once

#include <SDL.h>

// Before SDL itself: Ctrl-C and SIGTERM become SDL's quit event at the next poll, wait or pump.
// (SDL's own handler pushes that event from inside the signal handler, taking the event queue's
// lock, which the interrupted thread may hold: the program would hang instead of ending.)
void FE_CatchQuitSignals();

// After SDL itself; the calling thread becomes the main thread, the one that takes events.
int FE_Init();
void FE_Quit();

// Always 1. Another thread waits for room while SDL's queue is full. The main thread never
// waits on itself: its events then go to an overflow queue, which enters SDL's queue in order,
// ahead of later events of the main thread, as soon as there is room.
int FE_PushEvent(SDL_Event* ev);
// From a thread other than the main one: pushes only when there is room at once.
bool FE_TryPushEvent(SDL_Event* ev);
int FE_PollEvent(SDL_Event* event);
int FE_WaitEvent(SDL_Event* event);
// As FE_WaitEvent, but gives up after `ms` milliseconds and then returns 0. A push wakes it at
// once, and so does input to a window on an X display; other input is seen at the next tick.
int FE_WaitEventTimeout(SDL_Event* event, Uint32 ms);
// Whether an event of the given SDL_EVENTMASK kinds is queued; it stays queued.
bool FE_Queued(Uint32 mask);
void FE_PumpEvents();
// Whether SDL's quit event is queued, for loops that take no events; it stays queued.
bool FE_QuitRequested();
const char* FE_GetError();
