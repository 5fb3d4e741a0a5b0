#!/usr/bin/env bash
# The mouse on the word window: a click on the word steps by hand while
# paused, the phonetic label has no menu, the word label has one, the
# background drags the window, and a double click switches to the
# screen-wide layout and back. Positions follow the designed layout.
source "$(dirname "$0")/lib.sh"

start_xvfb
write_sample_words
write_text_mode_ini 1 '[other]' 'winx=400' 'winy=600'

geometry() { eval "$(xdotool getwindowgeometry --shell "$WORD")"; }
placed_at() { geometry; [ "$X,$Y" = "$1" ]; }
sized() { geometry; [ "$X,$WIDTH" = "$1" ]; }
menu_count() { log_count "context menu"; }
menu_gone() { [ "$(xdotool search --onlyvisible --pid "$KELP_PID" 2>/dev/null | wc -l)" = 1 ]; }

start_kelpword
wait_ready
came_true placed_at "88,150" || fail "window placed at $X,$Y instead of 88,150"
press alt+x pause

# Clicks on the word: the heading's word step once more (the first tick
# never came), its meaning, then the first word. They are spaced beyond the
# double-click time, or they would switch the layout instead.
for n in 1 2 3; do
  xdotool mousemove $((X + 20)) $((Y + 20)) click 1
  wait_log "$n" "step by hand"
  sleep 0.6
done
press alt+d addToNotebook
wait_notebook_lines 1
printf 'a#甲#/ ei/\n' | write_gbk "$E2E_TMP/expected.txt"
cmp -s "$E2E_TMP/expected.txt" "$PROG/data/生词本.txt" || fail "clicks on the word did not step through the rows"

# The phonetic label (from x 47 px) opens no menu: once a later key has been
# handled, no menu has shown. The word label opens one.
xdotool mousemove $((X + 60)) $((Y + 20)) click 3
press alt+a mute
[ "$(menu_count)" = 0 ] || fail "a right click on the phonetic label opened a menu"
press alt+a mute
xdotool mousemove $((X + 18)) $((Y + 20)) click 3
wait_log 1 "context menu"
xdotool key Escape
wait_until "the menu did not close" menu_gone

# Drag by the background (the margin above the labels).
xdotool mousemove $((X + 3)) $((Y + 3)) mousedown 1
for step in 1 2 3 4 5; do xdotool mousemove $((X + 3 + step * 20)) $((Y + 3 + step * 10)); sleep 0.05; done
xdotool mouseup 1
oldX=$X oldY=$Y
came_true placed_at "$((oldX + 100)),$((oldY + 50))" || fail "dragging moved the window to $X,$Y"

# Double click on the background: screen wide at the left edge, then back.
xdotool mousemove $((X + 3)) $((Y + 3)) click --repeat 2 --delay 80 1
came_true sized "0,1280" || fail "the screen-wide layout is at $X with width $WIDTH"
sleep 0.6 # past the double-click time, so the next pair is a double click of its own
xdotool mousemove $((X + 3)) $((Y + 3)) click --repeat 2 --delay 80 1
came_true sized "0,358" || fail "the designed layout came back $WIDTH wide"

xdotool mousemove $((X + 3)) $((Y + 3)) click 3
wait_log 2 "context menu"
xdotool key Up Return
wait_exit "$KELP_PID" || fail "the program did not end after 退出"
grep -q $'^winx=0\r$' "$PROG/wkcfg.ini" || { cat "$PROG/wkcfg.ini" >&2; fail "winx does not hold the new position"; }
grep -q $'^winy=800\r$' "$PROG/wkcfg.ini" || { cat "$PROG/wkcfg.ini" >&2; fail "winy does not hold the new position"; }
echo "1 passed, 0 failed"
