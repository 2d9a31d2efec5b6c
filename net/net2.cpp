#include "net/net2.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "net/fastevents.h"

namespace {

enum SocketType : Uint8 {
    unusedSocket = 0,
    TCPServerSocket = 1,
    TCPClientSocket = 2,
    UDPServerSocket = 3,
};

enum SocketState : Uint8 {
    unusedState = 1,
    readyState = 2,
    dyingState = 4,
    delState = 16,
};

constexpr int kMaxSockets = 1024;
constexpr int kTCPBufferSize = 1024;
constexpr int kUDPQueueSize = 256;
// The network thread's wait on its sockets: woken through its pipe whenever another thread gives
// it work, it looks once a second all the same, for output that stopped moving.
constexpr int kRestMs = 1000;

struct CharQue {
    int len;
    Uint8 buf[kTCPBufferSize];
};

struct PacketQue {
    int length;
    int head;
    int tail;
    UDPpacket* buf[kUDPQueueSize];
};

struct NET2_Socket {
    Uint8 type;
    Uint8 state;
    union {
        int tcpPort;
        int udpLen;
    } p;
    union {
        TCPsocket tcpSocket;
        UDPsocket udpSocket;
        SDLNet_GenericSocket genSocket;
    } s;
    union {
        CharQue tb;
        PacketQue ub;
    } q;
    // The system's descriptor of the socket, which the network thread polls.
    int fd;
    // Bytes of a stream not yet taken by the system, from `outSent` on, and when they last moved.
    std::string out;
    std::size_t outSent;
    Uint32 outMoved;
    // A failure found on a caller's thread: the network thread tells of the close, since the
    // caller may be the one thread that makes room in the event queue.
    bool closeOwed;
};

NET2_Socket* socketHeap[kMaxSockets];
int lastHeapSocket = 0;
int freeHeapSocket = 0;
int initialized = 0;
UDPsocket udpSendSocket = nullptr;
// A byte in this pipe wakes the network thread's poll: a path no other host can reach.
int wakePipe[2] = {-1, -1};
// Written by both threads, read by either: atomic.
std::atomic<const char*> error{nullptr};
SDL_mutex* dataLock = nullptr;
int dataLocked = 0;
SDL_mutex* sdlNetLock = nullptr;
SDL_Thread* processSockets = nullptr;
std::atomic<int> doneYet{0};
std::atomic<int> threadEnded{0};

void setError(const char* err, int) {
    error = err;
}

void lockData() {
    if (SDL_LockMutex(dataLock) == -1) setError("NET2: can't lock Data mutex", -1);
    dataLocked = 1;
}

void unlockData() {
    dataLocked = 0;
    if (SDL_UnlockMutex(dataLock) == -1) setError("NET2: can't unlock Data mutex", -1);
}

void lockSDLNet() {
    if (SDL_LockMutex(sdlNetLock) == -1) setError("NET2: can't lock SDLNet mutex", -1);
}

void unlockSDLNet() {
    if (SDL_UnlockMutex(sdlNetLock) == -1) setError("NET2: can't unlock SDLNet mutex", -1);
}

// Pushes an event with the data lock held; the lock is let go during the push, so that nobody
// holds it while waiting for room in the event queue.
void sendEvent(int code, intptr_t data1, intptr_t data2) {
    if (!dataLocked) std::exit(1);
    SDL_Event event;
    std::memset(&event, 0, sizeof event);
    event.type = SDL_USEREVENT;
    event.user.code = code;
    event.user.data1 = reinterpret_cast<void*>(data1);
    event.user.data2 = reinterpret_cast<void*>(data2);
    unlockData();
    FE_PushEvent(&event);
    lockData();
}

void sendError(const char* err, int socket) {
    setError(err, socket);
    sendEvent(NET2_ERROREVENT, socket, reinterpret_cast<intptr_t>(err));
}

// Tells the network thread that its sockets changed, that room came in a full buffer, or that
// it is to end. A full pipe already holds a wake.
void wakeThread() {
    const char byte = 0;
    if (wakePipe[1] != -1 && write(wakePipe[1], &byte, 1) < 0) return;
}

void drainWakes() {
    char bytes[64];
    while (read(wakePipe[0], bytes, sizeof bytes) > 0) continue;
}

// The SDL_net calls, each under the SDL_net lock.
template <typename F>
auto withSDLNet(F call) {
    lockSDLNet();
    auto result = call();
    unlockSDLNet();
    return result;
}

TCPsocket snTCPOpen(IPaddress* ip) {
    return withSDLNet([&] { return SDLNet_TCP_Open(ip); });
}
void snTCPClose(TCPsocket s) {
    withSDLNet([&] {
        SDLNet_TCP_Close(s);
        return 0;
    });
}
TCPsocket snTCPAccept(TCPsocket s) {
    return withSDLNet([&] { return SDLNet_TCP_Accept(s); });
}
IPaddress* snTCPGetPeerAddress(TCPsocket s) {
    return withSDLNet([&] { return SDLNet_TCP_GetPeerAddress(s); });
}
UDPsocket snUDPOpen(int port) {
    return withSDLNet([&] { return SDLNet_UDP_Open(static_cast<Uint16>(port)); });
}
void snUDPClose(UDPsocket s) {
    withSDLNet([&] {
        SDLNet_UDP_Close(s);
        return 0;
    });
}
int snUDPRecv(UDPsocket s, UDPpacket* p) {
    return withSDLNet([&] { return SDLNet_UDP_Recv(s, p); });
}
int snUDPSend(UDPsocket s, UDPpacket* p) {
    return withSDLNet([&] { return SDLNet_UDP_Send(s, -1, p); });
}
UDPpacket* snAllocPacket(int size) {
    return withSDLNet([&] { return SDLNet_AllocPacket(size); });
}
void snFreePacket(UDPpacket* p) {
    withSDLNet([&] {
        SDLNet_FreePacket(p);
        return 0;
    });
}

// SDL_net 1.2 keeps each socket's system descriptor right after its readiness flag, in TCP and
// UDP sockets alike, and offers no call for it. The layer needs it to wait on every socket and
// its wake pipe in one poll, and to send without blocking; NET2_Init checks the place once.
struct SDLNetSocketHead {
    int ready;
    int channel;
};

int descriptorOf(SDLNet_GenericSocket s) {
    return reinterpret_cast<const SDLNetSocketHead*>(s)->channel;
}

bool descriptorsFound(UDPsocket probe) {
    const IPaddress* own = SDLNet_UDP_GetPeerAddress(probe, -1);
    sockaddr_in bound{};
    socklen_t size = sizeof bound;
    const int fd = descriptorOf(reinterpret_cast<SDLNet_GenericSocket>(probe));
    return own && getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &size) == 0 &&
           bound.sin_family == AF_INET && bound.sin_port == own->port;
}

