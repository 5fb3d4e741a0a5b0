#!/usr/bin/env bash
# Words brought in without a terminal, under a real tray host: the tray menu's
# "导入单词…" opens a file dialog, the chosen CSV goes through the import of
# "kelpword import" while the word window goes on taking commands, a message
# box says what was added, and the next day's start introduces the new group.
# A file that is no word list is refused in a message box; nothing is added.
source "$(dirname "$0")/lib.sh"
command -v trayer >/dev/null || fail "trayer is needed as the tray host"
FAKETIME_LIB=$(ls /usr/lib/*/faketime/libfaketime.so.1 2>/dev/null | sed -n 1p)
[ -n "$FAKETIME_LIB" ] || fail "libfaketime is missing: run scripts/setup"

start_xvfb
trayer --edge top --align right --widthtype pixel --width 100 --height 24 >/dev/null 2>&1 &
E2E_PIDS+=($!)
panel_up() { xwininfo -root -tree | grep '"panel": ("panel" "trayer")' >/dev/null; }
wait_until "the tray host did not start" panel_up

export XDG_DATA_HOME="$E2E_TMP/share" ODBCINI="$E2E_TMP/odbc.ini"
user="$XDG_DATA_HOME/kelpword"
printf 'word,meaning\nseaweed,海藻\nkelp,海带\n' >"$HOME/words.csv"
printf '\0\1\2 not a word list' >"$HOME/noise.dat"

# The menu's trainer on the day given.
start_on() {
  : >"$OUT"
  (LD_PRELOAD="$FAKETIME_LIB" FAKETIME="@$1 09:00:00" exec "$KELPWORD" --user-folder) >"$OUT" 2>&1 &
  KELP_PID=$!
  E2E_PIDS+=("$KELP_PID")
  wait_ready
}
icon_place() {
  ICON=$(xwininfo -root -tree | sed -n '/"panel": ("panel" "trayer")/,$p' | grep '"kelpword": ("kelpword"' |
    sed -n '1s/.*\(+[0-9]*+[0-9]*\)$/\1/p') && [ -n "$ICON" ]
}
menu_opens() {
  xdotool mousemove $((IX + 8)) $((IY + 8)) click 3
  WAIT_SECONDS=3 came_true has_log_count "$1" "tray menu"
}
# Imports the file of the home folder named $1 from the tray menu; $2: how many imports ran before.
import_from_tray() {
  local file=$1 before=$2 dialog
  came_true menu_opens $((before + 1)) || fail "the tray menu did not open"
  xdotool key Up Up Up Up Return # 导入单词…, above 方向键热键, 学习进度 and 退出 (the last item)
  dialog=$(wait_window "$KELP_PID" "选择单词表") || fail "导入单词… opened no file dialog"
  xdotool windowfocus --sync "$dialog" type --delay 20 "$file"
  # Return until the dialog takes the name (a first one may only close the completion list).
  accepted() { xdotool windowfocus --sync "$dialog" key Return 2>/dev/null; WAIT_SECONDS=3 came_true eval '! window_shown "$KELP_PID" "选择单词表"'; }
  came_true accepted || fail "the file dialog did not take $file"
  wait_log $((before + 1)) "import finished"
  BOX=$(wait_window "$KELP_PID" "导入单词") || fail "no message box after the import of $file"
}
dismiss() {
  xdotool windowfocus --sync "$BOX" key Return
  wait_until "the message box did not close" eval '! window_shown "$KELP_PID" "导入单词"'
}
count() { sqlite3 "$user/kelp.mdb" "$1"; }

start_on 2027-03-01
wait_until "no tray icon appeared" icon_place
IX=$(echo "$ICON" | cut -d+ -f2)
IY=$(echo "$ICON" | cut -d+ -f3)
groups=$(count 'select count(*) from zb')

import_from_tray words.csv 0
grep -q 'import finished, status 0' "$OUT" || fail "the import of words.csv failed"
grep -q 'import said:.*words\.csv: 2 words in 1 groups added' "$OUT" || fail "the box does not say what was added"
# The word window goes on while the box is open.
"$KELPWORD" next || fail "the trainer did not take a command while the box was open"
dismiss
[ "$(count 'select count(*) from zb')" = $((groups + 1)) ] || fail "the group of words.csv is not in the study database"
new=$(count 'select max(xh) from zb')
[ "$(count "select count(*) from fb where xh = $new")" = 2 ] || fail "the words of words.csv are not in the study database"

import_from_tray noise.dat 1
grep -q 'import finished, status 1' "$OUT" || fail "the file that is no word list was not refused"
grep -q 'import said:.*noise\.dat: nothing added' "$OUT" || fail "the box does not say why nothing was added"
dismiss
[ "$(count 'select count(*) from zb')" = $((groups + 1)) ] || fail "the refused file added a group"

"$KELPWORD" quit
wait_exit "$KELP_PID" || fail "the trainer did not end"

# The next day's start brings the imported group in, before the sample words it has not shown.
start_on 2027-03-02
"$KELPWORD" quit
wait_exit "$KELP_PID" || fail "the trainer did not end on the second day"
[ "$(count "select count(*) from kelp_plan where xh = $new")" = 1 ] ||
  fail "the next day's start did not introduce the imported group"
echo "1 passed, 0 failed"
