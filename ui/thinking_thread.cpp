#include "ui/thinking_thread.h"

#include <SDL.h>

#include "exchange/exchange.h"

void ThinkingThread::Start(int seat, Decide decide) {
    Stop();
    stop = false;
    worker = std::thread([this, seat, decide = std::move(decide)] {
        const std::string line = decide(stop);
        // The queue may be full while the window is busy: the answer waits for room, unless the
        // game ends meanwhile (whoever ends it joins this thread, and must not wait for room).
        while (!stop && !Exchange::TryAnswerFor(seat, line)) SDL_Delay(5);
    });
}

void ThinkingThread::Stop() {
    stop = true;
    if (worker.joinable()) worker.join();
}
