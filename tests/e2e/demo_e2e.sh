#!/usr/bin/env bash
# The demo folder that scripts/run lays out, on its sample words in text-file
# mode, with a sound server: recorded words and spoken words are both heard.
source "$(dirname "$0")/lib.sh"
BUILD=$(dirname "$KELPWORD")
command -v espeak-ng >/dev/null || fail "espeak-ng is needed for the demo's recordings"

start_xvfb
start_pulse
export ODBCINI="$E2E_TMP/odbc.ini"
"$(dirname "$0")/../../scripts/make-demo" "$BUILD" "$PROG" >/dev/null
[ -f "$PROG/wav/apple.wav" ] && [ -f "$PROG/wav/w/water.wav" ] || fail "the demo has no recordings"
# The sample words in file order: apple (recorded), water (recorded in wav/w), bread, milk (spoken).
sed -i 's/^sjms=1\r$/sjms=3\r/; s/^jg=3\r$/jg=1000\r/' "$PROG/wkcfg.ini"

heard_after() { # key command: sends it, records the default output meanwhile
  start_recording speakers "$E2E_TMP/step.raw"
  sleep 0.3
  [ -n "$1" ] && press "$1" "$2"
  sleep 3 # a null output plays what it is given a second or two late
  stop_recording
  has_sound "$E2E_TMP/step.raw"
}

start_kelpword
wait_ready
press alt+x pause # the first row is the group's heading: nothing to say
heard_after Right nextItem || fail "apple (recorded) was not heard"
heard_after Right nextItem || fail "water (recorded in its letter's folder) was not heard"
heard_after Right nextItem || fail "bread was not heard"
heard_after Right nextItem || fail "milk (spoken) was not heard"
grep -q 'cannot\|error' "$OUT" && fail "the demo reported a failure"
kill -TERM "$KELP_PID"
wait_exit "$KELP_PID" || fail "kelpword did not end"
echo "1 passed, 0 failed"
