#!/usr/bin/env bash
# The trainer against the toolkit's floor, interleaved in one run so that a
# busy machine weighs on both alike:
#   first word: a bare Qt window with three labels (bench/floor_window.cpp)
#     against the trainer in text-file mode and in review mode (ODBC), time
#     from exec to the window mapped and peak resident memory;
#   command: a bare socket client (bench/socket_floor.cpp) against
#     "kelpword pause", each from exec to answered.
#   word to first sound: the word asked for against the same word on a fresh
#     stream of the sound server's own client library (bench/speech_probe.cpp).
#   usage: bench/floors.sh [rounds] [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-21}
build=${2:-$root/build}
tmp=$(mktemp -d /tmp/kelp-floors.XXXXXX)
source "$root/scripts/desktop-session.sh"
desktop_session_start "$tmp"
export ODBCINI="$tmp/odbc.ini"
probe="$build/bench/kelp_startup_probe"

# Two program folders: the demo in review mode, and the same words from the text file.
"$root/scripts/make-demo" "$build" "$tmp/review" >/dev/null
sed -i 's/^jg=3\r$/jg=600\r/; s/^sftm=1\r$/sftm=0\r/' "$tmp/review/wkcfg.ini"
mkdir -p "$tmp/text/data"
cp "$root/data/New_Word.txt" "$tmp/text/data/"
printf '[Start]\r\nFirst=false\r\n[sjly]\r\nsjms=3\r\nwbwj=New_Word.txt\r\n[timer]\r\njg=600\r\n[TTS]\r\nindex1=-4\r\n' \
  >"$tmp/text/wkcfg.ini"
sed -i 's/^\[timer\]\r$/[TTS]\r\nindex1=-4\r\n[timer]\r/' "$tmp/review/wkcfg.ini"
# Warm the caches (and register the review folder's data source once).
(cd "$tmp/review" && "$probe" "Kelp Words" 300 "$build/kelpword") >/dev/null
(cd "$tmp/text" && "$probe" "Kelp Words" 300 "$build/kelpword") >/dev/null
"$probe" "Kelp Words" 300 "$build/bench/kelp_floor_window" >/dev/null

: >"$tmp/floor"; : >"$tmp/textmode"; : >"$tmp/reviewmode"
for i in $(seq "$rounds"); do
  # The order turns each round.
  for which in $(case $((i % 3)) in 0) echo floor textmode reviewmode ;; 1) echo textmode reviewmode floor ;;
    *) echo reviewmode floor textmode ;; esac); do
    case $which in
      floor) "$probe" "Kelp Words" ${KELP_SETTLE_MS:-0} "$build/bench/kelp_floor_window" >>"$tmp/floor" ;;
      textmode) (cd "$tmp/text" && "$probe" "Kelp Words" ${KELP_SETTLE_MS:-0} "$build/kelpword") >>"$tmp/textmode" ;;
      reviewmode) (cd "$tmp/review" && "$probe" "Kelp Words" ${KELP_SETTLE_MS:-0} "$build/kelpword") >>"$tmp/reviewmode" ;;
    esac
  done
done
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
field() { sed "s/.*$1=\([0-9.]*\).*/\1/" "$2" | median; }
floor_ms=$(field map_ms "$tmp/floor"); floor_kib=$(field rss_kib "$tmp/floor")
printf 'first word, the floor (bare Qt window):  %6.1f ms  %6.1f MiB\n' "$floor_ms" "$(echo "$floor_kib / 1024" | bc -l)"
for mode in textmode reviewmode; do
  ms=$(field map_ms "$tmp/$mode"); kib=$(field rss_kib "$tmp/$mode")
  printf 'first word, %-28s %6.1f ms  %6.1f MiB   ratio %.2f x time, %.2f x memory\n' "${mode%mode} mode:" \
    "$ms" "$(echo "$kib / 1024" | bc -l)" "$(echo "$ms / $floor_ms" | bc -l)" "$(echo "$kib / $floor_kib" | bc -l)"
done

# Commands: the trainer in text mode, paused, against the bare socket pair.
desktop_session_trainer "$build" "$tmp/text" "$tmp/out"
for _ in $(seq 200); do "$build/kelpword" pause 2>/dev/null && break; sleep 0.05; done
"$build/bench/kelp_socket_floor" serve "$tmp/floor.socket" &
SESSION_PIDS+=($!)
for _ in $(seq 100); do [ -S "$tmp/floor.socket" ] && break; sleep 0.05; done
ns() { date +%s%N; }
: >"$tmp/cmd"; : >"$tmp/cmdfloor"
for i in $(seq "$rounds"); do
  t=$(ns); "$build/bench/kelp_socket_floor" send "$tmp/floor.socket" next; echo $(($(ns) - t)) >>"$tmp/cmdfloor"
  t=$(ns); "$build/kelpword" next; echo $(($(ns) - t)) >>"$tmp/cmd"
done
cmd=$(median <"$tmp/cmd"); cmdfloor=$(median <"$tmp/cmdfloor")
printf 'command answered: kelpword next %.2f ms, the floor (bare socket client) %.2f ms, ratio %.2f x\n' \
  "$(echo "$cmd / 1000000" | bc -l)" "$(echo "$cmdfloor / 1000000" | bc -l)" "$(echo "$cmd / $cmdfloor" | bc -l)"

# Word to first sound, on the session's sound server.
KELPWORD_SPEECH_MODULE="$build/libkelpword-speech.so" "$build/bench/kelp_speech_probe" |
  grep -E 'to its first sound on the output|^floor'
