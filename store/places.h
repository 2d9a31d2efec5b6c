// Where the program keeps its files, after the XDG base directory conventions: settings in
// $XDG_CONFIG_HOME/velmora, statistics in $XDG_DATA_HOME/velmora, the saved game in
// $XDG_STATE_HOME/velmora. An unset or relative variable means its default under $HOME.
#pragma once

#include <string>

struct Places {
    // Each folder, or "" when nothing can be kept (no HOME and no absolute XDG variable).
    std::string config;
    std::string data;
    std::string state;
};

// From the environment as it is now.
Places FindPlaces();

// Creates `dir` and its missing parents, each new one readable by its owner alone; whether `dir`
// is a folder now. `why` tells what failed.
bool MakeFolders(const std::string& dir, std::string& why);
