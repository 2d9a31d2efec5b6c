#include "game/client_server.h"

#include <algorithm>
#include <ctime>
#include <iterator>
#include <stdexcept>

#include "exchange/exchange.h"
#include "game/cards.h"
#include "game/line_text.h"
#include "game/protocol.h"
#include "game/table_line.h"
#include "game/tracker_modify.h"

namespace {

// Message kinds: the first token of a player message.
constexpr int kJoined = 0;
constexpr int kNetworkLine = 1;
constexpr int kLocalLine = 2;
constexpr int kGone = 3;

std::string line(int code) {
    return int_to_string(code);
}
std::string line(int code, int arg) {
    std::string out = int_to_string(code);
    out += ' ';
    append_int(out, arg);
    return out;
}

// Decimal integers and blanks; a carriage return may end the line.
bool is_protocol_text(const std::string& msg) {
    std::size_t end = msg.size();
    if (end > 0 && msg[end - 1] == '\r') --end;
    return msg.find_first_not_of("0123456789- ") >= end;
}

unsigned time_seed() {
    return static_cast<unsigned>(std::time(nullptr));
}

// Appends the record moving the top card of src_pile onto target_pile, without its face.
void append_top_record(std::string& out, int target_pile, int src_pile) {
    out += ' ';
    append_int(out, proto::kTopToTop);
    out += ' ';
    append_int(out, target_pile);
    out += ' ';
    append_int(out, src_pile);
    out += " 1 ";
}

// Rejects (throws -1) each move of a player's 210 line that the rules do not allow: only hand
// cards of the mover, with their real faces, laid where they fit, and board piles moved onto
// board piles they fit.
class PlayCheck : public TrackerModify {
  public:
    PlayCheck(const Tracker& table_t, int mover_t) : table(table_t), mover(mover_t) {}

    void BeforeMove(int code, int target, int src, signed char card, signed char face) override {
        if (code == proto::kPileToPile || code == proto::kPileToPileAlt) {
            if (!is_board_pile(target) || !is_board_pile(src) ||
                !table.is_valid_pile_move(src, target))
                throw -1;
            return;
        }
        const bool to_top = code == proto::kHandToTop || code == proto::kHandToTopAlt;
        const bool to_bottom = code == proto::kHandToBottom || code == proto::kHandToBottomAlt;
        if ((!to_top && !to_bottom) || src != mover || !is_board_pile(target) || !is_card(card) ||
            table.cards[card] != face)
            throw -1;
        if (to_top ? !table.fits_on_top(face, target) : !table.fits_under(face, target)) throw -1;
    }

  private:
    const Tracker& table;
    int mover;
};

}  // namespace

// ---- The referee: course of play ----

Server::Server(int numplayers_t, Exchange& exch_t, SeedSource seed_source_t)
    : exch(exch_t),
      numplayers(numplayers_t),
      seed_source(seed_source_t ? std::move(seed_source_t) : time_seed) {
    ResetClients();
}

Server::Server(const PlayTurn& at, Exchange& exch_t, SeedSource seed_source_t)
    : exch(exch_t),
      numplayers(at.numplayers),
      turn(at.turn),
      client_versions_done(true),
      any_client_versions_done(true),
      on_disconnect(kOwesPlay),
      hands_dealt(true),
      turns(at.history),
      tracker(at.table),
      seed_source(seed_source_t ? std::move(seed_source_t) : time_seed) {
    std::fill(client_versions, client_versions + numplayers, 0);
}

void Server::Send(int player_t, const std::string& msg) {
    if (exch.IsLocalMode() && player_t == 0) {
        exch.ServerSend(0, msg);
        return;
    }
    if (exch.IsPlayerRemote(player_t) && exch.ServerSend(player_t, msg)) return;
    LocalSend(player_t, msg);
}

void Server::SendAll(const std::string& msg) {
    for (int i = 0; i < numplayers; ++i) Send(i, msg);
}

void Server::SendSplit(int player_num, const std::string& msg1, const std::string& msg2) {
    for (int i = 0; i < numplayers; ++i) Send(i, i == player_num ? msg2 : msg1);
}

