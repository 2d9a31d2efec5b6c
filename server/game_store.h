// What the server keeps of its players and games in its database: the names that belong to a
// key, every finished game's record, and the ratings of the people who played them. The schema
// is migrated to this version when the store opens.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "exchange/players.h"
#include "game/game_record.h"
#include "game/lobby_lines.h"
#include "server/database.h"
#include "server/rating.h"

class GameStore {
  public:
    explicit GameStore(std::unique_ptr<Database> db_t);
    static constexpr int kSchemaVersion = 1;

    // The name the holder of `key_hash` (the hash of its key; "" for none) gets for `wanted`:
    // `wanted` where it is free, and then kept for that key alone, or already that key's;
    // otherwise the first of "wanted 2", "wanted 3", ... that is free or that key's.
    std::string OwnedName(const std::string& wanted, const std::string& key_hash);
    // Keeps a finished game of table `table`, which ended as `end` shows, and rates the people at
    // it; `key_hashes[p]` is seat p's person's ("" for none). Its id.
    int Finish(const GameRecord& record, const std::string& table,
               const std::array<std::string, kMaxPlayers>& key_hashes, const Tracker& end);
    std::vector<RatedPlayer> Best(int count);
    std::optional<RatedPlayer> StandingOf(const std::string& name);
    // The last `count` games, of `player` where given.
    std::vector<ListedGame> Games(const std::string& player, int count);
    std::optional<std::string> RecordOf(int id);

    // What a computer player of each strength counts as in a game's rating.
    static Rating ComputerRating(Strategy strength);

  private:
    void Migrate();
    // The seats' ranks: the winner first, then by the cards left, equal counts tying.
    static std::vector<int> Ranks(const GameRecord& record, const Tracker& end);

    std::unique_ptr<Database> db;
};

// The hash the server keeps of a player's key (hexadecimal BLAKE2b-256): the key itself is never
// kept.
std::string KeyHash(const std::array<unsigned char, 32>& key);
