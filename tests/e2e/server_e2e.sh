#!/usr/bin/env bash
# The trainer on a data source of a PostgreSQL server of the test's own: the
# same first word as from the local file, a second trainer with a home of
# its own sees the same groups, and a server that does not answer in time (a
# statement waiting on a lock, or a frozen server at login), refuses the
# login or has no such database, is down before the start or goes away after
# the due groups were read ends in the database error message and status 1,
# never a hang. The data source is
# left as it was.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/../support/postgres_server.sh"
BUILD=$(dirname "$KELPWORD")
PGDIR="$E2E_TMP-pg"
FROZEN=
trap '[ -n "$FROZEN" ] && kill -CONT $FROZEN; pg_stop "$PGDIR"; cleanup' EXIT

PG_OWNER_PID=$$ pg_start "$PGDIR" || fail "the PostgreSQL server did not start"
eval "$(pg_env "$PGDIR")"
cp "$ODBCINI" "$E2E_TMP/odbc.ini.orig"
"$BUILD/kelpword-mkdb" --due 2,5 --dsn kelppg "$(dirname "$0")/../../data/New_Word.txt" >/dev/null ||
  fail "kelpword-mkdb --dsn failed"
"$BUILD/kelpword-mkdb" --due 2,5 --dsn kelppg "$(dirname "$0")/../../data/New_Word.txt" 2>/dev/null &&
  fail "kelpword-mkdb --dsn replaced the tables without --force"
psql_as() { pg_as psql -X -q -h "$PGDIR" -p "$PG_PORT" -U postgres -d kelp "$@"; }

# Replacing the tables while the server goes away: status 1, the old tables whole.
groups_before=$(psql_as -At -c "select count(*) from zb")
# Long enough to be caught writing, however busy the machine: it is cut off long before its end.
for _ in $(seq 400); do cat "$(dirname "$0")/../../data/New_Word.txt"; done >"$E2E_TMP/many.txt"
"$BUILD/kelpword-mkdb" --force --dsn kelppg "$E2E_TMP/many.txt" >"$E2E_TMP/mkdb.out" 2>&1 &
MKDB=$!
E2E_PIDS+=("$MKDB")
writing() { [ "$(psql_as -At -c "select count(*) from pg_stat_activity where query like 'insert into fb%'")" -ge 1 ]; }
writing_or_ended() { ! kill -0 "$MKDB" 2>/dev/null || writing; }
# A machine busy with other tests may take a while to get there.
WAIT_SECONDS=120 wait_until "kelpword-mkdb did not start writing: $(cat "$E2E_TMP/mkdb.out")" writing_or_ended
kill -0 "$MKDB" 2>/dev/null || fail "kelpword-mkdb ended before the server went away: $(cat "$E2E_TMP/mkdb.out")"
pg_halt "$PGDIR"
status=0
wait "$MKDB" || status=$?
[ "$status" = 1 ] || fail "kelpword-mkdb ended with status $status when the server went away"
grep -q 'nothing was changed' "$E2E_TMP/mkdb.out" || fail "kelpword-mkdb said: $(cat "$E2E_TMP/mkdb.out")"
pg_resume "$PGDIR" || fail "the server did not start again"
[ "$(psql_as -At -c "select count(*) from zb")" = "$groups_before" ] || fail "the old tables were not left whole"

# Imported words go to the server (new groups, not due); progress reads it.
"$KELPWORD" import --dsn kelppg "$(dirname "$0")/../import/data/words-sheet.csv" >"$E2E_TMP/import.out" ||
  fail "kelpword import --dsn failed: $(cat "$E2E_TMP/import.out")"
grep -q 'words in .* groups added' "$E2E_TMP/import.out" || fail "import said: $(cat "$E2E_TMP/import.out")"
"$KELPWORD" progress --dsn kelppg >"$E2E_TMP/progress.out" || fail "kelpword progress --dsn failed"
grep -q '^groups: ' "$E2E_TMP/progress.out" || fail "progress said: $(cat "$E2E_TMP/progress.out")"

start_xvfb
trainer_config() {
  printf '[Start]\r\nFirst=false\r\n[ODBC]\r\nDSN_Name=kelppg\r\n[sjly]\r\nsjms=1\r\n' >"$PROG/wkcfg.ini"
}
first_word_is_school() {
  start_kelpword
  wait_ready
  press alt+x pause
  press Right nextItem
  press alt+d addToNotebook
  wait_notebook_lines 1
  printf 'school# n. 学校#/skuːl/\n' | write_gbk "$E2E_TMP/expected.txt"
  cmp "$E2E_TMP/expected.txt" "$PROG/data/生词本.txt" || fail "$1: the first word was not that of group 2"
  kill -TERM "$KELP_PID"
  wait_exit "$KELP_PID" || fail "kelpword did not end on SIGTERM"
  rm -f "$PROG/data/生词本.txt"
}
trainer_config
first_word_is_school "first trainer"
# The program folder's progress reads the trainer's own data source, the server.
(cd "$PROG" && "$KELPWORD" progress) >"$E2E_TMP/folder-progress.out" || fail "progress in the program folder failed"
cmp -s "$E2E_TMP/folder-progress.out" "$E2E_TMP/progress.out" ||
  fail "the folder's progress is not the server's: $(cat "$E2E_TMP/folder-progress.out")"

