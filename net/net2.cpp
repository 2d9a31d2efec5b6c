#include "net/net2.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>

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
    addState = 8,
    delState = 16,
};

constexpr int kMaxSockets = 1024;
constexpr int kTCPBufferSize = 1024;
constexpr int kUDPQueueSize = 256;
// The network thread's wait on its sockets: woken by the wake socket whenever another thread
// gives it work, it looks once a second all the same; without a wake socket, every 10 ms.
constexpr Uint32 kRestMs = 1000;
constexpr Uint32 kCheckMs = 10;

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
};

NET2_Socket* socketHeap[kMaxSockets];
int lastHeapSocket = 0;
int freeHeapSocket = 0;
SDLNet_SocketSet socketSet = nullptr;
int initialized = 0;
UDPsocket udpSendSocket = nullptr;
// A datagram to this socket from the program itself wakes the network thread's wait.
UDPsocket wakeSocket = nullptr;
UDPpacket* wakePacket = nullptr;
// Written by both threads, read by either: atomic.
std::atomic<const char*> error{nullptr};
SDL_mutex* dataLock = nullptr;
int dataLocked = 0;
SDL_cond* dataWait = nullptr;
SDL_mutex* sdlNetLock = nullptr;
SDL_Thread* processSockets = nullptr;
std::atomic<int> doneYet{0};
std::atomic<int> threadEnded{0};
int waitForRead = 0;

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

