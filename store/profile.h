// Everything the program keeps of its player between runs: the settings, the statistics, the
// saved local game, the ticket back into a network game and the games kept to be watched again,
// each in its own folder.
#pragma once

#include "store/places.h"
#include "store/record_shelf.h"
#include "store/rejoin_ticket.h"
#include "store/saved_game.h"
#include "store/server_keys.h"
#include "store/settings.h"
#include "store/statistics.h"

class Profile {
  public:
    // From the folders of the environment; reads the settings and the statistics.
    Profile();
    explicit Profile(const Places& places_t);

    Places places;
    SettingsFile settings;
    StatisticsFile statistics;
    SavedGameFile saved_game;
    RejoinTicketFile rejoin;
    // The last games the window refereed.
    RecordShelf games;
    // The keys that hold the player's names on servers.
    ServerKeys keys;
};
