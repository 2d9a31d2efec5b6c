#include "game/referee.h"

#include <algorithm>
#include <ctime>
#include <iterator>
#include <stdexcept>

#include "game/cards.h"
#include "game/line_text.h"
#include "game/player_message.h"
#include "game/protocol.h"
#include "game/table_line.h"
#include "game/tracker_modify.h"

namespace {

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

Server::Server(int numplayers_t, RefereeLink& exch_t, SeedSource seed_source_t)
    : exch(exch_t),
      numplayers(numplayers_t),
      seed_source(seed_source_t ? std::move(seed_source_t) : time_seed) {
    ResetClients();
}

Server::Server(const PlayTurn& at, RefereeLink& exch_t, SeedSource seed_source_t)
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
    Record(msg);
    for (int i = 0; i < numplayers; ++i) Send(i, msg);
}

void Server::SendSplit(int player_num, const std::string& msg1, const std::string& msg2) {
    Record(msg1);
    for (int i = 0; i < numplayers; ++i) Send(i, i == player_num ? msg2 : msg1);
}

void Server::Record(const std::string& msg) {
    exch.Published(msg);
    if (!recording) return;
    record_bytes += msg.size() + 1;
    if (record_bytes > kMostRecordBytes) {
        recording = false;
        public_record.clear();
        return;
    }
    public_record.push_back(msg);
}

void Server::LocalSend(int player_t, const std::string& msg) {
    Tokens tokens(msg);
    auto answer = [&](int from, const std::string& text) { exch.AnswerFor(from, text); };
    switch (tokens.token(0)) {
        case proto::kVersion:
            // Once every seat of a served game has been taken, a player without a connection
            // has left; it is answered for like at every later turn. In the first local game
            // EvaluateVersions fills in these versions.
            if (any_client_versions_done || (!exch.IsLocalMode() && exch.GetPlayerWaitCount() == 0))
                answer(player_t, CodeLine(proto::kVersionAnswer, 0));
            break;
        case proto::kWaiting:
        case proto::kDeckEmpty:
            break;
        case proto::kPlayerLeft:
            LocalSendLeft(tokens.token(1));
            break;
        case proto::kWinner:
            answer(player_t, CodeLine(proto::kGameOverAck));
            break;
        case proto::kPublished:
            if (turn == player_t) answer(player_t, CodeLine(proto::kSeen));
            break;
        case proto::kTurn:
            if (turn == player_t) answer(player_t, CodeLine(proto::kAutoPlay));
            break;
        case proto::kDealTurn:
            if (turn == player_t) answer(player_t, CodeLine(proto::kDealAck));
            break;
        default:
            throw std::runtime_error("Sent unsupported commands");
    }
}

// The answer a player who left still owes, given in that player's name.
void Server::LocalSendLeft(int left) {
    if (left < 0 || left >= numplayers) return;
    auto answer = [&](const std::string& text) { exch.AnswerFor(left, text); };
    if (!client_versions_done) {
        answer(CodeLine(proto::kVersionAnswer, 0));
        return;
    }
    if (win != -1) {
        if (client_versions[left] != -1) answer(CodeLine(proto::kGameOverAck));
        return;
    }
    if (turn != left) return;
    if (on_disconnect == kOwesDealAck) answer(CodeLine(proto::kDealAck));
    if (on_disconnect == kOwesSeen) answer(CodeLine(proto::kSeen));
    if (on_disconnect == kOwesPlay) answer(CodeLine(proto::kAutoPlay));
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
            SendAll(CodeLine(proto::kWaiting, exch.GetPlayerWaitCount()));
            SendSeats();
            if (exch.GetPlayerWaitCount() == 0) refilling = false, ResetClients();
            return false;
        case kGone:
            SendAll(CodeLine(proto::kPlayerLeft, player_t));
            if (player_t >= 0 && player_t < numplayers) {
                left[player_t] = true;
                SendSeats();
            }
            return exch.GetPlayerWaitCount() == 0 && !exch.IsAnyoneConnected();
        case kNetworkLine:
            if (RefereeLink::IsGuest(player_t)) {
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
                std::string secret = CodeLine(proto::kSeatSecret);
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
            if (AutoPlay()) on_disconnect = kOwesSeen;
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
    public_record.clear();
    record_bytes = 0;
    recording = true;
    // The game's start as a seat that holds no cards sees it.
    Record(CodeLine(proto::kVersion, proto::kProtocolVersion) + " " + int_to_string(numplayers) +
           " -1");
    for (int i = 0; i < numplayers; ++i) {
        std::string msg = CodeLine(proto::kVersion, proto::kProtocolVersion);
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
    kept = GameRecord{};
    kept.played = RecordTime(std::time(nullptr));
    kept.numplayers = numplayers;
    std::copy(std::begin(tracker.cards), std::end(tracker.cards), kept.faces.begin());
    keeping = true;
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
        SendAll(CodeLine(proto::kWaiting, exch.GetPlayerWaitCount()));
        return;
    }
    ResetClients();
}

void Server::NextTurn(bool auto_mode) {
    turn = (turn + 1) % numplayers;
    if (auto_mode)
        SendAll(CodeLine(proto::kDealTurn, turn));
    else
        NextUserTurn();
}

void Server::NextUserTurn() {
    turns.TurnBegins(tracker, numplayers, !deck_is_empty());
    if (send_move_top_to_top_one_card(turn, kDeck, CodeLine(proto::kTurn, turn))) return;
    SendAll(CodeLine(proto::kDeckEmpty));
    SendAll(CodeLine(proto::kTurn, turn));
}

void Server::Win(int winner) {
    turn = -1;
    win = winner;
    kept.winner = winner;
    if (keeping) exch.Won();
    SendAll(CodeLine(proto::kWinner, win));
    on_disconnect = kOwesNothing;
}

bool Server::AutoPlay() {
    throw std::runtime_error("Auto play: not implemented");
}

bool Server::deck_is_empty() const {
    return tracker.pile[kDeck].empty();
}

bool Server::last_deck_is_king() const {
    return is_king(tracker.cards[tracker.pile[kDeck].back()]);
}

std::string Server::published_line(int mover) {
    return CodeLine(proto::kPublished, mover);
}

void Server::TurnPublished(const std::string& line) {
    if (kept.turns.size() >= GameRecord::kMostTurns) keeping = false;
    if (!keeping) return;
    const std::size_t records = line.find(' ', line.find(' ') + 1);
    kept.turns.push_back(records == std::string::npos ? "" : line.substr(records + 1));
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
    TurnPublished(s);
    if (tracker.is_winner(turn)) Win(turn);
}
