#include "net/async_connect.h"

#include <SDL_net.h>
#include <SDL_thread.h>
#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "net/event_codes.h"
#include "net/fastevents.h"
#include "net/net2.h"

struct AsyncConnect::Attempt {
    std::mutex lock;
    int number = 0;
    bool abandoned = false;
    Outcome outcome = kPending;
    TCPsocket socket = nullptr;
    std::string host;
    int port = 0;
    // While the thread waits in its connect, a signal to it ends the wait (EINTR), and SDL_net
    // then closes the half-open socket: nothing of the attempt is left.
    bool connecting = false;
    pthread_t thread{};
    bool finished = false;
    SDL_Thread* sdl_thread = nullptr;
};

namespace {

// The signal that interrupts a connect: its handler does nothing, and it restarts no call.
constexpr int kInterrupt = SIGUSR2;

void install_interrupt() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        sigaction(kInterrupt, &action, nullptr);
    });
}

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

// The attempts whose threads have not been waited for yet. SDL creates the threads, so that the
// error text SDL_net writes on failure is each thread's own, never another thread's.
std::vector<std::shared_ptr<AsyncConnect::Attempt>> running;

// Also signals again an abandoned attempt still in its connect: the first signal may have come
// just before the connect began.
void reap_finished() {
    auto finished = [](const std::shared_ptr<AsyncConnect::Attempt>& a) {
        std::lock_guard<std::mutex> hold(a->lock);
        if (a->abandoned && a->connecting) pthread_kill(a->thread, kInterrupt);
        return a->finished;
    };
    for (auto& a : running)
        if (finished(a)) SDL_WaitThread(a->sdl_thread, nullptr);
    running.erase(std::remove_if(running.begin(), running.end(), finished), running.end());
}

int run_attempt(void* data) {
    AsyncConnect::Attempt& a = *static_cast<AsyncConnect::Attempt*>(data);
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, kInterrupt);
    pthread_sigmask(SIG_UNBLOCK, &interrupt, nullptr);
    TCPsocket socket = nullptr;
    AsyncConnect::Outcome outcome = AsyncConnect::kFailed;
    bool go;
    {
        std::lock_guard<std::mutex> hold(a.lock);
        go = !a.abandoned;
        a.thread = pthread_self();
        a.connecting = go;
    }
    if (go) outcome = connect_to(a.host, a.port, socket);
    {
        std::lock_guard<std::mutex> hold(a.lock);
        a.connecting = false;
    }
    report(a, outcome, socket);
    std::lock_guard<std::mutex> hold(a.lock);
    a.finished = true;
    return 0;
}

}  // namespace

AsyncConnect::AsyncConnect(const std::string& host, int port)
    : attempt(std::make_shared<Attempt>()) {
    install_interrupt();
    reap_finished();
    attempt->number = ++next_number;
    attempt->host = host;
    attempt->port = port;
    attempt->sdl_thread = SDL_CreateThread(run_attempt, attempt.get());
    if (attempt->sdl_thread)
        running.push_back(attempt);
    else
        report(*attempt, kFailed, nullptr);
}

AsyncConnect::~AsyncConnect() {
    std::lock_guard<std::mutex> hold(attempt->lock);
    attempt->abandoned = true;
    if (attempt->socket) SDLNet_TCP_Close(attempt->socket);
    attempt->socket = nullptr;
    if (attempt->connecting) pthread_kill(attempt->thread, kInterrupt);
}

bool AsyncConnect::Ends(const SDL_Event& event) const {
    return event.type == SDL_USEREVENT && event.user.code == EXCH_CONNECTED &&
           EventNumber(event.user.data1) == attempt->number;
}

AsyncConnect::Outcome AsyncConnect::outcome() const {
    std::lock_guard<std::mutex> hold(attempt->lock);
    return attempt->outcome;
}

// A thread about to enter its connect when signalled would miss the signal: it is signalled
// until it ends.
void AsyncConnect::EndAll() {
    for (auto& a : running) {
        for (bool finished = false; !finished; SDL_Delay(finished ? 0 : 5)) {
            std::lock_guard<std::mutex> hold(a->lock);
            a->abandoned = true;
            if (a->connecting) pthread_kill(a->thread, kInterrupt);
            finished = a->finished;
        }
        SDL_WaitThread(a->sdl_thread, nullptr);
    }
    running.clear();
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
