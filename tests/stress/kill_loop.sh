#!/usr/bin/env bash
# Kills the real trainer at random moments, with SIGKILL or SIGTERM, and
# checks what it leaves: the settings file and the notebook are never torn or
# empty, no temporary file stays behind, and every SIGTERM after start-up
# saved the row on display. Not part of the normal suite (it takes minutes).
# usage: KELPWORD=build/kelpword tests/stress/kill_loop.sh [rounds, default 300]
source "$(dirname "$0")/../e2e/lib.sh"
rounds=${1:-300}
WAIT_SECONDS=10

start_xvfb
for i in $(seq 30); do echo "w$i#m$i"; done | write_gbk "$PROG/data/words.txt"

torn=0 empty=0 stray=0 unsaved=0 saved=0 early=0 killed=0 hung=0
for round in $(seq "$rounds"); do
  start_row=$((RANDOM % 20 + 2))
  write_text_mode_ini "$start_row"
  start_kelpword
  # Some kills land during start-up, most once the window is up and working.
  if [ $((RANDOM % 4)) -eq 0 ]; then
    sleep "0.0$((RANDOM % 10))"
  else
    came_true has_log_count 1 "hot keys grabbed" || true
    for _ in $(seq $((RANDOM % 4))); do
      case $((RANDOM % 3)) in
        0) xdotool key Right ;;
        1) xdotool key Left ;;
        2) xdotool key alt+d ;;
      esac
    done
    sleep "0.0$((RANDOM % 5))"
  fi
  ready=$(log_count "hot keys grabbed")
  if [ $((RANDOM % 2)) -eq 0 ]; then
    signal=KILL
    killed=$((killed + 1))
  else
    signal=TERM
  fi
  # The row on display when the signal left: the last one the program reported.
  kill -s "$signal" "$KELP_PID" 2>/dev/null || true
  if ! wait_exit "$KELP_PID"; then
    hung=$((hung + 1))
    kill -KILL "$KELP_PID" 2>/dev/null || true
    wait "$KELP_PID" 2>/dev/null || true
  fi
  ini="$PROG/wkcfg.ini"
  if [ ! -s "$ini" ]; then
    empty=$((empty + 1))
  elif ! grep -q $'^jg=1000\r$' "$ini" || ! grep -q $'^reci3=[0-9]*\r$' "$ini"; then
    torn=$((torn + 1))
  fi
  if ls "$PROG" "$PROG/data" | grep -E '\.(part|tmp)$|wkcfg\.ini\..+' >/dev/null; then
    stray=$((stray + 1))
    rm -f "$PROG"/wkcfg.ini.?* "$PROG"/data/*.part
  fi
  notebook="$PROG/data/生词本.txt"
  if [ -f "$notebook" ] && [ -s "$notebook" ] && [ "$(tail -c 2 "$notebook" | od -An -c | tr -d ' ')" != '\r\n' ]; then
    torn=$((torn + 1))
  fi
  if [ "$signal" = TERM ] && [ "$ready" -ge 1 ]; then
    row=$(grep -o 'kelpword: row [0-9]*' "$OUT" | tail -n1 | awk '{print $3}')
    if grep -q $"^reci3=$row"$'\r$' "$ini"; then saved=$((saved + 1)); else unsaved=$((unsaved + 1)); fi
  elif [ "$signal" = TERM ]; then
    early=$((early + 1))
  fi
done
echo "rounds=$rounds sigkill=$killed sigterm_after_start=$((saved + unsaved)) sigterm_during_start=$early"
echo "torn=$torn empty=$empty stray_temporary_files=$stray sigterm_not_saved=$unsaved hung=$hung"
[ $((torn + empty + stray + unsaved + hung)) -eq 0 ] && echo "1 passed, 0 failed" || { echo "0 passed, 1 failed"; exit 1; }
