#!/usr/bin/env bash
# A sound server that stops answering (SIGSTOP) never stops the trainer:
# with speech on and with speech off (the event sound), the window keeps
# stepping and commands are taken; words are dropped, nothing is reported.
source "$(dirname "$0")/lib.sh"

start_xvfb
start_pulse
for w in sea ocean river lake hill stone wood sand rain snow; do printf '%s#词\n' "$w"; done |
  write_gbk "$PROG/data/words.txt"

rows() { log_count '^kelpword: row '; }
for voice in 1 -4; do
  printf '%s\n' '[Start]' 'First=false' '[sjly]' 'sjms=3' 'wbwj=words.txt' '[timer]' 'jg=1' 'reci3=2' \
    '[TTS]' "index1=$voice" 'index2=1' | write_gbk "$PROG/wkcfg.ini"
  start_kelpword
  wait_ready
  wait_log 3 '^kelpword: row '
  kill -STOP "$PULSE_PID"
  before=$(rows)
  wait_log $((before + 3)) '^kelpword: row '
  "$KELPWORD" next || fail "a command was not taken while the sound server was stopped (voice $voice)"
  wait_log 1 'command "nextItem"'
  window_shown "$KELP_PID" "系统消息 " && fail "a stopped server was reported (voice $voice)"
  kill -CONT "$PULSE_PID"
  "$KELPWORD" quit || fail "quit was not taken (voice $voice)"
  wait_exit "$KELP_PID" || fail "quit did not end the program (voice $voice)"
  grep -q $'^index1='"$voice"$'\r$' "$PROG/wkcfg.ini" || fail "the voice setting changed (voice $voice)"
done
echo "1 passed, 0 failed"
