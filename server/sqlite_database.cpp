// SQLite: one file, write-ahead logging, every commit synced before it returns.
#include <sqlite3.h>

#include <map>
#include <memory>

#include "server/database.h"

namespace {

class SqliteDatabase final : public Database {
  public:
    explicit SqliteDatabase(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK) {
            const std::string why = db ? sqlite3_errmsg(db) : "out of memory";
            sqlite3_close(db);
            throw DatabaseError("can't open " + path + ": " + why);
        }
        // Another server's writer holds the file a moment at most.
        sqlite3_busy_timeout(db, 5000);
        Script("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON;");
    }
    ~SqliteDatabase() override {
        for (auto& [sql, stmt] : prepared) sqlite3_finalize(stmt);
        sqlite3_close(db);
    }
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    std::vector<Row> Query(const std::string& sql,
                           const std::vector<std::string>& values) override {
        sqlite3_stmt* stmt = Prepared(sql);
        // Reset however this use ends, ready for the next.
        const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> in_use(stmt, sqlite3_reset);
        sqlite3_clear_bindings(stmt);
        for (std::size_t i = 0; i < values.size(); ++i) {
            const std::string name = "$" + std::to_string(i + 1);
            const int at = sqlite3_bind_parameter_index(stmt, name.c_str());
            if (at > 0 &&
                sqlite3_bind_text(stmt, at, values[i].data(), static_cast<int>(values[i].size()),
                                  SQLITE_TRANSIENT) != SQLITE_OK)
                Fail(sql);
        }
        std::vector<Row> rows;
        int step;
        while ((step = sqlite3_step(stmt)) == SQLITE_ROW) {
            Row row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                const auto* text = sqlite3_column_text(stmt, c);
                row.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
            }
            rows.push_back(std::move(row));
        }
        if (step != SQLITE_DONE) Fail(sql);
        return rows;
    }

    void Script(const std::string& sql) override {
        char* error = nullptr;
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string why = error ? error : "failed";
            sqlite3_free(error);
            throw DatabaseError("sqlite: " + why);
        }
    }

    bool postgres() const override { return false; }

  private:
    // Each statement is compiled once and kept: the server asks the same few again and again.
    sqlite3_stmt* Prepared(const std::string& sql) {
        const auto kept = prepared.find(sql);
        if (kept != prepared.end()) return kept->second;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) !=
            SQLITE_OK)
            Fail(sql);
        prepared.emplace(sql, stmt);
        return stmt;
    }

    [[noreturn]] void Fail(const std::string& sql) {
        throw DatabaseError(std::string("sqlite: ") + sqlite3_errmsg(db) + " in: " + sql);
    }

    sqlite3* db = nullptr;
    std::map<std::string, sqlite3_stmt*> prepared;
};

}  // namespace

std::unique_ptr<Database> OpenSqlite(const std::string& path) {
    return std::make_unique<SqliteDatabase>(path);
}
