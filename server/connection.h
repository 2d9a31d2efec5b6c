// One client's TCP connection to the server: its lines in, within a budget of lines and a longest
// line, and its lines out, queued and written without ever waiting on the peer. Everything runs on
// the server's one thread, which alone reads, writes and closes the socket.
#pragma once

#include <asio/any_io_executor.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "exchange/line_budget.h"

class Connection;

// Who hears a connection's lines and its end.
class ConnectionOwner {
  public:
    virtual void LineFrom(Connection& c, const std::string& line) = 0;
    // The connection ended, by either side or by a limit; it sends and hears nothing more.
    virtual void Ended(Connection& c) = 0;

  protected:
    ~ConnectionOwner() = default;
};

class Connection : public std::enable_shared_from_this<Connection> {
  public:
    // A line longer than this is no line of the game's: the peer is cut off.
    static constexpr std::size_t kLongestLine = 4096;
    // What may wait for a peer that does not read, and how long nothing of it may move.
    static constexpr std::size_t kMostQueued = 256 * 1024;
    static constexpr std::chrono::seconds kStall{10};

    Connection(asio::ip::tcp::socket socket_t, std::string address_t, ConnectionOwner& owner_t);
    void Start();
    // Queues `line` and a line feed; a peer past kMostQueued is closed.
    void Send(const std::string& line);
    // Ends the connection now; the owner hears of it once, later on the loop.
    void Close();
    // Ends it once what is queued has gone (or kStall has passed): a refusal's last line.
    void CloseAfterSending();
    bool open() const { return is_open; }
    const std::string& address() const { return from; }
    asio::any_io_executor executor() { return socket.get_executor(); }

  private:
    void Read();
    void Take(std::size_t n);
    void Write();
    void Stalled();

    asio::ip::tcp::socket socket;
    asio::steady_timer stall;
    std::string from;
    ConnectionOwner& owner;
    LineBudget budget;
    char chunk[4096];
    std::string pending;
    std::deque<std::string> queue;
    std::size_t queued = 0;
    std::string writing;
    bool is_open = true;
    bool closing = false;
};
