#include "ui/connect_screen.h"

#include <algorithm>

#include "ui/game_route.h"
#include "ui/navigation.h"
#include "ui/network_setup.h"
#include "ui/texts.h"

DoJoinScreen::DoJoinScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t, int port_t,
                           std::string hostnm_t)
    : Screen(sdl_t, exch_t, profile_t), port(port_t), hostnm(std::move(hostnm_t)) {}

DoJoinScreen::DoJoinScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t,
                           const RejoinTicket& ticket_t, bool dropped_t, Uint32 rejoin_ms_t)
    : Screen(sdl_t, exch_t, profile_t),
      port(ticket_t.port),
      hostnm(ticket_t.host),
      ticket(ticket_t),
      dropped(dropped_t),
      rejoin_ms(rejoin_ms_t) {}

DoJoinScreen::~DoJoinScreen() {
    if (!keep_values) ReleaseGame(exch, client, server);
}

std::string DoJoinScreen::StatusLine() const {
    if (gave_up) return Fill(Translate("line", "Could not get back into the game at %s"), hostnm);
    if (ticket && (outcome == AsyncConnect::kPending || waiting))
        return dropped ? Translate("line", "Connection lost: reconnecting...")
                       : Fill(Translate("line", "Rejoining the game at %s ..."), hostnm);
    switch (outcome) {
        case AsyncConnect::kPending:
            return Fill(Translate("line", "Connecting to %s ..."), hostnm);
        case AsyncConnect::kConnected:
            return waiting ? Translate("line", "Please wait a moment...")
                           : Translate("line", "Error: couldn't connect to server!");
        default:
            break;
    }
    return ConnectFailure(outcome, hostnm);
}
void DoJoinScreen::Shown() {
    if (outcome != AsyncConnect::kPending || connect || left || retry_at) return;
    first_try = SDL_GetTicks();
    StartAttempt();
}

void DoJoinScreen::StartAttempt() {
    retry_at.reset();
    outcome = AsyncConnect::kPending;
    connect = std::make_unique<AsyncConnect>(hostnm, port);
    started = SDL_GetTicks();
}

std::string DoJoinScreen::Promise() const {
    if (gave_up) return Translate("line", "Press any key to return to the menu");
    if (!ticket || left || !(connect || retry_at || client)) return "";
    return host_answered
               ? Translate("line", "The host keeps your seat; trying again for up to a minute")
               : Translate("line", "Trying to reach the host again for up to a minute");
}

void DoJoinScreen::Draw() {
    DrawWaiting(sdl, StatusLine(), {Promise()});
}

// Back to the menu, once. The connection this screen opened closes with it (ReleaseGame), or the
// next join would be refused.
void DoJoinScreen::Leave(const std::string& why) {
    if (left) return;
    left = true;
    connect.reset();
    PostScreen(navigate::Menu(sdl, exch, profile, why));
}

void DoJoinScreen::HostGone() {
    profile.rejoin.Remove();
    Leave(Fill(Translate("line", "The host at %s is gone"), hostnm));
}

void DoJoinScreen::GiveUp() {
    profile.rejoin.Remove();
    gave_up = true;
    connect.reset();
    retry_at.reset();
    ReleaseGame(exch, client, server);
    client = nullptr;
    RequestRedraw();
}

bool DoJoinScreen::TriesOver() const {
    return ticket && !gave_up && !left && !keep_values && SDL_GetTicks() - first_try >= rejoin_ms;
}

bool DoJoinScreen::TryAgainLater() {
    if (!ticket || SDL_GetTicks() - first_try >= rejoin_ms) return false;
    retry_at = SDL_GetTicks() + kRetryMs;
    RequestRedraw();
    return true;
}

void DoJoinScreen::Connected() {
    outcome = connect->outcome();
    if (outcome == AsyncConnect::kConnected && exch.ClientAdopt(connect->TakeSocket())) {
        client = new Client(exch);
        client->SetName(profile.settings.values.name);
        if (ticket)
            client->Rejoin(ticket->seat, ticket->secret);
        else
            client->AskToJoin();
    } else if (outcome == AsyncConnect::kConnected) {
        waiting = false;
    } else if (ticket && outcome == AsyncConnect::kRefused) {
        HostGone();
    } else if (ticket && !TryAgainLater()) {
        GiveUp();
    }
    host_answered = host_answered || outcome == AsyncConnect::kConnected;
    connect.reset();
    RequestRedraw();
}

void DoJoinScreen::Closed() {
    const int refusal = client->refusal();
    const bool again = ticket && client->MayRejoinAgain();
    ReleaseGame(exch, client, server);
    client = nullptr;
    if (again && TryAgainLater()) return;
    if (ticket && refusal != -1) {
        // The game holds the seat no more: the ticket is of no use.
        profile.rejoin.Remove();
        Leave(Fill(Translate("line", "The game at %s no longer holds your seat"), hostnm));
        return;
    }
    if (ticket) {
        GiveUp();
        return;
    }
    // A host that closes before its first line, or refuses, has no seat left: its game is full.
    Leave(Fill(Translate("line", "The game at %s has already begun"), hostnm));
}

Uint32 DoJoinScreen::NextWakeMs() const {
    const Uint32 now = SDL_GetTicks();
    Uint32 wake = kNoWake;
    if (ticket && !gave_up && !left && !keep_values) {
        const Uint32 tried = now - first_try;
        wake = tried >= rejoin_ms ? 0 : rejoin_ms - tried;
    }
    if (retry_at) return std::min(wake, *retry_at > now ? *retry_at - now : 0);
    if (!connect) return wake;
    const Uint32 waited = now - started;
    return std::min(wake, waited >= kConnectMs ? 0 : kConnectMs - waited);
}

void DoJoinScreen::Idle() {
    // However the host behaves, a connection that never answers too, the tries end in time.
    if (TriesOver()) {
        GiveUp();
        return;
    }
    if (retry_at && SDL_GetTicks() >= *retry_at) {
        StartAttempt();
        RequestRedraw();
        return;
    }
    if (!connect || SDL_GetTicks() - started < kConnectMs) return;
    // Abandoned, the attempt ends at once.
    connect.reset();
    outcome = AsyncConnect::kNoAnswer;
    if (!ticket)
        RequestRedraw();
    else if (!TryAgainLater())
        GiveUp();
}

bool DoJoinScreen::AcceptEvent(SDL_Event& event) {
    if (event.type == SDL_QUIT) return true;
    if (IsKey(event, SDLK_ESCAPE) ||
        (gave_up && (event.type == SDL_KEYDOWN || event.type == SDL_MOUSEBUTTONDOWN))) {
        Leave("");
        return false;
    }
    if (connect && connect->Ends(event)) {
        Connected();
        return false;
    }
    if (!exch.IsPlayerMessage() || exch.GetPlayerNum() != -1 || !client) return false;
    if (client->Receive(exch.GetPlayerMessage())) {
        // Also after the game screen has been asked for: it is replaced at once, and its
        // destructor frees the client.
        if (keep_values)
            Leave(Translate("line", "The host left the game"));
        else
            Closed();
        return false;
    }
    // A refusal comes before the close.
    if (keep_values || left || client->refusal() != -1) return false;
    // Only a host that took the player is offered again next time.
    if (!ticket) {
        profile.settings.values.last_host = CleanHost(hostnm);
        profile.settings.Save();
    }
    PostScreen(
        navigate::JoinedGame(sdl, exch, profile, client, hostnm, port,
                             ticket ? std::optional<SeatSecret>(ticket->secret) : std::nullopt));
    keep_values = true;
    return false;
}
