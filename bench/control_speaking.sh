#!/usr/bin/env bash
# Control command latency while a long phrase is being said, next to the
# same with speech muted: "kelpword pause" from issued to answered, 50 times
# each, median and worst, under a private Xvfb and sound server.
#   usage: bench/control_speaking.sh [runs] [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-50}
build=${2:-$root/build}
tmp=$(mktemp -d /tmp/kelp-control-speaking.XXXXXX)
source "$root/scripts/desktop-session.sh"
desktop_session_start "$tmp"
export QT_LOGGING_RULES="kelp.*.debug=true"
mkdir -p "$tmp/prog/data"
phrase='a long sentence that takes a few seconds to say from the beginning to the end'
for i in $(seq 1 30); do printf '%s %s#句子\r\n' "$phrase" "$i"; done >"$tmp/prog/data/words.txt"
printf '[Start]\r\nFirst=false\r\n[sjly]\r\nsjms=3\r\nwbwj=words.txt\r\n[timer]\r\njg=1\r\nreci3=2\r\n[TTS]\r\nindex1=1\r\nindex2=1\r\n' >"$tmp/prog/wkcfg.ini"
desktop_session_trainer "$build" "$tmp/prog" "$tmp/out"
for _ in $(seq 200); do grep -q 'hot keys grabbed' "$tmp/out" && break; sleep 0.05; done

measure() { # label
  : >"$tmp/times"
  for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    "$build/kelpword" pause
    end=$(date +%s%N)
    echo "scale=2; ($end - $start) / 1000000" | bc >>"$tmp/times"
  done
  sort -n "$tmp/times" | awk -v label="$1" '{a[NR]=$1} END {printf "%-24s median %6.1f ms  worst %6.1f ms\n", label, a[int((NR+1)/2)], a[NR]}'
}
"$build/kelpword" next # a phrase is being said from here on
speaking=$(measure "while a phrase is said")
"$build/kelpword" mute
"$build/kelpword" next
muted=$(measure "muted")
echo "$speaking"
echo "$muted"
awk -v s="$speaking" -v m="$muted" 'BEGIN {split(s, a, " +"); split(m, b, " +");
  for (i in a) if (a[i] == "median") sm = a[i+1]; for (i in b) if (b[i] == "median") mm = b[i+1];
  printf "ratio (median, speaking / muted): %.2f\n", sm / mm}'
