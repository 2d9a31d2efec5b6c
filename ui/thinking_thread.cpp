#include "ui/thinking_thread.h"

#include <SDL.h>

#include "exchange/exchange.h"
#include "game/autoplay_server.h"

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

void SeatComputers(ServerWithAutoPlay& referee, int players, Strategy strength) {
    for (int seat = 1; seat < players; ++seat) referee.SetStrategy(seat, strength);
    referee.ThinkAside(std::make_unique<ThinkingThread>());
}
