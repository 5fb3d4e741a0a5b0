#!/usr/bin/env bash
# A learner works in another program while the trainer runs: the hot keys
# step through a known word file and fill the notebook, Alt+Z hides and shows
# the window, the focused program never sees the grabbed arrows, and after
# "退出" from the right-click menu the keys reach it again.
source "$(dirname "$0")/lib.sh"

start_xvfb

write_sample_words two
write_text_mode_ini 1 '[other]' 'winx=400' 'winy=600'

# The program the learner types into: xev logs every key it receives.
xev -name keylog >"$E2E_TMP/xev.log" 2>&1 &
E2E_PIDS+=($!)
keylog_window() { xlog=$(xdotool search --name '^keylog$' 2>/dev/null | sed -n 1p) && [ -n "$xlog" ]; }
wait_until "the key logger did not start" keylog_window
xdotool windowfocus --sync "$xlog"

start_kelpword
wait_ready

press alt+x pause         # only the keys move the cycle now
press Right nextItem      # row 2, word step: a
press alt+d addToNotebook # -> a#甲#/ ei/
wait_notebook_lines 1
press Right nextItem      # row 3 complete: b with its meaning
press alt+d addToNotebook # -> b#乙#
wait_notebook_lines 2
press Up nextGroup        # group two's heading
press alt+d addToNotebook # a heading: nothing written
press Down previousGroup  # group one's heading
press KP_Left previousItem # row 1's word step (the keypad's arrow, NumLock off)
press Right nextItem      # row 2 complete: a again
press alt+d addToNotebook # -> a#甲#/ ei/ a second time
wait_notebook_lines 3
xdotool key b             # a plain key still reaches the focused program

expected="$E2E_TMP/expected-notebook.txt"
printf 'a#甲#/ ei/\nb#乙#\na#甲#/ ei/\n' | write_gbk "$expected"
cmp "$expected" "$PROG/data/生词本.txt" || {
  iconv -f GB18030 -t UTF-8 "$PROG/data/生词本.txt" >&2 || true
  fail "the notebook does not hold the expected lines"
}

# Alt+Z hides the window and shows it again.
press alt+z hide
wait_until "Alt+Z did not hide the window" eval '! window_shown "$KELP_PID" "Kelp Words"'
press alt+z hide
wait_window "$KELP_PID" "Kelp Words" >/dev/null || fail "Alt+Z did not show the window again"

got_plain_key() { grep -q 'keysym 0x62, b)' "$E2E_TMP/xev.log"; }
wait_until "the focused program did not receive a plain key" got_plain_key
grep -q -E 'keysym 0xff(5[1-4]|9[6-9]), (KP_)?(Left|Up|Right|Down)\)' "$E2E_TMP/xev.log" && fail "the focused program received a grabbed arrow key"

# "退出" is the last menu item: open the menu on the word window and choose it.
eval "$(xdotool getwindowgeometry --shell "$WORD")"
menus_before=$(xdotool search --onlyvisible --pid "$KELP_PID" 2>/dev/null | wc -l)
xdotool mousemove $((X + 5)) $((Y + 5)) click 3
menu_open() { [ "$(xdotool search --onlyvisible --pid "$KELP_PID" 2>/dev/null | wc -l)" -gt "$menus_before" ]; }
wait_until "the right click opened no menu" menu_open
xdotool key Up Return
wait_exit "$KELP_PID" || fail "the program did not end after 退出"
[ "$EXIT_STATUS" = 0 ] || fail "the program ended with status $EXIT_STATUS"

grep -q $'^reci3=3\r$' "$PROG/wkcfg.ini" || { cat "$PROG/wkcfg.ini" >&2; fail "the resume row was not saved"; }
grep -q $'^winx=400\r$' "$PROG/wkcfg.ini" || { cat "$PROG/wkcfg.ini" >&2; fail "the window position was not kept"; }
grep -q $'^winy=600\r$' "$PROG/wkcfg.ini" || fail "the window position was not kept"

# The arrows are free again.
xdotool windowfocus --sync "$xlog"
xdotool key Right
got_right() { grep -q 'keysym 0xff53, Right)' "$E2E_TMP/xev.log"; }
wait_until "Right did not reach other programs after exit" got_right
echo "1 passed, 0 failed"
