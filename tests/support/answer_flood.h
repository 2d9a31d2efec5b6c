// A forger of answers to the search for games, for the tests of what a flood of them may cost: it
// waits for the search that reaches a UDP socket of the test, then answers it with offer after
// offer, each at a port of its own, until stopped or a bound is reached.
#pragma once

#include <poll.h>

#include <atomic>
#include <string>
#include <thread>

#include "net/game_search.h"
#include "tests/support/loopback.h"

struct AnswerFlood {
    ~AnswerFlood() { Stop(); }
    // Waits up to `wait_ms` for a search on `host`; false if none came.
    bool Start(int host, int wait_ms, int most) {
        char search[600];
        sockaddr_in from{};
        socklen_t from_size = sizeof from;
        pollfd came{host, POLLIN, 0};
        if (poll(&came, 1, wait_ms) != 1) return false;
        const ssize_t n = recvfrom(host, search, sizeof search, 0,
                                   reinterpret_cast<sockaddr*>(&from), &from_size);
        const auto token = ReadSearch(std::string(search, n > 0 ? n : 0));
        if (!token) return false;
        thread = std::thread([this, host, most, token = *token, from] {
            for (int i = 0; flooding && i < most; ++i) {
                const std::string answer = AnswerDatagram(token, {"Flood", 1 + i % 60000, 1, 2});
                sendto(host, answer.data(), answer.size(), 0,
                       reinterpret_cast<const sockaddr*>(&from), sizeof from);
            }
        });
        return true;
    }
    void Stop() {
        flooding = false;
        if (thread.joinable()) thread.join();
    }
    std::atomic<bool> flooding{true};
    std::thread thread;
};