void Server::LocalSend(int player_t, const std::string& msg) {
    Tokens tokens(msg);
    auto answer = [&](int from, const std::string& text) {
        Exchange::PushPlayerMessage(from, "2 " + text);
    };
    switch (tokens.token(0)) {
        case proto::kVersion:
            // Once every seat of a served game has been taken, a player without a connection
            // has left; it is answered for like at every later turn. In the first local game
            // EvaluateVersions fills in these versions.
            if (any_client_versions_done || (!exch.IsLocalMode() && exch.GetPlayerWaitCount() == 0))
                answer(player_t, line(proto::kVersionAnswer, 0));
            break;
        case proto::kWaiting:
        case proto::kDeckEmpty:
            break;
        case proto::kPlayerLeft:
            LocalSendLeft(tokens.token(1));
            break;
        case proto::kWinner:
            answer(player_t, line(proto::kGameOverAck));
            break;
        case proto::kPublished:
            if (turn == player_t) answer(player_t, line(proto::kSeen));
            break;
        case proto::kTurn:
            if (turn == player_t) answer(player_t, line(proto::kAutoPlay));
            break;
        case proto::kDealTurn:
            if (turn == player_t) answer(player_t, line(proto::kDealAck));
            break;
        default:
            throw std::runtime_error("Sent unsupported commands");
    }
}

// The answer a player who left still owes, given in that player's name.
void Server::LocalSendLeft(int left) {
    if (left < 0 || left >= numplayers) return;
    auto answer = [&](const std::string& text) { Exchange::PushPlayerMessage(left, "2 " + text); };
    if (!client_versions_done) {
        answer(line(proto::kVersionAnswer, 0));
        return;
    }
    if (win != -1) {
        if (client_versions[left] != -1) answer(line(proto::kGameOverAck));
        return;
    }
    if (turn != left) return;
    if (on_disconnect == kOwesDealAck) answer(line(proto::kDealAck));
    if (on_disconnect == kOwesSeen) answer(line(proto::kSeen));
    if (on_disconnect == kOwesPlay) answer(line(proto::kAutoPlay));
}

bool Server::Receive(int player_t, const std::string& msg) {
    Tokens tokens(msg);
    switch (tokens.token(0)) {
        case kJoined:
            // A referee that took up a game where it left off has its players already.
            if (client_versions_done && !refilling) return false;
            // A seat taken anew starts without the name of whoever sat there before.
            if (player_t >= 0 && player_t < numplayers)
                names[player_t].clear(), asked_names[player_t].clear(),
                    left[player_t] = false, introduced[player_t] = false;
            SendAll(line(proto::kWaiting, exch.GetPlayerWaitCount()));
            SendSeats();
            if (exch.GetPlayerWaitCount() == 0) refilling = false, ResetClients();
            return false;
        case kGone:
            SendAll(line(proto::kPlayerLeft, player_t));
            if (player_t >= 0 && player_t < numplayers) {
                left[player_t] = true;
                SendSeats();
            }
            return exch.GetPlayerWaitCount() == 0 && !exch.IsAnyoneConnected();
        case kNetworkLine:
            if (Exchange::IsGuest(player_t)) {
                GuestLine(player_t, tokens);
                return false;
            }
            // A peer sending what no client writes is not playing: let the referee take over.
            if (!is_protocol_text(msg)) {
                exch.ServerKill(player_t);
                return false;
            }
            [[fallthrough]];
        case kLocalLine:
            // Only the exchange's player numbers 0..numplayers-1 take part in this game.
            if (player_t >= 0 && player_t < numplayers) ReceiveLine(player_t, tokens);
            return false;
        default:
            return false;
    }
}

bool Server::Owes(int player_t, Owed answer) const {
    return turn != -1 && turn == player_t && win == -1 && on_disconnect == answer;
}

