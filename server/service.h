// The server's one loop: the listening socket, the tick each second, and the stop on SIGTERM or
// when asked, around the lobby.
#pragma once

#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/signal_set.hpp>
#include <asio/steady_timer.hpp>

#include "server/lobby.h"

class Service {
  public:
    // `store`: where names, games and ratings are kept; null keeps none.
    Service(asio::io_context& io_t, const ServerLimits& limits, Lobby::Log log,
            GameStore* store = nullptr);
    // Listens on `port` (0: any free port), IPv6 and IPv4 where the machine has IPv6; throws
    // when it cannot.
    void Listen(int port);
    int port() const { return acceptor.local_endpoint().port(); }
    // Runs the loop until the service has stopped; with `signals`, SIGINT and SIGTERM stop it.
    void Run(bool signals);
    // Every client is told, what waits for them goes out for a moment, and the loop ends.
    void Stop();
    const Lobby& lobby() const { return hall; }

  private:
    void Accept();
    void Tick();
    void Drain(Lobby::Clock::time_point deadline);

    asio::io_context& io;
    asio::ip::tcp::acceptor acceptor;
    asio::signal_set signals;
    asio::steady_timer ticker;
    Lobby hall;
    Lobby::Log log;
    bool stopping = false;
};
