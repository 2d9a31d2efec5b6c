#include "game/client.h"

#include <algorithm>

#include "exchange/exchange.h"
#include "game/line_text.h"
#include "game/lobby_lines.h"
#include "game/player_message.h"
#include "game/protocol.h"
#include "game/table_line.h"
#include "game/tracker_modify.h"

void TableFollower::FollowRecords(int, Tokens& command) {
    std::string ignored;
    TrackerModify().Modify(&client.tracker, &command, 3, ignored);
}

void TableFollower::Play(int turn, int playernum_t, Tokens& command) {
    // The deal's lines name mover -1, which is no watcher's own move.
    const bool own = playernum_t >= 0 && command.token(2) == playernum_t;
    if (command.data.size() > 3 && !own) FollowRecords(turn, command);
    if (turn != playernum_t && turn != -1) OthersPlayed(turn);
    // A watcher's seat (-1) is nobody's turn, though the deal's lines name turn -1 too.
    if (turn == playernum_t && turn != -1) exch.ClientSend(CodeLine(proto::kSeen));
}

void TableFollower::Turn(int turn, int, Tokens& command) {
    if (command.data.size() > 3) FollowRecords(turn, command);
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
    recorder.Follow(tokens);
    if (tokens.token(1) == proto::kRecordLine) {
        FollowRecord(tokens);
        return false;
    }
    RecordEnds();
    switch (tokens.token(1)) {
        case proto::kVersion:
            if (!NewGame(tokens)) return RefereeLost();
            break;
        case proto::kWaiting:
            awaited_players = std::clamp(tokens.token(2), 0, kMaxPlayers);
            break;
        case proto::kPlayerLeft:
            // A line naming no player of the game tells nothing: the game goes on.
            if (!IsPlayer(tokens.token(2))) break;
            story.Follow(tokens);
            if (connector) connector->PlayerLeft(tokens.token(2));
            break;
        case proto::kWinner:
            if (!IsPlayer(tokens.token(2))) return RefereeLost();
            story.Follow(tokens);
            game_won = true;
            Exchange::PushLocalMessage(static_cast<unsigned>(EXCH_WINNER),
                                       EventData(tokens.token(2)), nullptr);
            turn = -1;
            break;
        case proto::kPublished:
            // The connector applies the moves of the others; its own are on its table already.
            if (!connector) {
                if (IsPlayer(turn) && turn == playernum) exch.ClientSend(CodeLine(proto::kSeen));
            } else if (!(IsPlayer(playernum) && tokens.token(2) == playernum) &&
                       !RecordsApply(tokens)) {
                return RefereeLost();
            } else {
                story.Follow(tokens);
                connector->Play(turn, playernum, tokens);
            }
            break;
        case proto::kTurn:
            if (!IsPlayer(tokens.token(2))) return RefereeLost();
            turn = tokens.token(2);
            // A 300 line carries the draw's record, unless the deck was empty.
            history.TurnBegins(tracker, numplayers, tokens.data.size() > 3);
            if (!connector) {
                if (turn == playernum) exch.ClientSend(CodeLine(proto::kAutoPlay));
            } else if (!RecordsApply(tokens)) {
                return RefereeLost();
            } else {
                story.Follow(tokens);
                connector->Turn(turn, playernum, tokens);
            }
            break;
        case proto::kDealTurn:
            if (!IsPlayer(tokens.token(2))) return RefereeLost();
            turn = tokens.token(2);
            story.Follow(tokens);
            if (turn == playernum) exch.ClientSend(CodeLine(proto::kDealAck));
            break;
        case proto::kSeatTable:
            if (rejoining && !TakeSeatTable(tokens)) return RefereeLost();
            break;
        case proto::kWatchedTable:
            if (watching && !TakeSeatTable(tokens)) return RefereeLost();
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

bool Client::NewGame(const Tokens& tokens) {
    const int players = tokens.token(3), seat = tokens.token(4);
    if (players < 2 || players > kMaxPlayers || seat < (watching ? -1 : 0) || seat >= players ||
        (watching && seat != -1))
        return false;
    // The extension's version: a referee that does not speak it takes any version.
    if (!watching) {
        exch.ClientSend(CodeLine(proto::kVersionAnswer, proto::kExtensionVersion));
        if (!name.empty()) exch.ClientSend(TextLine(proto::kName, name));
    }
    serverversion = tokens.token(2);
    numplayers = players;
    playernum = seat;
    turn = -1;
    tracker.ResetClient();
    history = TurnHistory{};
    story.Start(numplayers, playernum);
    recorder.Start(numplayers, playernum);
    offered_game.reset();
    game_won = false;
    if (connector) connector->SetPlayerNum(playernum, numplayers);
    return true;
}

bool Client::TakeSeatTable(const Tokens& tokens) {
    std::optional<SeatTable> view = ReadSeatTable(tokens, 2, watching);
    if (!view) return false;
    rejoining = false;
    serverversion = proto::kProtocolVersion;
    numplayers = view->numplayers;
    playernum = view->seat;
    turn = view->turn;
    tracker = view->table;
    history = view->history;
    story.TakeUp(numplayers, playernum, turn, tracker, {});
    record_may_come = true;
    restored = true;
    TellRestored();
    return true;
}

// The record tells the game from its start: the story starts again with its first line.
void Client::FollowRecord(const Tokens& tokens) {
    if (!record_may_come) return;
    if (!record_came) story.Start(numplayers, playernum);
    record_came = true;
    Tokens line("");
    line.data.assign(tokens.data.begin() + 2, tokens.data.end());
    line.data.insert(line.data.begin(), tokens.token(0));
    story.Follow(line);
}

// A record that did not lead to the table the rejoin gave is no guide to what follows.
void Client::RecordEnds() {
    const bool retold = record_came;
    record_may_come = record_came = false;
    if (!retold) return;
    story.Settle(tracker);
    if (connector) connector->StoryRetold();
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
    std::string out = CodeLine(proto::kRejoin, seat);
    AppendSecret(out, secret);
    exch.ClientSend(out);
}

bool Client::MayRejoinAgain() const {
    return refused == -1 || refused == proto::kSeatInUse;
}

void Client::AskToJoin() {
    exch.ClientSend(CodeLine(proto::kRejoin));
    TellName();
}

void Client::TellName() {
    if (!name.empty()) exch.ClientSend(TextLine(proto::kName, name));
}

void Client::Resume(const PlayTurn& at, int playernum_t, std::vector<StoryEvent> told) {
    serverversion = proto::kProtocolVersion;
    numplayers = at.numplayers;
    playernum = playernum_t;
    turn = at.turn;
    tracker = SeenBy(at.table, playernum);
    history = at.history;
    story.TakeUp(numplayers, playernum, turn, tracker, std::move(told));
    if (connector) connector->SetPlayerNum(playernum, numplayers);
}

// The extension's lines tell only the user interface; one that is not well formed is ignored.
void Client::FollowExtension(const Tokens& tokens) {
    if (!connector) return;
    // Only once the game is over: a whole record before it would show the hidden faces.
    if (game_won && !watching && offered.Follow(tokens)) {
        std::optional<GameRecord> whole = offered.Take();
        if (whole && whole->numplayers == numplayers) {
            offered_game = std::move(whole);
            connector->RecordOffered();
        }
        return;
    }
    switch (tokens.token(1)) {
        case proto::kSeatRatings: {
            std::vector<int> ratings;
            for (std::size_t i = 2; i < tokens.data.size() && ratings.size() < kMaxPlayers; ++i)
                ratings.push_back(std::max(tokens.data[i], -1));
            connector->SeatRatings(ratings);
            break;
        }
        case proto::kSeats: {
            // Before its 100 line the client knows the game's size from the list alone.
            const int seats_of = numplayers > 0 ? numplayers : tokens.token(2);
            std::vector<SeatInfo> seats = ReadSeats(tokens, seats_of);
            if (seats.empty()) break;
            story.Follow(tokens);
            connector->SeatsChanged(seats);
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
        case proto::kWatchers:
            if (tokens.token(2) >= 0 && tokens.data.size() == 3)
                connector->WatchersCounted(tokens.token(2));
            break;
        case proto::kWatcherChat: {
            const std::optional<NamedLine> said = ReadNamedLine(tokens, 2);
            if (said) connector->WatcherChatLine(said->name, said->text);
            break;
        }
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
