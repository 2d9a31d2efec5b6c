#!/usr/bin/python3
"""A server killed with SIGKILL under load loses no game it reported finished.

kill_under_load.py BUILD_DIR sqlite|postgresql

The server keeps its games in a SQLite file of its own, or in the PostgreSQL database that
VELMORA_POSTGRES names. Players of the load generator play game after game at full pace; the
server is killed in the middle (after 1.5 s of 3), and every game the load generator saw end must be in the
database (more may be: kept, but killed before its winner was told). The server then starts again
on the same database, which opens whole and holds the same games."""
import os
import re
import signal
import socket
import sqlite3
import subprocess
import sys
import tempfile
import time

PORT = 4571


def count_games(where):
    if where.startswith("postgres"):
        out = subprocess.run(["psql", where, "-tAc", "SELECT COUNT(*) FROM games"],
                             capture_output=True, text=True, check=True, timeout=30).stdout
        return int(out.strip())
    with sqlite3.connect(where) as db:
        if db.execute("PRAGMA integrity_check").fetchone()[0] != "ok":
            sys.exit("the SQLite file is damaged")
        return db.execute("SELECT COUNT(*) FROM games").fetchone()[0]


def start(build, where):
    server = subprocess.Popen([os.path.join(build, "velmora-server"), "--port", str(PORT),
                               "--quick-seats", "2", "--max-per-address", "100000",
                               "--database", where], stderr=subprocess.DEVNULL)
    for _ in range(500):
        try:
            socket.create_connection(("127.0.0.1", PORT), timeout=1).close()
            return server
        except OSError:
            if server.poll() is not None:
                sys.exit("the server did not start on " + where)
            time.sleep(0.01)
    server.kill()
    sys.exit("the server never listened")


def main():
    build, kind = sys.argv[1], sys.argv[2]
    folder = tempfile.mkdtemp()
    where = os.environ.get("VELMORA_POSTGRES", "") if kind == "postgresql" else \
        os.path.join(folder, "server.db")
    if not where:
        print("PostgreSQL is not installed here: nothing to test")
        return
    server = start(build, where)
    before = count_games(where)
    load = subprocess.Popen([os.path.join(build, "velmora-load"), "--server", f"127.0.0.1:{PORT}",
                             "--connections", "60", "--seats", "2", "--seconds", "3"],
                            stdout=subprocess.PIPE, text=True)
    time.sleep(1.5)
    server.send_signal(signal.SIGKILL)
    server.wait(timeout=10)
    out = load.communicate(timeout=30)[0]
    seen = int(re.search(r"games_ended: (\d+)", out).group(1))
    kept = count_games(where) - before
    print(f"games seen ended: {seen}, kept: {kept}")
    if seen == 0:
        sys.exit("no game ended before the kill: the test tells nothing")
    if kept < seen:
        sys.exit(f"{seen - kept} games reported finished are missing from the database")
    again = start(build, where)
    again.send_signal(signal.SIGTERM)
    again.wait(timeout=10)
    if count_games(where) - before != kept:
        sys.exit("the games kept changed when the server started again")


if __name__ == "__main__":
    main()
