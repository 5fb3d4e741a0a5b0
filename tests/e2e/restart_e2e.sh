#!/usr/bin/env bash
# Any other error is logged, reported with a pointer to the log, and the
# program starts again in the same process; an error that comes back at
# every start ends the program after it was reported, instead of a loop.
source "$(dirname "$0")/lib.sh"

start_xvfb
for i in $(seq 5); do echo "w$i#m$i"; done | write_gbk "$PROG/data/words.txt"
write_text_mode_ini 2

LD_PRELOAD="$KELP_TEST_HOOKS" KELPWORD_TEST_ERROR=running start_kelpword
box=$(wait_window "$KELP_PID" "其他出错 ") || fail "no message for the error"
xdotool windowfocus --sync "$box" key Return
wait_log 2 "hot keys grabbed" # grabbed again by the restarted word window
press alt+x pause
press Right nextItem
press alt+d addToNotebook
wait_notebook_lines 1
kill -TERM "$KELP_PID"
wait_exit "$KELP_PID" || fail "kelpword did not end"
[ "$EXIT_STATUS" = 0 ] || fail "ended with status $EXIT_STATUS"
[ "$(iconv -f GB18030 -t UTF-8 "$PROG/system_error.log" | grep -c '^ 错误代码 : 2')" = 1 ] || fail "not one record"

rm "$PROG/system_error.log"
LD_PRELOAD="$KELP_TEST_HOOKS" KELPWORD_TEST_ERROR=start start_kelpword
box=$(wait_window "$KELP_PID" "其他出错 ") || fail "no message for the error at start-up"
xdotool windowfocus --sync "$box" key Return
box=$(wait_window "$KELP_PID" "其他出错 ") || fail "no message for the error after the restart"
xdotool windowfocus --sync "$box" key Return
wait_exit "$KELP_PID" || fail "the program kept restarting"
[ "$EXIT_STATUS" = 1 ] || fail "ended with status $EXIT_STATUS instead of 1"
[ "$(iconv -f GB18030 -t UTF-8 "$PROG/system_error.log" | grep -c '^ 错误代码 : 2')" = 2 ] || fail "not two records"
echo "1 passed, 0 failed"
