#include "store/profile.h"

#include <cstdio>

Profile::Profile() : Profile(FindPlaces()) {}

Profile::Profile(const Places& places_t)
    : places(places_t),
      settings(places.config),
      statistics(places.data),
      saved_game(places.state),
      rejoin(places.state),
      games(places.data),
      keys(places.data) {
    if (places.config.empty() || places.data.empty() || places.state.empty())
        std::fprintf(stderr,
                     "velmora: HOME is not set: settings, statistics or games are not kept\n");
    settings.Load();
    statistics.Load();
}
