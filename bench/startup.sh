#!/usr/bin/env bash
# Time from exec to the word window being mapped, and peak resident memory,
# for the real binary on the sample word list under a private Xvfb.
# Prints each run and the medians. usage: bench/startup.sh [runs] [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-9}
build=${2:-$root/build}
tmp=$(mktemp -d /tmp/kelp-bench.XXXXXX)
# KELP_BENCH_RUNTIME: a runtime folder with a sound server in it, for the figures with speech on.
export XDG_RUNTIME_DIR="${KELP_BENCH_RUNTIME:-$tmp/run}" HOME="$tmp/home" ODBCINI="$tmp/odbc.ini" LANG=C.UTF-8
mkdir -p -m 700 "$XDG_RUNTIME_DIR"; mkdir -p "$HOME"
unset QT_QPA_PLATFORM
"$root/scripts/make-demo" "$build" "$tmp/prog" >/dev/null
# A long interval: nothing but start-up is measured.
sed -i 's/^jg=3\r$/jg=600\r/' "$tmp/prog/wkcfg.ini"

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -rf "$tmp"' EXIT
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$tmp/display")"

cd "$tmp/prog"
"$build/bench/kelp_startup_probe" "Kelp Words" 300 "$build/kelpword" >/dev/null # warm the caches
: >"$tmp/results"
for i in $(seq "$runs"); do
  line=$("$build/bench/kelp_startup_probe" "Kelp Words" 800 "${KELP_BENCH_PROGRAM:-$build/kelpword}")
  echo "run $i: $line"
  echo "$line" >>"$tmp/results"
done
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
map=$(sed 's/.*map_ms=\([0-9.]*\).*/\1/' "$tmp/results" | median)
rss=$(sed 's/.*rss_kib=\([0-9]*\).*/\1/' "$tmp/results" | median)
echo "median: first word window mapped after ${map} ms, peak RSS $((rss / 1024)) MiB (${rss} KiB)"
