// A peer of the server on a plain socket: lines out, and lines in with every wait bounded.
#pragma once

#include <fcntl.h>
#include <poll.h>

#include <chrono>
#include <optional>
#include <string>

#include "exchange/tokens.h"
#include "loopback.h"

struct LinePeer {
    explicit LinePeer(int port) : fd(connect_to_loopback(port)) {
        if (fd >= 0) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    ~LinePeer() {
        if (fd >= 0) close(fd);
    }
    LinePeer(const LinePeer&) = delete;
    LinePeer& operator=(const LinePeer&) = delete;

    void Send(const std::string& line) {
        const std::string out = line + "\n";
        if (fd >= 0) (void)::send(fd, out.data(), out.size(), MSG_NOSIGNAL);
    }
    // Whatever has come, without waiting; false once the server closed.
    bool Read() {
        char buf[65536];
        for (ssize_t n; fd >= 0 && !closed;) {
            n = ::read(fd, buf, sizeof buf);
            if (n > 0)
                pending.append(buf, static_cast<std::size_t>(n));
            else
                closed = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
            if (n <= 0) break;
        }
        return !closed;
    }
    // The next whole line, if one has come.
    std::optional<std::string> Take() {
        const auto nl = pending.find('\n');
        if (nl == std::string::npos) return std::nullopt;
        std::string line = pending.substr(0, nl);
        pending.erase(0, nl + 1);
        return line;
    }
    // The next line, waiting at most `ms`.
    std::optional<std::string> Next(int ms = 5000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            if (auto line = Take()) return line;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0 || closed) return std::nullopt;
            pollfd p{fd, POLLIN, 0};
            poll(&p, 1, static_cast<int>(left.count()));
            Read();
        }
    }
    // Lines until one of `code`, at most `ms` in all.
    std::optional<Tokens> Await(int code, int ms = 5000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            const auto line =
                Next(static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          end - std::chrono::steady_clock::now())
                                          .count()));
            if (!line) return std::nullopt;
            if (Tokens t(*line); t.token(0) == code) return t;
        }
        return std::nullopt;
    }
    // Whether the server closed the connection within `ms`.
    bool ClosedWithin(int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!closed && std::chrono::steady_clock::now() < end) {
            pollfd p{fd, POLLIN, 0};
            poll(&p, 1, 50);
            Read();
            pending.clear();
        }
        return closed;
    }

    int fd;
    std::string pending;
    bool closed = false;
};
