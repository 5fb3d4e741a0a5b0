#!/usr/bin/env bash
# Words are spoken on the chosen voice and output. An output that goes away
# or a sound server that restarts is no broken voice: the word goes to the
# default output, or to the server once it is back. A server that stays
# away is reported with the voice's number, and speech stays off in the
# settings file; an output number that does not exist is reported without
# touching the file.
source "$(dirname "$0")/lib.sh"

start_xvfb
start_pulse
write_gbk "$PROG/data/words.txt" <<'TXT'
sea#海
ocean#海洋
river#河
lake#湖
hill#山
stone#石
wood#木
TXT
write_text_mode_ini 1 '[TTS]' 'index1=2' 'index2=2'

start_recording headset "$E2E_TMP/headset.raw"
start_recording speakers "$E2E_TMP/speakers.raw"
# A server failing for 8 s counts as broken here (30 s in the program as shipped).
LD_PRELOAD="$KELP_TEST_HOOKS" KELPWORD_SPEECH_FAILURE_MS=8000 start_kelpword
wait_ready
press alt+x pause
# The first word is said on output 2, the headset, and nowhere else.
sleep 3 # the null output plays what it is given a second or two late
stop_recording
has_sound "$E2E_TMP/headset.raw" || fail "the first word was not heard on the headset"
has_sound "$E2E_TMP/speakers.raw" && fail "the first word was heard on the speakers"

# The headset is unplugged: the word goes to the default output instead,
# nothing is reported and the learner's choice stays.
module=$(pactl list short modules | awk '/sink_name=headset/ {print $1}')
pactl unload-module "$module"
start_recording speakers "$E2E_TMP/fallback.raw"
press Right nextItem
sleep 3
stop_recording
has_sound "$E2E_TMP/fallback.raw" || fail "the word was not heard on the default output"
window_shown "$KELP_PID" "系统消息 " && fail "an unplugged output was reported as a broken voice"
grep -q $'^index1=2\r$' "$PROG/wkcfg.ini" || fail "the voice setting changed"

# The sound server restarts (with the headset): the next word is heard there
# again, nothing reported.
kill -9 "$PULSE_PID"
wait "$PULSE_PID" 2>/dev/null || true
start_pulse
start_recording headset "$E2E_TMP/restarted.raw"
press Right nextItem
sleep 3
stop_recording
has_sound "$E2E_TMP/restarted.raw" || fail "no word after the sound server came back"
window_shown "$KELP_PID" "系统消息 " && fail "a restarted server was reported as a broken voice"

# The server is gone for a few seconds (a desktop session's restart): the
# words meanwhile are dropped, one line each, and nothing is reported.
kill -9 "$PULSE_PID"
wait "$PULSE_PID" 2>/dev/null || true
# Each word is let fail before the next (a word replaced while it is tried
# is no failure of the server's).
for i in 1 2 3; do
  press Right nextItem
  wait_log "$i" "could not play the word"
done
window_shown "$KELP_PID" "系统消息 " && fail "a sound server away for seconds was reported as a broken voice"
grep -q $'^index1=2\r$' "$PROG/wkcfg.ini" || fail "the voice setting changed while the server was away"
start_pulse
start_recording headset "$E2E_TMP/back.raw"
press Right nextItem
sleep 3
stop_recording
has_sound "$E2E_TMP/back.raw" || fail "no word once the sound server was back"

# The server is gone for good (failing for longer than those 8 s): the failure is logged and reported with the voice's
# number, and speech stays off in the settings file.
kill -9 "$PULSE_PID"
wait "$PULSE_PID" 2>/dev/null || true
failed=$(log_count "could not play the word")
reported() { window_shown "$KELP_PID" "系统消息 "; }
for _ in $(seq 60); do
  reported && break
  press Right nextItem
  failed=$((failed + 1))
  came_true eval 'has_log_count "$failed" "could not play the word" || reported' || break
  sleep 0.5
done
box=$(wait_window "$KELP_PID" "系统消息 ") || fail "no message for the failed speech"
grep -q $'^index1=-4\r$' "$PROG/wkcfg.ini" || { cat "$PROG/wkcfg.ini" >&2; fail "index1=-4 was not saved"; }
iconv -f GB18030 -t UTF-8 "$PROG/system_error.log" | grep '^ 错误代码 : 35' >/dev/null || fail "no record of code 35"
xdotool windowfocus --sync "$box" key Return
wait_until "the message stayed" eval '! window_shown "$KELP_PID" "系统消息 "'
# Later words take the recording way (here the event sound): no new message.
press Right nextItem
press Right nextItem
window_shown "$KELP_PID" "系统消息 " && fail "speech was tried again after it failed"
[ "$(iconv -f GB18030 -t UTF-8 "$PROG/system_error.log" | grep -c '^ 错误代码 :')" = 1 ] || fail "more than one record"
kill -TERM "$KELP_PID"
wait_exit "$KELP_PID" || fail "kelpword did not end"
start_pulse

# An output number beyond the outputs: reported, memory only.
rm -f "$PROG/system_error.log"
write_text_mode_ini 1 '[TTS]' 'index1=1' 'index2=5'
cp "$PROG/wkcfg.ini" "$E2E_TMP/before.ini"
start_kelpword
box=$(wait_window "$KELP_PID" "系统消息 ") || fail "no message for the missing output"
iconv -f GB18030 -t UTF-8 "$PROG/system_error.log" | grep '^ 错误代码 : 39' >/dev/null || fail "no record of code 39"
xdotool windowfocus --sync "$box" key Return
wait_log 1 "hot keys grabbed"
cmp -s "$E2E_TMP/before.ini" "$PROG/wkcfg.ini" || fail "the settings file changed after a property failure"
kill -TERM "$KELP_PID"
wait_exit "$KELP_PID" || fail "kelpword did not end"

# Without the speech module the recordings are still heard: "sea", the first
# word, from wav/Sea.wav, named in another case as on Windows.
mkdir -p "$PROG/wav"
espeak-ng -w "$PROG/wav/Sea.wav" sea
write_text_mode_ini 1
start_recording speakers "$E2E_TMP/recorded.raw"
KELPWORD_SPEECH_MODULE="$E2E_TMP/no-such-module.so" start_kelpword
wait_ready
came_true has_sound "$E2E_TMP/recorded.raw" || fail "without the speech module the recording was not heard"
stop_recording
kill -TERM "$KELP_PID"
wait_exit "$KELP_PID" || fail "kelpword did not end"
echo "1 passed, 0 failed"
