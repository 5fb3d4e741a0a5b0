#!/usr/bin/env bash
# Review mode from a PostgreSQL server (private, Unix socket) against the local
# file, for the same words and day: time from exec to the first word painted,
# runs interleaved. Prints each median, its spread and their ratio (target:
# the server at most 1.15 times the file), and the same for the bare window
# that reads its word from each data source (kelp_reading_floor): what the
# server's driver costs a program that does nothing else.
# usage: bench/server.sh [runs] [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-21}
build=${2:-$root/build}
source "$root/tests/support/postgres_server.sh"
tmp=$(mktemp -d /tmp/kelp-bench.XXXXXX)
source "$root/scripts/desktop-session.sh"
desktop_session_start "$tmp"
trap 'kill "${SESSION_PIDS[@]}" 2>/dev/null; wait "${SESSION_PIDS[@]}" 2>/dev/null; pg_stop "$tmp-pg"; rm -rf "$tmp"' EXIT
PG_OWNER_PID=$$ pg_start "$tmp-pg"
eval "$(pg_env "$tmp-pg")"

words=$tmp/words.txt
# The sample list several times over: a study database of some size.
for i in $(seq 20); do cat "$root/data/New_Word.txt"; done >"$words"
for side in file server; do
  mkdir -p "$tmp/$side/data" "$tmp/$side/font"
done
"$build/kelpword-mkdb" --due-every 5 "$words" "$tmp/file/kelp.mdb" >/dev/null
"$build/kelpword-mkdb" --due-every 5 --dsn kelppg "$words"
# A long interval: nothing but start-up is measured. The file's data source is
# registered by a first start (First=true); the server's is there already.
printf '[sjly]\r\nsjms=1\r\n[timer]\r\njg=600\r\n[ODBC]\r\nDSN_Name=kelpfile\r\n' >"$tmp/file/wkcfg.ini"
printf '[Start]\r\nFirst=false\r\n[sjly]\r\nsjms=1\r\n[timer]\r\njg=600\r\n[ODBC]\r\nDSN_Name=kelppg\r\n' >"$tmp/server/wkcfg.ini"

probe() {
  case $1 in
    floorfile) KELP_FLOOR_DSN=kelpfile "$build/bench/kelp_startup_probe" "Kelp Words" 0 "$build/bench/kelp_reading_floor" ;;
    floorserver) KELP_FLOOR_DSN=kelppg "$build/bench/kelp_startup_probe" "Kelp Words" 0 "$build/bench/kelp_reading_floor" ;;
    *) (cd "$tmp/$1" && "$build/bench/kelp_startup_probe" "Kelp Words" 0 "$build/kelpword") ;;
  esac
}
probe file >/dev/null && probe server >/dev/null # registration, warm caches
probe floorfile >/dev/null && probe floorserver >/dev/null
: >"$tmp/file.ms"; : >"$tmp/server.ms"; : >"$tmp/floorfile.ms"; : >"$tmp/floorserver.ms"
for i in $(seq "$runs"); do
  # The order turns each round: no side always follows another's end.
  for side in $(case $((i % 4)) in 0) echo file server floorfile floorserver ;; 1) echo server floorfile floorserver file ;;
    2) echo floorfile floorserver file server ;; *) echo floorserver file server floorfile ;; esac); do
    line=$(probe $side)
    echo "run $i $side: $line"
    sed 's/.*paint_ms=\([0-9.]*\).*/\1/' <<<"$line" >>"$tmp/$side.ms"
  done
done
median() { sort -n "$1" | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
spread() { sort -n "$1" | awk 'NR==1 {a=$1} {b=$1} END {printf "%s-%s", a, b}'; }
f=$(median "$tmp/file.ms"); s=$(median "$tmp/server.ms")
echo "first word painted, median (spread) of $runs rounds: local file ${f} ms ($(spread "$tmp/file.ms")), server ${s} ms" \
  "($(spread "$tmp/server.ms")), ratio $(awk -v s="$s" -v f="$f" 'BEGIN {printf "%.2f", s / f}') (target <= 1.15)"
f=$(median "$tmp/floorfile.ms"); s=$(median "$tmp/floorserver.ms")
echo "the reading floor, the same: local file ${f} ms ($(spread "$tmp/floorfile.ms")), server ${s} ms" \
  "($(spread "$tmp/floorserver.ms")), ratio $(awk -v s="$s" -v f="$f" 'BEGIN {printf "%.2f", s / f}')"
