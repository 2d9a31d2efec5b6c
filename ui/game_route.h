// The game objects a screen owns: the player messages handed to them, and their end.
#pragma once

#include "exchange/exchange.h"
#include "game/client.h"
#include "game/referee.h"

// Hands the exchange's current player message to the referee (players 0 to 5) or to this
// program's client (-1), where there is one; true when the one that took it is done with the
// game (nobody left to referee, or the referee is gone).
bool RouteMessage(Exchange& exch, Client* client, Server* server);

// Ends a game that a screen still owns, where it is: the referee's exchange mode (local or
// served) and the referee, or else the client's connection; then the client.
void ReleaseGame(Exchange& exch, Client* client, Server* server);
