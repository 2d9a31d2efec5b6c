// The server's database: SQLite in one file, or PostgreSQL, behind one small interface. Every
// statement is written once with $1, $2, ... for its values, which are bound, never spliced in.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class DatabaseError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class Database {
  public:
    // Each value as text; NULL as "".
    using Row = std::vector<std::string>;
    virtual ~Database() = default;

    // One statement; throws DatabaseError.
    virtual std::vector<Row> Query(const std::string& sql,
                                   const std::vector<std::string>& values = {}) = 0;
    // Statements without values, as a migration runs them.
    virtual void Script(const std::string& sql) = 0;
    // What the two tell apart: an identity column, and how a transaction that writes begins.
    virtual bool postgres() const = 0;
    std::string IdColumn() const {
        return postgres() ? "BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY"
                          : "INTEGER PRIMARY KEY";
    }
    std::string BeginWriting() const { return postgres() ? "BEGIN" : "BEGIN IMMEDIATE"; }
};

// "postgresql://..." (or "postgres://...") opens PostgreSQL; anything else is SQLite's file,
// written ahead (WAL) and synced at each commit. Throws DatabaseError.
std::unique_ptr<Database> OpenDatabase(const std::string& where);
std::unique_ptr<Database> OpenSqlite(const std::string& path);
std::unique_ptr<Database> OpenPostgres(const std::string& uri);
