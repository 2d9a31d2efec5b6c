#include "server/connection.h"

#include <asio/post.hpp>
#include <asio/write.hpp>
#include <utility>

Connection::Connection(asio::ip::tcp::socket socket_t, std::string address_t,
                       ConnectionOwner& owner_t)
    : socket(std::move(socket_t)),
      stall(socket.get_executor()),
      from(std::move(address_t)),
      owner(owner_t),
      budget(LineBudget::Clock::now()) {}

void Connection::Start() {
    asio::error_code ignored;
    socket.set_option(asio::ip::tcp::no_delay(true), ignored);
    Read();
}

void Connection::Read() {
    socket.async_read_some(asio::buffer(chunk),
                           [self = shared_from_this()](const asio::error_code& e, std::size_t n) {
                               if (!self->is_open) return;
                               if (e) {
                                   self->Close();
                                   return;
                               }
                               self->Take(n);
                               if (self->is_open) self->Read();
                           });
}

// Each whole line goes to the owner as it comes; a peer past its budget or its longest line is
// cut off like a dropped connection.
void Connection::Take(std::size_t n) {
    pending.append(chunk, n);
    std::size_t start = 0;
    for (std::size_t end; is_open && (end = pending.find('\n', start)) != std::string::npos;
         start = end + 1) {
        std::string line = pending.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (closing) continue;
        if (!budget.Spend(LineBudget::Clock::now())) {
            Close();
            return;
        }
        owner.LineFrom(*this, line);
    }
    pending.erase(0, start);
    if (pending.size() > kLongestLine) Close();
}

void Connection::Send(const std::string& line) {
    if (!is_open || closing) return;
    budget.Earn();
    queued += line.size() + 1;
    if (queued > kMostQueued) {
        Close();
        return;
    }
    queue.push_back(line + '\n');
    if (writing.empty()) Write();
}

// Everything queued goes in one write; the stall timer runs while anything waits.
void Connection::Write() {
    writing.clear();
    while (!queue.empty()) {
        writing += queue.front();
        queue.pop_front();
    }
    if (writing.empty()) {
        stall.cancel();
        if (closing) Close();
        return;
    }
    stall.expires_after(kStall);
    stall.async_wait([self = shared_from_this()](const asio::error_code& e) {
        if (!e) self->Stalled();
    });
    asio::async_write(socket, asio::buffer(writing),
                      [self = shared_from_this()](const asio::error_code& e, std::size_t n) {
                          if (!self->is_open) return;
                          if (e) {
                              self->Close();
                              return;
                          }
                          self->queued -= n;
                          self->writing.clear();
                          self->Write();
                      });
}

void Connection::Stalled() {
    if (is_open && !writing.empty()) Close();
}

void Connection::CloseAfterSending() {
    if (!is_open) return;
    closing = true;
    if (writing.empty()) Close();
}

void Connection::Close() {
    if (!is_open) return;
    is_open = false;
    asio::error_code ignored;
    socket.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    socket.close(ignored);
    stall.cancel();
    // The owner hears of it after the handler that closed it is done.
    asio::post(socket.get_executor(), [self = shared_from_this()] { self->owner.Ended(*self); });
}
