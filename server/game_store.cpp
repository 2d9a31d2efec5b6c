#include "server/game_store.h"

#include <sodium.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "game/seat_list.h"

namespace {

// Names are one whatever their case, as the tables' are.
std::string Folded(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// "Anna 2": the number after the name, the name cut so that both fit.
std::string Numbered(const std::string& name, int n) {
    if (n == 1) return name;
    const std::string tail = " " + std::to_string(n);
    return name.substr(0, kNameChars - std::min(kNameChars, tail.size())) + tail;
}

// The versions of the schema, each applied once, in order. %ID% is the dialect's identity column.
const char* const kMigrations[] = {
    R"(CREATE TABLE players (
        id %ID%,
        name TEXT NOT NULL,
        folded TEXT NOT NULL UNIQUE,
        key_hash TEXT NOT NULL,
        mu DOUBLE PRECISION NOT NULL,
        sigma DOUBLE PRECISION NOT NULL,
        games INTEGER NOT NULL DEFAULT 0);
    CREATE INDEX players_by_rating ON players ((mu - 3 * sigma));
    CREATE TABLE games (
        id %ID%,
        played TEXT NOT NULL,
        table_name TEXT NOT NULL,
        players TEXT NOT NULL,
        winner TEXT NOT NULL,
        record TEXT NOT NULL);
    CREATE TABLE game_players (
        game_id BIGINT NOT NULL REFERENCES games (id),
        seat INTEGER NOT NULL,
        player_id BIGINT NOT NULL REFERENCES players (id),
        PRIMARY KEY (game_id, seat));
    CREATE INDEX game_players_by_player ON game_players (player_id, game_id);)",
};

class Transaction {
  public:
    explicit Transaction(Database& db_t) : db(db_t) { db.Query(db.BeginWriting()); }
    // A transaction left by a failure is rolled back; a failure to do so leaves it to the
    // connection's end.
    ~Transaction() {
        if (!open) return;
        try {
            db.Script("ROLLBACK");
        } catch (const DatabaseError&) {
        }
    }
    void Commit() {
        db.Query("COMMIT");
        open = false;
    }

  private:
    Database& db;
    bool open = true;
};

}  // namespace

std::string KeyHash(const std::array<unsigned char, 32>& key) {
    unsigned char hash[32];
    crypto_generichash(hash, sizeof hash, key.data(), key.size(), nullptr, 0);
    char hex[2 * sizeof hash + 1];
    sodium_bin2hex(hex, sizeof hex, hash, sizeof hash);
    return hex;
}

GameStore::GameStore(std::unique_ptr<Database> db_t) : db(std::move(db_t)) {
    Migrate();
}

