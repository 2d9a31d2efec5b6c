#include "server/database.h"

std::unique_ptr<Database> OpenDatabase(const std::string& where) {
    if (where.rfind("postgresql://", 0) == 0 || where.rfind("postgres://", 0) == 0)
        return OpenPostgres(where);
    return OpenSqlite(where);
}
