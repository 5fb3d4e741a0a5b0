#!/usr/bin/env bash
# The study plan over four days of a fake clock (libfaketime), the third day
# skipped: words imported with "kelpword import", one new group a day, the
# reviews due on each start as the trainer's own due query finds them, and
# "kelpword progress" on the last day. Without a plan the database is left
# byte for byte as it was.
source "$(dirname "$0")/lib.sh"
# The library itself rather than the faketime wrapper, which would stand
# between the test and the trainer's process.
FAKETIME_LIB=$(ls /usr/lib/*/faketime/libfaketime.so.1 2>/dev/null | sed -n 1p)
[ -n "$FAKETIME_LIB" ] || fail "libfaketime is missing: run scripts/setup"
# A font cache of the test's own: under a clock of another day the machine's would be rewritten.
export XDG_CACHE_HOME="$E2E_TMP/cache"
at() { local when=$1; shift; LD_PRELOAD="$FAKETIME_LIB" FAKETIME="@$when" "$@"; }
start_xvfb
export ODBCINI="$E2E_TMP/odbc.ini"

"$KELPWORD" import --folder "$PROG" "$(dirname "$0")/../../data/New_Word.txt" >"$E2E_TMP/import.out" ||
  fail "import failed: $(cat "$E2E_TMP/import.out")"
grep -q "300 words in 15 groups added" "$E2E_TMP/import.out" || fail "import said: $(cat "$E2E_TMP/import.out")"
printf '[sjly]\r\nsjms=1\r\n[plan]\r\nnew=1\r\n' >"$PROG/wkcfg.ini"

# Groups due on a day by the review query with the default review days.
due_on() {
  sqlite3 "$PROG/kelp.mdb" "select group_concat(xh, ' ') from (select xh from zb where
    (sj = julianday('$1') - 1 and cs = 1) or (sj = julianday('$1') - 2 and cs = 2) or
    (sj = julianday('$1') - 4 and cs = 3) or (sj = julianday('$1') - 7 and cs = 4) or
    (sj = julianday('$1') - 15 and cs = 5) or (sj = julianday('$1') - 30 and cs = 6) or
    (sj = julianday('$1') - 60 and cs = 7) order by xh)"
}

start_on() {
  : >"$OUT"
  (cd "${2:-$PROG}" && LD_PRELOAD="$FAKETIME_LIB" FAKETIME="@$1 09:00:00" exec "$KELPWORD") >"$OUT" 2>&1 &
  KELP_PID=$!
  E2E_PIDS+=("$KELP_PID")
  wait_ready
  kill -TERM "$KELP_PID"
  wait_exit "$KELP_PID" || fail "kelpword did not end on SIGTERM"
}

check_day() {
  local day=$1 expected=$2
  start_on "$day"
  [ "$(due_on "$day")" = "$expected" ] || fail "$day: due '$(due_on "$day")', expected '$expected'"
}

check_day 2027-03-01 "1"
check_day 2027-03-02 "1 2"
# 2027-03-03: no start. Its reviews come the next day the trainer starts.
check_day 2027-03-04 "1 2 3"
# Group 1's second review (missed on 03-03) was shown on 03-04: its third follows two days after that.
check_day 2027-03-05 "2 3 4"
check_day 2027-03-05 "2 3 4" # a second start the same day changes nothing

(cd "$PROG" && at "2027-03-05 10:00:00" "$KELPWORD" progress --chart "$E2E_TMP/chart.svg") >"$E2E_TMP/progress.out" ||
  fail "progress failed"
grep -q "^today 2027-03-05: 3 groups, 60 words (2 3 4)" "$E2E_TMP/progress.out" || fail "progress said: $(cat "$E2E_TMP/progress.out")"
grep -q "11 new" "$E2E_TMP/progress.out" || fail "progress said: $(cat "$E2E_TMP/progress.out")"
grep -q "学习进度" "$E2E_TMP/chart.svg" || fail "the chart has no title"

# Left running across midnight (the fake clock runs on): the new day's step
# and groups come without a restart by hand.
: >"$OUT"
(cd "$PROG" && LD_PRELOAD="$FAKETIME_LIB" FAKETIME="@2027-03-06 23:59:57" exec "$KELPWORD") >"$OUT" 2>&1 &
KELP_PID=$!
E2E_PIDS+=("$KELP_PID")
wait_ready
[ "$(due_on 2027-03-06)" = "1 3 4 5" ] || fail "2027-03-06: due '$(due_on 2027-03-06)'"
WAIT_SECONDS=60 wait_log 1 "a new day"
wait_log 2 "hot keys grabbed" # the word window of the new day
[ "$(due_on 2027-03-07)" = "2 4 5 6" ] || fail "after midnight: due '$(due_on 2027-03-07)', expected '2 4 5 6'"
kill -TERM "$KELP_PID"
wait_exit "$KELP_PID" || fail "kelpword did not end on SIGTERM after midnight"

# The clock set back to a day the trainer never ran on: the plan stays on its
# last day (2027-03-07), nothing is introduced or moved.
planned=$(sqlite3 "$PROG/kelp.mdb" 'select count(*), max(day) from kelp_plan, kelp_plan_day')
start_on 2027-03-03
[ "$(sqlite3 "$PROG/kelp.mdb" 'select count(*), max(day) from kelp_plan, kelp_plan_day')" = "$planned" ] ||
  fail "a clock set back changed the plan"
[ "$(due_on 2027-03-07)" = "2 4 5 6" ] || fail "after the clock went back: due '$(due_on 2027-03-07)'"

# Without [plan] the review-mode start reads and never writes.
printf '[sjly]\r\nsjms=1\r\n' >"$PROG/wkcfg.ini"
before=$(sha256sum <"$PROG/kelp.mdb")
start_on 2027-03-09
[ "$(sha256sum <"$PROG/kelp.mdb")" = "$before" ] || fail "kelp.mdb changed without a plan"
# Another program folder on the same (default) data-source name reads the first one's
# database: said on stderr.
other="$E2E_TMP/other"
mkdir -p "$other/data"
cp "$PROG/kelp.mdb" "$other/"
printf '[Start]\r\nFirst=false\r\n[sjly]\r\nsjms=2\r\n' >"$other/wkcfg.ini"
start_on 2027-03-09 "$other"
grep -q "data source kelp1 points at $PROG/kelp.mdb" "$OUT" || fail "no word of the data source pointing elsewhere"
echo "1 passed, 0 failed"
