#!/usr/bin/env bash
# The mouse on the word window: a click on the word steps by hand while
# paused, the phonetic label has no menu, the word label has one, the
# background drags the window, and a double click switches to the
# screen-wide layout and back. Positions follow the designed layout.
source "$(dirname "$0")/lib.sh"

start_xvfb
write_gbk "$PROG/data/words.txt" <<'TXT'
Group one
a#甲#ei
b#乙
TXT
write_text_mode_ini 1 '[other]' 'winx=400' 'winy=600'

visible_windows() { xdotool search --onlyvisible --pid "$KELP_PID" 2>/dev/null | wc -l; }
geometry() { eval "$(xdotool getwindowgeometry --shell "$word")"; }

start_kelpword
word=$(wait_window "$KELP_PID" "Kelp Words") || fail "the word window did not appear"
sleep 0.5
geometry
[ "$X,$Y" = "88,150" ] || fail "window placed at $X,$Y instead of 88,150"
xdotool key alt+x
sleep 0.3

# Clicks on the word (apart, so no double click): the heading's word step
# once more (the first tick never came), its meaning, then the first word.
for _ in 1 2 3; do
  xdotool mousemove $((X + 20)) $((Y + 20)) click 1
  sleep 0.6
done
xdotool key alt+d
sleep 1.3
printf 'a#甲#/ ei/\n' | write_gbk "$E2E_TMP/expected.txt"
cmp -s "$E2E_TMP/expected.txt" "$PROG/data/生词本.txt" || fail "clicks on the word did not step through the rows"

# The phonetic label (from x 47 px) opens no menu; the word label does.
before=$(visible_windows)
xdotool mousemove $((X + 60)) $((Y + 20)) click 3
sleep 0.5
[ "$(visible_windows)" = "$before" ] || fail "a right click on the phonetic label opened a menu"
xdotool mousemove $((X + 18)) $((Y + 20)) click 3
sleep 0.5
[ "$(visible_windows)" -gt "$before" ] || fail "a right click on the word opened no menu"
xdotool key Escape
sleep 0.3

# Drag by the background (the margin above the labels).
xdotool mousemove $((X + 3)) $((Y + 3)) mousedown 1
for step in 1 2 3 4 5; do xdotool mousemove $((X + 3 + step * 20)) $((Y + 3 + step * 10)); sleep 0.05; done
xdotool mouseup 1
sleep 0.3
oldX=$X oldY=$Y
geometry
[ "$X,$Y" = "$((oldX + 100)),$((oldY + 50))" ] || fail "dragging moved the window to $X,$Y"

# Double click on the background: screen wide at the left edge, then back.
xdotool mousemove $((X + 3)) $((Y + 3)) click --repeat 2 --delay 80 1
sleep 0.4
geometry
[ "$X,$WIDTH" = "0,1280" ] || fail "the screen-wide layout is at $X with width $WIDTH"
xdotool mousemove $((X + 3)) $((Y + 3)) click --repeat 2 --delay 80 1
sleep 0.4
geometry
[ "$WIDTH" = 358 ] || fail "the designed layout came back $WIDTH wide"

xdotool mousemove $((X + 3)) $((Y + 3)) click 3
sleep 0.5
xdotool key Up Return
wait_exit "$KELP_PID" || fail "the program did not end after 退出"
grep -q $'^winx=0\r$' "$PROG/wkcfg.ini" || { cat "$PROG/wkcfg.ini" >&2; fail "winx does not hold the new position"; }
grep -q $'^winy=800\r$' "$PROG/wkcfg.ini" || { cat "$PROG/wkcfg.ini" >&2; fail "winy does not hold the new position"; }
echo "1 passed, 0 failed"