# A second trainer: another home, runtime folder, program folder and odbc.ini.
export HOME="$E2E_TMP/home2" XDG_RUNTIME_DIR="$E2E_TMP/run2"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
cp "$ODBCINI" "$E2E_TMP/odbc2.ini" && export ODBCINI="$E2E_TMP/odbc2.ini"
PROG="$E2E_TMP/prog2" && mkdir -p "$PROG/data" "$PROG/font"
trainer_config
first_word_is_school "second trainer"

# The words window of a trainer on the server, the server frozen in the middle
# of a change: the trainer answers all the while, the window gives the change
# up at its limit and says so; once the server is back the change lands late,
# and the next one goes through a new connection.
lx2_of_school() { psql_as -At -c "select lx2 from fb where da = 'school'"; }
trainer_config
KELPWORD_STATEMENT_LIMIT_MS=6000 LD_PRELOAD="$KELP_TEST_HOOKS" start_kelpword
wait_ready
press alt+x pause
"$KELPWORD" words || fail "kelpword words was not taken"
BOOK=$(wait_window "$KELP_PID" "词库 - kelppg") || fail "the words window did not open"
xdotool windowfocus --sync "$BOOK"
wait_log 1 "a window of ours has the focus"
xdotool type --delay 30 school
xdotool key --delay 50 Return Right Right F2 ctrl+a
xdotool type --delay 30 "n. frozen"
postmaster=$(head -n1 "$PGDIR/data/postmaster.pid")
FROZEN="$postmaster $(pgrep -P "$postmaster" | tr '\n' ' ')"
kill -STOP $FROZEN
xdotool key Return
for n in 1 2 3; do
  "$KELPWORD" next || fail "the trainer did not answer while its words window waited on the server ($n)"
done
box=$(wait_window "$KELP_PID" "词库") || fail "no message when the server did not answer"
kill -CONT $FROZEN
FROZEN=
xdotool windowfocus --sync "$box" key Return
wait_until "the late change did not land" eval '[ "$(lx2_of_school)" = "/skuːl/ n. frozen" ]'
focused=$(log_count "a window of ours has the focus")
xdotool windowfocus --sync "$BOOK" key F5
wait_log $((focused + 1)) "a window of ours has the focus"
xdotool key ctrl+a # the search box keeps the last search
xdotool type --delay 30 school
xdotool key --delay 50 Return Right Right F2 ctrl+a
xdotool type --delay 30 "n. thawed"
xdotool key Return
wait_until "the change after the server came back was not saved: $(lx2_of_school)" \
  eval '[ "$(lx2_of_school)" = "/skuːl/ n. thawed" ]'
psql_as -c "update fb set lx2 = '/skuːl/ n. 学校' where da = 'school'" >/dev/null
kill -TERM "$KELP_PID"
wait_exit "$KELP_PID" || fail "kelpword did not end on SIGTERM"

database_error() {
  local started=$SECONDS box
  box=$(wait_window "$KELP_PID" "数据库错!cur_product") || fail "$1: no database error message"
  xdotool windowfocus --sync "$box" key Return
  wait_exit "$KELP_PID" || fail "$1: the program did not end after the database error"
  [ "$EXIT_STATUS" = 1 ] || fail "$1: ended with status $EXIT_STATUS"
  cmp -s "$ODBCINI" "$E2E_TMP/odbc.ini.orig" || fail "$1: the server's data source was overwritten"
  echo "$1: error path after $((SECONDS - started)) s"
}

