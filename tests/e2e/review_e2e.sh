#!/usr/bin/env bash
# First start with an empty configuration beside a study database: the
# trainer registers its own data source, studies the groups due today
# (the first of them is group 2), keeps the learner's answers to a word, and
# on SIGTERM keeps its place for today;
# a database another program holds locked, or none at all, ends in the
# message, which stays until answered, and status 1.
source "$(dirname "$0")/lib.sh"

start_xvfb
write_review_folder

start_kelpword
wait_ready
press alt+x pause           # the cycle stands still
press Right nextItem        # the first word of the first group
press alt+d addToNotebook   # to the notebook
wait_notebook_lines 1

printf 'school# n. 学校#/skuːl/\n' | write_gbk "$E2E_TMP/expected.txt"
cmp "$E2E_TMP/expected.txt" "$PROG/data/生词本.txt" || {
  iconv -f GB18030 -t UTF-8 "$PROG/data/生词本.txt" >&2 || true
  fail "the first group shown was not the first group due today"
}

# Answers: none given, nothing new written. "认识" by its key, then "不认识"
# from the command line in the same showing, which replaces it: one answer,
# a lapse, and the word's memory due the next day.
tables() { sqlite3 "$PROG/kelp.mdb" "select count(*) from sqlite_master where name like 'kelp_%'"; }
[ "$(tables)" = 0 ] || fail "the study database was written to before any answer"
press alt+s know
wait_log 1 "answer kept: school 3"
"$KELPWORD" forgot
wait_log 1 "answer kept: school 1"
reviews=$(sqlite3 "$PROG/kelp.mdb" "select count(*) || ' ' || min(grade) from kelp_review where da = 'school'")
[ "$reviews" = "1 1" ] || fail "the answers to school are kept as '$reviews', not one answer 不认识"
memory=$(sqlite3 "$PROG/kelp.mdb" "select lapses || ' ' || (due - last_day) from kelp_memory where da = 'school'")
[ "$memory" = "1 1" ] || fail "school's memory is '$memory', not one lapse and due the next day"

kill -TERM "$KELP_PID"
wait_exit "$KELP_PID" || fail "kelpword did not end on SIGTERM"
[ "$EXIT_STATUS" = 0 ] || fail "kelpword ended with status $EXIT_STATUS"

grep -q $'^First=false\r$' "$PROG/wkcfg.ini" || fail "First=false was not written"
grep -q $'^reci1=2\r$' "$PROG/wkcfg.ini" || { cat "$PROG/wkcfg.ini" >&2; fail "reci1 was not saved"; }
grep -q "^lssj=$(date +%Y-%m-%d)"$'\r$' "$PROG/wkcfg.ini" || fail "today was not saved as the last day of study"
grep -q '^\[kelp1\]$' "$ODBCINI" || fail "the data source was not registered"
grep -q "^Database=$PROG/kelp.mdb\$" "$ODBCINI" || fail "the data source does not point at the program folder"

# Another program holds the database locked: the wait ends, the message
# stays until the learner answers it, then the end.
mkfifo "$E2E_TMP/locker"
sqlite3 "$PROG/kelp.mdb" <"$E2E_TMP/locker" >/dev/null 2>&1 &
E2E_PIDS+=($!)
exec 7>"$E2E_TMP/locker"
printf '.timeout 10000\nbegin exclusive;\n' >&7 # waits out the checks below
locked() { ! sqlite3 "$PROG/kelp.mdb" "pragma busy_timeout = 0; select count(*) from zb" >/dev/null 2>&1; }
wait_until "the database was not locked" locked
start_kelpword
box=$(wait_window "$KELP_PID" "数据库错!cur_product") || fail "locked: no database error message"
sleep 1
xdotool search --all --onlyvisible --name "数据库错!cur_product" >/dev/null || fail "locked: the message did not stay"
xdotool windowfocus --sync "$box" key Return
wait_exit "$KELP_PID" || fail "locked: the program did not end after the database error"
[ "$EXIT_STATUS" = 1 ] || fail "locked: ended with status $EXIT_STATUS"
exec 7>&- # the end of its input: the locker rolls back and ends
wait_until "the lock was not given up" eval '! locked'

# Without the database the first query fails: the message with its status,
# then the end, and no empty database is left behind.
rm "$PROG/kelp.mdb"
start_kelpword
box=$(wait_window "$KELP_PID" "数据库错!cur_product") || fail "no database error message"
# Shown before any word, the message still carries the program's icon.
# Read whole first: the icon prints 64 lines, and grep -q leaving early would
# fail the pipe.
has_icon() { [[ "$(xprop -id "$box" _NET_WM_ICON)" == *'Icon (64 x 64)'* ]]; }
wait_until "the database error message has no icon" has_icon
xdotool windowfocus --sync "$box" key Return
wait_exit "$KELP_PID" || fail "the program did not end after the database error"
[ "$EXIT_STATUS" = 1 ] || fail "ended with status $EXIT_STATUS after the database error"
[ ! -e "$PROG/kelp.mdb" ] || fail "an empty database was created"
grep -q 'kelp.mdb' "$OUT" || fail "stderr does not name the database"
echo "1 passed, 0 failed"
