#!/bin/sh
# Runs a command with VELMORA_POSTGRES naming a database of a PostgreSQL cluster made for it in a
# temporary folder, run as an unprivileged user and reached by a Unix socket only; the cluster
# goes when the command ends. Where PostgreSQL's programs are not installed, the command runs
# without it.
set -eu
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
    echo "PostgreSQL is not installed: the command runs on SQLite alone" >&2
    exec "$@"
fi
dir=$(mktemp -d /tmp/velmora-pg-XXXXXX)
as_owner() {
    if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
[ "$(id -u)" = 0 ] && chown postgres "$dir"
stop() {
    as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    rm -rf "$dir"
}
trap stop EXIT INT TERM
as_owner "$bin/initdb" -D "$dir/data" --auth=trust -U velmora >/dev/null
as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/log" -w -t 30 \
    -o "-k $dir -c listen_addresses= -c fsync=on" start >/dev/null
VELMORA_POSTGRES="postgresql://velmora@/postgres?host=$dir" "$@"
