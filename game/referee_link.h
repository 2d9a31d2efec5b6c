// What the referee needs of whatever carries its lines: the seats' connections, sending, closing,
// the guests that may take a seat back, and answers given in the name of a seat nobody holds. The
// exchange is one such carrier; the referee knows nothing of it.
#pragma once

#include <string>

class RefereeLink {
  public:
    // A guest's player number: connections held while every seat is taken.
    static constexpr int kFirstGuest = 1000;
    static bool IsGuest(int player) { return player >= kFirstGuest; }

    // A local game: seat 0 is this program's own client, the others are the computer's.
    virtual bool IsLocalMode() const = 0;
    // Whether seat p has a connection.
    virtual bool IsPlayerRemote(int p) const = 0;
    virtual bool IsAnyoneConnected() const = 0;
    // The seats nobody has taken yet.
    virtual int GetPlayerWaitCount() const = 0;
    // Sends a line to seat p's connection; false when it has none, or it failed (then closed).
    virtual bool ServerSend(int p, const std::string& line) = 0;
    // Closes seat p's connection: the seat is left, as by a drop.
    virtual void ServerKill(int p) = 0;
    // After a game: every seat without a connection is open to a new one; how many.
    virtual int ReopenEmptySeats() = 0;
    // Holds connections that come while every seat is taken, or (off) closes them all.
    virtual void WelcomeGuests(bool on) = 0;
    virtual void GuestSend(int guest, const std::string& line) = 0;
    virtual void CloseGuest(int guest) = 0;
    // The guest's connection becomes the one of `seat`, an empty seat.
    virtual bool SeatGuest(int guest, int seat) = 0;
    // A line in the name of seat p, which has no connection: it reaches the referee after the
    // line it answers, as the seat's own would.
    virtual void AnswerFor(int p, const std::string& line) = 0;
    // A line every seat may see, as the referee sends it (or its hidden form), and the table's
    // chat: what a watcher of the table, who holds no cards, is shown. A game begins with
    // "100 1 PLAYERS -1".
    virtual void Published(const std::string&) {}
    // The game is won and its record whole (the referee's FinishedGame); nobody has been told yet.
    virtual void Won() {}

  protected:
    ~RefereeLink() = default;
};
