// One table of the server: a referee of 2 to 5 seats with a name and the strength of the computer
// players that take a seat nobody holds, the connections at its seats, the guests that may take a
// seat back with its secret, and its watchers. Its lines reach the referee in order, one at a time,
// as the exchange delivers the lines of a game the window hosts.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "exchange/players.h"
#include "game/autoplay_server.h"
#include "server/connection.h"

struct TableSettings {
    std::string name;
    int seats = 2;
    Strategy strength = Strategy::kAuto;
    // Whether watchers may say a line at the table.
    bool watchers_chat = true;
};

class Table final : public RefereeLink {
  public:
    using ConnectionPtr = std::shared_ptr<Connection>;

    explicit Table(TableSettings settings_t);
    const TableSettings& settings() const { return given; }

    // Whether a connection may take a seat now: before a game, or after one while seats wait.
    bool HasFreeSeat() const { return taken < given.seats; }
    int joined() const;
    bool playing() const { return referee.winner() == -1 && referee.current_turn() != -1; }
    int watching() const { return static_cast<int>(watchers.size()); }
    // Whether a person holds a seat or may take one back.
    bool HasPerson() const;
    Server& game() { return referee; }
    const Server& game() const { return referee; }

    // `c` takes the next free seat; `speaks_lobby`: it may be told the lobby's lines.
    void Seat(const ConnectionPtr& c, bool speaks_lobby);
    // `c` asks for a seat back with `first_line`, its 420.
    void Guest(const ConnectionPtr& c, const std::string& first_line);
    // `c` watches: it is shown the public table, and every public line from now on.
    void Watch(const ConnectionPtr& c);
    // A line of `c`, which sits, is a guest or watches here.
    void LineFrom(Connection& c, const std::string& line);
    // `c` is no longer at the table: gone, or back in the lobby.
    void Leave(Connection& c);
    // The seats nobody took go to the computer: the game starts now. False when none is empty
    // or the table is not waiting for players.
    bool FillEmptySeats();
    bool Watches(const Connection& c) const;
    // A watcher, named `name`, says `text`: the seats that came from the lobby and the watchers
    // read it, unless the table's creator turned watchers' chat off.
    void WatcherSays(const std::string& name, const std::string& text);
    // The server stops: every client that speaks the extension or came from the lobby, the
    // watchers too, is told the host leaves.
    void Goodbye();
    // Called once each game is won, before anybody is told: the game is kept meanwhile.
    void OnWon(std::function<void()> kept_t) { keep = std::move(kept_t); }
    // Seat p's connection, and whether it came from the lobby.
    const Connection* SeatConnection(int p) const { return seats.at(p).get(); }
    bool LobbySeat(int p) const { return seats.at(p) && lobby_seat.at(p); }
    bool HasLobbySeat() const;
    // A line to every seat that came from the lobby.
    void ToLobbySeats(const std::string& line);

    // RefereeLink
    bool IsLocalMode() const override { return false; }
    bool IsPlayerRemote(int p) const override;
    bool IsAnyoneConnected() const override;
    int GetPlayerWaitCount() const override { return given.seats - taken; }
    bool ServerSend(int p, const std::string& line) override;
    void ServerKill(int p) override;
    int ReopenEmptySeats() override;
    void WelcomeGuests(bool on) override;
    void GuestSend(int guest, const std::string& line) override;
    void CloseGuest(int guest) override;
    bool SeatGuest(int guest, int seat) override;
    void AnswerFor(int p, const std::string& line) override { Post(p, "2 " + line); }
    void Published(const std::string& line) override;
    void Won() override {
        if (keep) keep();
    }

    static constexpr int kMostGuests = 4;

  private:
    struct GuestConnection {
        int id;
        ConnectionPtr connection;
    };
    int SeatOf(const Connection& c) const;
    int NextSeat();
    void Post(int player, std::string message);
    // The referee takes every posted message, in order; it may post more meanwhile.
    void Pump();
    void TellWatchers();

    TableSettings given;
    std::array<ConnectionPtr, kMaxPlayers> seats{};
    std::array<bool, kMaxPlayers> lobby_seat{};
    int taken = 0;
    std::vector<int> reopened;
    std::vector<GuestConnection> guests;
    int next_guest = kFirstGuest;
    bool guests_welcome = false;
    std::vector<ConnectionPtr> watchers;
    std::deque<std::pair<int, std::string>> posted;
    bool pumping = false;
    std::function<void()> keep;
    // Last: it asks the link about the seats while it is made.
    ServerWithAutoPlay referee;
};
