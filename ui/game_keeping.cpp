#include "ui/game_keeping.h"

void GameKeeping::JoinedAt(const std::string& host, int port, int seat,
                           std::optional<SeatSecret> held) {
    ticket = RejoinTicket{host, port, seat, {}};
    ticket_kept = held.has_value();
    if (held) ticket->secret = *held;
}

void GameKeeping::KeepTicket(int seat, const SeatSecret& secret) {
    if (!ticket) return;
    ticket->seat = seat;
    ticket->secret = secret;
    ticket_kept = profile.rejoin.Save(*ticket);
}

void GameKeeping::ForgetTicket() {
    if (ticket_kept) profile.rejoin.Remove();
    ticket_kept = false;
}

void GameKeeping::KeepGame(const SavedGame& game) {
    if (kept) return;
    profile.saved_game.Save(game);
    kept = true;
}
