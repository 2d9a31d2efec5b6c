#include "server/table.h"

#include <algorithm>

#include "game/line_text.h"
#include "game/lobby_lines.h"
#include "game/player_message.h"
#include "game/protocol.h"
#include "game/seat_list.h"
#include "game/table_line.h"

Table::Table(TableSettings settings_t) : given(std::move(settings_t)), referee(given.seats, *this) {
    for (int p = 0; p < given.seats; ++p) referee.SetStrategy(p, given.strength);
}

int Table::joined() const {
    return static_cast<int>(std::count_if(seats.begin(), seats.end(),
                                          [](const ConnectionPtr& c) { return c != nullptr; }));
}

bool Table::HasPerson() const {
    if (joined() > 0 || !guests.empty()) return true;
    const std::vector<SeatInfo> seated = referee.Seats();
    return playing() && std::any_of(seated.begin(), seated.end(),
                                    [](const SeatInfo& s) { return s.state == SeatInfo::kAway; });
}

void Table::Post(int player, std::string message) {
    posted.emplace_back(player, std::move(message));
    Pump();
}

void Table::Pump() {
    if (pumping) return;
    pumping = true;
    while (!posted.empty()) {
        auto [player, message] = std::move(posted.front());
        posted.pop_front();
        referee.Receive(player, message);
    }
    pumping = false;
}

int Table::SeatOf(const Connection& c) const {
    for (int p = 0; p < given.seats; ++p)
        if (seats[p].get() == &c) return p;
    return -1;
}

// The lowest seat reopened after a game, or the next in order.
int Table::NextSeat() {
    if (reopened.empty()) return taken;
    const int seat = reopened.back();
    reopened.pop_back();
    return seat;
}

void Table::Seat(const ConnectionPtr& c, bool speaks_lobby) {
    if (!HasFreeSeat()) return;
    const int seat = NextSeat();
    seats[seat] = c;
    lobby_seat[seat] = speaks_lobby;
    ++taken;
    Post(seat, std::to_string(kJoined));
    if (speaks_lobby) c->Send(CodeLine(proto::kWatchers, watching()));
}

void Table::Guest(const ConnectionPtr& c, const std::string& first_line) {
    if (!guests_welcome) {
        c->Close();
        return;
    }
    if (static_cast<int>(guests.size()) >= kMostGuests) CloseGuest(guests.front().id);
    const int id = next_guest++;
    guests.push_back({id, c});
    Post(id, std::to_string(kNetworkLine) + " " + first_line);
}

void Table::Watch(const ConnectionPtr& c) {
    if (Watches(*c)) return;
    const Server& r = referee;
    c->Send(SeatTableLine(proto::kWatchedTable,
                          {given.seats, -1, r.current_turn(), SeenBy(r.table(), -1), r.history()}));
    c->Send(SeatsLine(r.Seats()));
    for (const std::string& line : r.record()) c->Send(CodeLine(proto::kRecordLine) + " " + line);
    watchers.push_back(c);
    TellWatchers();
}

void Table::TellWatchers() {
    for (int p = 0; p < given.seats; ++p)
        if (seats[p] && lobby_seat[p]) seats[p]->Send(CodeLine(proto::kWatchers, watching()));
}

void Table::LineFrom(Connection& c, const std::string& line) {
    if (const int p = SeatOf(c); p != -1) {
        Post(p, std::to_string(kNetworkLine) + " " + line);
        return;
    }
    for (const GuestConnection& g : guests)
        if (g.connection.get() == &c) {
            Post(g.id, std::to_string(kNetworkLine) + " " + line);
            return;
        }
}

void Table::Leave(Connection& c) {
    if (const int p = SeatOf(c); p != -1) {
        seats[p].reset();
        Post(p, std::to_string(kGone));
        return;
    }
    guests.erase(std::remove_if(guests.begin(), guests.end(),
                                [&](const GuestConnection& g) { return g.connection.get() == &c; }),
                 guests.end());
    const auto watcher = std::find_if(watchers.begin(), watchers.end(),
                                      [&](const ConnectionPtr& w) { return w.get() == &c; });
    if (watcher == watchers.end()) return;
    watchers.erase(watcher);
    TellWatchers();
}

