#!/usr/bin/env bash
# Time from "kelpword next" issued to the word window having changed (the
# program reports each change as a debug line), median of several runs, on
# the sample words under a private Xvfb.   usage: bench/control.sh [runs] [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-21}
build=${2:-$root/build}
tmp=$(mktemp -d /tmp/kelp-control.XXXXXX)
export XDG_RUNTIME_DIR="$tmp/run" HOME="$tmp/home" LANG=C.UTF-8 QT_LOGGING_RULES="kelp.*.debug=true"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"; mkdir -p "$HOME" "$tmp/prog/data"
unset QT_QPA_PLATFORM
cp "$root/data/New_Word.txt" "$tmp/prog/data/"
printf '[Start]\r\nFirst=false\r\n[sjly]\r\nsjms=3\r\nwbwj=New_Word.txt\r\n[timer]\r\njg=600\r\nreci3=1\r\n[TTS]\r\nindex1=-4\r\n' >"$tmp/prog/wkcfg.ini"
Xvfb -displayfd 3 -noreset -screen 0 1280x800x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$tmp/display")"
(cd "$tmp/prog" && exec "$build/kelpword") >"$tmp/out" 2>&1 &
kelp=$!
trap 'kill $kelp $xvfb 2>/dev/null; wait 2>/dev/null; rm -rf "$tmp"' EXIT
for _ in $(seq 200); do grep -q 'hot keys grabbed' "$tmp/out" && break; sleep 0.05; done
"$build/kelpword" pause
: >"$tmp/times"
for i in $(seq "$runs"); do
  before=$(grep -c 'kelpword: row' "$tmp/out" || true)
  start=$(date +%s%N)
  "$build/kelpword" next
  until [ "$(grep -c 'kelpword: row' "$tmp/out")" -gt "$before" ]; do :; done
  end=$(date +%s%N)
  echo "scale=1; ($end - $start) / 1000000" | bc >>"$tmp/times"
done
sort -n "$tmp/times" | awk '{a[NR]=$1} END {print "median: the word window changed " a[int((NR+1)/2)] " ms after \"kelpword next\" was issued"}'
