#!/usr/bin/env bash
# The control command: every command steers the running copy as its hot key
# does; "show" never hides; bad command lines get exit 2; with no copy
# running, exit 1; a socket that is not the user's private one is refused.
source "$(dirname "$0")/lib.sh"

start_xvfb
write_sample_words
write_text_mode_ini 1

control() { "$KELPWORD" "$@"; }

start_kelpword
wait_ready
control pause || fail "pause was not taken"
wait_log 1 'command "pause"'
control next && control note || fail "next/note were not taken"
wait_notebook_lines 1
printf 'a#甲#/ ei/\n' | write_gbk "$E2E_TMP/expected.txt"
cmp -s "$E2E_TMP/expected.txt" "$PROG/data/生词本.txt" || fail "the notebook does not hold the word on display"
control hide
wait_until "hide did not hide the window" eval '! window_shown "$KELP_PID" "Kelp Words"'
control show
wait_window "$KELP_PID" "Kelp Words" >/dev/null || fail "show did not bring the window back"
control show
sleep 0.3
window_shown "$KELP_PID" "Kelp Words" || fail "show hid the window"

# A command that opens a dialog is answered at once, and the trainer lives
# through the dialog however long the learner leaves it open.
mv "$PROG/wkcfg.ini" "$E2E_TMP/wkcfg.ini"
control settings || fail "settings was not taken"
dialog=$(wait_window "$KELP_PID" "打开文件") || fail "no file dialog for the missing settings file"
sleep 2.5 # longer than a client is given to send its command
xdotool windowfocus --sync "$dialog" key Escape
box=$(wait_window "$KELP_PID" "提示") || fail "no message for the missing settings file"
xdotool windowfocus --sync "$box" key Return
wait_until "the message stayed" eval '! window_shown "$KELP_PID" "提示"'
mv "$E2E_TMP/wkcfg.ini" "$PROG/wkcfg.ini"
control next || fail "the trainer did not live through the dialog"

status=0; control bogus 2>"$E2E_TMP/err" || status=$?
[ "$status" = 2 ] || fail "an unknown command gave $status"
grep -q 'unknown command' "$E2E_TMP/err" || fail "no word on the unknown command"
status=0; control next extra 2>/dev/null || status=$?
[ "$status" = 2 ] || fail "extra words gave $status"
status=0; control "$(printf 'n%.0s' $(seq 70))" 2>/dev/null || status=$?
[ "$status" = 2 ] || fail "an overlong command gave $status"
control --help | grep 'previous-group' >/dev/null || fail "--help does not list the commands"

control quit || fail "quit was not taken"
wait_exit "$KELP_PID" || fail "quit did not end the program"
status=0; control next 2>"$E2E_TMP/err" || status=$?
[ "$status" = 1 ] || fail "with no copy running: status $status"
grep -q 'no running copy' "$E2E_TMP/err" || fail "no word that no copy runs"

# A socket anyone may use is never used.
python3 -c 'import socket,os,sys; s=socket.socket(socket.AF_UNIX); s.bind(sys.argv[1]); os.chmod(sys.argv[1],0o666); s.listen(1); open(sys.argv[2],"w").close(); import time; time.sleep(30)' \
  "$XDG_RUNTIME_DIR/kelpword.socket" "$E2E_TMP/ready" &
E2E_PIDS+=($!)
wait_until "the test socket was not made" test -e "$E2E_TMP/ready"
status=0; control next 2>"$E2E_TMP/err" || status=$?
[ "$status" = 1 ] || fail "a world-writable socket gave $status"
grep -q 'not this user' "$E2E_TMP/err" || fail "no word on the refused socket"
echo "1 passed, 0 failed"
