// Where a screen sends the player next. A screen asks for the next one here, by what it is for,
// instead of naming another screen's class; only navigation.cpp knows them all.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "game/client.h"
#include "game/game_record.h"
#include "game/referee.h"
#include "game/seat_secret.h"
#include "game/strategy.h"
#include "store/rejoin_ticket.h"
#include "store/saved_game.h"
#include "ui/screen.h"
#include "ui/server_table.h"

namespace navigate {

// `why`: a line telling why the player came back to the menu, or "".
Screen* Menu(SDL& sdl, Exchange& exch, Profile& profile, const std::string& why = "");
Screen* JoinList(SDL& sdl, Exchange& exch, Profile& profile);
Screen* Connect(SDL& sdl, Exchange& exch, Profile& profile, int port, const std::string& host);
// `dropped`: the connection of a game in play dropped just now.
Screen* Rejoin(SDL& sdl, Exchange& exch, Profile& profile, const RejoinTicket& ticket,
               bool dropped);
Screen* HostPlayers(SDL& sdl, Exchange& exch, Profile& profile);
// The game screen takes over the client and the referee (null when this program only joins).
Screen* Game(SDL& sdl, Exchange& exch, Profile& profile, Client* client, Server* server,
             std::optional<Strategy> local_strength = std::nullopt,
             const SavedGame* resume = nullptr);
// A game joined at `host` and `port`, with the secret that took the seat back, if any.
Screen* JoinedGame(SDL& sdl, Exchange& exch, Profile& profile, Client* client,
                   const std::string& host, int port, std::optional<SeatSecret> held);
// The address of a server to play on, then its lobby.
Screen* ServerEntry(SDL& sdl, Exchange& exch, Profile& profile);
// The lobby of `server`: connecting to it, or `connected` back from a table with the connection.
// `in_lobby`: the connection is in the lobby already.
Screen* Lobby(SDL& sdl, Exchange& exch, Profile& profile, const ServerAddress& server,
              bool connected, const std::string& why = "", bool in_lobby = false);
// The game at a server's table, seated or watching; the connection goes on to the lobby after it.
Screen* TableGame(SDL& sdl, Exchange& exch, Profile& profile, Client* client,
                  const ServerTable& table);
// A local game taken up from `game`: a kept one continued, or one started from a replay.
Screen* LocalGameFrom(SDL& sdl, Exchange& exch, Profile& profile, const SavedGame& game);
// The kept games, and one of them watched again; `back` makes the screen that Back returns to.
Screen* Replays(SDL& sdl, Exchange& exch, Profile& profile);
Screen* Replay(SDL& sdl, Exchange& exch, Profile& profile, const GameRecord& record,
               std::function<Screen*()> back);
Screen* Settings(SDL& sdl, Exchange& exch, Profile& profile);
Screen* Statistics(SDL& sdl, Exchange& exch, Profile& profile);

}  // namespace navigate
