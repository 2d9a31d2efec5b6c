// Opens a TCP connection on a thread of its own. A host that drops packets can keep a connect
// waiting for minutes; done on the main thread, or under the network layer's locks, that would
// freeze the window and the network thread. The outcome arrives as an EXCH_CONNECTED event.
#pragma once

#include <SDL.h>

#include <memory>
#include <string>

class AsyncConnect {
  public:
    // kNotAHost: the name is, or resolves to, 0.0.0.0 or 255.255.255.255.
    enum Outcome { kPending, kConnected, kUnknownHost, kNotAHost, kRefused, kNoAnswer, kFailed };

    AsyncConnect(const std::string& host, int port);
    // An attempt still running is abandoned at once: a connect still waiting is interrupted and
    // its socket closed, a connection that came is closed.
    ~AsyncConnect();
    AsyncConnect(const AsyncConnect&) = delete;
    AsyncConnect& operator=(const AsyncConnect&) = delete;

    // Whether an event reports the end of this attempt.
    bool Ends(const SDL_Event& event) const;
    // After that event: the outcome, and with kConnected the connection as a network layer
    // socket handle, now the caller's (-1 if the layer could not take it).
    Outcome outcome() const;
    int TakeSocket();
    // At the program's end: every attempt still running is abandoned, and its thread waited for.
    static void EndAll();

    struct Attempt;

  private:
    std::shared_ptr<Attempt> attempt;
};
