// What a game screen keeps between runs: the ticket back into a joined game while that game is in
// play, and a local game left unfinished when the window closes.
#pragma once

#include <optional>
#include <string>

#include "store/profile.h"
#include "store/rejoin_ticket.h"
#include "store/saved_game.h"

class GameKeeping {
  public:
    explicit GameKeeping(Profile& profile_t) : profile(profile_t) {}

    // A game joined at `host` and `port`, in `seat`; `held`: the secret that took the seat back,
    // whose ticket the file holds already.
    void JoinedAt(const std::string& host, int port, int seat, std::optional<SeatSecret> held);
    // The referee gave the seat's secret: the ticket is kept, where this program joined.
    void KeepTicket(int seat, const SeatSecret& secret);
    // The game is over, or left on purpose: the ticket goes.
    void ForgetTicket();
    // The ticket the file holds, or null.
    const RejoinTicket* kept_ticket() const { return ticket_kept ? &*ticket : nullptr; }

    // Writes the local game as it stands, once.
    void KeepGame(const SavedGame& game);
    bool game_kept() const { return kept; }
    // A kept game was taken up: its file goes, or the next start would offer it again.
    void GameTakenUp() { profile.saved_game.Remove(); }

  private:
    Profile& profile;
    std::optional<RejoinTicket> ticket;
    bool ticket_kept = false;
    bool kept = false;
};
