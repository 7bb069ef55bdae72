#!/usr/bin/env bash
# A throw-away PostgreSQL server for the tests: made with initdb in a temporary
# folder, listening on a free local port, run as an ordinary user.
#   pg-cluster.sh start FOLDER [durable]
#                                prints the server's address (postgresql://...); the
#                                tests' server writes without waiting for the disk
#                                (fsync off), a durable one (the benchmark's) as a
#                                real server does: fsync and synchronous_commit on
#   pg-cluster.sh stop FOLDER    stops it and removes the folder
set -euo pipefail

bindir="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)"
if [ -z "$bindir" ]; then
    echo "pg-cluster: PostgreSQL is not installed (scripts/setup.sh installs it)" >&2
    exit 1
fi

action="${1:?start or stop}"
folder="${2:?folder}"
durable="${3:-}"

# initdb refuses to run as root: the cluster then belongs to the server's own user.
as_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

case "$action" in
start)
    if [ "$durable" = durable ]; then
        writes="-c fsync=on -c synchronous_commit=on -c full_page_writes=on"
    else
        writes="-c fsync=off -c synchronous_commit=off -c full_page_writes=off"
    fi
    mkdir -p "$folder"
    if [ "$(id -u)" -eq 0 ]; then chown postgres "$folder"; fi
    port="$(python3 - <<'PY' 2>/dev/null || echo $((20000 + RANDOM % 20000))
import socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])
s.close()
PY
)"
    as_owner "$bindir/initdb" -D "$folder/data" -U amval --auth=trust -E UTF8 --locale=C.UTF-8 >"$folder/initdb.log" 2>&1 ||
        { cat "$folder/initdb.log" >&2; exit 1; }
    as_owner "$bindir/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w \
        -o "-p $port -k $folder -c listen_addresses=127.0.0.1 -c max_connections=200 $writes" \
        start >/dev/null || { cat "$folder/server.log" >&2; exit 1; }
    echo "postgresql://amval@127.0.0.1:$port/postgres"
    ;;
stop)
    if [ -d "$folder/data" ]; then
        as_owner "$bindir/pg_ctl" -D "$folder/data" -m immediate stop >/dev/null 2>&1 || true
    fi
    rm -rf "$folder"
    ;;
*)
    echo "pg-cluster: start or stop" >&2
    exit 2
    ;;
esac