void Server::ReceiveLine(int player_t, Tokens& tokens) {
    switch (tokens.token(1)) {
        case proto::kVersionAnswer:
            // Taken once a game, while the referee awaits it: each one draws a secret and tells
            // every client the seats.
            if (client_versions_done || client_versions[player_t] != -1) break;
            client_versions[player_t] = tokens.token(2);
            if (client_versions[player_t] < 0) {
                exch.ServerKill(player_t);
                break;
            }
            // The seats first: the game's first lines may name them.
            if (Speaks(player_t)) {
                SendSeats();
                secrets[player_t] = DrawSecret();
                std::string secret = line(proto::kSeatSecret);
                AppendSecret(secret, *secrets[player_t]);
                SendExtension(player_t, secret);
            }
            EvaluateVersions();
            break;
        case proto::kName:
            // A name that comes before the game shows the player speaks the extension: the
            // waiting players are named.
            if (!client_versions_done && exch.IsPlayerRemote(player_t)) introduced[player_t] = true;
            if (Speaks(player_t)) TakeName(player_t, tokens);
            break;
        case proto::kChat:
            if (Speaks(player_t)) RelayChat(player_t, tokens);
            break;
        case proto::kGameOverAck:
            if (win == -1) {
                exch.ServerKill(player_t);
            } else {
                client_versions[player_t] = -1;
                EvaluateVersions();
            }
            break;
        case proto::kSeen:
            if (Owes(player_t, kOwesSeen)) Seen();
            break;
        case proto::kPlay:
            if (!Owes(player_t, kOwesPlay)) break;
            if (!IsValidPlay(tokens)) {
                RejectPlay(player_t, tokens);
                break;
            }
            UserPlay(tokens);
            on_disconnect = kOwesSeen;
            break;
        case proto::kAutoPlay:
            if (!Owes(player_t, kOwesPlay)) break;
            AutoPlay();
            on_disconnect = kOwesSeen;
            break;
        case proto::kDealAck:
            if (hands_dealt) {
                exch.ServerKill(player_t);
            } else if (Owes(player_t, kOwesDealAck)) {
                DealCards();
                on_disconnect = kOwesSeen;
            }
            break;
        default:
            break;
    }
}

// The turn player has applied the published moves: deal on, or pass the play turn.
void Server::Seen() {
    if (!hands_dealt && turn != numplayers - 1) {
        NextTurn(true);
        on_disconnect = kOwesDealAck;
        return;
    }
    hands_dealt = true;
    NextTurn(false);
    on_disconnect = kOwesPlay;
}

bool Server::Speaks(int p) const {
    if (!extension || p < 0 || p >= numplayers || !exch.IsPlayerRemote(p)) return false;
    if (client_versions[p] >= proto::kExtensionVersion) return true;
    return client_versions[p] == -1 && !client_versions_done && introduced[p];
}

std::vector<SeatInfo> Server::Seats() const {
    std::vector<SeatInfo> seats;
    for (int p = 0; p < numplayers; ++p) {
        const int state = exch.IsPlayerRemote(p) ? SeatInfo::kPerson
                          : left[p]              ? SeatInfo::kAway
                                                 : SeatInfo::kComputer;
        seats.push_back({names[p].empty() ? UnnamedSeat(p) : names[p], state});
    }
    return seats;
}

void Server::SendSeats() {
    const std::string seats = SeatsLine(Seats());
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
        SendExtension(p, line(proto::kChatDropped));
        return;
    }
    const std::string relay = TextLine(proto::kChatRelay, p, text);
    for (int q = 0; q < numplayers; ++q) SendExtension(q, relay);
}

void Server::Goodbye() {
    for (int p = 0; p < numplayers; ++p) SendExtension(p, line(proto::kGoodbye));
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
        exch.GuestSend(guest, line(proto::kRejoinRefused, why));
        exch.CloseGuest(guest);
        return;
    }
    left[p] = false;
    client_versions[p] = proto::kExtensionVersion;
    exch.ServerSend(
        p, SeatTableLine(proto::kSeatTable, {numplayers, p, turn, SeenBy(tracker, p), turns}));
    SendSeats();
}

void Server::RejectPlay(int player_t, const Tokens& tokens) {
    if (exch.IsLocalMode())
        throw std::runtime_error("Local game: invalid play from player " + int_to_string(player_t) +
                                 ": " + tokens.get_string());
    // The player's leaving makes the referee play this turn in its name.
    exch.ServerKill(player_t);
}

bool IsLegalPlay(const Tracker& table, int mover, const Tokens& tokens, unsigned offset) {
    // The moves are checked as they are made on a copy, each against the table as it is then.
    Tracker copy = table;
    PlayCheck check(copy, mover);
    return check.TryModify(&copy, tokens, offset);
}

