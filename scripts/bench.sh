#!/usr/bin/env bash
# Benchmarks on a large company: builds bench_large (Release) into build-bench/, makes
# the companies (voucher rows and assets: 100000/10000 and 1000000/100000 unless
# --sizes says otherwise) on SQLite (a data folder in a temporary folder) and on
# PostgreSQL (a throw-away cluster, durable: fsync and synchronous_commit on; or the
# server in AMVAL_BENCH_SERVER, named durable or not in the table), runs every
# operation in a process of its own and prints one table:
#   engine, operation, size (voucher rows), ours ms, raw ms, ratio, peak MB
#   bench.sh [--sizes 10000,1000000] [--engines sqlite,postgresql] [--csv FILE]
# (scripts/setup.sh installs what it needs: the column tool comes from bsdextrautils.)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
sizes="100000,1000000"
engines="sqlite,postgresql"
csv=""
while [ $# -gt 0 ]; do
    case "$1" in
    --sizes) sizes="$2"; shift 2 ;;
    --engines) engines="$2"; shift 2 ;;
    --csv) csv="$2"; shift 2 ;;
    *) echo "bench.sh: unknown argument $1" >&2; exit 2 ;;
    esac
done
# picklist_first once for each window that opens the asset list on a new row, each
# in a process of its own (its cold line is that window's first opening).
operations="save10 save2000 load open_window step picklist_first:purchase picklist_first:transfer picklist_first:sale picklist_key walk2000 grid_first export_xlsx excel_import100k carry_forward"
# The voucher search over every kind and date, and its result grid's first screen.
operations="$operations search_all search_first"
# 1,000 asset labels into a PDF.
operations="$operations labels_pdf1000"
# A barcode scanner's read in the count window.
operations="$operations scan"
# The asset card of an asset with 1,000 vouchers.
operations="$operations asset_card"
# The register on the period's last day, every asset: its first screen and the whole.
operations="$operations register_on_date"
# The yearly schedule by tax-return group: its first screen and (yearly_schedule:all) all of it.
operations="$operations yearly_schedule"

"$root/scripts/setup.sh" >/dev/null
# AMVAL_BENCH_BUILD names another build folder to use (configured as it is).
build="${AMVAL_BENCH_BUILD:-$root/build-bench}"
if [ -z "${AMVAL_BENCH_BUILD:-}" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target bench_large >/dev/null
program="$build/bin/bench_large"

work="$(mktemp -d /tmp/amval-bench.XXXXXX)"
cluster=""
cleanup() {
    if [ -n "$cluster" ]; then "$root/scripts/pg-cluster.sh" stop "$cluster" || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"

rows=()
run_engine() {
    local engine="$1" base="$2" label="${3:-$1}"
    local size
    for size in ${sizes//,/ }; do
        local assets=$((size / 10)) place
        if [ "$engine" = sqlite ]; then
            place="$work/sqlite-$size"
            mkdir -p "$place"
        else
            # A database of its own on the server for each size.
            local name="amval_bench_${size}_$$"
            psql "$base" -qAtc "CREATE DATABASE $name" >/dev/null
            place="${base%/*}/$name"
        fi
        echo "== $engine: company of $size voucher rows, $assets assets" >&2
        QT_QPA_PLATFORM=offscreen "$program" --place "$place" --generate --size "$size" \
            --assets "$assets" >&2
        local op
        for op in $operations; do
            local lines line
            if lines="$(QT_QPA_PLATFORM=offscreen "$program" --place "$place" --size "$size" \
                --op "$op" 2>"$work/stderr" | grep '^RESULT ')"; then
                # RESULT op size ours raw ratio peak (and op:cold for an interactive one)
                while read -r line; do
                    read -r _ o s ours raw ratio peak <<<"$line"
                    rows+=("$label,$o,$s,$ours,$raw,$ratio,$peak")
                done <<<"$lines"
            else
                echo "   $op failed: $(tail -1 "$work/stderr")" >&2
                rows+=("$label,$op,$size,,,,")
            fi
        done
        if [ "$engine" = sqlite ]; then
            rm -rf "$place"
        else
            psql "$base" -qAtc "DROP DATABASE $name WITH (FORCE)" >/dev/null
        fi
    done
}

for engine in ${engines//,/ }; do
    case "$engine" in
    sqlite) run_engine sqlite "" ;;
    postgresql)
        server="${AMVAL_BENCH_SERVER:-}"
        if [ -z "$server" ]; then
            cluster="$work/pg"
            server="$("$root/scripts/pg-cluster.sh" start "$cluster" durable)"
        fi
        # The table says whether the server waited for the disk at each commit.
        if [ "$(psql "$server" -qAtc "SELECT current_setting('fsync') || current_setting('synchronous_commit')")" = onon ]; then
            label="postgresql (durable)"
        else
            label="postgresql (fsync or synchronous_commit off)"
        fi
        run_engine postgresql "$server" "$label"
        ;;
    *) echo "bench.sh: unknown engine $engine" >&2; exit 2 ;;
    esac
done

header="engine,operation,size,ours_ms,raw_ms,ratio,peak_mb"
{
    echo "$header"
    printf '%s\n' "${rows[@]}"
} | column -s, -t
if [ -n "$csv" ]; then
    {
        echo "$header"
        printf '%s\n' "${rows[@]}"
    } >"$csv"
fi
