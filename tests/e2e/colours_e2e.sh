#!/usr/bin/env bash
# Colour settings from the right-click menu: the text colour is picked from
# the palette; closing the colour window repaints the word window and saves
# all three colours.
source "$(dirname "$0")/lib.sh"

start_xvfb
write_gbk "$PROG/data/words.txt" <<'TXT'
sea#海
TXT
write_text_mode_ini 1

geometry_of() { eval "$(xdotool getwindowgeometry --shell "$1")"; }
click_at() { xdotool mousemove "$1" "$2" click 1; }

start_kelpword
wait_ready
press alt+x pause
geometry_of "$WORD"
xdotool mousemove $((X + 5)) $((Y + 5)) click 3
wait_log 1 "context menu"
xdotool key Up Up Up Return # 颜色设置, third from the end
colours=$(wait_window "$KELP_PID" "颜色设置") || fail "the colour window did not open"
geometry_of "$colours"; CX=$X CY=$Y
click_at $((CX + 100)) $((CY + 198)) # 文本颜色
palette=$(wait_window "$KELP_PID" "颜色选项") || fail "the palette did not open"
geometry_of "$palette"
click_at $((X + 76)) $((Y + 272))  # swatch 7, blue
click_at $((X + 308)) $((Y + 390)) # 退出
wait_until "the palette stayed open" eval '! window_shown "$KELP_PID" "颜色选项"'
click_at $((CX + 212)) $((CY + 244)) # the colour window's 退出
wait_until "the colour window stayed open" eval '! window_shown "$KELP_PID" "颜色设置"'
wait_until "the colours were not saved" grep -q $'^c3=2\r$' "$PROG/wkcfg.ini"
grep -q $'^c1=7\r$' "$PROG/wkcfg.ini" || { cat "$PROG/wkcfg.ini" >&2; fail "c1 is not the chosen 7"; }
grep -q $'^c2=21\r$' "$PROG/wkcfg.ini" || fail "c2 was not written with its value"

# The word is drawn in blue now.
geometry_of "$WORD"
word_is_blue() {
  import -window root "$E2E_TMP/screen.png" &&
    convert "$E2E_TMP/screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" -format %c histogram:info:- | grep -i '#0000FF' >/dev/null
}
wait_until "the word is not drawn in blue" word_is_blue
kill -TERM "$KELP_PID"
wait_exit "$KELP_PID" || fail "kelpword did not end"
echo "1 passed, 0 failed"