bool Server::IsValidPlay(const Tokens& tokens) const {
    return IsLegalPlay(tracker, turn, tokens, 2);
}

void Server::ResetClients() {
    win = -1;
    turn = -1;
    for (auto& secret : secrets) secret.reset();
    // A new game: a seat without a connection is the computer's, nobody's away.
    std::fill(std::begin(left), std::end(left), false);
    FollowGuests();
    std::fill(std::begin(client_versions), std::end(client_versions), -1);
    for (int i = 0; i < numplayers; ++i) {
        std::string msg = line(proto::kVersion, proto::kProtocolVersion);
        msg += ' ';
        append_int(msg, numplayers);
        msg += ' ';
        append_int(msg, i);
        Send(i, msg);
    }
    on_disconnect = kOwesNothing;
    client_versions_done = false;
    hands_dealt = false;
    tracker.ResetServer(seed_source());
    turns = TurnHistory{};
}

void Server::EvaluateVersions() {
    auto any_version = [&](bool (*test)(int)) {
        return std::any_of(client_versions, client_versions + numplayers, test);
    };
    if (!client_versions_done) {
        if (exch.IsLocalMode())
            for (int i = 1; i < numplayers; ++i) client_versions[i] = 0;
        if (any_version([](int v) { return v == -1; })) return;
        client_versions_done = true;
        any_client_versions_done = true;
        FollowGuests();
        DrawBoard();
        NextTurn(true);
        on_disconnect = kOwesDealAck;
        return;
    }
    if (win == -1) return;
    if (any_version([](int v) { return v != -1; })) return;
    // Seats whose players left wait for new ones, or for the host to give them to the computer.
    if (!exch.IsLocalMode() && exch.ReopenEmptySeats() > 0) {
        refilling = true;
        SendAll(line(proto::kWaiting, exch.GetPlayerWaitCount()));
        return;
    }
    ResetClients();
}

void Server::NextTurn(bool auto_mode) {
    turn = (turn + 1) % numplayers;
    if (auto_mode)
        SendAll(line(proto::kDealTurn, turn));
    else
        NextUserTurn();
}

void Server::NextUserTurn() {
    turns.TurnBegins(tracker, numplayers, !deck_is_empty());
    if (send_move_top_to_top_one_card(turn, kDeck, line(proto::kTurn, turn))) return;
    SendAll(line(proto::kDeckEmpty));
    SendAll(line(proto::kTurn, turn));
}

void Server::Win(int winner) {
    turn = -1;
    win = winner;
    SendAll(line(proto::kWinner, win));
    on_disconnect = kOwesNothing;
}

void Server::AutoPlay() {
    throw std::runtime_error("Auto play: not implemented");
}

// ---- The referee: move handling ----

bool Server::deck_is_empty() const {
    return tracker.pile[kDeck].empty();
}

bool Server::last_deck_is_king() const {
    return is_king(tracker.cards[tracker.pile[kDeck].back()]);
}

std::string Server::published_line(int mover) {
    return line(proto::kPublished, mover);
}

void Server::move_top_to_top_board(int target_pile, int src_pile, std::string& msg) {
    append_top_record(msg, target_pile, src_pile);
    append_int(msg, tracker.cards[tracker.pile[src_pile].back()]);
    tracker.move_top_to_top(target_pile, src_pile, -1);
}

bool Server::send_move_top_to_top_one_card(int target_pile, int src_pile,
                                           const std::string& prefix) {
    if (tracker.pile[src_pile].empty()) return false;
    std::string hidden = prefix;
    append_top_record(hidden, target_pile, src_pile);
    std::string seen = hidden;
    hidden += "-1";
    append_int(seen, tracker.cards[tracker.pile[src_pile].back()]);
    SendSplit(target_pile, hidden, seen);
    tracker.move_top_to_top(target_pile, src_pile, -1);
    return true;
}

void Server::DrawBoard() {
    std::string msg = published_line(-1);
    // Kings from the deck open the corner piles until every side pile has a card.
    std::size_t regular_cards = 0, num_kings = 0;
    while (regular_cards < std::size(kSidePiles)) {
        if (deck_is_empty()) throw std::runtime_error("Can't deal to board: out of cards!");
        if (last_deck_is_king())
            move_top_to_top_board(kCornerPiles[num_kings++], kDeck, msg);
        else
            move_top_to_top_board(kSidePiles[regular_cards++], kDeck, msg);
    }
    SendAll(msg);
}

