// A computer player's turn thought out on a thread of its own, so that the window keeps drawing
// and answering keys meanwhile. The answer comes into the event queue as the seat's own line. A
// new search, or the end of this object, stops the one running at once.
#pragma once

#include <atomic>
#include <thread>

#include "game/strategy.h"
#include "game/turn_aside.h"

class ThinkingThread final : public TurnAside {
  public:
    ThinkingThread() = default;
    ~ThinkingThread() override { Stop(); }
    ThinkingThread(const ThinkingThread&) = delete;
    ThinkingThread& operator=(const ThinkingThread&) = delete;

    void Start(int seat, Decide decide) override;

  private:
    void Stop();

    std::thread worker;
    std::atomic<bool> stop{false};
};

class ServerWithAutoPlay;
// A local game's computer seats (all but seat 0) played at `strength`, the expert thinking beside
// the window, which keeps drawing and answering meanwhile.
void SeatComputers(ServerWithAutoPlay& referee, int players, Strategy strength);
