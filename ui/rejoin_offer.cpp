#include "ui/rejoin_offer.h"

#include "ui/network_setup.h"
#include "ui/screen.h"

RejoinOffer::RejoinOffer(RejoinTicketFile& file_t) : file(file_t), ticket(file_t.Load()) {}

void RejoinOffer::Start() {
    if (!ticket || probe || answered) return;
    probe = std::make_unique<AsyncConnect>(ticket->host, ticket->port);
    started = SDL_GetTicks();
}

bool RejoinOffer::Follow(const SDL_Event& event) {
    if (!probe || !probe->Ends(event)) return false;
    answered = probe->outcome() == AsyncConnect::kConnected;
    // Only the answer was wanted: the connection closes with the try, and the referee sees a
    // guest that says nothing and goes.
    probe.reset();
    if (!answered) Drop();
    return true;
}

bool RejoinOffer::Expire(Uint32 now) {
    if (!probe || now - started < kConnectMs) return false;
    probe.reset();
    Drop();
    return true;
}

Uint32 RejoinOffer::NextWakeMs(Uint32 now) const {
    if (!probe) return Screen::kNoWake;
    const Uint32 waited = now - started;
    return waited >= kConnectMs ? 0 : kConnectMs - waited;
}

void RejoinOffer::Drop() {
    ticket.reset();
    file.Remove();
}
