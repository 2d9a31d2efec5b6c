#include "net/async_connect.h"

#include <SDL_net.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <thread>

#include "net/event_codes.h"
#include "net/fastevents.h"
#include "net/net2.h"

struct AsyncConnect::Attempt {
    std::mutex lock;
    int number = 0;
    bool abandoned = false;
    Outcome outcome = kPending;
    TCPsocket socket = nullptr;
};

namespace {

AsyncConnect::Outcome connect_to(const std::string& host, int port, TCPsocket& socket) {
    IPaddress ip;
    if (host.empty() || NET2_ResolveHost(&ip, host.c_str(), port) != 0)
        return AsyncConnect::kUnknownHost;
    if (!NET2_IsHostAddress(ip)) return AsyncConnect::kNotAHost;
    errno = 0;
    socket = SDLNet_TCP_Open(&ip);
    if (socket) return AsyncConnect::kConnected;
    if (errno == ECONNREFUSED) return AsyncConnect::kRefused;
    if (errno == ETIMEDOUT || errno == EHOSTUNREACH || errno == ENETUNREACH)
        return AsyncConnect::kNoAnswer;
    return AsyncConnect::kFailed;
}

// Hands the outcome over, unless the attempt was abandoned meanwhile. The push must not wait
// for room while holding the lock: the main thread may be waiting for the lock to abandon.
void report(AsyncConnect::Attempt& a, AsyncConnect::Outcome outcome, TCPsocket socket) {
    SDL_Event event{};
    event.type = SDL_USEREVENT;
    event.user.code = EXCH_CONNECTED;
    event.user.data1 = EventData(a.number);
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(a.lock);
            if (a.abandoned) {
                if (socket) SDLNet_TCP_Close(socket);
                return;
            }
            if (FE_TryPushEvent(&event)) {
                a.outcome = outcome;
                a.socket = socket;
                return;
            }
        }
        SDL_Delay(1);
    }
}

int next_number = 0;

}  // namespace

AsyncConnect::AsyncConnect(const std::string& host, int port)
    : attempt(std::make_shared<Attempt>()) {
    attempt->number = ++next_number;
    std::thread([a = attempt, host, port] {
        TCPsocket socket = nullptr;
        const Outcome outcome = connect_to(host, port, socket);
        report(*a, outcome, socket);
    }).detach();
}

AsyncConnect::~AsyncConnect() {
    std::lock_guard<std::mutex> hold(attempt->lock);
    attempt->abandoned = true;
    if (attempt->socket) SDLNet_TCP_Close(attempt->socket);
    attempt->socket = nullptr;
}

bool AsyncConnect::Ends(const SDL_Event& event) const {
    return event.type == SDL_USEREVENT && event.user.code == EXCH_CONNECTED &&
           EventNumber(event.user.data1) == attempt->number;
}

AsyncConnect::Outcome AsyncConnect::outcome() const {
    std::lock_guard<std::mutex> hold(attempt->lock);
    return attempt->outcome;
}

int AsyncConnect::TakeSocket() {
    TCPsocket socket;
    {
        std::lock_guard<std::mutex> hold(attempt->lock);
        socket = attempt->socket;
        attempt->socket = nullptr;
    }
    return socket ? NET2_TCPAdopt(socket) : -1;
}
