#!/usr/bin/env bash
# The tray icon under a real tray host: it appears, a click hides and shows
# the word window, its menu opens the progress window ("学习进度", here with
# no study database: a message) and runs a command ("退出").
source "$(dirname "$0")/lib.sh"
command -v trayer >/dev/null || fail "trayer is needed as the tray host"

start_xvfb
write_gbk "$PROG/data/words.txt" <<'TXT'
sea#海
TXT
write_text_mode_ini 1
trayer --edge top --align right --widthtype pixel --width 100 --height 24 >/dev/null 2>&1 &
E2E_PIDS+=($!)
panel_up() { xwininfo -root -tree | grep -q '"panel": ("panel" "trayer")'; }
wait_until "the tray host did not start" panel_up

start_kelpword
wait_ready
# Our icon, embedded in the tray's panel: its place on the screen.
icon_place() {
  ICON=$(xwininfo -root -tree | sed -n '/"panel": ("panel" "trayer")/,$p' | grep -m1 '"kelpword": ("kelpword"' |
    grep -o '+[0-9]*+[0-9]*$') && [ -n "$ICON" ]
}
wait_until "no tray icon appeared" icon_place
IX=$(echo "$ICON" | cut -d+ -f2); IY=$(echo "$ICON" | cut -d+ -f3)
xdotool mousemove $((IX + 8)) $((IY + 8)) click 1
wait_log 1 'command "hide"'
wait_until "a click on the icon did not hide the window" eval '! window_shown "$KELP_PID" "Kelp Words"'
xdotool click 1
wait_window "$KELP_PID" "Kelp Words" >/dev/null || fail "a second click did not show it again"
xdotool mousemove $((IX + 8)) $((IY + 8)) click 3
wait_log 1 "tray menu"
xdotool key Up Up Return # 学习进度, just before the last item
box=$(wait_window "$KELP_PID" "学习进度") || fail "学习进度 opened no window"
xdotool windowfocus --sync "$box" key Return
wait_until "the progress message did not close" eval '! window_shown "$KELP_PID" "学习进度"'
# The menu again: clicked until it opens (the closed message may still hold the pointer).
menu_again() { xdotool mousemove $((IX + 8)) $((IY + 8)) click 3; WAIT_SECONDS=3 came_true has_log_count 2 "tray menu"; }
came_true menu_again || fail "the tray menu did not open again"
xdotool key Up Return # 退出, the last item
wait_exit "$KELP_PID" || fail "退出 from the tray menu did not end the program"
[ "$EXIT_STATUS" = 0 ] || fail "ended with status $EXIT_STATUS"
echo "1 passed, 0 failed"
