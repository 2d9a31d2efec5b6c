// The server's lobby and its tables fed arbitrary bytes by four clients at once, each a real
// socket (one end of a socket pair) read and written by the server's own connection code: first
// lines, lobby lines, table lines, rejoins, floods and partial lines, in any order and any mix.
// The server never holds more tables than it may, and once every client has gone, so has every
// connection.
#include "server/lobby.h"

#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstdint>

#include "fuzz/fuzz_support.h"

namespace {

constexpr int kClients = 4;

struct Served {
    Served() : lobby(Limits(), [](const std::string&) {}) {
        for (int i = 0; i < kClients; ++i) {
            int pair[2];
            if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, pair) != 0)
                broken("no sockets");
            asio::ip::tcp::socket s(io);
            s.assign(asio::ip::tcp::v4(), pair[0]);
            lobby.Accept(std::move(s), "10.0.0." + std::to_string(i % 2));
            peers[i] = pair[1];
        }
    }
    ~Served() {
        for (int fd : peers)
            if (fd >= 0) close(fd);
    }
    static ServerLimits Limits() {
        ServerLimits limits;
        limits.max_tables = 3;
        limits.max_per_address = 3;
        limits.quick_seats = 2;
        return limits;
    }
    // What the server sent a client is read and dropped, so that nothing waits on it.
    void Drain() {
        char buf[4096];
        for (int fd : peers)
            while (fd >= 0 && read(fd, buf, sizeof buf) > 0) {
            }
    }
    void Check() {
        if (lobby.table_count() > static_cast<std::size_t>(Limits().max_tables))
            broken("more tables than the server may hold");
    }

    asio::io_context io;
    Lobby lobby;
    std::array<int, kClients> peers{};
};

}  // namespace

// Chunks of [client byte][length byte][bytes]: a client whose byte's high bit is set leaves.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Served served;
    for (size_t at = 0; at + 2 <= size;) {
        const int client = data[at] % kClients;
        const bool leaves = data[at] & 0x80;
        const size_t length = std::min<size_t>(data[at + 1], size - at - 2);
        int& fd = served.peers[client];
        if (leaves && fd >= 0) {
            close(fd);
            fd = -1;
        } else if (fd >= 0 && length > 0) {
            (void)!send(fd, data + at + 2, length, MSG_NOSIGNAL);
        }
        at += 2 + length;
        served.io.poll();
        served.Drain();
        served.Check();
    }
    for (int& fd : served.peers)
        if (fd >= 0) close(fd), fd = -1;
    for (int i = 0; i < 100 && served.lobby.connections() > 0; ++i) served.io.poll();
    if (served.lobby.connections() != 0) broken("a connection outlived its client");
    return 0;
}