// Clearing the flag and signalling under the lock: the network thread tests the flag under the
// same lock before it waits, so the wake-up cannot fall between its test and its wait.
void signalRead() {
    lockData();
    waitForRead = 0;
    SDL_CondSignal(dataWait);
    unlockData();
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
int snTCPSend(TCPsocket s, const void* buf, int len) {
    return withSDLNet([&] { return SDLNet_TCP_Send(s, const_cast<void*>(buf), len); });
}
int snTCPRecv(TCPsocket s, void* buf, int len) {
    return withSDLNet([&] { return SDLNet_TCP_Recv(s, buf, len); });
}
IPaddress* snTCPGetPeerAddress(TCPsocket s) {
    return withSDLNet([&] { return SDLNet_TCP_GetPeerAddress(s); });
}
int snAddSocket(SDLNet_GenericSocket s) {
    return withSDLNet([&] { return SDLNet_AddSocket(socketSet, s); });
}
int snDelSocket(SDLNet_GenericSocket s) {
    return withSDLNet([&] { return SDLNet_DelSocket(socketSet, s); });
}
int snSocketReady(SDLNet_GenericSocket s) {
    return withSDLNet([&] { return SDLNet_SocketReady(s); });
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

// The wait on the socket set is the one SDL_net call made without the SDL_net lock: holding it
// for 10 ms would stall every send of the main thread. Only the network thread touches the set
// and the sockets' readiness flags, so nothing else races with it.
int snCheckSockets(Uint32 timeout) {
    return SDLNet_CheckSockets(socketSet, timeout);
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
    NET2_Socket* r = static_cast<NET2_Socket*>(std::malloc(sizeof(NET2_Socket)));
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
    r->type = unusedSocket;
    r->state = unusedState;
    r->s.genSocket = nullptr;
}

bool isTCP(Uint8 type) {
    return type == TCPServerSocket || type == TCPClientSocket;
}

void addToSet(int i, NET2_Socket* r) {
    if (isTCP(r->type) || r->type == UDPServerSocket) {
        if (snAddSocket(r->s.genSocket) == -1) {
            r->state = delState;
            sendError(isTCP(r->type) ? "NET2: can't add a TCP socket to the socket set"
                                     : "NET2: can't add a UDP socket to the socket set",
                      i);
        } else {
            r->state = readyState;
        }
    } else if (r->type == unusedSocket) {
        sendError("NET2: trying to add an unused socket", i);
    } else {
        sendError("NET2: invalid socket type, this should never happen", i);
    }
}

void deleteFromSet(int i, NET2_Socket* r) {
    if (isTCP(r->type) || r->type == UDPServerSocket) {
        bool tcp = isTCP(r->type);
        if (snDelSocket(r->s.genSocket) == -1)
            sendError(tcp ? "NET2: can't delete a TCP socket from the socket set"
                          : "NET2: can't delete a UDP socket from the socket set",
                      i);
        if (tcp)
            snTCPClose(r->s.tcpSocket);
        else
            snUDPClose(r->s.udpSocket);
        FreeSocket(i);
    } else if (r->type == unusedSocket) {
        sendError("NET2: trying to delete an unused socket", i);
    } else {
        sendError("NET2: invalid socket type, this should never happen", i);
    }
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
    socketHeap[h]->state = addState;
    sendEvent(NET2_TCPACCEPTEVENT, h, r->p.tcpPort);
}

void receiveTCP(int i, NET2_Socket* r) {
    CharQue& q = r->q.tb;
    if (q.len >= kTCPBufferSize) {
        waitForRead = 1;
        return;
    }
    int before = q.len;
    int n = snTCPRecv(r->s.tcpSocket, q.buf + q.len, kTCPBufferSize - q.len);
    if (n <= 0) {
        r->state = dyingState;
        sendEvent(NET2_TCPCLOSEEVENT, i, -1);
    } else {
        q.len += n;
        if (before == 0) sendEvent(NET2_TCPRECEIVEEVENT, i, -1);
    }
}

void receiveUDP(int i, NET2_Socket* r) {
    PacketQue& q = r->q.ub;
    if (q.length == kUDPQueueSize) {
        waitForRead = 1;
        return;
    }
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

void serveSocket(int i) {
    NET2_Socket* r = socketHeap[i];
    if (r->state == addState) {
        addToSet(i, r);
    } else if (r->state == delState) {
        deleteFromSet(i, r);
    } else if (r->type == TCPServerSocket && snSocketReady(r->s.genSocket)) {
        acceptOne(i, r);
    } else if (r->type == TCPClientSocket && r->state == readyState &&
               snSocketReady(r->s.genSocket)) {
        receiveTCP(i, r);
    } else if (r->type == UDPServerSocket && r->state == readyState &&
               snSocketReady(r->s.genSocket)) {
        receiveUDP(i, r);
    }
}

// Tells the network thread that a socket is to be added or closed, or that it is to end.
void wakeThread() {
    if (wakeSocket) snUDPSend(wakeSocket, wakePacket);
}

// The wake datagrams are read and dropped unseen: only their arrival counts, whoever sent them.
void drainWakes() {
    const auto generic = reinterpret_cast<SDLNet_GenericSocket>(wakeSocket);
    if (!wakeSocket || !snSocketReady(generic)) return;
    for (int i = 0; i < 64 && snUDPRecv(wakeSocket, wakePacket) == 1; ++i) continue;
}

// Opens the wake socket and its packet, addressed to itself over loopback; none means the
// thread looks every kCheckMs instead.
void openWakeSocket() {
    wakeSocket = snUDPOpen(0);
    wakePacket = snAllocPacket(16);
    const IPaddress* own = wakeSocket ? SDLNet_UDP_GetPeerAddress(wakeSocket, -1) : nullptr;
    if (!own || !wakePacket || SDLNet_UDP_AddSocket(socketSet, wakeSocket) == -1) {
        if (wakeSocket) snUDPClose(wakeSocket);
        wakeSocket = nullptr;
        return;
    }
    wakePacket->address.host = SDL_SwapBE32(INADDR_LOOPBACK);
    wakePacket->address.port = own->port;
    wakePacket->len = 1;
}

int PumpNetworkEvents(void*) {
    while (!doneYet) {
        if (snCheckSockets(wakeSocket ? kRestMs : kCheckMs) == -1)
            setError("NET2: the CheckSockets call failed", -1);
        drainWakes();
        lockData();
        while (waitForRead && !doneYet) {
            dataLocked = 0;
            SDL_CondWait(dataWait, dataLock);
            dataLocked = 1;
        }
        // sendEvent lets the lock go, so the table may grow meanwhile: re-read its size.
        for (int i = 0; i < lastHeapSocket && !doneYet; ++i) serveSocket(i);
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
    r->state = addState;
    wakeThread();
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
    r->state = addState;
    wakeThread();
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
    dataWait = SDL_CreateCond();
    if (!dataWait) {
        setError("NET2: can't create a condition variable", -1);
        return -1;
    }
    lastHeapSocket = freeHeapSocket = 0;
    for (auto& r : socketHeap) r = nullptr;
    socketSet = SDLNet_AllocSocketSet(kMaxSockets);
    if (!socketSet) {
        setError("NET2: out of memory", -1);
        return -1;
    }
    udpSendSocket = snUDPOpen(0);
    if (!udpSendSocket) {
        setError("NET2: can't open the UDP send socket", -1);
        return -1;
    }
    openWakeSocket();
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
    // A thread blocked on a full event queue needs room to finish its push, and one waiting for
    // a reader needs the signal; keep giving both until it has left its loop.
    do {
        discardEvents();
        signalRead();
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
        if (isTCP(r->type) && r->s.tcpSocket) snTCPClose(r->s.tcpSocket);
        if (r->type == UDPServerSocket && r->s.udpSocket) snUDPClose(r->s.udpSocket);
        FreeSocket(i);
        std::free(r);
        socketHeap[i] = nullptr;
    }
    lastHeapSocket = freeHeapSocket = 0;
    SDLNet_FreeSocketSet(socketSet);
    socketSet = nullptr;
    snUDPClose(udpSendSocket);
    udpSendSocket = nullptr;
    if (wakeSocket) snUDPClose(wakeSocket);
    wakeSocket = nullptr;
    snFreePacket(wakePacket);
    wakePacket = nullptr;
    SDL_DestroyMutex(dataLock);
    SDL_DestroyMutex(sdlNetLock);
    SDL_DestroyCond(dataWait);
    dataLock = sdlNetLock = nullptr;
    dataWait = nullptr;
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

int NET2_TCPSend(int socket, const char* buf, int len) {
    return locked([&] {
        NET2_Socket* r = validHandle(socket) ? socketHeap[socket] : nullptr;
        if (!r || r->type != TCPClientSocket || (r->state != readyState && r->state != addState)) {
            setError("NET2: you can't do a TCP send on that socket", socket);
            return -1;
        }
        if (len < 1) return 0;
        if (snTCPSend(r->s.tcpSocket, buf, len) == len) return len;
        r->state = dyingState;
        setError("NET2: can't send TCP data, expect a close event", socket);
        sendEvent(NET2_TCPCLOSEEVENT, socket, -1);
        return -1;
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
        return count;
    });
    signalRead();
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
        r->state = addState;
        wakeThread();
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
        --q.length;
        return oldest;
    });
    signalRead();
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
