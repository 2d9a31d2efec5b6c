// What the screens that set up a network game share: the game's port, the host's way into its
// own game, the waiting screens' picture, and the addresses others join at.
#pragma once

#include <initializer_list>
#include <string>

#include "gfx/sdl.h"
#include "gfx/widgets.h"
#include "net/async_connect.h"

// The game's TCP port.
constexpr int kPort = 1234;
// How long a connection may take before an attempt gives up.
constexpr Uint32 kConnectMs = 10000;
// The host joins its own game over this address.
constexpr const char* kLoopback = "127.0.0.1";

// Why a connection to `host` did not come, as the screens say it.
std::string ConnectFailure(AsyncConnect::Outcome outcome, const std::string& host);

// The waiting screens' picture: a status line, how to leave, and more lines below.
void DrawWaiting(SDL& sdl, const std::string& status, std::initializer_list<std::string> more,
                 ButtonList* buttons = nullptr);

// This machine's own IPv4 addresses other than loopback, and its host name, for a host to tell.
std::string LocalAddresses();
