// The server of many tables: one process on one TCP port, where players from anywhere meet in a
// lobby, make and join tables, and watch them. One thread runs everything.
#include <sys/resource.h>

#include <asio.hpp>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

#include "base/command_line.h"
#include "server/lobby.h"

namespace {

// Thousands of connections need as many descriptors as the system lets this process have.
void raise_open_files() {
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur >= files.rlim_max) return;
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
}

void log_line(const std::string& fields) {
    std::fprintf(stderr, "velmora-server: %s\n", fields.c_str());
}

class Service {
  public:
    Service(asio::io_context& io_t, const ServerLimits& limits)
        : io(io_t),
          acceptor(io),
          signals(io, SIGINT, SIGTERM),
          ticker(io),
          lobby(limits, log_line) {}

    // Both IPv6 and IPv4 where the machine has IPv6, else IPv4 alone.
    void Listen(int port) {
        const auto on = [&](const asio::ip::tcp& family, const asio::ip::address& any) {
            asio::error_code e;
            acceptor.close(e);
            acceptor.open(family, e);
            if (e) return false;
            acceptor.set_option(asio::ip::tcp::acceptor::reuse_address(true), e);
            if (family == asio::ip::tcp::v6()) acceptor.set_option(asio::ip::v6_only(false), e);
            acceptor.bind({any, static_cast<unsigned short>(port)}, e);
            if (!e) acceptor.listen(asio::socket_base::max_listen_connections, e);
            return !e;
        };
        if (!on(asio::ip::tcp::v6(), asio::ip::address_v6::any()) &&
            !on(asio::ip::tcp::v4(), asio::ip::address_v4::any()))
            throw std::runtime_error("can't listen on port " + std::to_string(port));
    }

    void Run() {
        Accept();
        Tick();
        signals.async_wait([this](const asio::error_code&, int) { Stop(); });
        io.run();
    }

  private:
    void Accept() {
        acceptor.async_accept([this](const asio::error_code& e, asio::ip::tcp::socket s) {
            if (stopping) return;
            if (!e) {
                asio::error_code ignored;
                auto address = s.remote_endpoint(ignored).address();
                if (address.is_v6() && address.to_v6().is_v4_mapped())
                    address = asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6());
                lobby.Accept(std::move(s), address.to_string());
            }
            Accept();
        });
    }

    void Tick() {
        ticker.expires_after(std::chrono::seconds(1));
        ticker.async_wait([this](const asio::error_code& e) {
            if (e || stopping) return;
            lobby.Tick(Lobby::Clock::now());
            Tick();
        });
    }

    // Every client is told, what waits for them goes out for a moment, and the loop ends.
    void Stop() {
        stopping = true;
        log_line("event=stopping connections=" + std::to_string(lobby.connections()) +
                 " tables=" + std::to_string(lobby.table_count()));
        asio::error_code ignored;
        acceptor.close(ignored);
        ticker.cancel();
        lobby.Stop();
        ticker.expires_after(std::chrono::milliseconds(1500));
        ticker.async_wait([this](const asio::error_code&) { io.stop(); });
    }

    asio::io_context& io;
    asio::ip::tcp::acceptor acceptor;
    asio::signal_set signals;
    asio::steady_timer ticker;
    Lobby lobby;
    bool stopping = false;
};

}  // namespace

int main(int argc, char** argv) {
    const CommandLine line(
        argc, argv,
        "usage: velmora-server [--port N] [--quick-seats S] [--max-connections C]\n"
        "                      [--max-tables T] [--max-per-address A]\n"
        "Serves many tables of Velmora on TCP port N (1234). A client of the game's\n"
        "own lines takes a seat at the first table waiting for players, or at a new\n"
        "table of S seats (2); a client that speaks the lobby lists, makes, joins\n"
        "and watches tables. At most C connections (4096), T tables (1000) and A\n"
        "connections from one address (8). Logs one line per event on standard\n"
        "error; SIGTERM tells every client the host leaves and ends within 2 s.\n",
        {"--port", "--quick-seats", "--max-connections", "--max-tables", "--max-per-address"});
    ServerLimits limits;
    const int port = static_cast<int>(line.Number("--port", 1234, 1, 65535));
    limits.quick_seats = static_cast<int>(line.Number("--quick-seats", 2, 2, 5));
    limits.max_connections = static_cast<int>(line.Number("--max-connections", 4096, 1, 1000000));
    limits.max_tables = static_cast<int>(line.Number("--max-tables", 1000, 1, 1000000));
    limits.max_per_address = static_cast<int>(line.Number("--max-per-address", 8, 1, 1000000));
    try {
        raise_open_files();
        asio::io_context io(1);
        Service service(io, limits);
        service.Listen(port);
        log_line("event=listening port=" + std::to_string(port));
        service.Run();
        log_line("event=stopped");
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velmora-server: error: %s\n", e.what());
        return 1;
    }
}
