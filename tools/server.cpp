// The server of many tables: one process on one TCP port, where players from anywhere meet in a
// lobby, make and join tables, and watch them. One thread runs everything.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

#include "base/command_line.h"
#include "base/open_files.h"
#include "server/service.h"

namespace {

void log_line(const std::string& fields) {
    std::fprintf(stderr, "velmora-server: %s\n", fields.c_str());
}

// Under systemd, the unit's state folder; elsewhere the working folder.
std::string default_database() {
    const char* state = std::getenv("STATE_DIRECTORY");
    const std::string dir = state && *state ? std::string(state) : ".";
    // systemd may name several folders, separated by colons: the first is this unit's.
    return dir.substr(0, dir.find(':')) + "/velmora-server.db";
}

std::string host_name() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || !*name) return "localhost";
    return name;
}

}  // namespace

int main(int argc, char** argv) {
    const CommandLine line(
        argc, argv,
        "usage: velmora-server [--port N] [--quick-seats S] [--max-connections C]\n"
        "                      [--max-tables T] [--max-per-address A] [--database D]\n"
        "Serves many tables of Velmora on TCP port N (1234). A client of the game's\n"
        "own lines takes a seat at the first table waiting for players, or at a new\n"
        "table of S seats (2); a client that speaks the lobby lists, makes, joins\n"
        "and watches tables. At most C connections (4096), T tables (1000) and A\n"
        "connections from one address (8). Logs one line per event on standard\n"
        "error; SIGTERM tells every client the host leaves and ends within 2 s.\n"
        "Players' names, finished games and ratings are kept in database D: a SQLite\n"
        "file (velmora-server.db in $STATE_DIRECTORY, which systemd sets, or else in the\n"
        "working folder), a PostgreSQL database given as postgresql://..., or none\n"
        "with 'off'.\n",
        {"--port", "--quick-seats", "--max-connections", "--max-tables", "--max-per-address",
         "--database"});
    ServerLimits limits;
    const int port = static_cast<int>(line.Number("--port", 1234, 1, 65535));
    limits.quick_seats = static_cast<int>(line.Number("--quick-seats", 2, 2, 5));
    limits.max_connections = static_cast<int>(line.Number("--max-connections", 4096, 1, 1000000));
    limits.max_tables = static_cast<int>(line.Number("--max-tables", 1000, 1, 1000000));
    limits.max_per_address = static_cast<int>(line.Number("--max-per-address", 8, 1, 1000000));
    limits.host = host_name();
    try {
        RaiseOpenFiles();
        const std::string where = line.Text("--database", default_database());
        std::unique_ptr<GameStore> store;
        if (where != "off") store = std::make_unique<GameStore>(OpenDatabase(where));
        log_line("event=database where=" +
                 (where.rfind("postgres", 0) == 0 ? "postgresql" : where));
        asio::io_context io(1);
        Service service(io, limits, log_line, store.get());
        service.Listen(port);
        log_line("event=listening port=" + std::to_string(port));
        service.Run(true);
        log_line("event=stopped");
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velmora-server: error: %s\n", e.what());
        return 1;
    }
}
