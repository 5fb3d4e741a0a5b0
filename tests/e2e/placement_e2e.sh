#!/usr/bin/env bash
# Where the word window goes: its place survives a change of scale factor
# (QT_SCALE_FACTOR 1, then 2, then 1: the same place on the screen, to a
# pixel, a move at scale 2 included); twenty first starts in the menu's
# folder, under a window manager, never put it at the screen's top left; and the first start's tray
# message points at the tray icon where the tray is (here at the top right).
source "$(dirname "$0")/lib.sh"
command -v trayer >/dev/null || fail "trayer is needed as the tray host"

start_xvfb
geometry() { eval "$(xdotool getwindowgeometry --shell "$WORD")"; }
near() { [ $(($1 - $2)) -le 1 ] && [ $(($2 - $1)) -le 1 ]; }
placed_near() { geometry && near "$X" "$1" && near "$Y" "$2"; }
quit_it() {
  "$KELPWORD" quit
  wait_exit "$KELP_PID" || fail "the trainer did not end"
}

# 1. Scale 1, 2, 1. The stored place is 500,400 on the screen at 96 DPI.
write_sample_words
write_text_mode_ini 1 '[other]' 'winx=2286' 'winy=1600'
start_kelpword
wait_ready
came_true placed_near 500 400 || fail "at scale 1 the window is at $X,$Y, not 500,400"
quit_it
export QT_SCALE_FACTOR=2
start_kelpword
wait_ready
came_true placed_near 500 400 || fail "at scale 2 the window is at $X,$Y on the screen, not 500,400"
# Dragged by its background 100,50 screen pixels further (50,25 at this scale).
xdotool mousemove $((X + 4)) $((Y + 4)) mousedown 1
for step in 1 2 3 4 5; do xdotool mousemove $((X + 4 + step * 20)) $((Y + 4 + step * 10)); sleep 0.05; done
xdotool mouseup 1
came_true placed_near 600 450 || fail "dragging at scale 2 moved the window to $X,$Y, not 600,450"
quit_it
export QT_SCALE_FACTOR=1
start_kelpword
wait_ready
came_true placed_near 600 450 || fail "back at scale 1 the window is at $X,$Y, not where it was put at scale 2 (600,450)"
quit_it
unset QT_SCALE_FACTOR

# 2. First starts in the menu's folder under a real window manager and a tray at the top right.
command -v openbox >/dev/null || fail "openbox is needed as the window manager"
openbox >/dev/null 2>&1 &
E2E_PIDS+=($!)
wm_up() { [[ $(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null) == *'window id'* ]]; }
wait_until "the window manager did not start" wm_up
trayer --edge top --align right --widthtype pixel --width 100 --height 24 >/dev/null 2>&1 &
E2E_PIDS+=($!)
panel_up() { xwininfo -root -tree | grep '"panel": ("panel" "trayer")' >/dev/null; }
wait_until "the tray host did not start" panel_up
for n in $(seq 20); do
  export XDG_DATA_HOME="$E2E_TMP/share$n" ODBCINI="$E2E_TMP/odbc$n.ini"
  : >"$OUT"
  ("$KELPWORD" --user-folder) >"$OUT" 2>&1 &
  KELP_PID=$!
  E2E_PIDS+=("$KELP_PID")
  wait_ready
  geometry
  [ "$X,$Y" != "0,0" ] || fail "first start $n put the word window at 0,0"
  # Bottom right, where the tray message says it is.
  [ "$X" -gt 640 ] && [ "$Y" -gt 400 ] || fail "first start $n put the word window at $X,$Y"
  if [ "$n" = 1 ]; then
    wait_log 1 "first start: tray message shown at the icon"
    balloon() {
      local wid
      for wid in $(xdotool search --onlyvisible --pid "$KELP_PID" 2>/dev/null); do
        [ "$wid" = "$WORD" ] && continue
        eval "$(xdotool getwindowgeometry --shell "$wid" | sed 's/^/B/')"
        return 0
      done
      return 1
    }
    wait_until "the first start's tray message did not show" balloon
    # The tray icon is in the top-right corner: the message is in the screen's top-right quarter.
    [ $((BX + BWIDTH)) -gt 900 ] && [ "$BY" -lt 400 ] ||
      fail "the tray message is at $BX,$BY (${BWIDTH}x$BHEIGHT), away from the tray at the top right"
  fi
  quit_it
done
echo "1 passed, 0 failed"
