#include "server/lobby.h"

#include <algorithm>

#include "exchange/tokens.h"
#include "game/line_text.h"
#include "game/protocol.h"
#include "game/seat_secret.h"

namespace {

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
                                       "not-understood",  "idle"};
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
    if (tokens.token(0) == proto::kLobbyHello && tokens.token(1) >= proto::kLobbyVersion) {
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
            place.name = ReadText(tokens, 1, tokens.data.size(), kNameChars);
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
    entry.creator = creator;
    entry.made_from = creator ? creator->address() : "";
    tables.push_back(std::move(entry));
    return *tables.back().table;
}

void Lobby::Observe(TableEntry& entry) {
    const Table& t = *entry.table;
    const bool playing = t.playing();
    if (playing && !entry.was_playing)
        log("event=game-started table=" + quoted(t.settings().name) +
            " people=" + std::to_string(t.joined()));
    if (!playing && entry.was_playing && t.game().winner() != -1) {
        ++entry.games;
        log("event=game-ended table=" + quoted(t.settings().name) +
            " winner=" + std::to_string(t.game().winner()));
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
