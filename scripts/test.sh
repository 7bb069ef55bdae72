#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest (offscreen)
# twice: on SQLite data folders, then on a throw-away PostgreSQL server that this
# script starts in a temporary folder on a free local port and stops at the end,
# even when tests fail.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "$root/build"

echo "== tests on SQLite"
status=0
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" "$@" || status=$?

echo "== tests on PostgreSQL"
cluster="$(mktemp -d /tmp/amval-pg.XXXXXX)"
trap '"$root/scripts/pg-cluster.sh" stop "$cluster/pg"; rm -rf "$cluster"' EXIT
chmod 755 "$cluster"
server="$("$root/scripts/pg-cluster.sh" start "$cluster/pg")"
AMVAL_TEST_SERVER="$server" QT_QPA_PLATFORM=offscreen \
    ctest --output-on-failure -j"$(nproc)" "$@" || status=$?
exit $status
