#!/usr/bin/env bash
# The words window of a running trainer: "kelpword words" opens it, a meaning
# corrected there by keyboard (the arrow keys its own while it has the focus)
# is in the study database at once, and the word window shows it at once (the
# notebook line Alt+D writes says so).
source "$(dirname "$0")/lib.sh"

start_xvfb
write_review_folder

start_kelpword
wait_ready
press alt+x pause
press Right nextItem # school, the first word due today

"$KELPWORD" words || fail "kelpword words was not taken"
BOOK=$(wait_window "$KELP_PID" "词库 - $(cd "$PROG" && pwd -P)/kelp.mdb") || fail "the words window did not open"
xdotool windowfocus --sync "$BOOK"
wait_log 1 "a window of ours has the focus"
xdotool type --delay 30 school
# To the word found, on to its meaning with the arrow keys (the window's
# while it has the focus), and edit it.
xdotool key --delay 50 Return Right Right F2 ctrl+a
xdotool type --delay 30 "n. school building"
xdotool key Return
meaning() { sqlite3 "$PROG/kelp.mdb" "select lx2 from fb where da = 'school'"; }
has_new_meaning() { [ "$(meaning)" = "/skuːl/ n. school building" ]; }
came_true has_new_meaning || fail "the study database holds '$(meaning)' for school"
[ "$(log_count 'command "nextItem"')" = 1 ] || fail "the arrow keys typed into the words window stepped the word window"
# The word on display shows the correction at once: the notebook line Alt+D
# writes holds it, without a restart.
press alt+d addToNotebook
wait_notebook_lines 1
printf 'school# n. school building#/skuːl/\n' | write_gbk "$E2E_TMP/expected.txt"
cmp "$E2E_TMP/expected.txt" "$PROG/data/生词本.txt" || {
  iconv -f GB18030 -t UTF-8 "$PROG/data/生词本.txt" >&2 || true
  fail "the word window did not show the corrected meaning"
}
# The focus elsewhere: the arrow keys are the trainer's again.
xdotool windowfocus --sync "$(xwininfo -root | awk '/Window id:/ { print $4 }')"
wait_log 1 "a window of ours lost the focus"
press Right nextItem
"$KELPWORD" quit || fail "quit was not taken"
wait_exit "$KELP_PID" || fail "kelpword did not end"

# At scale 2 the words window opens inside the 1280x800 screen.
inside() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  [ "$X" -ge 0 ] && [ "$Y" -ge 0 ] && [ $((X + WIDTH)) -le 1280 ] && [ $((Y + HEIGHT)) -le 800 ]
}
export QT_SCALE_FACTOR=2
start_kelpword
wait_ready
"$KELPWORD" words || fail "kelpword words was not taken"
BOOK=$(wait_window "$KELP_PID" "词库 - $(cd "$PROG" && pwd -P)/kelp.mdb") || fail "the words window did not open at scale 2"
came_true inside "$BOOK" || fail "at scale 2 the words window is ${WIDTH}x${HEIGHT} at $X,$Y"
echo "1 passed, 0 failed"