# Stopped during loading: another session holds the words table, so the
# trainer's words query waits on the server when the server goes away.
psql_as -c "begin; lock table fb in access exclusive mode; select pg_sleep(300);" >/dev/null 2>&1 &
LOCKER=$!
E2E_PIDS+=("$LOCKER")
waiting_on_fb() {
  [ "$(psql_as -At -c "select count(*) from pg_stat_activity where wait_event_type = 'Lock' and query like '%fb.lx2%'")" -ge 1 ]
}
wait_until "the lock was not taken" eval '[ "$(psql_as -At -c "select count(*) from pg_locks where relation = '"'"'fb'"'"'::regclass and granted")" -ge 1 ]'
# First the server stays up: the data source's statement time-out ends the wait.
start_kelpword
wait_until "the trainer did not reach the words query" waiting_on_fb
database_error "words table locked"
# Asked to end while the words query waits on the lock: gone long before the
# statement time-out (10 s) would have ended the wait, status 0, no message.
for how in TERM quit; do
  start_kelpword
  wait_until "the trainer did not reach the words query ($how)" waiting_on_fb
  if [ "$how" = TERM ]; then
    kill -TERM "$KELP_PID"
  else
    wait_until "quit was not taken while starting" "$KELPWORD" quit
  fi
  WAIT_SECONDS=8 wait_exit "$KELP_PID" || fail "$how while loading: the trainer did not end"
  [ "$EXIT_STATUS" = 0 ] || fail "$how while loading: status $EXIT_STATUS"
done
# A server that takes connections but never answers: the connect time-out.
FROZEN=$(head -n1 "$PGDIR/data/postmaster.pid")
kill -STOP "$FROZEN"
start_kelpword
database_error "server not answering"
kill -CONT "$FROZEN"
FROZEN=
# Frozen in the middle of the query (no time-out of the server's fires): the
# trainer gives the load up at its own limit.
export KELPWORD_LOAD_LIMIT_MS=8000
LD_PRELOAD="$KELP_TEST_HOOKS" start_kelpword
wait_until "the trainer did not reach the words query" waiting_on_fb
postmaster=$(head -n1 "$PGDIR/data/postmaster.pid")
FROZEN="$postmaster $(pgrep -P "$postmaster" | tr '\n' ' ')"
kill -STOP $FROZEN
database_error "server frozen while loading"
kill -CONT $FROZEN
FROZEN=
# The tools give up on a frozen server too: progress waits on the locked
# words table, the server freezes, a message and status 1 follow.
LD_PRELOAD="$KELP_TEST_HOOKS" KELPWORD_STATEMENT_LIMIT_MS=3000 "$KELPWORD" progress --dsn kelppg \
  >/dev/null 2>"$E2E_TMP/frozen.err" &
tool=$!
E2E_PIDS+=("$tool")
progress_waits() {
  [ "$(psql_as -At -c "select count(*) from pg_stat_activity where wait_event_type = 'Lock' and query like '%from fb group by%'")" -ge 1 ]
}
wait_until "progress did not reach the words table" progress_waits
FROZEN="$postmaster $(pgrep -P "$postmaster" | tr '\n' ' ')"
kill -STOP $FROZEN
wait_exit "$tool" || fail "progress did not end on a frozen server"
kill -CONT $FROZEN
FROZEN=
[ "$EXIT_STATUS" = 1 ] || fail "progress on a frozen server ended with status $EXIT_STATUS"
grep -q "did not answer within 3 s" "$E2E_TMP/frozen.err" || fail "progress said: $(cat "$E2E_TMP/frozen.err")"
unset KELPWORD_LOAD_LIMIT_MS
# Data sources the server refuses: a wrong password, a database it does not have.
psql_as -c "create role kelpwrong login password 'right'" >/dev/null
pg_as sh -c "sed -i '1i local all kelpwrong scram-sha-256' '$PGDIR/data/pg_hba.conf'"
pg_as "$PG_BIN/pg_ctl" -D "$PGDIR/data" reload >/dev/null
cp "$ODBCINI" "$E2E_TMP/odbc.ini.kept"
for refused in "Username=kelpwrong
Password=wrong" "Database=nosuchdb"; do
  { printf '\n[kelprefused]\nDriver=PostgreSQL Unicode\nServername=%s\nPort=%s\n' "$PGDIR" "$PG_PORT"
    grep -q Database <<<"$refused" || echo "Database=$PG_DATABASE"
    grep -q Username <<<"$refused" || echo "Username=postgres"
    echo "$refused"; } >>"$ODBCINI"
  cp "$ODBCINI" "$E2E_TMP/odbc.ini.orig"
  printf '[Start]\r\nFirst=false\r\n[ODBC]\r\nDSN_Name=kelprefused\r\n[sjly]\r\nsjms=1\r\n' >"$PROG/wkcfg.ini"
  start_kelpword
  database_error "refused (${refused%%$'\n'*})"
  cp "$E2E_TMP/odbc.ini.kept" "$ODBCINI"
  cp "$ODBCINI" "$E2E_TMP/odbc.ini.orig"
done
trainer_config
start_kelpword
wait_until "the trainer did not reach the words query" waiting_on_fb
pg_halt "$PGDIR"
database_error "server stopped while loading"
wait "$LOCKER" 2>/dev/null || true

# The server is down before the start now.
start_kelpword
database_error "server down"

echo "1 passed, 0 failed"
