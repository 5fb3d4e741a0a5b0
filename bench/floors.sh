#!/usr/bin/env bash
# The trainer against the toolkit's floor, interleaved in one run so that a
# busy machine weighs on both alike:
#   first word: a bare Qt window with three labels (bench/floor_window.cpp)
#     against the trainer in text-file mode and in review mode (ODBC), time
#     from exec to the first word painted and resident memory at that moment
#     (medians, with the spread); review mode also against the same window
#     reading its word from the same data source (kelp_reading_floor);
#   command: a bare C socket client (bench/socket_floor.c) against
#     "kelpword next" on the trainer's socket, each timed from fork to exit
#     (bench/process_timer.c).
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
(cd "$tmp/review" && "$probe" "Kelp Words" 300 "$build/bench/kelp_reading_floor") >/dev/null

: >"$tmp/floor"; : >"$tmp/readingfloor"; : >"$tmp/textmode"; : >"$tmp/reviewmode"
for i in $(seq "$rounds"); do
  # The order turns each round.
  for which in $(case $((i % 4)) in 0) echo floor textmode reviewmode readingfloor ;;
    1) echo textmode reviewmode readingfloor floor ;; 2) echo reviewmode readingfloor floor textmode ;;
    *) echo readingfloor floor textmode reviewmode ;; esac); do
    case $which in
      floor) "$probe" "Kelp Words" ${KELP_SETTLE_MS:-0} "$build/bench/kelp_floor_window" >>"$tmp/floor" ;;
      readingfloor) (cd "$tmp/review" && "$probe" "Kelp Words" ${KELP_SETTLE_MS:-0} "$build/bench/kelp_reading_floor") \
        >>"$tmp/readingfloor" ;;
      textmode) (cd "$tmp/text" && "$probe" "Kelp Words" ${KELP_SETTLE_MS:-0} "$build/kelpword") >>"$tmp/textmode" ;;
      reviewmode) (cd "$tmp/review" && "$probe" "Kelp Words" ${KELP_SETTLE_MS:-0} "$build/kelpword") >>"$tmp/reviewmode" ;;
    esac
  done
done
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
field() { sed "s/.*$1=\([0-9.]*\).*/\1/" "$2" | median; }
spread() { sed "s/.*$1=\([0-9.]*\).*/\1/" "$2" | sort -n | awk 'NR==1{a=$1} {b=$1} END {printf "%s-%s", a, b}'; }
floor_ms=$(field paint_ms "$tmp/floor"); floor_kib=$(field paint_rss_kib "$tmp/floor")
printf 'first word painted, the floor (bare Qt window): %6.1f ms (%s)  %6.1f MiB\n' "$floor_ms" \
  "$(spread paint_ms "$tmp/floor")" "$(echo "$floor_kib / 1024" | bc -l)"
for mode in textmode reviewmode; do
  ms=$(field paint_ms "$tmp/$mode"); kib=$(field paint_rss_kib "$tmp/$mode")
  printf 'first word painted, %-21s %6.1f ms (%s)  %6.1f MiB   ratio %.2f x time, %.2f x memory\n' \
    "${mode%mode} mode:" "$ms" "$(spread paint_ms "$tmp/$mode")" "$(echo "$kib / 1024" | bc -l)" \
    "$(echo "$ms / $floor_ms" | bc -l)" "$(echo "$kib / $floor_kib" | bc -l)"
done
reading_ms=$(field paint_ms "$tmp/readingfloor"); reading_kib=$(field paint_rss_kib "$tmp/readingfloor")
review_ms=$(field paint_ms "$tmp/reviewmode"); review_kib=$(field paint_rss_kib "$tmp/reviewmode")
printf 'first word painted, the floor reading the data source: %6.1f ms (%s)  %6.1f MiB\n' "$reading_ms" \
  "$(spread paint_ms "$tmp/readingfloor")" "$(echo "$reading_kib / 1024" | bc -l)"
printf 'first word painted, review mode against it:   ratio %.2f x time, %.2f x memory\n' \
  "$(echo "$review_ms / $reading_ms" | bc -l)" "$(echo "$review_kib / $reading_kib" | bc -l)"

# Commands: the trainer in text mode, paused; the floor sends the same line
# to the same socket.
desktop_session_trainer "$build" "$tmp/text" "$tmp/out"
for _ in $(seq 200); do "$build/kelpword" pause 2>/dev/null && break; sleep 0.05; done
"$build/bench/kelp_process_timer" "$rounds" \
  "command answered, the floor (a bare C socket client)" \
  "$build/bench/kelp_socket_floor" "$XDG_RUNTIME_DIR/kelpword.socket" next \; \
  "command answered, kelpword next" "$build/kelpword" next

# Word to first sound, on the session's sound server.
KELPWORD_SPEECH_MODULE="$build/libkelpword-speech.so" "$build/bench/kelp_speech_probe" |
  grep -E 'first sound on the output|^floor'
