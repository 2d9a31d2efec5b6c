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
// cannot be reached or has not yet heard that the seat's old connection ended.
class DoJoinScreen : public Screen {
  public:
    DoJoinScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t, int port_t,
                 std::string hostnm_t);
    // `dropped`: the connection of a game in play dropped just now ("reconnecting").
    DoJoinScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t, const RejoinTicket& ticket_t,
                 bool dropped_t);
    ~DoJoinScreen() override;
    bool AcceptEvent(SDL_Event& event) override;
    // Starts the attempt: its outcome must find this screen current.
    void Shown() override;
    void Draw() override;
    void Idle() override;
    Uint32 NextWakeMs() const override;

    // How long a connection may take before the attempt gives up.
    static constexpr Uint32 kConnectMs = 10000;
    // How long a seat is asked for again, and the pauses between the tries.
    static constexpr Uint32 kRejoinMs = 60000;
    static constexpr Uint32 kRetryMs = 500;
    std::string StatusLine() const;

  private:
    void Leave(const std::string& why);
    void Connected();
    // The connection closed before the game screen took over.
    void Closed();
    // Another try to take the seat back, after a pause, while the minute lasts.
    bool TryAgainLater();
    void StartAttempt();

    int port;
    std::string hostnm;
    std::optional<RejoinTicket> ticket;
    bool dropped = false;
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
