#include "exchange/exchange.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "exchange/line_framing.h"
#include "net/fastevents.h"
#include "net/net2.h"

namespace {

constexpr int kReadChunk = 16384;
// Bytes taken from one connection per receive event; the rest waits behind the other players'.
constexpr int kReadBudget = 4 * kReadChunk;
// The longest real protocol line is far shorter; a peer past this is not playing.
constexpr std::size_t kMaxPendingLine = 64 * 1024;

bool is_player_number(int p) {
    return p >= 0 && p < kMaxPlayers;
}

void push(unsigned int code, void* data1, void* data2) {
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = SDL_USEREVENT;
    e.user.code = static_cast<int>(code);
    e.user.data1 = data1;
    e.user.data2 = data2;
    if (FE_PushEvent(&e) == -1) {
        const char* why = FE_GetError();
        throw std::runtime_error(std::string("SDL(FE): Can't push event: ") + (why ? why : ""));
    }
}

}  // namespace

Exchange::Exchange() {
    std::memset(&event, 0, sizeof event);
}

Exchange::~Exchange() {
    ServerDisable();
    ClientDisconnect();
}

bool Exchange::WaitEvent() {
    if (FE_WaitEvent(&event) <= 0) return false;
    ProcessEvent();
    return true;
}

bool Exchange::WaitEvent(Uint32 ms) {
    if (FE_WaitEventTimeout(&event, ms) <= 0) return false;
    ProcessEvent();
    return true;
}

bool Exchange::PollEvent() {
    if (FE_PollEvent(&event) <= 0) return false;
    ProcessEvent();
    return true;
}

void Exchange::ProcessEvent() {
    is_player_message = false;
    if (event.type != SDL_USEREVENT) return;
    const int socket = NET2_GetSocket(&event);
    switch (event.user.code) {
        case EXCH_PLAYER_MESSAGE: {
            player = EventNumber(event.user.data1);
            char* text = static_cast<char*>(event.user.data2);
            if (text)
                message.assign(text);
            else
                message.clear();
            delete[] text;
            event.user.data2 = nullptr;
            const bool network_line = !message.empty() && message[0] == '1';
            is_player_message = !network_line || MayDeliver(player);
            break;
        }
        case NET2_TCPACCEPTEVENT:
            Accept(socket);
            break;
        case NET2_TCPRECEIVEEVENT:
            Receive(socket);
            break;
        case NET2_TCPCLOSEEVENT:
            Close(socket);
            break;
        default:
            break;
    }
}

bool Exchange::MayDeliver(int player_t) const {
    if (player_t == -1) return !client_dropped;
    if (IsGuest(player_t)) return FindGuest(player_t - kFirstGuest) != guests.end();
    return is_player_number(player_t) && !killed[player_t];
}

void Exchange::PushPlayerMessage(int player_t, const std::string& message_t) {
    PushText(player_t, "", message_t);
}

namespace {

// A player message's event: it carries its own copy of prefix and text, which the exchange frees
// when it takes it (FreeEventData, where nobody does).
SDL_Event text_event(int player_t, const char* prefix, const std::string& message_t) {
    const std::size_t head = std::strlen(prefix);
    char* text = new char[head + message_t.size() + 1];
    std::memcpy(text, prefix, head);
    std::memcpy(text + head, message_t.c_str(), message_t.size() + 1);
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = SDL_USEREVENT;
    e.user.code = EXCH_PLAYER_MESSAGE;
    e.user.data1 = EventData(player_t);
    e.user.data2 = text;
    return e;
}

}  // namespace

void Exchange::PushText(int player_t, const char* prefix, const std::string& message_t) {
    SDL_Event e = text_event(player_t, prefix, message_t);
    try {
        push(static_cast<unsigned>(EXCH_PLAYER_MESSAGE), e.user.data1, e.user.data2);
    } catch (...) {
        FreeEventData(e);
        throw;
    }
}

bool Exchange::TryAnswerFor(int player_t, const std::string& line) {
    SDL_Event e = text_event(player_t, "2 ", line);
    if (FE_TryPushEvent(&e)) return true;
    FreeEventData(e);
    return false;
}

void Exchange::PushLocalMessage(unsigned int code, void* data1, void* data2) {
    push(code, data1, data2);
}

bool Exchange::EnterLocalMode(int numplayers_t) {
    if (is_local_mode || numplayers != -1) return false;
    numplayers = numplayers_t;
    is_local_mode = true;
    init_player_num = numplayers;
    for (int& s : sockets) s = -1;
    players.clear();
    PushPlayerMessage(0, "0");
    return true;
}

void Exchange::LocalModeDisable() {
    is_local_mode = false;
    numplayers = -1;
}

bool Exchange::IsPlayerRemote(int p) const {
    return !is_local_mode && is_player_number(p) && sockets[p] != -1;
}