bool validHandle(int s) {
    return s >= 0 && s < lastHeapSocket;
}

void prepareRecord(NET2_Socket* r, Uint8 type) {
    if (type == TCPClientSocket) r->q.tb.len = 0;
    if (type == UDPServerSocket) r->q.ub.length = r->q.ub.head = r->q.ub.tail = 0;
    r->type = type;
    r->state = unusedState;
    r->s.genSocket = nullptr;
    r->fd = -1;
    r->out.clear();
    r->outSent = 0;
    r->outMoved = 0;
    r->closeOwed = false;
}

int AllocSocket(Uint8 type) {
    for (int tries = 0; tries < lastHeapSocket; ++tries) {
        NET2_Socket* r = socketHeap[freeHeapSocket];
        if (r->type == unusedSocket) {
            prepareRecord(r, type);
            return freeHeapSocket;
        }
        freeHeapSocket = (freeHeapSocket + 1) % lastHeapSocket;
    }
    if (lastHeapSocket == kMaxSockets) return -1;
    NET2_Socket* r = new (std::nothrow) NET2_Socket{};
    if (!r) return -1;
    prepareRecord(r, type);
    socketHeap[lastHeapSocket] = r;
    return lastHeapSocket++;
}

void FreeSocket(int s) {
    if (!validHandle(s) || socketHeap[s]->type == unusedSocket) return;
    NET2_Socket* r = socketHeap[s];
    if (r->type == UDPServerSocket) {
        PacketQue& q = r->q.ub;
        for (; q.length > 0; --q.length, q.head = (q.head + 1) % kUDPQueueSize)
            snFreePacket(q.buf[q.head]);
    }
    std::string().swap(r->out);
    r->type = unusedSocket;
    r->state = unusedState;
    r->s.genSocket = nullptr;
    r->fd = -1;
}

