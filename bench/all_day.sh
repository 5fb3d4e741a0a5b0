#!/usr/bin/env bash
# Memory all day: the trainer stepping through the sample words at a
# 1-second interval with speech on (flite's slt voice), resident memory after
# 60 s, against the speaking floor (bench/floor_window.cpp built as
# kelp_speaking_floor: a bare window that says one word with the same voice on
# the same sound server), read once it has spoken. Interleaved rounds; medians
# and spread.   usage: bench/all_day.sh [rounds] [seconds] [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-5}
seconds=${2:-60}
build=${3:-$root/build}
tmp=$(mktemp -d /tmp/kelp-all-day.XXXXXX)
source "$root/scripts/desktop-session.sh"
desktop_session_start "$tmp"
mkdir -p "$tmp/prog/data"
cp "$root/data/New_Word.txt" "$tmp/prog/data/"
printf '[Start]\r\nFirst=false\r\n[sjly]\r\nsjms=3\r\nwbwj=New_Word.txt\r\n[timer]\r\njg=1\r\n[TTS]\r\nindex1=1\r\nindex2=1\r\n' \
  >"$tmp/prog/wkcfg.ini"
rss_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }

: >"$tmp/trainer"; : >"$tmp/floor"
for i in $(seq "$rounds"); do
  for which in $(if [ $((i % 2)) -eq 0 ]; then echo floor trainer; else echo trainer floor; fi); do
    if [ "$which" = floor ]; then
      "$build/bench/kelp_speaking_floor" >"$tmp/floor.out" 2>/dev/null &
      pid=$!
      for _ in $(seq 200); do grep -q spoken "$tmp/floor.out" && break; sleep 0.05; done
      sleep 1
    else
      (cd "$tmp/prog" && exec "$build/kelpword") >/dev/null 2>&1 &
      pid=$!
      sleep "$seconds"
    fi
    rss_kib "$pid" >>"$tmp/$which"
    kill "$pid"; wait "$pid" 2>/dev/null || true
    sleep 0.5 # the sound server lets go of the last stream
  done
done
stat() { sort -n "$1" | awk '{a[NR]=$1} END {printf "%.1f MiB (%.1f-%.1f)", a[int((NR+1)/2)]/1024, a[1]/1024, a[NR]/1024}'; }
median() { sort -n "$1" | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
echo "memory all day, $rounds rounds, median (min-max):"
echo "  the speaking floor, once it has spoken:        $(stat "$tmp/floor")"
echo "  the trainer after ${seconds} s of words with speech: $(stat "$tmp/trainer"), ratio" \
  "$(echo "scale=2; $(median "$tmp/trainer") / $(median "$tmp/floor")" | bc) x (target 1.15)"
