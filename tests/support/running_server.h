// A server of many tables run in this process on a port of its own, stopped as SIGTERM stops it;
// what it logs is kept for the test to read.
#pragma once

#include <algorithm>
#include <asio/post.hpp>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "server/service.h"

struct RunningServer {
    // `store`: where the server keeps names, games and ratings; none by default.
    explicit RunningServer(ServerLimits limits = Loose(), GameStore* store = nullptr)
        : service(
              io, limits,
              [this](const std::string& l) {
                  std::lock_guard<std::mutex> hold(log_lock);
                  log.push_back(l);
              },
              store) {
        service.Listen(0);
        port = service.port();
        thread = std::thread([this] { service.Run(false); });
    }
    ~RunningServer() { Stop(); }
    // As SIGTERM stops it.
    void Stop() {
        if (!thread.joinable()) return;
        asio::post(io, [this] { service.Stop(); });
        thread.join();
    }
    static ServerLimits Loose() {
        ServerLimits limits;
        limits.max_per_address = 1000;
        limits.first_line_wait = std::chrono::milliseconds(200);
        return limits;
    }
    bool Logged(const std::string& part) {
        std::lock_guard<std::mutex> hold(log_lock);
        return std::any_of(log.begin(), log.end(),
                           [&](const std::string& l) { return l.find(part) != std::string::npos; });
    }

    asio::io_context io;
    std::mutex log_lock;
    std::vector<std::string> log;
    Service service;
    int port = 0;
    std::thread thread;
};
