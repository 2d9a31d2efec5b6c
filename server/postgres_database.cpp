// PostgreSQL through libpq: values sent apart from the statement's text, as text.
#include <libpq-fe.h>

#include "server/database.h"

namespace {

class PostgresDatabase final : public Database {
  public:
    explicit PostgresDatabase(const std::string& uri) : conn(PQconnectdb(uri.c_str())) {
        if (!conn || PQstatus(conn) != CONNECTION_OK) {
            const std::string why = conn ? PQerrorMessage(conn) : "out of memory";
            PQfinish(conn);
            throw DatabaseError("can't reach PostgreSQL: " + why);
        }
        Script("SET client_min_messages = warning");
    }
    ~PostgresDatabase() override { PQfinish(conn); }
    PostgresDatabase(const PostgresDatabase&) = delete;
    PostgresDatabase& operator=(const PostgresDatabase&) = delete;

    std::vector<Row> Query(const std::string& sql,
                           const std::vector<std::string>& values) override {
        std::vector<const char*> params;
        for (const std::string& v : values) params.push_back(v.c_str());
        PGresult* result = PQexecParams(conn, sql.c_str(), static_cast<int>(params.size()), nullptr,
                                        params.data(), nullptr, nullptr, 0);
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) Fail(result, sql);
        std::vector<Row> rows;
        for (int r = 0; r < PQntuples(result); ++r) {
            Row row;
            for (int c = 0; c < PQnfields(result); ++c) row.emplace_back(PQgetvalue(result, r, c));
            rows.push_back(std::move(row));
        }
        PQclear(result);
        return rows;
    }

    void Script(const std::string& sql) override {
        PGresult* result = PQexec(conn, sql.c_str());
        if (PQresultStatus(result) != PGRES_COMMAND_OK && PQresultStatus(result) != PGRES_TUPLES_OK)
            Fail(result, sql);
        PQclear(result);
    }

    bool postgres() const override { return true; }

  private:
    [[noreturn]] void Fail(PGresult* result, const std::string& sql) {
        const std::string why = PQerrorMessage(conn);
        PQclear(result);
        throw DatabaseError("postgresql: " + why + " in: " + sql);
    }

    PGconn* conn;
};

}  // namespace

std::unique_ptr<Database> OpenPostgres(const std::string& uri) {
    return std::make_unique<PostgresDatabase>(uri);
}