bool Exchange::EnterServerMode(int port_t, int numplayers_t) {
    if (server_socket != -1) return false;
    is_local_mode = false;
    server_socket = NET2_TCPAcceptOn(port_t);
    if (server_socket == -1) {
        // Idle again, so that a local game or another attempt still works.
        numplayers = -1;
        return false;
    }
    numplayers = numplayers_t;
    init_player_num = 0;
    reopened.clear();
    for (int& s : sockets) s = -1;
    for (auto& b : recvbuf) b.clear();
    for (bool& k : killed) k = false;
    players.clear();
    return true;
}

bool Exchange::SendLine(int socket, const std::string& text) {
    // One send a line: a line split over two sends can wait on the peer's delayed ack.
    outgoing.assign(text);
    outgoing += '\n';
    if (const auto budget = budgets.find(socket); budget != budgets.end()) budget->second.Earn();
    return NET2_TCPSend(socket, outgoing.data(), static_cast<int>(outgoing.size())) != -1;
}

bool Exchange::ServerSend(int player_t, const std::string& message_t) {
    if (message_t.empty()) return true;
    if (is_local_mode) {
        if (player_t != 0)
            throw std::runtime_error("Local game: attempt to send to nonlocal player");
        PushText(-1, "2 ", message_t);
        return true;
    }
    if (!is_player_number(player_t) || sockets[player_t] == -1) return false;
    if (!SendLine(sockets[player_t], message_t)) {
        ServerKill(player_t);
        return false;
    }
    return true;
}

void Exchange::ForgetPlayer(int player_t, int socket) {
    PushPlayerMessage(player_t, "3");
    sockets[player_t] = -1;
    recvbuf[player_t].clear();
    players.erase(socket);
}

void Exchange::ServerKill(int player_t) {
    if (is_local_mode) throw std::runtime_error("Internal error: tried to kill a local client");
    if (!is_player_number(player_t)) return;
    killed[player_t] = true;
    if (sockets[player_t] == -1) return;
    const int socket = sockets[player_t];
    NET2_TCPClose(socket);
    if (players.count(socket)) ForgetPlayer(player_t, socket);
}

void Exchange::ServerKillAll(bool send_disconnect) {
    if (is_local_mode)
        throw std::runtime_error("Internal error: tried to kill all clients during a local game");
    WelcomeGuests(false);
    if (send_disconnect)
        for (int p = 0; p < kMaxPlayers; ++p)
            if (sockets[p] != -1) PushPlayerMessage(p, "3");
    for (int p = 0; p < kMaxPlayers; ++p) {
        if (sockets[p] != -1) NET2_TCPClose(sockets[p]);
        sockets[p] = -1;
        killed[p] = true;
        recvbuf[p].clear();
    }
    players.clear();
}

bool Exchange::ServerDisable() {
    if (server_socket == -1 || is_local_mode) return false;
    ServerKillAll(false);
    numplayers = -1;
    NET2_TCPClose(server_socket);
    server_socket = -1;
    budgets.clear();
    if (client_socket != -1) NET2_TCPClose(client_socket);
    client_socket = -1;
    client_recv.clear();
    return true;
}

bool Exchange::ClientConnect(const std::string& hostname_t, int port_t) {
    if (client_socket != -1) return false;
    const int socket = NET2_TCPConnectTo(hostname_t.c_str(), port_t);
    return socket != -1 && ClientAdopt(socket);
}

bool Exchange::ClientAdopt(int socket) {
    if (socket == -1) return false;
    if (client_socket != -1) {
        NET2_TCPClose(socket);
        return false;
    }
    client_socket = socket;
    client_recv.clear();
    client_dropped = false;
    return true;
}

void Exchange::ClientSend(const std::string& message_t) {
    if (is_local_mode) {
        PushText(0, "2 ", message_t);
        return;
    }
    if (client_socket == -1) return;
    if (!SendLine(client_socket, message_t)) ClientLost(false);
}

void Exchange::ClientDisconnect() {
    if (client_socket == -1 || is_local_mode) return;
    NET2_TCPClose(client_socket);
    client_socket = -1;
    client_recv.clear();
    client_dropped = true;
    PushPlayerMessage(0, "3");
}

void Exchange::ClientLost(bool drop_lines) {
    NET2_TCPClose(client_socket);
    client_socket = -1;
    client_recv.clear();
    client_dropped = drop_lines;
    PushPlayerMessage(-1, "3");
}

void Exchange::ClientReceive() {
    if (!ReadLines(client_socket, client_recv, -1)) ClientLost(true);
}

bool Exchange::ReadLines(int socket, std::string& buffer, int player_t, bool all) {
    const auto budget = player_t == -1 ? budgets.end() : budgets.find(socket);
    const auto now = LineBudget::Clock::now();
    bool within = true;
    char chunk[kReadChunk];
    int total = 0, n;
    while ((n = NET2_TCPRead(socket, chunk, sizeof chunk)) > 0) {
        const bool fits = split_lines(chunk, n, buffer, kMaxPendingLine, [&](const std::string& l) {
            within = within && (budget == budgets.end() || budget->second.Spend(now));
            if (within && player_t != kNobody) PushText(player_t, "1 ", l);
        });
        if (!fits || !within) return false;
        total += n;
        if (!all && total >= kReadBudget) {
            // More may be waiting: come back to this connection after everybody else's events.
            PushLocalMessage(NET2_TCPRECEIVEEVENT, EventData(socket), EventData(-1));
            break;
        }
    }
    return true;
}

