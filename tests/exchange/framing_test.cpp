// The exchange's server mode in one process: line framing and joins, against a plain socket.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "exchange/exchange.h"
#include "tests/support/loopback.h"

namespace {

int connect_to(int port) {
    int fd = connect_to_loopback(port);
    EXPECT_GE(fd, 0);
    return fd;
}

void send_text(int fd, const std::string& s) {
    ASSERT_EQ(send(fd, s.data(), s.size(), MSG_NOSIGNAL), static_cast<ssize_t>(s.size()));
}

struct Served : ::testing::Test {
    void SetUp() override {
        port = free_port();
        ASSERT_TRUE(exch.EnterServerMode(port, 2));
    }
    void TearDown() override {
        exch.ServerDisable();
        drain(200);
    }
    // The player messages that arrive within timeout_ms, until `count` of them came.
    std::vector<std::pair<int, std::string>> drain(int timeout_ms, std::size_t count = 1000) {
        std::vector<std::pair<int, std::string>> got;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
            if (!exch.PollEvent()) {
                SDL_Delay(1);
                continue;
            }
            if (exch.IsPlayerMessage())
                got.emplace_back(exch.GetPlayerNum(), exch.GetPlayerMessage());
        }
        return got;
    }
    Exchange exch;
    int port = 0;
};

using Messages = std::vector<std::pair<int, std::string>>;

}  // namespace

TEST_F(Served, SplitsLinesAtLineFeeds) {
    int fd = connect_to(port);
    EXPECT_EQ(drain(2000, 1), (Messages{{0, "0"}}));
    EXPECT_EQ(exch.GetPlayerWaitCount(), 1);
    EXPECT_TRUE(exch.IsPlayerRemote(0));

    send_text(fd, "21");
    EXPECT_TRUE(drain(100).empty());  // no line feed yet
    send_text(fd, "0 1\n");
    EXPECT_EQ(drain(2000, 1), (Messages{{0, "1 210 1"}}));
    send_text(fd, "201\n311\n");
    EXPECT_EQ(drain(2000, 2), (Messages{{0, "1 201"}, {0, "1 311"}}));
    send_text(fd, "\n201\r\n");
    EXPECT_EQ(drain(2000, 2), (Messages{{0, "1 "}, {0, "1 201\r"}}));

    close(fd);
    EXPECT_EQ(drain(2000, 1), (Messages{{0, "3"}}));
    EXPECT_FALSE(exch.IsPlayerRemote(0));
    EXPECT_FALSE(exch.IsAnyoneConnected());
}

TEST_F(Served, TurnsAwayPlayersPastTheLastAndEndlessLines) {
    int a = connect_to(port), b = connect_to(port);
    EXPECT_EQ(drain(2000, 2), (Messages{{0, "0"}, {1, "0"}}));
    int c = connect_to(port);
    EXPECT_TRUE(drain(300).empty());  // no join pushed for it
    timeval limit{2, 0};
    for (int fd : {b, c}) setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    char byte;
    EXPECT_EQ(recv(c, &byte, 1, 0), 0);  // closed at once

    // A line that never ends closes the connection; its bytes never become a line.
    send_text(a, std::string(70 * 1024, '5'));
    EXPECT_EQ(drain(3000, 1), (Messages{{0, "3"}}));
    EXPECT_TRUE(exch.IsAnyoneConnected());
    EXPECT_TRUE(exch.ServerSend(1, "102 0"));
    EXPECT_FALSE(exch.ServerSend(0, "102 0"));
    char buf[16] = {};
    EXPECT_EQ(recv(b, buf, sizeof buf, 0), 6);
    EXPECT_STREQ(buf, "102 0\n");
    for (int fd : {a, b, c}) close(fd);
}

// A peer's last lines arrive before its departure; lines still queued of a peer the referee
// killed never act.
TEST_F(Served, LastLinesOfAClosingPeerArriveButAKilledPeersDoNot) {
    int a = connect_to(port), b = connect_to(port);
    EXPECT_EQ(drain(2000, 2), (Messages{{0, "0"}, {1, "0"}}));
    send_text(a, "201\n210 910 6 0 1 3 4\n");
    close(a);
    EXPECT_EQ(drain(2000, 3), (Messages{{0, "1 201"}, {0, "1 210 910 6 0 1 3 4"}, {0, "3"}}));

    send_text(b, "201\n311\n");
    EXPECT_EQ(drain(2000, 1), (Messages{{1, "1 201"}}));
    exch.ServerKill(1);
    EXPECT_EQ(drain(300), (Messages{{1, "3"}}));
    close(b);
}

// A close event still queued for a socket the exchange closed itself names a handle the layer may
// already have given to another socket; acting on it would close that one.
TEST_F(Served, LateCloseEventsCloseNothingTheyDoNotName) {
    for (intptr_t handle = 0; handle < 64; ++handle)
        Exchange::PushLocalMessage(NET2_TCPCLOSEEVENT, reinterpret_cast<void*>(handle),
                                   reinterpret_cast<void*>(intptr_t{-1}));
    EXPECT_TRUE(drain(100).empty());
    int fd = connect_to(port);
    EXPECT_EQ(drain(2000, 1), (Messages{{0, "0"}}));  // the listener still accepts
    close(fd);
    EXPECT_EQ(drain(2000, 1), (Messages{{0, "3"}}));
}

TEST(ServerMode, AFailedStartLeavesTheExchangeIdle) {
    const int port = free_port();
    Exchange first, second;
    ASSERT_TRUE(first.EnterServerMode(port, 2));
    EXPECT_FALSE(second.EnterServerMode(port, 3));
    EXPECT_FALSE(second.ServerDisable());
    EXPECT_TRUE(second.EnterLocalMode(2));
    EXPECT_TRUE(first.ServerDisable());
    EXPECT_FALSE(first.ServerDisable());
    while (first.PollEvent()) {
    }
}
