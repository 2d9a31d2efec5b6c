// The games the window refereed, kept as records (docs/records.md) in games/ of the data folder,
// one file a game named after its time, the last kMostKept of them.
#pragma once

#include <string>
#include <vector>

#include "game/game_record.h"

class RecordShelf {
  public:
    // `data` "" keeps nothing.
    explicit RecordShelf(const std::string& data);
    static constexpr std::size_t kMostKept = 200;

    // Keeps `record` and lets the oldest beyond kMostKept go; whether it was kept.
    bool Keep(const GameRecord& record);

    struct Shelved {
        std::string path;
        GameRecord record;
    };
    // Every kept record that reads, newest first; one that does not is passed over and said once
    // on standard error.
    std::vector<Shelved> List() const;

  private:
    // The kept files' names, oldest first.
    std::vector<std::string> Names() const;

    std::string dir;
};
