#include "ui/connect_screen.h"

#include "ui/game_route.h"
#include "ui/navigation.h"
#include "ui/network_setup.h"
#include "ui/texts.h"

DoJoinScreen::DoJoinScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t, int port_t,
                           std::string hostnm_t)
    : Screen(sdl_t, exch_t, profile_t), port(port_t), hostnm(std::move(hostnm_t)) {}

DoJoinScreen::DoJoinScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t,
                           const RejoinTicket& ticket_t, bool dropped_t)
    : Screen(sdl_t, exch_t, profile_t),
      port(ticket_t.port),
      hostnm(ticket_t.host),
      ticket(ticket_t),
      dropped(dropped_t) {}

DoJoinScreen::~DoJoinScreen() {
    if (!keep_values) ReleaseGame(exch, client, server);
}

std::string DoJoinScreen::StatusLine() const {
    if (ticket && (outcome == AsyncConnect::kPending || waiting))
        return dropped ? Translate("line", "Connection lost: reconnecting...")
                       : Fill(Translate("line", "Rejoining the game at %s ..."), hostnm);
    switch (outcome) {
        case AsyncConnect::kPending:
            return Fill(Translate("line", "Connecting to %s ..."), hostnm);
        case AsyncConnect::kConnected:
            return waiting ? Translate("line", "Please wait a moment...")
                           : Translate("line", "Error: couldn't connect to server!");
        case AsyncConnect::kUnknownHost:
            return Fill(Translate("line", "Error: no host is known by the name %s"), hostnm);
        case AsyncConnect::kNotAHost:
            return Fill(
                Translate("line",
                          "Error: %s is no host's address: type the host's name or address"),
                hostnm);
        case AsyncConnect::kRefused:
            return Fill(Translate("line", "Error: %s refused: no game is hosted there"), hostnm);
        case AsyncConnect::kNoAnswer:
            return Fill(Translate("line", "Error: no answer from %s within 10 seconds"), hostnm);
        case AsyncConnect::kFailed:
            break;
    }
    return Translate("line", "Error: couldn't connect to server!");
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

void DoJoinScreen::Draw() {
    const bool asking = ticket && !left && (connect || retry_at || client);
    DrawWaiting(
        sdl, StatusLine(),
        {asking ? Translate("line", "The host keeps your seat; trying again for up to a minute")
                : ""});
}

// Back to the menu, once. The connection this screen opened closes with it (ReleaseGame), or the
// next join would be refused.
void DoJoinScreen::Leave(const std::string& why) {
    if (left) return;
    left = true;
    connect.reset();
    PostScreen(navigate::Menu(sdl, exch, profile, why));
}

bool DoJoinScreen::TryAgainLater() {
    if (!ticket || SDL_GetTicks() - first_try >= kRejoinMs) return false;
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
    } else if (outcome != AsyncConnect::kUnknownHost && outcome != AsyncConnect::kNotAHost) {
        TryAgainLater();
    }
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
        Leave(Fill(Translate("line", "Could not get back into the game at %s"), hostnm));
        return;
    }
    // A host that closes before its first line, or refuses, has no seat left: its game is full.
    Leave(Fill(Translate("line", "The game at %s has already begun"), hostnm));
}

Uint32 DoJoinScreen::NextWakeMs() const {
    const Uint32 now = SDL_GetTicks();
    if (retry_at) return *retry_at > now ? *retry_at - now : 0;
    if (!connect) return kNoWake;
    const Uint32 waited = now - started;
    return waited >= kConnectMs ? 0 : kConnectMs - waited;
}

void DoJoinScreen::Idle() {
    if (retry_at && SDL_GetTicks() >= *retry_at) {
        StartAttempt();
        RequestRedraw();
        return;
    }
    if (!connect || SDL_GetTicks() - started < kConnectMs) return;
    // Abandoned, the attempt ends at once.
    connect.reset();
    outcome = AsyncConnect::kNoAnswer;
    if (!TryAgainLater()) RequestRedraw();
}

bool DoJoinScreen::AcceptEvent(SDL_Event& event) {
    if (event.type == SDL_QUIT) return true;
    if (IsKey(event, SDLK_ESCAPE)) {
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
    PostScreen(
        navigate::JoinedGame(sdl, exch, profile, client, hostnm, port,
                             ticket ? std::optional<SeatSecret>(ticket->secret) : std::nullopt));
    keep_values = true;
    return false;
}