bool isTCP(Uint8 type) {
    return type == TCPServerSocket || type == TCPClientSocket;
}

void closeSystemSocket(NET2_Socket* r) {
    if (isTCP(r->type) && r->s.tcpSocket) snTCPClose(r->s.tcpSocket);
    if (r->type == UDPServerSocket && r->s.udpSocket) snUDPClose(r->s.udpSocket);
}

// A stream that failed: its owner hears of it by one close event, from the network thread.
void markDying(int i, NET2_Socket* r, const char* why) {
    setError(why, i);
    r->state = dyingState;
    r->closeOwed = true;
    wakeThread();
}

// Gives the system what it takes of a stream's output without waiting; false when the stream
// failed.
bool flushOut(int i, NET2_Socket* r) {
    while (r->outSent < r->out.size()) {
        const ssize_t n = send(r->fd, r->out.data() + r->outSent, r->out.size() - r->outSent,
                               MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (n <= 0) {
            markDying(i, r, "NET2: can't send TCP data, expect a close event");
            return false;
        }
        r->outSent += static_cast<std::size_t>(n);
        r->outMoved = SDL_GetTicks();
    }
    if (r->outSent == r->out.size()) {
        r->out.clear();
        r->outSent = 0;
    }
    return true;
}

// A peer that does not read must not cost memory or stall anyone: past the cap, or with nothing
// taken for kStallMs, its stream is closed as a drop.
constexpr std::size_t kOutputCap = 256 * 1024;
constexpr Uint32 kStallMs = 10000;

bool outputStalled(const NET2_Socket* r, Uint32 now) {
    return r->type == TCPClientSocket && r->state == readyState && !r->out.empty() &&
           now - r->outMoved > kStallMs;
}

// A socket opened: the network thread waits on it from its next pass on.
void startSocket(NET2_Socket* r) {
    r->fd = descriptorOf(r->s.genSocket);
    // A listener that a connection left before its accept must not hold the thread.
    if (r->type == TCPServerSocket) fcntl(r->fd, F_SETFL, fcntl(r->fd, F_GETFL) | O_NONBLOCK);
    r->state = readyState;
    wakeThread();
}

void deleteSocket(int i, NET2_Socket* r) {
    closeSystemSocket(r);
    FreeSocket(i);
}

void acceptOne(int i, NET2_Socket* r) {
    TCPsocket accepted = snTCPAccept(r->s.tcpSocket);
    if (!accepted) return;
    int h = AllocSocket(TCPClientSocket);
    if (h == -1) {
        snTCPClose(accepted);
        sendError("NET2: a TCP accept failed", i);
        return;
    }
    socketHeap[h]->s.tcpSocket = accepted;
    startSocket(socketHeap[h]);
    sendEvent(NET2_TCPACCEPTEVENT, h, r->p.tcpPort);
}

void receiveTCP(int i, NET2_Socket* r) {
    CharQue& q = r->q.tb;
    if (q.len >= kTCPBufferSize) return;
    const int before = q.len;
    const ssize_t n = recv(r->fd, q.buf + q.len, kTCPBufferSize - q.len, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    if (n <= 0) {
        r->state = dyingState;
        sendEvent(NET2_TCPCLOSEEVENT, i, -1);
    } else {
        q.len += static_cast<int>(n);
        if (before == 0) sendEvent(NET2_TCPRECEIVEEVENT, i, -1);
    }
}

void receiveUDP(int i, NET2_Socket* r) {
    PacketQue& q = r->q.ub;
    while (q.length < kUDPQueueSize) {
        UDPpacket* p = snAllocPacket(r->p.udpLen);
        if (!p) {
            sendError("NET2: out of memory", i);
            return;
        }
        if (snUDPRecv(r->s.udpSocket, p) != 1) {
            snFreePacket(p);
            return;
        }
        bool wasEmpty = q.length == 0;
        q.buf[q.tail] = p;
        q.tail = (q.tail + 1) % kUDPQueueSize;
        ++q.length;
        if (wasEmpty) sendEvent(NET2_UDPRECEIVEEVENT, i, -1);
    }
}

// What the thread waits for on socket i: nothing for a socket whose buffer is full (a read
// wakes the thread) or that is dying.
short wantedEvents(const NET2_Socket* r) {
    if (r->state != readyState) return 0;
    switch (r->type) {
        case TCPServerSocket:
            return POLLIN;
        case TCPClientSocket:
            return static_cast<short>((r->q.tb.len < kTCPBufferSize ? POLLIN : 0) |
                                      (r->out.empty() ? 0 : POLLOUT));
        case UDPServerSocket:
            return r->q.ub.length < kUDPQueueSize ? POLLIN : 0;
        default:
            return 0;
    }
}

// Takes the sockets added and closed since the last pass, tells of failures found elsewhere and
// of stalled output, and lists what to wait for.
void preparePoll(std::vector<pollfd>& fds, std::vector<int>& handles) {
    fds.assign(1, pollfd{wakePipe[0], POLLIN, 0});
    handles.assign(1, -1);
    const Uint32 now = SDL_GetTicks();
    // sendEvent lets the lock go, so the table may grow meanwhile: re-read its size.
    for (int i = 0; i < lastHeapSocket && !doneYet; ++i) {
        NET2_Socket* r = socketHeap[i];
        if (r->state == delState) {
            deleteSocket(i, r);
            continue;
        }
        if (outputStalled(r, now)) markDying(i, r, "NET2: the peer took nothing for too long");
        if (r->closeOwed) {
            r->closeOwed = false;
            sendEvent(NET2_TCPCLOSEEVENT, i, -1);
        }
        const short events = wantedEvents(r);
        if (events == 0) continue;
        fds.push_back(pollfd{r->fd, events, 0});
        handles.push_back(i);
    }
}

// Only a socket still ready is served: another thread may have closed it during the poll.
void serveSocket(int i, short revents) {
    NET2_Socket* r = socketHeap[i];
    if (r->state != readyState || revents == 0) return;
    if (r->type == TCPServerSocket) {
        acceptOne(i, r);
    } else if (r->type == UDPServerSocket) {
        receiveUDP(i, r);
    } else if (r->type == TCPClientSocket) {
        if ((revents & POLLOUT) && !flushOut(i, r)) return;
        if (revents & (POLLIN | POLLHUP | POLLERR)) receiveTCP(i, r);
    }
}

int PumpNetworkEvents(void*) {
    std::vector<pollfd> fds;
    std::vector<int> handles;
    while (!doneYet) {
        lockData();
        preparePoll(fds, handles);
        unlockData();
        if (poll(fds.data(), fds.size(), kRestMs) < 0 && errno != EINTR)
            setError("NET2: the poll on the sockets failed", -1);
        drainWakes();
        lockData();
        for (std::size_t k = 1; k < fds.size() && !doneYet; ++k)
            serveSocket(handles[k], fds[k].revents);
        unlockData();
    }
    threadEnded = 1;
    return 0;
}

int rawTCPAcceptOnIP(IPaddress* ip) {
    int h = AllocSocket(TCPServerSocket);
    if (h == -1) {
        setError("NET2: out of memory", -1);
        return -1;
    }
    NET2_Socket* r = socketHeap[h];
    r->s.tcpSocket = snTCPOpen(ip);
    if (!r->s.tcpSocket) {
        setError("NET2: can't open a socket", h);
        FreeSocket(h);
        return -1;
    }
    r->p.tcpPort = ip->port;
    startSocket(r);
    return h;
}

int rawTCPAdopt(TCPsocket s) {
    int h = AllocSocket(TCPClientSocket);
    if (h == -1) {
        setError("NET2: out of memory", -1);
        return -1;
    }
    NET2_Socket* r = socketHeap[h];
    r->s.tcpSocket = s;
    startSocket(r);
    return h;
}

int rawTCPConnectToIP(IPaddress* ip) {
    if (!NET2_IsHostAddress(*ip)) {
        setError("NET2: 0.0.0.0 and 255.255.255.255 are no host to connect to", -1);
        return -1;
    }
    TCPsocket s = snTCPOpen(ip);
    if (!s) {
        setError("NET2: can't open a socket", -1);
        return -1;
    }
    const int h = rawTCPAdopt(s);
    if (h == -1) snTCPClose(s);
    return h;
}

void discardEvents() {
    SDL_Event discarded;
    while (FE_PollEvent(&discarded) > 0) FreeEventData(discarded);
}

template <typename F>
auto locked(F call) {
    lockData();
    auto result = call();
    unlockData();
    return result;
}

}  // namespace

int NET2_Init() {
    if (initialized) return 0;
    error = nullptr;
    doneYet = 0;
    threadEnded = 0;
    // A peer that closes while we send must give a failed send, not kill the program.
    std::signal(SIGPIPE, SIG_IGN);
    dataLock = SDL_CreateMutex();
    sdlNetLock = SDL_CreateMutex();
    if (!dataLock || !sdlNetLock) {
        setError("NET2: can't create a mutex", -1);
        return -1;
    }
    lastHeapSocket = freeHeapSocket = 0;
    for (auto& r : socketHeap) r = nullptr;
    udpSendSocket = snUDPOpen(0);
    if (!udpSendSocket) {
        setError("NET2: can't open the UDP send socket", -1);
        return -1;
    }
    if (!descriptorsFound(udpSendSocket)) {
        setError("NET2: this SDL_net keeps its sockets in an unknown way", -1);
        return -1;
    }
    if (pipe2(wakePipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        setError("NET2: can't open the wake pipe", -1);
        return -1;
    }
    processSockets = SDL_CreateThread(PumpNetworkEvents, nullptr);
    if (!processSockets) {
        setError("NET2: can't start the network thread", -1);
        return -1;
    }
    initialized = 1;
    return 0;
}

void NET2_Quit() {
    if (!initialized) return;
    doneYet = 1;
    // A thread blocked on a full event queue needs room to finish its push; keep giving it room
    // until it has left its loop.
    do {
        discardEvents();
        wakeThread();
        SDL_Delay(1);
    } while (!threadEnded);
    SDL_WaitThread(processSockets, nullptr);
    processSockets = nullptr;
    // The push that was waiting may have landed after the last sweep: events of a layer that
    // is gone must not reach anybody.
    discardEvents();
    for (int i = 0; i < lastHeapSocket; ++i) {
        NET2_Socket* r = socketHeap[i];
        closeSystemSocket(r);
        FreeSocket(i);
        delete r;
        socketHeap[i] = nullptr;
    }
    lastHeapSocket = freeHeapSocket = 0;
    snUDPClose(udpSendSocket);
    udpSendSocket = nullptr;
    for (int& end : wakePipe) {
        close(end);
        end = -1;
    }
    SDL_DestroyMutex(dataLock);
    SDL_DestroyMutex(sdlNetLock);
    dataLock = sdlNetLock = nullptr;
    error = nullptr;
    initialized = 0;
}

const char* NET2_GetError() {
    return error;
}

// getaddrinfo rather than SDL_net's gethostbyname, which is not safe beside other threads: the
// one resolver of the program, for listening (no name), connecting and connecting in the
// background alike.
int NET2_ResolveHost(IPaddress* ip, const char* name, int port) {
    ip->port = htons(static_cast<uint16_t>(port));
    if (!name) {
        ip->host = INADDR_ANY;
        return 0;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0 || !found) return -1;
    ip->host = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return 0;
}

bool NET2_IsHostAddress(const IPaddress& ip) {
    return ip.host != INADDR_ANY && ip.host != INADDR_NONE;
}

int NET2_TCPAcceptOn(int port) {
    return locked([&] {
        IPaddress ip;
        if (NET2_ResolveHost(&ip, nullptr, port) == -1) {
            setError("NET2: can't resolve that host name or address", -1);
            return -1;
        }
        int h = rawTCPAcceptOnIP(&ip);
        if (h != -1) socketHeap[h]->p.tcpPort = port;
        return h;
    });
}

int NET2_TCPAcceptOnIP(IPaddress* ip) {
    return locked([&] { return rawTCPAcceptOnIP(ip); });
}

int NET2_TCPConnectTo(const char* host, int port) {
    return locked([&] {
        IPaddress ip;
        if (NET2_ResolveHost(&ip, host, port) == -1) {
            setError("NET2: can't find that host name or address", -1);
            return -1;
        }
        return rawTCPConnectToIP(&ip);
    });
}

int NET2_TCPConnectToIP(IPaddress* ip) {
    return locked([&] { return rawTCPConnectToIP(ip); });
}

int NET2_TCPAdopt(TCPsocket s) {
    const int h = locked([&] { return rawTCPAdopt(s); });
    if (h == -1) snTCPClose(s);
    return h;
}

// The caller's thread gives the system what it takes at once; the rest waits in the stream's
// queue for the network thread. Neither ever waits on the peer.
int NET2_TCPSend(int socket, const char* buf, int len) {
    return locked([&] {
        NET2_Socket* r = validHandle(socket) ? socketHeap[socket] : nullptr;
        if (!r || r->type != TCPClientSocket || r->state != readyState) {
            setError("NET2: you can't do a TCP send on that socket", socket);
            return -1;
        }
        if (len < 1) return 0;
        if (r->out.size() - r->outSent + static_cast<std::size_t>(len) > kOutputCap) {
            markDying(socket, r, "NET2: the peer reads too slowly, expect a close event");
            return -1;
        }
        const bool wasEmpty = r->out.empty();
        if (wasEmpty) r->outMoved = SDL_GetTicks();
        r->out.append(buf, static_cast<std::size_t>(len));
        if (!flushOut(socket, r)) return -1;
        if (wasEmpty && !r->out.empty()) wakeThread();
        return len;
    });
}

int NET2_TCPRead(int socket, char* buf, int len) {
    int n = locked([&] {
        if (len < 1 || !validHandle(socket) || socketHeap[socket]->type != TCPClientSocket)
            return 0;
        CharQue& q = socketHeap[socket]->q.tb;
        int count = len < q.len ? len : q.len;
        std::memcpy(buf, q.buf, count);
        std::memmove(q.buf, q.buf + count, q.len - count);
        q.len -= count;
        if (count > 0 && count + q.len == kTCPBufferSize) wakeThread();
        return count;
    });
    return n;
}

void NET2_TCPClose(int socket) {
    locked([&] {
        if (validHandle(socket) && isTCP(socketHeap[socket]->type)) {
            socketHeap[socket]->state = delState;
            wakeThread();
        }
        return 0;
    });
}

IPaddress* NET2_TCPGetPeerAddress(int socket) {
    return locked([&]() -> IPaddress* {
        if (!validHandle(socket) || socketHeap[socket]->type != TCPClientSocket) return nullptr;
        return snTCPGetPeerAddress(socketHeap[socket]->s.tcpSocket);
    });
}

int NET2_UDPAcceptOn(int port, int size) {
    return locked([&] {
        int h = AllocSocket(UDPServerSocket);
        if (h == -1) {
            setError("NET2: out of memory", -1);
            return -1;
        }
        NET2_Socket* r = socketHeap[h];
        r->s.udpSocket = snUDPOpen(port);
        if (!r->s.udpSocket) {
            setError("NET2: can't open a socket", h);
            FreeSocket(h);
            return -1;
        }
        r->p.udpLen = size;
        startSocket(r);
        return h;
    });
}

int NET2_UDPSend(IPaddress* ip, char* buf, int len) {
    return locked([&] {
        UDPpacket packet;
        std::memset(&packet, 0, sizeof packet);
        packet.channel = -1;
        packet.data = reinterpret_cast<Uint8*>(buf);
        packet.len = packet.maxlen = len;
        packet.address = *ip;
        if (snUDPSend(udpSendSocket, &packet) == 0) {
            setError("NET2: UDP send failed", -1);
            return -1;
        }
        return 0;
    });
}

UDPpacket* NET2_UDPRead(int socket) {
    UDPpacket* p = locked([&]() -> UDPpacket* {
        if (!validHandle(socket) || socketHeap[socket]->type != UDPServerSocket) return nullptr;
        PacketQue& q = socketHeap[socket]->q.ub;
        if (q.length == 0) return nullptr;
        UDPpacket* oldest = q.buf[q.head];
        q.head = (q.head + 1) % kUDPQueueSize;
        if (q.length-- == kUDPQueueSize) wakeThread();
        return oldest;
    });
    return p;
}

void NET2_UDPClose(int socket) {
    locked([&] {
        if (validHandle(socket) && socketHeap[socket]->type == UDPServerSocket) {
            socketHeap[socket]->state = delState;
            wakeThread();
        }
        return 0;
    });
}

void NET2_UDPFreePacket(UDPpacket* p) {
    snFreePacket(p);
}

int NET2_GetEventType(SDL_Event* e) {
    return e->user.code;
}
int NET2_GetSocket(SDL_Event* e) {
    return EventNumber(e->user.data1);
}
int NET2_GetEventData(SDL_Event* e) {
    return EventNumber(e->user.data2);
}
const char* NET2_GetEventError(SDL_Event* e) {
    return static_cast<const char*>(e->user.data2);
}