bool Exchange::FillEmptySeats() {
    if (server_socket == -1 || init_player_num == 0 || init_player_num >= numplayers) return false;
    const int last = reopened.empty() ? numplayers - 1 : reopened.back();
    reopened.clear();
    init_player_num = numplayers;
    PushPlayerMessage(last, "0");
    return true;
}

int Exchange::ReopenEmptySeats() {
    if (server_socket == -1 || is_local_mode) return 0;
    reopened.clear();
    for (int p = numplayers - 1; p >= 0; --p)
        if (sockets[p] == -1) reopened.push_back(p);
    init_player_num = numplayers - static_cast<int>(reopened.size());
    return static_cast<int>(reopened.size());
}

// The next seat a connection takes: the lowest seat reopened after a game, or the next in order.
int Exchange::NextSeat() {
    if (reopened.empty()) return init_player_num;
    const int seat = reopened.back();
    reopened.pop_back();
    return seat;
}

void Exchange::WelcomeGuests(bool on) {
    guests_welcome = on;
    if (on) return;
    while (!guests.empty()) CloseGuest(kFirstGuest + guests.front().socket);
}

std::vector<Exchange::Guest>::iterator Exchange::FindGuest(int socket) {
    return std::find_if(guests.begin(), guests.end(),
                        [socket](const Guest& g) { return g.socket == socket; });
}

std::vector<Exchange::Guest>::const_iterator Exchange::FindGuest(int socket) const {
    return std::find_if(guests.begin(), guests.end(),
                        [socket](const Guest& g) { return g.socket == socket; });
}

void Exchange::GuestSend(int guest, const std::string& message_t) {
    if (FindGuest(guest - kFirstGuest) != guests.end()) SendLine(guest - kFirstGuest, message_t);
}

void Exchange::CloseGuest(int guest) {
    const auto it = FindGuest(guest - kFirstGuest);
    if (it == guests.end()) return;
    guests.erase(it);
    NET2_TCPClose(guest - kFirstGuest);
}

bool Exchange::SeatGuest(int guest, int seat) {
    const auto it = FindGuest(guest - kFirstGuest);
    if (it == guests.end() || seat < 0 || seat >= numplayers || sockets[seat] != -1) return false;
    TakeSeat(seat, it->socket, std::move(it->recv));
    guests.erase(it);
    return true;
}

void Exchange::TakeSeat(int seat, int socket, std::string pending) {
    sockets[seat] = socket;
    players[socket] = seat;
    recvbuf[seat] = std::move(pending);
    killed[seat] = false;
}

void Exchange::Accept(int socket) {
    budgets.insert_or_assign(socket, LineBudget(LineBudget::Clock::now()));
    if (server_socket != -1 && init_player_num >= numplayers && guests_welcome) {
        if (guests.size() >= kMaxGuests) CloseGuest(kFirstGuest + guests.front().socket);
        guests.push_back({socket, ""});
        return;
    }
    if (server_socket == -1 || init_player_num >= numplayers) {
        NET2_TCPClose(socket);
        return;
    }
    const int seat = NextSeat();
    TakeSeat(seat, socket, "");
    PushPlayerMessage(seat, "0");
    ++init_player_num;
}

void Exchange::Receive(int socket) {
    if (socket < 0) return;
    if (socket == client_socket) {
        ClientReceive();
        return;
    }
    if (auto guest = FindGuest(socket); guest != guests.end()) {
        if (!ReadLines(socket, guest->recv, kFirstGuest + socket)) CloseGuest(kFirstGuest + socket);
        return;
    }
    auto it = players.find(socket);
    if (it == players.end()) {
        std::string dropped;
        ReadLines(socket, dropped, kNobody);
        return;
    }
    const int p = it->second;
    if (!ReadLines(socket, recvbuf[p], p)) ServerKill(p);
}

void Exchange::Close(int socket) {
    // A close event may come after this exchange closed the socket itself, and the layer may
    // have given that handle to a new socket meanwhile (a new listener, say): only a socket
    // still known here is closed.
    // Whatever complete lines the peer sent before it closed are delivered, before its departure.
    if (socket != -1 && socket == client_socket) {
        ReadLines(socket, client_recv, -1, true);
        ClientLost(false);
        return;
    }
    if (FindGuest(socket) != guests.end()) {
        CloseGuest(kFirstGuest + socket);
        return;
    }
    auto it = players.find(socket);
    if (it == players.end()) return;
    const int p = it->second;
    ReadLines(socket, recvbuf[p], p, true);
    NET2_TCPClose(socket);
    ForgetPlayer(p, socket);
}
