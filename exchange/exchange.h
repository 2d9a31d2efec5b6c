// Carries protocol lines between the referee and the clients, and pumps the program's events.
// Lines travel as in-process player messages in local mode and as TCP lines in network modes.
#pragma once

#include <SDL.h>

#include <map>
#include <string>
#include <vector>

#include "exchange/line_budget.h"
#include "exchange/players.h"
#include "game/referee_link.h"
#include "net/event_codes.h"

class Exchange : public RefereeLink {
  public:
    Exchange();
    ~Exchange();
    Exchange(const Exchange&) = delete;
    Exchange& operator=(const Exchange&) = delete;

    // Take the next event into `event`; false when there was none.
    bool WaitEvent();
    bool PollEvent();
    // PollEvent that waits up to `ms` milliseconds for an event to come.
    bool WaitEvent(Uint32 ms);

    // The current player message, valid until the next event is taken.
    bool IsPlayerMessage() const { return is_player_message; }
    int GetPlayerNum() const { return player; }
    const std::string& GetPlayerMessage() const { return message; }

    // Player -1 is this program's client; 0 to 5 a player speaking to the referee.
    static void PushPlayerMessage(int player_t, const std::string& message_t);
    // AnswerFor from any thread, never waiting for room in the queue: false when it is full.
    static bool TryAnswerFor(int player_t, const std::string& line);
    static void PushLocalMessage(unsigned int code, void* data1, void* data2);

    bool EnterLocalMode(int numplayers_t);
    void LocalModeDisable();
    bool IsLocalMode() const override { return is_local_mode; }

    bool IsPlayerRemote(int player) const override;
    bool IsAnyoneConnected() const override { return !players.empty(); }
    int GetPlayerWaitCount() const override { return numplayers - init_player_num; }

    bool EnterServerMode(int port_t, int numplayers_t);
    // The seats nobody has taken yet are given to the computer: no one else is awaited, and the
    // referee hears of it as of the last player's arrival. False when no seat is empty or
    // nobody has joined.
    bool FillEmptySeats();
    // After a game: every seat without a connection is open to a new one again, the lowest
    // first; the number of seats opened.
    int ReopenEmptySeats() override;
    bool ServerSend(int player_t, const std::string& message_t) override;
    void AnswerFor(int player_t, const std::string& line) override {
        PushText(player_t, "2 ", line);
    }

    // Connections that come while every seat is taken are held as guests while this is on, so
    // that a player whose connection dropped can ask for the seat back; at most kMaxGuests, the
    // oldest closed for a new one. Off closes them all. A guest's lines come as network lines of
    // the player number kFirstGuest + handle.
    void WelcomeGuests(bool on) override;
    static constexpr int kMaxGuests = 4;
    void GuestSend(int guest, const std::string& message_t) override;
    void CloseGuest(int guest) override;
    // The guest's connection becomes the one of `seat`, an empty seat of this game.
    bool SeatGuest(int guest, int seat) override;
    void ServerKill(int player_t) override;
    void ServerKillAll(bool send_disconnect);
    bool ServerDisable();

    bool ClientConnect(const std::string& hostname_t, int port_t);
    // Takes a connection to a referee opened elsewhere (a network layer socket handle) as the
    // client's; false, the socket closed, when the client already has one.
    bool ClientAdopt(int socket);
    void ClientSend(const std::string& message_t);
    void ClientDisconnect();
    void ClientReceive();

    // The event last taken; the main loop hands it to the current screen.
    SDL_Event event;

  private:
    static constexpr int kNobody = -2;
    // A connection held as a guest, with what it sent of a line so far.
    struct Guest {
        int socket;
        std::string recv;
    };
    void ProcessEvent();
    void Accept(int socket);
    // Seat `seat` is played over `socket` from now on; `pending` is what it sent of a line.
    void TakeSeat(int seat, int socket, std::string pending);
    std::vector<Guest>::iterator FindGuest(int socket);
    std::vector<Guest>::const_iterator FindGuest(int socket) const;
    void Receive(int socket);
    void Close(int socket);
    void ForgetPlayer(int player_t, int socket);
    int NextSeat();
    // The referee's connection failed under us: close it and tell this program's client. Lines
    // of it still queued are dropped when `drop_lines` is set.
    void ClientLost(bool drop_lines);
    // Reads what the socket holds, splitting at line feeds into buffer; each complete line
    // becomes a "1 " message of player_t (dropped for kNobody). Reads at most a budget and then
    // comes back later, unless `all` is set. Returns false when a pending line grew too long, or
    // when a peer's lines ran past its budget.
    bool ReadLines(int socket, std::string& buffer, int player_t, bool all = false);
    // Sends text and a line feed; false when the connection is dying.
    bool SendLine(int socket, const std::string& text);
    static void PushText(int player_t, const char* prefix, const std::string& text);
    // Whether a line received over the network from player_t may still act.
    bool MayDeliver(int player_t) const;

    bool is_player_message = false;
    int player = -1;
    std::string message;
    std::string outgoing;
    int client_socket = -1;
    std::string client_recv;
    // Lines of the referee's connection still queued are dropped: we ended it.
    bool client_dropped = false;
    int numplayers = -1;
    bool is_local_mode = false;
    int server_socket = -1;
    int init_player_num = 0;
    std::map<int, int> players;
    int sockets[kMaxPlayers] = {-1, -1, -1, -1, -1, -1};
    std::string recvbuf[kMaxPlayers];
    // The line budget of each connection the referee accepted, by its handle.
    std::map<int, LineBudget> budgets;
    // Seats open again after a game, the lowest last.
    std::vector<int> reopened;
    bool guests_welcome = false;
    // Guests' connections, oldest first.
    std::vector<Guest> guests;
    // Players the referee killed: their lines still queued are dropped. A player who closed the
    // connection itself keeps its last lines, which arrive before its departure.
    bool killed[kMaxPlayers] = {};
};
