#!/usr/bin/env bash
# While a long phrase is being said the trainer still answers: control
# commands are taken at once and carried out, the cycle waits for the
# phrase before it steps, and quit ends the program mid-phrase.
source "$(dirname "$0")/lib.sh"

start_xvfb
start_pulse
phrase='a long sentence that takes a few seconds to say from the beginning to the end'
for i in $(seq 1 25); do printf '%s %s#句子%s\n' "$phrase" "$i" "$i"; done | write_gbk "$PROG/data/words.txt"
printf '%s\n' '[Start]' 'First=false' '[sjly]' 'sjms=3' 'wbwj=words.txt' '[timer]' 'jg=1' 'reci3=2' \
  '[TTS]' 'index1=1' 'index2=1' | write_gbk "$PROG/wkcfg.ini"

ms() { date +%s%3N; }
start_kelpword
wait_ready
wait_log 1 '^kelpword: row 2$'
# The first phrase takes seconds at a one-second interval: no step before it ends.
wait_log 1 'word said'
first_rows=$(sed -n '1,/word said/p' "$OUT" | grep -c '^kelpword: row ')
[ "$first_rows" = 1 ] || fail "the cycle stepped $first_rows times while the first phrase was said"

# Six pauses while a phrase is being said, each answered and carried out.
# The phrase of row 2 has only begun: a program that answered only once it
# was said would have said it first.
wait_log 2 '^kelpword: row '
said_before=$(grep -c 'word said' "$OUT")
worst=0
for i in $(seq 1 6); do
  t0=$(ms)
  "$KELPWORD" pause || fail "pause $i was reported as failed"
  t=$(($(ms) - t0))
  [ "$t" -gt "$worst" ] && worst=$t
  [ "$i" = 1 ] && [ "$(grep -c 'word said' "$OUT")" != "$said_before" ] &&
    fail "the first pause was answered only after the phrase was said"
  wait_log "$i" 'command "pause"'
done

# Twenty "next" in a row while speaking: all taken, all carried out.
for i in $(seq 1 20); do
  "$KELPWORD" next || fail "next $i was reported as failed"
done
wait_log 20 'command "nextItem"'

t0=$(ms)
"$KELPWORD" quit || fail "quit was reported as failed"
wait_exit "$KELP_PID" || fail "quit did not end the program"
[ -n "${E2E_VERBOSE:-}" ] && cat "$OUT" >&2
echo "quit mid-phrase ended the program in $(($(ms) - t0)) ms; slowest pause answer $worst ms"
echo "1 passed, 0 failed"
