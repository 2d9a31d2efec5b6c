// Joining a host, or asking it for a seat back: the connection, the tries and the wait for the
// game to begin.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "game/client.h"
#include "game/referee.h"
#include "net/async_connect.h"
#include "store/rejoin_ticket.h"
#include "ui/screen.h"

// Connects to a host, without blocking the window, and waits for the game to begin. With a ticket
// it asks for the ticket's seat back instead, trying again for up to a minute while the host
// cannot be reached or has not yet heard that the seat's old connection ended. A host that
// refuses the connection is gone; once the minute is over the screen says so and waits for a key.
// Either way the ticket is dropped.
class DoJoinScreen : public Screen {
  public:
    DoJoinScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t, int port_t,
                 std::string hostnm_t);
    // `dropped`: the connection of a game in play dropped just now ("reconnecting").
    // `rejoin_ms`: how long the tries may last in all.
    DoJoinScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t, const RejoinTicket& ticket_t,
                 bool dropped_t, Uint32 rejoin_ms_t = kRejoinMs);
    ~DoJoinScreen() override;
    bool AcceptEvent(SDL_Event& event) override;
    // Starts the attempt: its outcome must find this screen current.
    void Shown() override;
    void Draw() override;
    void Idle() override;
    Uint32 NextWakeMs() const override;

    // How long a seat is asked for again, whatever the host does, and the pauses between the
    // tries.
    static constexpr Uint32 kRejoinMs = 60000;
    static constexpr Uint32 kRetryMs = 500;
    std::string StatusLine() const;
    // The line below it: what the tries promise, or how to leave once they are over.
    std::string Promise() const;

  private:
    void Leave(const std::string& why);
    // Nobody listens at the host any more.
    void HostGone();
    // The tries are over: the screen says so until a key is pressed.
    void GiveUp();
    void Connected();
    // The connection closed before the game screen took over.
    void Closed();
    // The time for the tries has run out, whatever state the last one is in.
    bool TriesOver() const;
    // Another try to take the seat back, after a pause, while the minute lasts.
    bool TryAgainLater();
    void StartAttempt();

    int port;
    std::string hostnm;
    std::optional<RejoinTicket> ticket;
    bool dropped = false;
    Uint32 rejoin_ms = kRejoinMs;
    // A connection to the host came since the drop: only then is its seat promised.
    bool host_answered = false;
    bool gave_up = false;
    Uint32 first_try = 0;
    // When the next try to take the seat back is due, while one waits.
    std::optional<Uint32> retry_at;
    Server* server = nullptr;
    Client* client = nullptr;
    bool keep_values = false;
    bool waiting = true;
    // The menu has been asked for: no second one.
    bool left = false;
    std::unique_ptr<AsyncConnect> connect;
    Uint32 started = 0;
    AsyncConnect::Outcome outcome = AsyncConnect::kPending;
};