bool Table::FillEmptySeats() {
    if (taken == 0 || taken >= given.seats) return false;
    const int last = reopened.empty() ? given.seats - 1 : reopened.front();
    reopened.clear();
    taken = given.seats;
    Post(last, std::to_string(kJoined));
    return true;
}

bool Table::Watches(const Connection& c) const {
    return std::any_of(watchers.begin(), watchers.end(),
                       [&](const ConnectionPtr& w) { return w.get() == &c; });
}

void Table::WatcherSays(const std::string& name, const std::string& text) {
    if (!given.watchers_chat || text.empty()) return;
    const std::string line = NamedLineOf(proto::kWatcherChat, {name, text});
    for (int p = 0; p < given.seats; ++p)
        if (seats[p] && lobby_seat[p]) seats[p]->Send(line);
    for (const ConnectionPtr& w : watchers) w->Send(line);
}

void Table::Goodbye() {
    const std::string line = CodeLine(proto::kGoodbye);
    for (int p = 0; p < given.seats; ++p)
        if (seats[p] && (lobby_seat[p] || referee.HearsExtension(p))) seats[p]->Send(line);
    for (const ConnectionPtr& w : watchers) w->Send(line);
}

bool Table::IsPlayerRemote(int p) const {
    return p >= 0 && p < given.seats && seats[p] && seats[p]->open();
}

bool Table::IsAnyoneConnected() const {
    return joined() > 0;
}

bool Table::ServerSend(int p, const std::string& line) {
    if (!IsPlayerRemote(p)) return false;
    seats[p]->Send(line);
    return seats[p]->open();
}

void Table::ServerKill(int p) {
    if (p < 0 || p >= given.seats || !seats[p]) return;
    const ConnectionPtr c = std::move(seats[p]);
    seats[p].reset();
    Post(p, std::to_string(kGone));
    c->Close();
}

int Table::ReopenEmptySeats() {
    reopened.clear();
    for (int p = given.seats - 1; p >= 0; --p)
        if (!seats[p]) reopened.push_back(p);
    taken = given.seats - static_cast<int>(reopened.size());
    return static_cast<int>(reopened.size());
}

void Table::WelcomeGuests(bool on) {
    guests_welcome = on;
    if (on) return;
    while (!guests.empty()) CloseGuest(guests.front().id);
}

void Table::GuestSend(int guest, const std::string& line) {
    for (const GuestConnection& g : guests)
        if (g.id == guest) g.connection->Send(line);
}

void Table::CloseGuest(int guest) {
    const auto it = std::find_if(guests.begin(), guests.end(),
                                 [guest](const GuestConnection& g) { return g.id == guest; });
    if (it == guests.end()) return;
    const ConnectionPtr c = it->connection;
    guests.erase(it);
    c->CloseAfterSending();
}

bool Table::SeatGuest(int guest, int seat) {
    const auto it = std::find_if(guests.begin(), guests.end(),
                                 [guest](const GuestConnection& g) { return g.id == guest; });
    if (it == guests.end() || seat < 0 || seat >= given.seats || seats[seat]) return false;
    seats[seat] = it->connection;
    lobby_seat[seat] = false;
    guests.erase(it);
    return true;
}

bool Table::HasLobbySeat() const {
    for (int p = 0; p < given.seats; ++p)
        if (LobbySeat(p)) return true;
    return false;
}

void Table::ToLobbySeats(const std::string& line) {
    for (int p = 0; p < given.seats; ++p)
        if (LobbySeat(p)) seats[p]->Send(line);
}

void Table::Published(const std::string& line) {
    for (const ConnectionPtr& w : watchers) w->Send(line);
}