void GameStore::Migrate() {
    db->Script("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
    Transaction t(*db);
    if (db->postgres()) db->Script("LOCK TABLE schema_version IN EXCLUSIVE MODE");
    const auto rows = db->Query("SELECT COALESCE(MAX(version), 0) FROM schema_version");
    const int at = std::stoi(rows.at(0).at(0));
    if (at > kSchemaVersion)
        throw DatabaseError("the database is of a newer version (" + std::to_string(at) + ")");
    for (int v = at + 1; v <= kSchemaVersion; ++v) {
        std::string sql = kMigrations[v - 1];
        for (std::size_t i; (i = sql.find("%ID%")) != std::string::npos;)
            sql.replace(i, 4, db->IdColumn());
        db->Script(sql);
        db->Query("INSERT INTO schema_version (version) VALUES ($1)", {std::to_string(v)});
    }
    t.Commit();
}

std::string GameStore::OwnedName(const std::string& wanted, const std::string& key_hash) {
    if (wanted.empty()) return wanted;
    // Whoever claims a free name first holds it, on every server that shares the database.
    if (!key_hash.empty()) {
        const Rating fresh;
        db->Query(
            "INSERT INTO players (name, folded, key_hash, mu, sigma) VALUES ($1, $2, $3, $4, $5) "
            "ON CONFLICT (folded) DO NOTHING",
            {wanted, Folded(wanted), key_hash, Number(fresh.mu), Number(fresh.sigma)});
    }
    constexpr int kMostNumbers = 1000;
    for (int n = 1; n < kMostNumbers; ++n) {
        const std::string name = Numbered(wanted, n);
        const auto owner =
            db->Query("SELECT key_hash FROM players WHERE folded = $1", {Folded(name)});
        if (owner.empty() || (!key_hash.empty() && owner[0][0] == key_hash)) return name;
    }
    return Numbered(wanted, kMostNumbers);
}

Rating GameStore::ComputerRating(Strategy strength) {
    switch (strength) {
        case Strategy::kEasy:
            return {15.0, 1.0};
        case Strategy::kAuto:
            return {20.0, 1.0};
        case Strategy::kStrong:
            return {24.0, 1.0};
        case Strategy::kExpert:
            return {26.0, 1.0};
    }
    return {};
}

std::vector<int> GameStore::Ranks(const GameRecord& record, const Tracker& end) {
    std::vector<int> ranks(record.numplayers, 1);
    for (int p = 0; p < record.numplayers; ++p) {
        if (p == record.winner) continue;
        ranks[p] = 2;
        for (int q = 0; q < record.numplayers; ++q)
            ranks[p] += q != record.winner && end.pile[q].size() < end.pile[p].size();
    }
    return ranks;
}

int GameStore::Finish(const GameRecord& record, const std::string& table,
                      const std::array<std::string, kMaxPlayers>& key_hashes, const Tracker& end) {
    std::string players;
    for (int p = 0; p < record.numplayers; ++p) players += (p ? ", " : "") + record.seats[p].name;
    Transaction t(*db);
    const int id = std::stoi(
        db->Query(
              "INSERT INTO games (played, table_name, players, winner, record) VALUES ($1, "
              "$2, $3, $4, $5) RETURNING id",
              {record.played, table, players, record.seats[record.winner].name, RecordText(record)})
            .at(0)
            .at(0));
    std::vector<Rating> before;
    std::vector<bool> fixed;
    std::vector<std::string> player_ids;
    int people = 0;
    for (int p = 0; p < record.numplayers; ++p) {
        const RecordSeat& seat = record.seats[p];
        people += seat.person;
        std::vector<Database::Row> row;
        if (seat.person && !key_hashes[p].empty())
            row = db->Query(std::string("SELECT id, mu, sigma FROM players WHERE folded = $1 AND "
                                        "key_hash = $2") +
                                (db->postgres() ? " FOR UPDATE" : ""),
                            {Folded(seat.name), key_hashes[p]});
        player_ids.push_back(row.empty() ? "" : row[0][0]);
        before.push_back(!seat.person  ? ComputerRating(seat.strength)
                         : row.empty() ? Rating{}
                                       : Rating{std::stod(row[0][1]), std::stod(row[0][2])});
        fixed.push_back(!seat.person || row.empty());
        if (!row.empty())
            db->Query("INSERT INTO game_players (game_id, seat, player_id) VALUES ($1, $2, $3)",
                      {std::to_string(id), std::to_string(p), row[0][0]});
    }
    if (people >= 2) {
        const std::vector<Rating> after = Rate(before, Ranks(record, end), fixed);
        for (int p = 0; p < record.numplayers; ++p)
            if (!player_ids[p].empty())
                db->Query("UPDATE players SET mu = $1, sigma = $2, games = games + 1 WHERE id = $3",
                          {Number(after[p].mu), Number(after[p].sigma), player_ids[p]});
    }
    t.Commit();
    return id;
}

std::vector<RatedPlayer> GameStore::Best(int count) {
    std::vector<RatedPlayer> best;
    for (const auto& row :
         db->Query("SELECT name, mu, sigma, games FROM players WHERE games > 0 ORDER BY mu - 3 * "
                   "sigma DESC, id LIMIT $1",
                   {std::to_string(count)}))
        best.push_back({static_cast<int>(best.size()) + 1, row[0],
                        Rating{std::stod(row[1]), std::stod(row[2])}.Shown(), std::stoi(row[3])});
    return best;
}

std::optional<RatedPlayer> GameStore::StandingOf(const std::string& name) {
    const auto rows = db->Query(
        "SELECT p.name, p.mu, p.sigma, p.games, (SELECT COUNT(*) FROM players q WHERE q.games > 0 "
        "AND (q.mu - 3 * q.sigma > p.mu - 3 * p.sigma OR (q.mu - 3 * q.sigma = p.mu - 3 * p.sigma "
        "AND q.id < p.id))) FROM players p WHERE p.folded = $1 AND p.games > 0",
        {Folded(name)});
    if (rows.empty()) return std::nullopt;
    const auto& r = rows[0];
    return RatedPlayer{std::stoi(r[4]) + 1, r[0], Rating{std::stod(r[1]), std::stod(r[2])}.Shown(),
                       std::stoi(r[3])};
}

std::vector<ListedGame> GameStore::Games(const std::string& player, int count) {
    const std::string columns =
        "SELECT g.id, g.played, g.table_name, g.players, g.winner FROM games g";
    const auto rows =
        player.empty()
            ? db->Query(columns + " ORDER BY g.id DESC LIMIT $1", {std::to_string(count)})
            : db->Query(columns +
                            " JOIN game_players gp ON gp.game_id = g.id JOIN players p ON p.id = "
                            "gp.player_id WHERE p.folded = $1 ORDER BY g.id DESC LIMIT $2",
                        {Folded(player), std::to_string(count)});
    std::vector<ListedGame> games;
    for (const auto& r : rows) games.push_back({std::stoi(r[0]), r[1], r[2], r[3], r[4]});
    return games;
}

std::optional<std::string> GameStore::RecordOf(int id) {
    const auto rows = db->Query("SELECT record FROM games WHERE id = $1", {std::to_string(id)});
    if (rows.empty()) return std::nullopt;
    return rows[0][0];
}