void Server::DealCards() {
    std::string msg1 = published_line(-1), msg2 = msg1;
    const int p = turn;
    for (int i = 0; i < kHandSize; ++i) {
        if (deck_is_empty()) throw std::runtime_error("Can't deal to a hand: out of cards!");
        append_top_record(msg1, p, kDeck);
        msg1 += "-1";
        append_top_record(msg2, p, kDeck);
        append_int(msg2, tracker.cards[tracker.pile[kDeck].back()]);
        tracker.move_top_to_top(p, kDeck, -1);
    }
    SendSplit(p, msg1, msg2);
}

void Server::UserPlay(Tokens& tokens) {
    std::string s = published_line(turn);
    TrackerModify plain;
    plain.Modify(&tracker, &tokens, 2, s);
    SendAll(s);
    if (tracker.is_winner(turn)) Win(turn);
}

// ---- The client ----

void TableFollower::FollowRecords(Tokens& command) {
    std::string ignored;
    TrackerModify().Modify(&client.tracker, &command, 3, ignored);
}

void TableFollower::Play(int turn, int playernum_t, Tokens& command) {
    const bool others = turn != playernum_t && turn != -1;
    const bool records = command.data.size() > 3;
    const Tracker before = others ? client.tracker : Tracker{};
    if (records && command.token(2) != playernum_t) FollowRecords(command);
    if (others) OthersPlayed(turn, before, records);
    if (turn == playernum_t) exch.ClientSend(line(proto::kSeen));
}

void TableFollower::Turn(int turn, int, Tokens& command) {
    if (command.data.size() > 3) FollowRecords(command);
    TurnBegins(turn);
}

void TableFollower::TurnBegins(int turn) {
    if (turn == playernum) OwnTurn();
}

void TableFollower::SetPlayerNum(int playernum_t, int numplayers_t) {
    playernum = playernum_t;
    numplayers = numplayers_t;
}

bool Client::Receive(const std::string& msg) {
    Tokens tokens(msg);
    const int kind = tokens.token(0);
    if (kind == kGone) return true;
    if (kind != kNetworkLine && kind != kLocalLine) return false;
    switch (tokens.token(1)) {
        case proto::kVersion:
            if (tokens.token(3) < 2 || tokens.token(3) > kMaxPlayers || tokens.token(4) < 0 ||
                tokens.token(4) >= tokens.token(3))
                return RefereeLost();
            // The extension's version: a referee that does not speak it takes any version.
            exch.ClientSend(line(proto::kVersionAnswer, proto::kExtensionVersion));
            if (!name.empty()) exch.ClientSend(TextLine(proto::kName, name));
            serverversion = tokens.token(2);
            numplayers = tokens.token(3);
            playernum = tokens.token(4);
            turn = -1;
            tracker.ResetClient();
            history = TurnHistory{};
            if (connector) connector->SetPlayerNum(playernum, numplayers);
            break;
        case proto::kWaiting:
            awaited_players = std::clamp(tokens.token(2), 0, kMaxPlayers);
            break;
        case proto::kPlayerLeft:
            // A line naming no player of the game tells nothing: the game goes on.
            if (IsPlayer(tokens.token(2)) && connector) connector->PlayerLeft(tokens.token(2));
            break;
        case proto::kWinner:
            if (!IsPlayer(tokens.token(2))) return RefereeLost();
            Exchange::PushLocalMessage(static_cast<unsigned>(EXCH_WINNER),
                                       EventData(tokens.token(2)), nullptr);
            turn = -1;
            break;
        case proto::kPublished:
            // The connector applies the moves of the others; its own are on its table already.
            if (!connector) {
                if (turn == playernum) exch.ClientSend(line(proto::kSeen));
            } else if (tokens.token(2) != playernum && !RecordsApply(tokens)) {
                return RefereeLost();
            } else {
                connector->Play(turn, playernum, tokens);
            }
            break;
        case proto::kTurn:
            if (!IsPlayer(tokens.token(2))) return RefereeLost();
            turn = tokens.token(2);
            // A 300 line carries the draw's record, unless the deck was empty.
            history.TurnBegins(tracker, numplayers, tokens.data.size() > 3);
            if (!connector) {
                if (turn == playernum) exch.ClientSend(line(proto::kAutoPlay));
            } else if (!RecordsApply(tokens)) {
                return RefereeLost();
            } else {
                connector->Turn(turn, playernum, tokens);
            }
            break;
        case proto::kDealTurn:
            if (!IsPlayer(tokens.token(2))) return RefereeLost();
            turn = tokens.token(2);
            if (turn == playernum) exch.ClientSend(line(proto::kDealAck));
            break;
        case proto::kSeatTable:
            if (rejoining && !TakeSeatTable(tokens)) return RefereeLost();
            break;
        case proto::kRejoinRefused:
            if (rejoining || playernum == -1) refused = std::clamp(tokens.token(2), 0, 2);
            break;
        case proto::kGoodbye:
            goodbye = true;
            break;
        default:
            FollowExtension(tokens);
            break;
    }
    return false;
}

