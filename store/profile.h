// Everything the program keeps of its player between runs: the settings, the statistics, the
// saved local game and the ticket back into a network game, each in its own folder.
#pragma once

#include "store/places.h"
#include "store/rejoin_ticket.h"
#include "store/saved_game.h"
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
};
