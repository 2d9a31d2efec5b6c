// A table of a server, as the window sits at it or watches it.
#pragma once

#include <string>

#include "base/server_address.h"

struct ServerTable {
    ServerAddress server;
    std::string name;
    // This window made it: it may start the game with computer players.
    bool creator = false;
    bool watching = false;
    // Whether its watchers may chat.
    bool watchers_chat = true;
};
