// The game's lines into the window: the client's observer, and the tracker's callbacks that
// rebuild the view's piles.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "game/client.h"
#include "game/tracker_modify.h"
#include "ui/chat_log.h"
#include "ui/table_turn.h"

// The client's observer in the window: follows the table as every client does, and also the
// view's piles (through the program's table-modification callbacks), the others' moves, the own
// player number and whose turn it is.
class MyClientConnector final : public TableFollower {
  public:
    MyClientConnector(Exchange& exch_t, SDL& sdl_t, Client& client_t, TableTurn& turn_t,
                      ChatLog& chat_t)
        : TableFollower(exch_t, client_t), sdl(&sdl_t), table_turn(&turn_t), chat(&chat_t) {}
    void SetPlayerNum(int playernum_t, int numplayers_t) override;

  private:
    void FollowRecords(int turn, Tokens& command) override;
    void OthersPlayed(int mover) override;
    void TurnBegins(int turn) override;
    void PlayerLeft(int p) override;
    void SeatsChanged(const std::vector<SeatInfo>& seats) override;
    void ChatLine(int seat, const std::string& text) override;
    void ChatDropped() override;
    void WatchersCounted(int count) override;
    void WatcherChatLine(const std::string& name, const std::string& text) override;
    void SecretGiven(const SeatSecret& secret) override { given_secret = secret; }
    void Rejoined(int turn) override;
    void StoryRetold() override;
    void RecordOffered() override { record_offered = true; }
    void SeatRatings(const std::vector<int>& ratings) override;

  public:
    // The referee offered the whole record of the game just won.
    bool record_offered = false;
    // The referee's secret for the own seat, until the game screen keeps it.
    std::optional<SeatSecret> given_secret;
    // The seats as the referee last told them: before the game, who is in.
    std::vector<SeatInfo> seats;

  private:
    SDL* sdl;
    TableTurn* table_turn;
    ChatLog* chat;
};

// Every pile that applying a line changes is rebuilt in the table view and a redraw is asked for.
class MyTrackerModify : public TrackerModify {
  public:
    void PlayTopToTop(int target_pile, int src_pile, signed char) override;
    void PlayTopToBottom(int target_pile, int src_pile, signed char) override;
    void HandToTop(int target_pile, int src_pile, signed char, signed char) override;
    void HandToBottom(int target_pile, int src_pile, signed char, signed char) override;
    void PileToPileTop(int target_pile, int src_pile) override;

  private:
    static void Changed(int target_pile, int src_pile);
};
