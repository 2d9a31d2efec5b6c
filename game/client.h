// A player's client of the referee, and the observers that follow the table through it. It
// speaks protocol lines through the exchange and trusts nothing the referee sends.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "exchange/tokens.h"
#include "game/game_story.h"
#include "game/line_text.h"
#include "game/play_turn.h"
#include "game/seat_list.h"
#include "game/seat_record.h"
#include "game/seat_secret.h"
#include "game/tracker.h"

class Exchange;

// The client's observer in the user interface.
class ClientConnector {
  public:
    virtual void Play(int turn, int playernum, Tokens& command) = 0;
    virtual void Turn(int turn, int playernum, Tokens& command) = 0;
    virtual void SetPlayerNum(int playernum, int numplayers) = 0;
    // The referee says a player left: the computer plays that seat from now on.
    virtual void PlayerLeft(int) {}
    // The extension's news: the seats' names and states, a chat line of seat p, and the word
    // that the own last chat line came too fast and was dropped.
    virtual void SeatsChanged(const std::vector<SeatInfo>&) {}
    virtual void ChatLine(int, const std::string&) {}
    virtual void ChatDropped() {}
    // The referee's secret for the own seat in this game, which takes the seat back after a drop.
    virtual void SecretGiven(const SeatSecret&) {}
    // A rejoin took the seat back: the client's table and history are the seat's again, `turn`
    // whose turn it is (the computer still plays the own one, if it is that).
    virtual void Rejoined(int) {}
    // The referee's record after a rejoin told the game's story again, from its start.
    virtual void StoryRetold() {}
    // A server's table: how many watch it, and a watcher's chat line.
    virtual void WatchersCounted(int) {}
    // The referee offered the whole record of the game just won (SeenGame has it now).
    virtual void RecordOffered() {}
    // Each seat's rating, -1 where it has none.
    virtual void SeatRatings(const std::vector<int>&) {}
    virtual void WatcherChatLine(const std::string&, const std::string&) {}

  protected:
    ~ClientConnector() = default;
};

class Client;

// A client's observer that keeps the client's own table up to date from the referee's lines (the
// own published moves are on it already) and answers the published moves. Headless players hand
// their play turns to OwnTurn; the window follows every pile and turn through the hooks.
class TableFollower : public ClientConnector {
  public:
    TableFollower(Exchange& exch_t, Client& client_t) : exch(exch_t), client(client_t) {}
    void Play(int turn, int playernum_t, Tokens& command) override;
    void Turn(int turn, int playernum_t, Tokens& command) override;
    void SetPlayerNum(int playernum_t, int numplayers_t) override;

    int playernum = -1;
    int numplayers = 0;

  protected:
    ~TableFollower() = default;
    // Applies the records of `command`, a line of `turn`, from token 3 on to the client's table.
    virtual void FollowRecords(int turn, Tokens& command);
    // Another player's published play has been applied to the table, and told in the story.
    virtual void OthersPlayed(int) {}
    // A play turn begins, its draw applied: the own one goes to OwnTurn.
    virtual void TurnBegins(int turn);
    virtual void OwnTurn() {}

    Exchange& exch;
    Client& client;
};

class Client {
  public:
    explicit Client(Exchange& exch_t) : exch(exch_t) {}
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // A connector that comes after a rejoin's table is told of it at once.
    void ConnectClientConnector(ClientConnector* connector_t);
    // One player message for this client. True when the referee is gone, or is lost: a referee
    // across the network is not trusted, and a line naming no player of the game or carrying
    // records that fail on this table ends the connection, the table unchanged by that line.
    bool Receive(const std::string& msg);
    // Takes up the game of a referee made from `at`, as the client of `playernum` that followed
    // it: the referee's table as that player sees it, and the story `told` so far.
    void Resume(const PlayTurn& at, int playernum_t, std::vector<StoryEvent> told = {});
    // The name the referee is told after each 101, where it speaks the extension.
    void SetName(const std::string& name_t) { name = PrintableText(name_t, kNameChars); }
    // Sends a chat line (printable Latin-1, at most kChatChars); a referee that does not speak the
    // extension ignores it.
    void Chat(const std::string& text);
    // The players the referee last said it awaits (its 102 line), 0 to kMaxPlayers.
    int awaited() const { return awaited_players; }
    // The first line on a connection: asks for `seat` back with its secret; without them, only
    // to be told if the game is in play (a free seat takes the player as always).
    void Rejoin(int seat, const SeatSecret& secret);
    // Whether the last rejoin's end leaves the seat to be asked for again: the connection closed
    // without a word, or the seat's old connection was still open.
    bool MayRejoinAgain() const;
    // Also tells the name, so that the players waiting for the game are named.
    void AskToJoin();
    // Tells the name at once, as a player a server seated does before the game's first line.
    void TellName();
    // The client follows a server's table as a watcher: it holds no seat, answers no line, and
    // takes the public table the server sends first (444).
    void Watch() { watching = true; }
    bool watcher() const { return watching; }
    // Why the referee refused a rejoin (proto::kInPlay, kNotYourSeat or kSeatInUse), -1 while it
    // did not.
    int refusal() const { return refused; }
    // The referee said it ends the game on purpose: the close that follows is no drop.
    bool host_left() const { return goodbye; }
    // The own seat and the game's players, -1 and 0 until the referee says.
    int seat() const { return playernum; }
    // Where the games this client plays are kept as being played: "joined HOST" or "server HOST
    // TABLE" (the record's `where`).
    void RecordAs(const std::string& where) { recorder.Place(where); }
    // The game just won: the whole record, where the referee offered it after the end (a server
    // does), else as this seat saw it, where it followed the whole game.
    std::optional<GameRecord> SeenGame() const {
        return offered_game ? offered_game : recorder.Finished(tracker);
    }

    Tracker tracker;
    // Followed from the turn lines on the table above.
    TurnHistory history;
    // The game told as this seat saw it; after a rejoin, from the referee's record.
    GameStory story;

  private:
    bool IsPlayer(int p) const;
    bool RecordsApply(const Tokens& tokens) const;
    bool RefereeLost();
    void FollowExtension(const Tokens& tokens);
    bool TakeSeatTable(const Tokens& tokens);
    // A game's first line, 100: the seat this client holds in it.
    bool NewGame(const Tokens& tokens);
    // A line of the record that follows a rejoin's table; any other line ends the record.
    void FollowRecord(const Tokens& tokens);
    void RecordEnds();
    // A connector hears of a rejoin's table once, when there is one.
    void TellRestored();

    Exchange& exch;
    int serverversion = -1;
    int numplayers = -1;
    int playernum = -1;
    int turn = -1;
    ClientConnector* connector = nullptr;
    std::string name;
    int awaited_players = 0;
    bool rejoining = false;
    bool watching = false;
    bool restored = false;
    // After a rejoin's table: whether its record may come, and whether it began.
    bool record_may_come = false;
    bool record_came = false;
    int refused = -1;
    bool goodbye = false;
    SeatRecorder recorder;
    OfferedRecord offered;
    std::optional<GameRecord> offered_game;
    bool game_won = false;
};