bool Client::TakeSeatTable(const Tokens& tokens) {
    std::optional<SeatTable> view = ReadSeatTable(tokens, 2);
    if (!view) return false;
    rejoining = false;
    serverversion = proto::kProtocolVersion;
    numplayers = view->numplayers;
    playernum = view->seat;
    turn = view->turn;
    tracker = view->table;
    history = view->history;
    restored = true;
    TellRestored();
    return true;
}

void Client::TellRestored() {
    if (!connector || !restored) return;
    restored = false;
    connector->SetPlayerNum(playernum, numplayers);
    connector->Rejoined(turn);
}

void Client::ConnectClientConnector(ClientConnector* connector_t) {
    connector = connector_t;
    TellRestored();
}

void Client::Rejoin(int seat, const SeatSecret& secret) {
    rejoining = true;
    refused = -1;
    std::string out = line(proto::kRejoin, seat);
    AppendSecret(out, secret);
    exch.ClientSend(out);
}

bool Client::MayRejoinAgain() const {
    return refused == -1 || refused == proto::kSeatInUse;
}

void Client::AskToJoin() {
    exch.ClientSend(line(proto::kRejoin));
    if (!name.empty()) exch.ClientSend(TextLine(proto::kName, name));
}

void Client::Resume(const PlayTurn& at, int playernum_t) {
    serverversion = proto::kProtocolVersion;
    numplayers = at.numplayers;
    playernum = playernum_t;
    turn = at.turn;
    tracker = SeenBy(at.table, playernum);
    history = at.history;
    if (connector) connector->SetPlayerNum(playernum, numplayers);
}

// The extension's lines tell only the user interface; one that is not well formed is ignored.
void Client::FollowExtension(const Tokens& tokens) {
    if (!connector) return;
    switch (tokens.token(1)) {
        case proto::kSeats: {
            // Before its 100 line the client knows the game's size from the list alone.
            const int seats_of = numplayers > 0 ? numplayers : tokens.token(2);
            std::vector<SeatInfo> seats = ReadSeats(tokens, seats_of);
            if (!seats.empty()) connector->SeatsChanged(seats);
            break;
        }
        case proto::kChatRelay: {
            const std::string text = ReadText(tokens, 3, tokens.data.size(), kChatChars);
            if (IsPlayer(tokens.token(2)) && !text.empty())
                connector->ChatLine(tokens.token(2), text);
            break;
        }
        case proto::kChatDropped:
            connector->ChatDropped();
            break;
        case proto::kSeatSecret:
            if (const auto secret = ReadSecret(tokens, 2); secret && IsPlayer(playernum))
                connector->SecretGiven(*secret);
            break;
        default:
            break;
    }
}

void Client::Chat(const std::string& text) {
    const std::string clean = PrintableText(text, kChatChars);
    if (!clean.empty()) exch.ClientSend(TextLine(proto::kChat, clean));
}

bool Client::IsPlayer(int p) const {
    return p >= 0 && p < numplayers;
}

bool Client::RecordsApply(const Tokens& tokens) const {
    Tracker copy = tracker;
    return TrackerModify().TryModify(&copy, tokens, 3);
}

bool Client::RefereeLost() {
    exch.ClientDisconnect();
    return true;
}
