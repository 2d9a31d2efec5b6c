// The referee of one table: the course of play, the moves, and the extension's names, chat, seat
// secrets and guests. It takes player messages and gives lines to send through its RefereeLink,
// and knows nothing of the transport that carries them.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "exchange/tokens.h"
#include "game/game_record.h"
#include "game/line_text.h"
#include "game/play_turn.h"
#include "game/referee_link.h"
#include "game/seat_list.h"
#include "game/seat_secret.h"
#include "game/tracker.h"

// Whether the move records of `tokens` from `offset` on are a legal play of `mover` on `table`:
// each record well formed, each move allowed by the rules on the table as it is by then.
bool IsLegalPlay(const Tracker& table, int mover, const Tokens& tokens, unsigned offset);

class Server {
  public:
    // Gives the seed of each new shuffle; by default the current time, in seconds.
    using SeedSource = std::function<unsigned()>;

    Server(int numplayers_t, RefereeLink& exch_t, SeedSource seed_source = nullptr);
    // A referee that takes up a game where it left off, awaiting the turn player's play; it
    // sends nothing until that play comes. The game after it is shuffled from `seed_source`.
    Server(const PlayTurn& at, RefereeLink& exch_t, SeedSource seed_source = nullptr);
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
    // The lines of this game as every seat may see them (the faces only one seat sees left out),
    // from its start on: what a seat that comes back has missed. Kept up to kMostRecordBytes; a
    // game that outgrows them, or was taken up where it left off, keeps none.
    const std::vector<std::string>& record() const { return public_record; }
    // Whether seat p's client is sent the extension's lines.
    bool HearsExtension(int p) const { return Speaks(p); }
    // Whether `secret` is seat p's in this game: a 420 with it is this table's to answer.
    bool Knows(int p, const SeatSecret& secret) const;
    static constexpr std::size_t kMostRecordBytes = 64 * 1024;
    // The game just won, whole, where it was followed from its deal: its faces, turns, winner
    // and time; the seats are named by whoever keeps it. Null otherwise.
    const GameRecord* FinishedGame() const { return keeping && win >= 0 ? &kept : nullptr; }

  protected:
    // What the turn player owes, in on_disconnect.
    enum Owed { kOwesNothing = 0, kOwesDealAck = 1, kOwesSeen = 2, kOwesPlay = 3 };

    void ResetClients();
    void EvaluateVersions();
    void NextTurn(bool auto_mode);
    void NextUserTurn();
    void Win(int winner);
    // Plays the turn player's turn; false when it is being thought out aside, and the seat's
    // play line comes later.
    virtual bool AutoPlay();

    void DealCards();
    void DrawBoard();
    void UserPlay(Tokens& tokens);
    void move_top_to_top_board(int target_pile, int src_pile, std::string& msg);
    bool send_move_top_to_top_one_card(int target_pile, int src_pile, const std::string& prefix);
    bool deck_is_empty() const;
    bool last_deck_is_king() const;
    // The head of a 200 line: "200" and the mover, -1 for moves of the referee's own.
    static std::string published_line(int mover);
    // A play turn's 200 line went out: its records are the turn's in the game's record.
    void TurnPublished(const std::string& line);

    RefereeLink& exch;
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
    // A line every seat may see goes into the game's record.
    void Record(const std::string& msg);
    void SendRecord(int p);

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
    std::vector<std::string> public_record;
    std::size_t record_bytes = 0;
    bool recording = false;
    GameRecord kept;
    bool keeping = false;
};
