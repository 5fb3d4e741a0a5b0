#!/usr/bin/env bash
# The settings window from the right-click menu: a new interval and another
# voice are saved; the word window steps at the new interval at once.
source "$(dirname "$0")/lib.sh"

start_xvfb
start_pulse
for i in $(seq 20); do echo "w$i#m$i"; done | write_gbk "$PROG/data/words.txt"
write_text_mode_ini 1 '[TTS]' 'index1=1' 'index2=1'

geometry_of() { eval "$(xdotool getwindowgeometry --shell "$1")"; }

start_kelpword
wait_ready
geometry_of "$WORD"
xdotool mousemove $((X + 5)) $((Y + 5)) click 3
wait_log 1 "context menu"
xdotool key Up Up Return # 其他设置, second from the end
settings=$(wait_window "$KELP_PID" "设置") || fail "the settings window did not open"
geometry_of "$settings"
# The interval box (定时间隔时间): 1 second.
xdotool mousemove $((X + 590)) $((Y + 365)) click --repeat 3 1 key ctrl+a type 1
# The second voice.
xdotool mousemove $((X + 836)) $((Y + 78)) click 1
sleep 0.5 # the list opens
xdotool key Down Return
rows_before=$(log_count "kelpword: row")
xdotool mousemove $((X + 164)) $((Y + 427)) click 1 # 保存
wait_until "the settings window stayed open" eval '! window_shown "$KELP_PID" "设置"'
grep -q $'^jg=1\r$' "$PROG/wkcfg.ini" || { iconv -f GB18030 -t UTF-8 "$PROG/wkcfg.ini" >&2; fail "the interval was not saved"; }
grep -q $'^index1=2\r$' "$PROG/wkcfg.ini" || { iconv -f GB18030 -t UTF-8 "$PROG/wkcfg.ini" >&2; fail "the voice was not saved"; }
grep -q $'^XXTS=1t2t4t7t15t30t60t\r$' "$PROG/wkcfg.ini" || fail "the review cycle was not written"
# A step a second from now on (each says its word, which takes a little).
wait_log $((rows_before + 3)) "kelpword: row"
kill -TERM "$KELP_PID"
wait_exit "$KELP_PID" || fail "kelpword did not end"
echo "1 passed, 0 failed"
