// The record of finished games, kept in statistics.ini in the data folder: one section for each
// kind of game played.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "game/strategy.h"
#include "store/key_values.h"
#include "store/settings.h"

// The tally of one kind of game.
struct Tally {
    int played = 0;
    int won = 0;
    // Games in a row up to the last one: won when positive, lost when negative.
    int streak = 0;
    int best_streak = 0;
    // The shortest won game, in the player's own turns; 0 before a win.
    int shortest_win = 0;

    int lost() const { return played - won; }
    int win_percent() const { return played ? (200 * won + played) / (2 * played) : 0; }
};

// The kinds of game: "local P strong" or "local P auto", and "network P".
std::string LocalKind(int players, Strategy strength);
std::string NetworkKind(int players);
struct GameKind {
    bool local;
    int players;
    Strategy strength;  // of a local game's computer players
};
// What a kind says; none for no kind of ours.
std::optional<GameKind> ReadKind(const std::string& kind);

class StatisticsFile {
  public:
    explicit StatisticsFile(const std::string& dir);
    void Load();
    // A game of `kind` ended; `turns`: the player's own turns in it. Written at once.
    void Count(const std::string& kind, bool won, int turns);
    // Forgets every record of ours (a newer version's sections stay).
    void Reset();

    Tally Get(const std::string& kind) const;
    // The kinds with a record, in the order first played.
    std::vector<std::string> Kinds() const;

  private:
    void CountLoaded(const std::string& kind, bool won, int turns);
    void Put(const std::string& kind, const Tally& r);

    KeptFile file;
    KeyValues kept;
};
