// A peer on a plain socket that floods a referee and never reads, for the tests of what such a
// peer may cost the others.
#pragma once

#include <errno.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "tests/support/loopback.h"

// A peer that asks for the extension and then sends name after name, never reading, until the
// referee closes it, or it has sent 64 MiB, or 10 seconds passed. Its receive window is small, so
// that every answer it is sent soon has nowhere to go.
struct Flooder {
    explicit Flooder(int port) {
        fd = socket(AF_INET, SOCK_STREAM, 0);
        const int small = 4096;
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        const sockaddr_in to = loopback_address(port);
        connected = connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
        if (connected) thread = std::thread([this] { flood(); });
    }
    ~Flooder() {
        if (thread.joinable()) thread.join();
        close(fd);
    }
    void flood() {
        std::string lines = "420\n";
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (int i = 0; sent < (64 << 20) && std::chrono::steady_clock::now() < deadline; ++i) {
            lines += "400 70 " + std::to_string(48 + i % 10) + " " +
                     std::to_string(48 + i / 10 % 10) + "\n";
            if (lines.size() < 4096) continue;
            pollfd writable{fd, POLLOUT, 0};
            if (poll(&writable, 1, 100) != 1) continue;
            const ssize_t n = ::send(fd, lines.data(), lines.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && errno != EAGAIN) break;
            if (n > 0) sent += n, lines.erase(0, static_cast<std::size_t>(n));
        }
        done = true;
    }
    int fd = -1;
    bool connected = false;
    std::atomic<long> sent{0};
    std::atomic<bool> done{false};
    std::thread thread;
};
