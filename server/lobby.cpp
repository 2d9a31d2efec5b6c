#include "server/lobby.h"

#include <algorithm>
#include <sstream>

#include "exchange/tokens.h"
#include "game/line_text.h"
#include "game/protocol.h"
#include "game/seat_secret.h"

namespace {

// A kept game's record as its 456 lines and the 457 that ends them.
std::vector<std::string> RecordLines(int id, const std::string& record) {
    std::vector<std::string> lines;
    std::istringstream in(record);
    for (std::string line; std::getline(in, line);)
        lines.push_back(TextLine(proto::kRecordText, line));
    lines.push_back(CodeLine(proto::kRecordEnd, id) + " " + std::to_string(lines.size()));
    return lines;
}

// A name in a log line, quoted: names hold blanks.
std::string quoted(const std::string& name) {
    return "\"" + name + "\"";
}

std::string same_case(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

}  // namespace

void Lobby::Accept(asio::ip::tcp::socket socket, const std::string& address) {
    auto c = std::make_shared<Connection>(std::move(socket), address, *this);
    Place& place = people[c.get()];
    place.connection = c;
    place.since = Clock::now();
    ++per_address[address];
    c->Start();
    // A client of the game's own lines says nothing until it is seated.
    auto wait = std::make_shared<asio::steady_timer>(c->executor(), limits.first_line_wait);
    wait->async_wait([this, wait, weak = std::weak_ptr<Connection>(c)](const asio::error_code& e) {
        const auto it = people.find(weak.lock().get());
        if (!e && it != people.end() && it->second.where == Where::kArriving &&
            it->second.connection->open())
            QuickSeat(it->second, "");
    });
    if (stopping) {
        c->Close();
    } else if (static_cast<int>(people.size()) > limits.max_connections) {
        Refuse(place, refusal::kServerFull, true);
    } else if (per_address[address] > limits.max_per_address) {
        Refuse(place, refusal::kTooManyFromAddress, true);
    }
}

void Lobby::Refuse(Place& place, int why, bool close) {
    static const char* const kWhy[] = {"server-full",     "too-many-from-address",
                                       "too-many-tables", "no-such-table",
                                       "table-full",      "name-taken",
                                       "not-understood",  "idle",
                                       "no-such-game"};
    place.connection->Send(CodeLine(proto::kRefused, why));
    if (!close) return;
    log("event=refused address=" + place.connection->address() + " why=" + kWhy[why]);
    place.connection->CloseAfterSending();
}

void Lobby::Ended(Connection& c) {
    const auto it = people.find(&c);
    if (it == people.end()) return;
    Place& place = it->second;
    if (place.table) {
        Table* table = place.table;
        table->Leave(c);
        if (TableEntry* entry = EntryOf(table)) Observe(*entry);
    }
    if (--per_address[c.address()] <= 0) per_address.erase(c.address());
    for (TableEntry& entry : tables)
        if (entry.creator == &c) entry.creator = nullptr;
    people.erase(it);
}

void Lobby::LineFrom(Connection& c, const std::string& line) {
    const auto it = people.find(&c);
    if (it == people.end() || stopping) return;
    Place& place = it->second;
    const Tokens tokens(line);
    switch (place.where) {
        case Where::kArriving:
            FirstLine(place, line);
            break;
        case Where::kLobby:
            place.since = Clock::now();
            LobbyLine(place, tokens);
            break;
        case Where::kTable:
            TableLine(place, line, tokens);
            break;
    }
}

// A lobby client says so at once; a ticket back names its seat and secret, which one table
// knows; anything else is a client of the game's own lines, seated at once.
void Lobby::FirstLine(Place& place, const std::string& line) {
    const Tokens tokens(line);
    if (tokens.token(0) == proto::kLobbyHello && tokens.token(1) >= proto::kOldestLobbyVersion) {
        place.from_lobby = true;
        ToLobby(place);
        return;
    }
    const std::optional<SeatSecret> secret = ReadSecret(tokens, 2);
    if (tokens.token(0) != proto::kRejoin || !secret) {
        QuickSeat(place, line);
        return;
    }
    for (TableEntry& entry : tables)
        if (entry.table->game().Knows(tokens.token(1), *secret)) {
            place.where = Where::kTable;
            place.table = entry.table.get();
            entry.table->Guest(place.connection, line);
            Observe(entry);
            return;
        }
    place.connection->Send(CodeLine(proto::kRejoinRefused, proto::kNotYourSeat));
    place.connection->CloseAfterSending();
}

void Lobby::ToLobby(Place& place) {
    place.where = Where::kLobby;
    place.table = nullptr;
    place.since = Clock::now();
    place.connection->Send(CodeLine(proto::kInLobby, proto::kLobbyVersion));
}

// The first table that waits for players, or a new one of the quick seats.
void Lobby::QuickSeat(Place& place, const std::string& line) {
    Table* table = nullptr;
    for (TableEntry& entry : tables)
        if (entry.table->HasFreeSeat() && !table) table = entry.table.get();
    if (!table) {
        if (static_cast<int>(tables.size()) >= limits.max_tables) {
            Refuse(place, refusal::kTooManyTables, true);
            return;
        }
        table = &MakeTable(
            {"Quick " + std::to_string(++quick_tables), limits.quick_seats, Strategy::kAuto, true},
            nullptr);
    }
    place.where = Where::kTable;
    place.table = table;
    table->Seat(place.connection, false);
    if (!line.empty()) table->LineFrom(*place.connection, line);
    Observe(*EntryOf(table));
}

void Lobby::LobbyLine(Place& place, const Tokens& tokens) {
    switch (tokens.token(0)) {
        case proto::kListTables:
            ListTables(place);
            break;
        case proto::kCreateTable:
            CreateTable(place, tokens);
            break;
        case proto::kJoinTable:
        case proto::kWatchTable:
            JoinTable(place, tokens, tokens.token(0) == proto::kWatchTable);
            break;
        case proto::kLobbyChat:
            LobbyChat(place, tokens);
            break;
        case proto::kName:
            place.connection->Send(TextLine(proto::kYourName, TakeName(place, tokens)));
            break;
        case proto::kPlayerKey:
            if (const std::optional<PlayerKey> key = ReadPlayerKey(tokens, 1))
                place.key_hash = KeyHash(*key);
            break;
        case proto::kListRatings:
            ListRatings(place);
            break;
        case proto::kListGames:
            ListGames(place, tokens);
            break;
        case proto::kWatchAgain:
            WatchAgain(place, tokens);
            break;
        default:
            break;
    }
}

void Lobby::TableLine(Place& place, const std::string& line, const Tokens& tokens) {
    Table* table = place.table;
    TableEntry* entry = EntryOf(table);
    if (!entry) return;
    if (tokens.token(0) == proto::kLeaveTable && place.from_lobby) {
        table->Leave(*place.connection);
        ToLobby(place);
    } else if (tokens.token(0) == proto::kName) {
        // The referee hears the name this server lets the player have.
        table->LineFrom(*place.connection, TextLine(proto::kName, TakeName(place, tokens)));
    } else if (tokens.token(0) == proto::kStartNow && entry->creator == place.connection.get()) {
        table->FillEmptySeats();
    } else if (tokens.token(0) == proto::kChat && table->Watches(*place.connection)) {
        // A watcher's line, at the lobby's pace; a seat's goes to the referee, which paces it.
        if (place.chat.Admit(0, ChatGate::Clock::now()))
            table->WatcherSays(place.name.empty() ? "?" : place.name,
                               ReadText(tokens, 1, tokens.data.size(), kChatChars));
    } else {
        table->LineFrom(*place.connection, line);
    }
    if ((entry = EntryOf(table))) Observe(*entry);
}

void Lobby::ListTables(Place& place) {
    for (const TableEntry& entry : tables) {
        const Table& t = *entry.table;
        place.connection->Send(
            ListedTableLine({t.settings().name, t.settings().seats, t.joined(), t.playing(),
                             t.watching(), t.settings().watchers_chat}));
    }
    place.connection->Send(CodeLine(proto::kTablesEnd, static_cast<int>(tables.size())));
}

void Lobby::CreateTable(Place& place, const Tokens& tokens) {
    const std::optional<TableRequest> asked = ReadCreateTable(tokens, 1);
    if (!asked) {
        Refuse(place, refusal::kNotUnderstood, false);
        return;
    }
    if (Named(asked->name)) {
        Refuse(place, refusal::kNameTaken, false);
        return;
    }
    const auto made_here = std::count_if(tables.begin(), tables.end(), [&](const TableEntry& e) {
        return e.made_from == place.connection->address();
    });
    if (static_cast<int>(tables.size()) >= limits.max_tables ||
        made_here >= limits.max_per_address) {
        Refuse(place, refusal::kTooManyTables, false);
        return;
    }
    Table& table = MakeTable({asked->name, asked->seats, asked->strength, asked->watchers_chat},
                             place.connection.get());
    place.where = Where::kTable;
    place.table = &table;
    table.Seat(place.connection, true);
    Observe(*EntryOf(&table));
}

void Lobby::JoinTable(Place& place, const Tokens& tokens, bool watch) {
    TableEntry* entry = Named(ReadText(tokens, 1, tokens.data.size(), kTableNameChars));
    if (!entry) {
        Refuse(place, refusal::kNoSuchTable, false);
        return;
    }
    Table& table = *entry->table;
    if (!watch && !table.HasFreeSeat()) {
        Refuse(place, refusal::kTableFull, false);
        return;
    }
    place.where = Where::kTable;
    place.table = &table;
    if (watch)
        table.Watch(place.connection);
    else
        table.Seat(place.connection, true);
    Observe(*entry);
}

void Lobby::LobbyChat(Place& place, const Tokens& tokens) {
    const std::string text = ReadText(tokens, 1, tokens.data.size(), kChatChars);
    if (text.empty() || !place.chat.Admit(0, ChatGate::Clock::now())) return;
    const std::string line =
        NamedLineOf(proto::kLobbyChatRelay, {place.name.empty() ? "?" : place.name, text});
    for (auto& [c, other] : people)
        if (other.where == Where::kLobby) other.connection->Send(line);
}

Lobby::TableEntry* Lobby::Named(const std::string& name) {
    const std::string wanted = same_case(name);
    for (TableEntry& entry : tables)
        if (same_case(entry.table->settings().name) == wanted) return &entry;
    return nullptr;
}

Lobby::TableEntry* Lobby::EntryOf(const Table* table) {
    for (TableEntry& entry : tables)
        if (entry.table.get() == table) return &entry;
    return nullptr;
}

Table& Lobby::MakeTable(TableSettings settings, Connection* creator) {
    log("event=table-made table=" + quoted(settings.name) +
        " seats=" + std::to_string(settings.seats));
    TableEntry entry;
    entry.table = std::make_unique<Table>(std::move(settings));
    Table* made = entry.table.get();
    made->OnWon([this, made] {
        if (TableEntry* e = EntryOf(made)) KeepGame(*e);
    });
    entry.creator = creator;
    entry.made_from = creator ? creator->address() : "";
    tables.push_back(std::move(entry));
    return *tables.back().table;
}

void Lobby::Observe(TableEntry& entry) {
    const Table& t = *entry.table;
    const bool playing = t.playing();
    if (playing && !entry.was_playing) {
        log("event=game-started table=" + quoted(t.settings().name) +
            " people=" + std::to_string(t.joined()));
        SendSeatRatings(entry);
    }
    if (!playing && entry.was_playing && t.game().winner() != -1) {
        ++entry.games;
        log("event=game-ended table=" + quoted(t.settings().name) +
            " winner=" + std::to_string(t.game().winner()));
    }
    // The winner has been told: the seats from the lobby get the whole record.
    if (entry.kept_game > 0) {
        for (const std::string& line : RecordLines(entry.kept_game, entry.kept_record))
            entry.table->ToLobbySeats(line);
        entry.kept_game = 0;
        entry.kept_record.clear();
    }
    entry.was_playing = playing;
}

void Lobby::Tick(Clock::time_point now) {
    for (auto& [c, place] : people)
        if (place.where == Where::kLobby && now - place.since >= limits.lobby_idle)
            Refuse(place, refusal::kIdle, true);
    for (std::size_t i = 0; i < tables.size();) {
        TableEntry& entry = tables[i];
        const bool nobody = !entry.table->HasPerson();
        if (nobody && !entry.nobody) entry.nobody_since = now;
        entry.nobody = nobody;
        if (nobody && now - entry.nobody_since >= limits.empty_table) {
            EndTable(entry);
            tables.erase(tables.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
}

// Its watchers go back to the lobby.
void Lobby::EndTable(TableEntry& entry) {
    log("event=table-ended table=" + quoted(entry.table->settings().name) +
        " games=" + std::to_string(entry.games));
    for (auto& [c, place] : people)
        if (place.table == entry.table.get()) {
            entry.table->Leave(*place.connection);
            ToLobby(place);
        }
}

void Lobby::Stop() {
    stopping = true;
    for (TableEntry& entry : tables) entry.table->Goodbye();
    for (auto& [c, place] : people) {
        if (place.where == Where::kLobby) place.connection->Send(CodeLine(proto::kGoodbye));
        place.connection->CloseAfterSending();
    }
}

template <class Call>
auto Lobby::Stored(Call call, decltype(call()) fallback) -> decltype(call()) {
    if (!store) return fallback;
    try {
        return call();
    } catch (const DatabaseError& e) {
        log(std::string("event=database-error what=") + quoted(e.what()));
        return fallback;
    }
}

std::string Lobby::TakeName(Place& place, const Tokens& tokens) {
    const std::string wanted = ReadText(tokens, 1, tokens.data.size(), kNameChars);
    place.name = Stored([&] { return store->OwnedName(wanted, place.key_hash); }, wanted);
    return place.name;
}

void Lobby::ListRatings(Place& place) {
    const std::vector<RatedPlayer> best =
        Stored([&] { return store->Best(limits.listed); }, std::vector<RatedPlayer>{});
    for (const RatedPlayer& p : best)
        place.connection->Send(CodeLine(proto::kRated) + RatedFields(p));
    const RatedPlayer own = Stored(
        [&] {
            return store->StandingOf(place.name).value_or(RatedPlayer{0, place.name, 0, 0});
        },
        RatedPlayer{0, place.name, 0, 0});
    place.connection->Send(CodeLine(proto::kRatingsEnd, static_cast<int>(best.size())) +
                           RatedFields(own));
}

void Lobby::ListGames(Place& place, const Tokens& tokens) {
    const std::string of = ReadText(tokens, 1, tokens.data.size(), kNameChars);
    const std::vector<ListedGame> games =
        Stored([&] { return store->Games(of, limits.listed); }, std::vector<ListedGame>{});
    for (const ListedGame& g : games) place.connection->Send(ListedGameLine(g));
    place.connection->Send(CodeLine(proto::kGamesEnd, static_cast<int>(games.size())));
}

void Lobby::WatchAgain(Place& place, const Tokens& tokens) {
    const int id = tokens.token(1);
    const std::optional<std::string> record =
        Stored([&] { return store->RecordOf(id); }, std::optional<std::string>{});
    if (!record) {
        Refuse(place, refusal::kNoSuchGame, false);
        return;
    }
    for (const std::string& line : RecordLines(id, *record)) place.connection->Send(line);
}

void Lobby::KeepGame(TableEntry& entry) {
    const Table& t = *entry.table;
    const GameRecord* finished = t.game().FinishedGame();
    if (!store || !finished) return;
    GameRecord record = *finished;
    record.where = "server " + limits.host + " " + t.settings().name;
    NameSeats(record, t.game().Seats(), t.settings().strength);
    std::array<std::string, kMaxPlayers> keys;
    for (int p = 0; p < record.numplayers; ++p) {
        const auto at = people.find(t.SeatConnection(p));
        if (at != people.end()) keys[p] = at->second.key_hash;
    }
    entry.kept_game =
        Stored([&] { return store->Finish(record, t.settings().name, keys, t.game().table()); }, 0);
    if (entry.kept_game == 0) return;
    // Only the seats that came from the lobby are sent it.
    if (t.HasLobbySeat()) entry.kept_record = RecordText(record);
    log("event=game-kept table=" + quoted(t.settings().name) +
        " game=" + std::to_string(entry.kept_game));
}

void Lobby::SendSeatRatings(const TableEntry& entry) {
    const Table& t = *entry.table;
    // Only the seats that came from the lobby read them.
    if (!t.HasLobbySeat() || !store) return;
    const std::vector<SeatInfo> seats = t.game().Seats();
    std::string line = CodeLine(proto::kSeatRatings);
    for (const SeatInfo& seat : seats) {
        const std::optional<RatedPlayer> rated =
            seat.state == SeatInfo::kComputer ? std::nullopt
                                              : Stored([&] { return store->StandingOf(seat.name); },
                                                       std::optional<RatedPlayer>{});
        line += " " + std::to_string(rated ? rated->rating : -1);
    }
    entry.table->ToLobbySeats(line);
}
