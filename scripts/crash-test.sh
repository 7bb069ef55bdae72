#!/usr/bin/env bash
# Kills a clerk's program at random moments N times (default 200) while it saves,
# edits and deletes vouchers, and checks the database after each kill; then runs
# several clerks at once. A longer run of the crash test that CI runs a few dozen
# times. Builds first, like scripts/test.sh.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-200}"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "$root/build"
log="$(mktemp)"
status=0
AMVAL_CRASH_RUNS="$runs" QT_QPA_PLATFORM=offscreen ctest --timeout 7200 -R '^tst_crash$' -V \
    >"$log" 2>&1 || status=$?
grep -E -A12 'PASS|FAIL|QINFO|Totals' "$log" | grep -v -E 'QWARN|^23: *Loc' || cat "$log"
rm -f "$log"
exit "$status"
