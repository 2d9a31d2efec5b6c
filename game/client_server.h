// The referee of one table and a player's client. They speak only protocol lines, carried by the
// exchange; the hosting screen hands them the player messages it takes from the exchange.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "exchange/tokens.h"
#include "game/line_text.h"
#include "game/play_turn.h"
#include "game/seat_list.h"
#include "game/seat_secret.h"
#include "game/tracker.h"

class Exchange;

// Whether the move records of `tokens` from `offset` on are a legal play of `mover` on `table`:
// each record well formed, each move allowed by the rules on the table as it is by then.
bool IsLegalPlay(const Tracker& table, int mover, const Tokens& tokens, unsigned offset);

class Server {
  public:
    // Gives the seed of each new shuffle; by default the current time, in seconds.
    using SeedSource = std::function<unsigned()>;

    Server(int numplayers_t, Exchange& exch_t, SeedSource seed_source = nullptr);
    // A referee that takes up a game where it left off, awaiting the turn player's play; it
    // sends nothing until that play comes. The game after it is shuffled from `seed_source`.
    Server(const PlayTurn& at, Exchange& exch_t, SeedSource seed_source = nullptr);
    virtual ~Server() = default;
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    void Send(int player_t, const std::string& msg);
    void SendAll(const std::string& msg);
    // player_num gets msg2 (with the real faces), everybody else msg1.
    void SendSplit(int player_num, const std::string& msg1, const std::string& msg2);
    // Answers msg in the name of player_t, who has no connection.
    void LocalSend(int player_t, const std::string& msg);
    // One player message of player_t. True when nobody is connected or awaited any more.
    bool Receive(int player_t, const std::string& msg);

    const Tracker& table() const { return tracker; }
    int current_turn() const { return turn; }
    const TurnHistory& history() const { return turns; }
    int winner() const { return win; }
    // The game as it stands, while it awaits the play of the player in turn.
    bool AwaitsPlay() const { return Owes(turn, kOwesPlay); }
    PlayTurn Where() const { return {numplayers, turn, tracker, turns}; }
    // The seats as the clients that speak the extension are told them.
    std::vector<SeatInfo> Seats() const;
    // Off: the referee speaks only the game's own lines, as one without the extension does.
    void SpeakExtension(bool on) { extension = on; }
    // The host ends the game on purpose: the clients that speak the extension are told so before
    // their connections close, so that none of them takes it for a drop.
    void Goodbye();

  protected:
    // What the turn player owes, in on_disconnect.
    enum Owed { kOwesNothing = 0, kOwesDealAck = 1, kOwesSeen = 2, kOwesPlay = 3 };

    void ResetClients();
    void EvaluateVersions();
    void NextTurn(bool auto_mode);
    void NextUserTurn();
    void Win(int winner);
    virtual void AutoPlay();

    void DealCards();
    void DrawBoard();
    void UserPlay(Tokens& tokens);
    void move_top_to_top_board(int target_pile, int src_pile, std::string& msg);
    bool send_move_top_to_top_one_card(int target_pile, int src_pile, const std::string& prefix);
    bool deck_is_empty() const;
    bool last_deck_is_king() const;
    // The head of a 200 line: "200" and the mover, -1 for moves of the referee's own.
    static std::string published_line(int mover);

    Exchange& exch;
    int numplayers;
    int turn = -1;
    int win = -1;
    int client_versions[kMaxPlayers] = {-1, -1, -1, -1, -1, -1};
    bool client_versions_done = false;
    bool any_client_versions_done = false;
    int on_disconnect = kOwesNothing;
    bool hands_dealt = false;
    TurnHistory turns;
    Tracker tracker;

  private:
    // Whether player p takes and gets the extension's lines: a connected client that answered
    // this game's 100 with the extension's version, or, while the game waits for its players,
    // gave its name.
    bool Speaks(int p) const;
    void SendSeats();
    void SendExtension(int p, const std::string& msg);
    void TakeName(int p, const Tokens& tokens);
    void RelayChat(int p, const Tokens& tokens);
    // A line of a connection that came while every seat was taken: only a rejoin is heard.
    void GuestLine(int guest, const Tokens& tokens);
    // Whether seat p's person left this game in play and may take the seat back with its secret.
    bool Reclaimable(int p) const;
    // Guests are held only from a game's start to the next one's, while it has given out secrets.
    void FollowGuests();

    void ReceiveLine(int player_t, Tokens& tokens);
    void Seen();
    // A turn answer counts only from the player in turn, when that answer is owed.
    bool Owes(int player_t, Owed answer) const;
    // Checks every record of a 210 line against this table and the rules, without changing it.
    bool IsValidPlay(const Tokens& tokens) const;
    void RejectPlay(int player_t, const Tokens& tokens);
    void LocalSendLeft(int left);

    SeedSource seed_source;
    // The names the players gave, and the seats whose person left this game.
    std::string names[kMaxPlayers];
    // The names as the players asked for them, before a taken one was numbered.
    std::string asked_names[kMaxPlayers];
    // Players who gave their name while waiting for the game: they speak the extension.
    bool introduced[kMaxPlayers] = {};
    bool left[kMaxPlayers] = {};
    // After a game, seats whose players left wait for new ones before the next game.
    bool refilling = false;
    // Each extension client's secret for its seat in this game.
    std::optional<SeatSecret> secrets[kMaxPlayers];
    ChatGate chat_gate;
    ChatGate name_gate;
    bool extension = true;
};

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
    // Applies the records of `command` from token 3 on to the client's table.
    virtual void FollowRecords(Tokens& command);
    // Another player's published play has been applied to the table that was `before`;
    // `records`: whether the line carried any (none is a pass).
    virtual void OthersPlayed(int, const Tracker&, bool) {}
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
    // it: the referee's table as that player sees it.
    void Resume(const PlayTurn& at, int playernum_t);
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
    // Why the referee refused a rejoin (proto::kInPlay, kNotYourSeat or kSeatInUse), -1 while it
    // did not.
    int refusal() const { return refused; }
    // The referee said it ends the game on purpose: the close that follows is no drop.
    bool host_left() const { return goodbye; }
    // The own seat and the game's players, -1 and 0 until the referee says.
    int seat() const { return playernum; }

    Tracker tracker;
    // Followed from the turn lines on the table above.
    TurnHistory history;

  private:
    bool IsPlayer(int p) const;
    bool RecordsApply(const Tokens& tokens) const;
    bool RefereeLost();
    void FollowExtension(const Tokens& tokens);
    bool TakeSeatTable(const Tokens& tokens);
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
    bool restored = false;
    int refused = -1;
    bool goodbye = false;
};
