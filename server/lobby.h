// Where the server's connections meet: it takes each new connection within the limits, routes a
// design client to a seat at once and a lobby client to the lobby, and there lists, makes, joins
// and watches the tables, relays the lobby's chat, and ends a table nobody is at.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "game/lobby_lines.h"
#include "game/seat_list.h"
#include "server/connection.h"
#include "server/game_store.h"
#include "server/table.h"

struct ServerLimits {
    int quick_seats = 2;
    int max_connections = 4096;
    int max_tables = 1000;
    int max_per_address = 8;
    // A lobby connection that says nothing this long is closed.
    std::chrono::seconds lobby_idle{600};
    // A table where no person sat or may come back this long ends.
    std::chrono::seconds empty_table{60};
    // A new connection that has said nothing this long is a design client: it takes a seat.
    std::chrono::milliseconds first_line_wait{1000};
    // The server's name in its games' records ("server HOST TABLE").
    std::string host = "localhost";
    // How many players and games the lobby's lists show.
    int listed = 50;
};

// Why the server refuses a connection or a lobby line (441): the connection's own limits close it.
namespace refusal {
constexpr int kServerFull = 0;
constexpr int kTooManyFromAddress = 1;
constexpr int kTooManyTables = 2;
constexpr int kNoSuchTable = 3;
constexpr int kTableFull = 4;
constexpr int kNameTaken = 5;
constexpr int kNotUnderstood = 6;
constexpr int kIdle = 7;
constexpr int kNoSuchGame = 8;
}  // namespace refusal

class Lobby final : public ConnectionOwner {
  public:
    using Clock = std::chrono::steady_clock;
    using Log = std::function<void(const std::string&)>;
    // `store_t`: where names, games and ratings are kept; null keeps none.
    Lobby(ServerLimits limits_t, Log log_t, GameStore* store_t = nullptr)
        : limits(limits_t), log(std::move(log_t)), store(store_t) {}
    // A new connection from `address`: welcomed, or refused with one line saying why.
    void Accept(asio::ip::tcp::socket socket, const std::string& address);
    // Once a second: idle lobby connections, tables nobody is at.
    void Tick(Clock::time_point now);
    // The server stops: every client is told the host leaves, then every connection closes once
    // what waits for it has gone.
    void Stop();

    std::size_t connections() const { return people.size(); }
    std::size_t table_count() const { return tables.size(); }

    void LineFrom(Connection& c, const std::string& line) override;
    void Ended(Connection& c) override;

  private:
    enum class Where { kArriving, kLobby, kTable };
    struct Place {
        std::shared_ptr<Connection> connection;
        Where where = Where::kArriving;
        Table* table = nullptr;
        Clock::time_point since;
        std::string name;
        ChatGate chat;
        // It opened with 430: it speaks the lobby.
        bool from_lobby = false;
        // The hash of the key it gave, "" for none.
        std::string key_hash;
    };
    struct TableEntry {
        std::unique_ptr<Table> table;
        Connection* creator = nullptr;
        // Where its creator connected from: one address makes no more tables than it may hold
        // connections.
        std::string made_from;
        bool was_playing = false;
        int games = 0;
        Clock::time_point nobody_since;
        bool nobody = false;
        // The record of the game just won and kept, sent to its lobby seats once they are told.
        int kept_game = 0;
        std::string kept_record;
    };

    void Refuse(Place& place, int why, bool close);
    void FirstLine(Place& place, const std::string& line);
    void LobbyLine(Place& place, const Tokens& tokens);
    void TableLine(Place& place, const std::string& line, const Tokens& tokens);
    void QuickSeat(Place& place, const std::string& line);
    void ListTables(Place& place);
    void CreateTable(Place& place, const Tokens& tokens);
    void JoinTable(Place& place, const Tokens& tokens, bool watch);
    void LobbyChat(Place& place, const Tokens& tokens);
    // The name a 400 line asks for, as this server lets the place have it.
    std::string TakeName(Place& place, const Tokens& tokens);
    void ListRatings(Place& place);
    void ListGames(Place& place, const Tokens& tokens);
    void WatchAgain(Place& place, const Tokens& tokens);
    // The game a table's referee has just won goes into the store, its people rated.
    void KeepGame(TableEntry& entry);
    // Each seat's person's rating, to the seats that came from the lobby.
    void SendSeatRatings(const TableEntry& entry);
    // A call of the store; a failure is logged and gives `fallback`.
    template <class Call>
    auto Stored(Call call, decltype(call()) fallback) -> decltype(call());
    void ToLobby(Place& place);
    TableEntry* Named(const std::string& name);
    TableEntry* EntryOf(const Table* table);
    Table& MakeTable(TableSettings settings, Connection* creator);
    // Logs what changed at a table since it was last looked at.
    void Observe(TableEntry& entry);
    void EndTable(TableEntry& entry);

    ServerLimits limits;
    Log log;
    GameStore* store;
    std::map<const Connection*, Place> people;
    std::map<std::string, int> per_address;
    std::vector<TableEntry> tables;
    int quick_tables = 0;
    bool stopping = false;
};
