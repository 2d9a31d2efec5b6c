// The referee's extension of the game's lines: names, seats, chat, seat secrets and the guests
// who take a seat back with one.
#include <algorithm>
#include <iterator>

#include "game/line_text.h"
#include "game/protocol.h"
#include "game/referee.h"
#include "game/table_line.h"

bool Server::Speaks(int p) const {
    if (!extension || p < 0 || p >= numplayers || !exch.IsPlayerRemote(p)) return false;
    if (client_versions[p] >= proto::kExtensionVersion) return true;
    return client_versions[p] == -1 && !client_versions_done && introduced[p];
}

std::vector<SeatInfo> Server::Seats() const {
    std::vector<SeatInfo> seats;
    for (int p = 0; p < numplayers; ++p) {
        // A seat is away from the moment its person is gone, though the exchange may still hold
        // the connection it heard the end of.
        const int state = left[p]                  ? SeatInfo::kAway
                          : exch.IsPlayerRemote(p) ? SeatInfo::kPerson
                                                   : SeatInfo::kComputer;
        seats.push_back({names[p].empty() ? UnnamedSeat(p) : names[p], state});
    }
    return seats;
}

void Server::SendSeats() {
    const std::string seats = SeatsLine(Seats());
    Record(seats);
    for (int p = 0; p < numplayers; ++p) SendExtension(p, seats);
}

// Straight to the connection: nobody answers the extension's lines in a player's name.
void Server::SendExtension(int p, const std::string& msg) {
    if (Speaks(p)) exch.ServerSend(p, msg);
}

// Every name taken tells every client the seats: a name is taken only when it changes, and no
// faster than chat lines.
void Server::TakeName(int p, const Tokens& tokens) {
    std::string asked = ReadText(tokens, 2, tokens.data.size(), 4 * kNameChars);
    if (asked == asked_names[p] || !name_gate.Admit(p, ChatGate::Clock::now())) return;
    asked_names[p] = std::move(asked);
    names[p] = SeatName(p, asked_names[p], Seats());
    SendSeats();
}

// A chat line goes to every client that speaks the extension, the sender's too, as it is relayed:
// it never changes the game. Lines that come too fast are dropped, and the sender told.
void Server::RelayChat(int p, const Tokens& tokens) {
    const std::string text = ReadText(tokens, 2, tokens.data.size(), kChatChars);
    if (text.empty()) return;
    if (!chat_gate.Admit(p, ChatGate::Clock::now())) {
        SendExtension(p, CodeLine(proto::kChatDropped));
        return;
    }
    const std::string relay = TextLine(proto::kChatRelay, p, text);
    for (int q = 0; q < numplayers; ++q) SendExtension(q, relay);
    // The table's watchers read its chat too; it is no part of the game's record.
    exch.Published(relay);
}

void Server::Goodbye() {
    for (int p = 0; p < numplayers; ++p) SendExtension(p, CodeLine(proto::kGoodbye));
}

bool Server::Knows(int p, const SeatSecret& secret) const {
    return p >= 0 && p < numplayers && secrets[p] && secrets[p]->Matches(secret);
}

bool Server::Reclaimable(int p) const {
    return p >= 0 && p < numplayers && client_versions_done && win == -1 && left[p] &&
           !exch.IsPlayerRemote(p) && secrets[p];
}

// A seat's connection may drop before the referee hears of it: a guest is held throughout a game
// that handed out secrets, so that the first try to take a seat back can wait for that. The game
// over, until the next one, a person coming back is told at once that the seat is gone, instead
// of finding the connection closed and trying again in vain.
void Server::FollowGuests() {
    exch.WelcomeGuests(client_versions_done &&
                       std::any_of(std::begin(secrets), std::end(secrets),
                                   [](const auto& s) { return s.has_value(); }));
}

// A guest gets one try: the right secret of a seat whose person is away takes the seat back, with
// the table as that seat sees it; anything else is refused and the connection closed. Only the
// lines after it reach the seat: every answer it owed while away was given in its name.
void Server::GuestLine(int guest, const Tokens& tokens) {
    if (tokens.token(1) != proto::kRejoin) {
        exch.CloseGuest(guest);
        return;
    }
    const int p = tokens.token(2);
    const std::optional<SeatSecret> secret = ReadSecret(tokens, 3);
    const bool known =
        p >= 0 && p < numplayers && secrets[p] && secret && secrets[p]->Matches(*secret);
    int why = tokens.data.size() > 2 ? proto::kNotYourSeat : proto::kInPlay;
    // The old connection's end may not have reached the referee yet: the client tries again.
    if (known && (exch.IsPlayerRemote(p) || !left[p])) why = proto::kSeatInUse;
    if (!known || !Reclaimable(p) || !exch.SeatGuest(guest, p)) {
        exch.GuestSend(guest, CodeLine(proto::kRejoinRefused, why));
        exch.CloseGuest(guest);
        return;
    }
    left[p] = false;
    client_versions[p] = proto::kExtensionVersion;
    exch.ServerSend(
        p, SeatTableLine(proto::kSeatTable, {numplayers, p, turn, SeenBy(tracker, p), turns}));
    SendRecord(p);
    SendSeats();
}

// What the seat missed, as every seat saw it: the whole game so far, so that its story is told
// from the start, and its marks show what the others did since its last turn.
void Server::SendRecord(int p) {
    for (const std::string& line : public_record)
        exch.ServerSend(p, CodeLine(proto::kRecordLine) + " " + line);
}
