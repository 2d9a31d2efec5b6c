// The ticket back into a game left mid-play, offered on the join screen only while its host
// answers. A connection is tried at once and closed again: a host that refuses it, cannot be
// found, or gives no answer in time no longer holds that game, and the ticket is dropped.
#pragma once

#include <SDL.h>

#include <memory>
#include <optional>

#include "net/async_connect.h"
#include "store/rejoin_ticket.h"

class RejoinOffer {
  public:
    explicit RejoinOffer(RejoinTicketFile& file_t);
    // Tries the host, once: its outcome must find the screen that follows it current.
    void Start();
    // Whether `event` ended the try: the offer may have changed.
    bool Follow(const SDL_Event& event);
    // A try past its time is given up: true when that dropped the ticket.
    bool Expire(Uint32 now);
    Uint32 NextWakeMs(Uint32 now) const;
    // The ticket, once its host answered.
    const RejoinTicket* offered() const { return answered ? &*ticket : nullptr; }

  private:
    void Drop();

    RejoinTicketFile& file;
    std::optional<RejoinTicket> ticket;
    std::unique_ptr<AsyncConnect> probe;
    Uint32 started = 0;
    bool answered = false;
};
