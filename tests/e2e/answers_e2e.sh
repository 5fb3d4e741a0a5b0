#!/usr/bin/env bash
# The learner's answers over three days of a fake clock (libfaketime) with a
# study plan: a word answered "不认识" by its key and one put in the notebook
# come first the next day in the group "生词本"; answered "认识" then, neither
# comes back on the third day.
source "$(dirname "$0")/lib.sh"
FAKETIME_LIB=$(ls /usr/lib/*/faketime/libfaketime.so.1 2>/dev/null | sed -n 1p)
[ -n "$FAKETIME_LIB" ] || fail "libfaketime is missing: run scripts/setup"
export XDG_CACHE_HOME="$E2E_TMP/cache" # the clock of another day must not rewrite the machine's font cache
start_xvfb
export ODBCINI="$E2E_TMP/odbc.ini"
"$KELPWORD" import --folder "$PROG" "$(dirname "$0")/../../data/New_Word.txt" >/dev/null || fail "import failed"
printf '[sjly]\r\nsjms=1\r\n[plan]\r\nnew=1\r\n' >"$PROG/wkcfg.ini"

start_on() {
  : >"$OUT"
  (cd "$PROG" && LD_PRELOAD="$FAKETIME_LIB" FAKETIME="@$1 09:00:00" exec "$KELPWORD") >"$OUT" 2>&1 &
  KELP_PID=$!
  E2E_PIDS+=("$KELP_PID")
  wait_ready
  press alt+x pause
}
stop() {
  "$KELPWORD" quit
  wait_exit "$KELP_PID" || fail "kelpword did not end"
}
# The word on display as the last answer to it named it.
answered() { sed -n "s/.*$1: //p" "$OUT" | tail -n1; }

start_on 2027-04-01
press Right nextItem
press alt+w forgot
forgotten=$(answered "not known")
wait_log 1 "answer kept: $forgotten 1"
press Right nextItem
press alt+d addToNotebook
wait_log 1 "answer kept: .* 0"
noted=$(sed -n 's/.*answer kept: \(.*\) 0$/\1/p' "$OUT")
stop
[ -n "$forgotten" ] && [ -n "$noted" ] && [ "$forgotten" != "$noted" ] || fail "answered '$forgotten', noted '$noted'"

# The next day both lead, in the order they became hard; "认识" for each.
start_on 2027-04-02
for word in "$forgotten" "$noted"; do
  press Right nextItem
  press alt+s know
  [ "$(answered known)" = "$word" ] || fail "2027-04-02 showed '$(answered known)' where the hard word '$word' was due"
  wait_log 1 "answer kept: $word 3"
done
stop

# Known on a later day: neither comes back.
start_on 2027-04-03
press Right nextItem
press alt+s know
first=$(answered known)
[ "$first" != "$forgotten" ] && [ "$first" != "$noted" ] || fail "2027-04-03 still began with the hard word '$first'"
stop
echo "1 passed, 0 failed"
