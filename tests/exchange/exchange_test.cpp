// The exchange's local mode and its event pump, on SDL's real event queue.
#include "exchange/exchange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "net/fastevents.h"

namespace {

void drain(Exchange& exch) {
    while (exch.PollEvent()) {
    }
}

SDL_Event user_event(int code) {
    SDL_Event e{};
    e.type = SDL_USEREVENT;
    e.user.code = code;
    return e;
}

}  // namespace

TEST(Exchange, LocalMode) {
    Exchange exch;
    EXPECT_FALSE(exch.IsLocalMode());
    ASSERT_TRUE(exch.EnterLocalMode(2));
    EXPECT_FALSE(exch.EnterLocalMode(2));
    EXPECT_EQ(exch.GetPlayerWaitCount(), 0);
    EXPECT_FALSE(exch.IsPlayerRemote(0));
    EXPECT_FALSE(exch.IsAnyoneConnected());

    ASSERT_TRUE(exch.PollEvent());  // exactly the join of player 0
    EXPECT_TRUE(exch.IsPlayerMessage());
    EXPECT_EQ(exch.GetPlayerNum(), 0);
    EXPECT_EQ(exch.GetPlayerMessage(), "0");
    EXPECT_FALSE(exch.PollEvent());
    EXPECT_TRUE(exch.IsPlayerMessage());  // an empty poll leaves the message alone

    EXPECT_TRUE(exch.ServerSend(0, ""));
    EXPECT_FALSE(exch.PollEvent());
    EXPECT_THROW(exch.ServerSend(1, "100 1 2 1"), std::runtime_error);
    EXPECT_THROW(exch.ServerKill(1), std::runtime_error);
    EXPECT_THROW(exch.ServerKillAll(true), std::runtime_error);
    EXPECT_FALSE(exch.ServerDisable());

    exch.ServerSend(0, "300 0");
    exch.ClientSend("201");
    exch.ClientSend("");
    ASSERT_TRUE(exch.PollEvent());
    EXPECT_EQ(exch.GetPlayerNum(), -1);
    EXPECT_EQ(exch.GetPlayerMessage(), "2 300 0");
    ASSERT_TRUE(exch.PollEvent());
    EXPECT_EQ(exch.GetPlayerNum(), 0);
    EXPECT_EQ(exch.GetPlayerMessage(), "2 201");
    ASSERT_TRUE(exch.PollEvent());
    EXPECT_EQ(exch.GetPlayerMessage(), "2 ");

    exch.LocalModeDisable();
    EXPECT_TRUE(exch.EnterLocalMode(3));
    drain(exch);
}

TEST(Exchange, OtherEventsReachTheScreenUntouched) {
    Exchange exch;
    Exchange::PushPlayerMessage(-1, "2 105 1");
    Exchange::PushLocalMessage(static_cast<unsigned>(EXCH_REDRAW), nullptr, nullptr);
    Exchange::PushLocalMessage(0xFFFF8075u, reinterpret_cast<void*>(7), nullptr);
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    FE_PushEvent(&motion);

    ASSERT_TRUE(exch.PollEvent());
    EXPECT_TRUE(exch.IsPlayerMessage());
    ASSERT_TRUE(exch.PollEvent());
    EXPECT_FALSE(exch.IsPlayerMessage());
    EXPECT_EQ(exch.event.user.code, EXCH_REDRAW);
    ASSERT_TRUE(exch.PollEvent());
    EXPECT_FALSE(exch.IsPlayerMessage());
    EXPECT_EQ(exch.event.user.code, static_cast<int>(0xFFFF8075u));
    EXPECT_EQ(exch.event.user.data1, reinterpret_cast<void*>(7));
    ASSERT_TRUE(exch.PollEvent());
    EXPECT_EQ(exch.event.type, SDL_MOUSEMOTION);
    EXPECT_FALSE(exch.IsPlayerMessage());
}

// SDL's queue holds 127 events; the main thread's pushes past that neither block nor get lost
// nor change order, also while another thread is waiting for room.
TEST(Exchange, MainThreadPushesPastAFullQueue) {
    Exchange exch;
    constexpr int kFirstPushes = 1000, kPushes = 1100;
    for (int i = 0; i < kFirstPushes; ++i)
        Exchange::PushPlayerMessage(i % 6, "2 " + std::to_string(i));

    constexpr int kOtherPushes = 50;
    std::thread other([] {
        for (int i = 0; i < kOtherPushes; ++i) {
            SDL_Event e = user_event(EXCH_REDRAW);
            e.user.data1 = reinterpret_cast<void*>(static_cast<intptr_t>(i));
            FE_PushEvent(&e);
        }
    });
    int next = 0, next_other = 0;
    for (int polls = 0; polls < 100000 && (next < kPushes || next_other < kOtherPushes); ++polls) {
        if (!exch.PollEvent()) {
            std::this_thread::yield();
            continue;
        }
        if (exch.IsPlayerMessage()) {
            ASSERT_EQ(exch.GetPlayerMessage(), "2 " + std::to_string(next));
            ASSERT_EQ(exch.GetPlayerNum(), next % 6);
            // Later pushes still queue up behind the overflow.
            if (++next == 10)
                for (int i = kFirstPushes; i < kPushes; ++i)
                    Exchange::PushPlayerMessage(i % 6, "2 " + std::to_string(i));
        } else {
            ASSERT_EQ(exch.event.user.data1,
                      reinterpret_cast<void*>(static_cast<intptr_t>(next_other)));
            ++next_other;
        }
    }
    other.join();
    EXPECT_EQ(next, kPushes);
    EXPECT_EQ(next_other, kOtherPushes);
    drain(exch);
}

// A push from another thread wakes a main thread waiting for an event, without the tick.
// The push itself wakes the waiter, not the 10 ms tick: over many waits the typical delay from
// push to wake stays far below the tick.
TEST(FastEvents, PushFromAnotherThreadWakesAWaiter) {
    std::vector<double> delays;
    for (int i = 0; i < 15; ++i) {
        std::chrono::steady_clock::time_point pushed;
        std::thread pusher([&pushed, i] {
            SDL_Delay(3 + i % 5);
            SDL_Event e = user_event(EXCH_TURN);
            pushed = std::chrono::steady_clock::now();
            FE_PushEvent(&e);
        });
        SDL_Event got{};
        EXPECT_EQ(FE_WaitEvent(&got), 1);
        const auto woke = std::chrono::steady_clock::now();
        pusher.join();
        EXPECT_EQ(got.user.code, EXCH_TURN);
        delays.push_back(std::chrono::duration<double, std::milli>(woke - pushed).count());
    }
    std::nth_element(delays.begin(), delays.begin() + 7, delays.end());
    EXPECT_LT(delays[7], 2.5) << "the waiter woke on the tick, not on the push";
    SDL_Event got{};
    EXPECT_EQ(FE_PollEvent(&got), 0);
}
