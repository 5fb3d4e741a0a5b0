#!/usr/bin/env bash
# Round trips through the real programs: a file another program wrote is
# imported with "kelpword import", and the trainer, in group-range mode on
# the first group, shows its first word (noted into the notebook to check).
source "$(dirname "$0")/lib.sh"
DATA="$(dirname "$0")/../import/data"
start_xvfb
export ODBCINI="$E2E_TMP/odbc.ini"

round_trip() {
  local file=$1 first=$2 folder="$E2E_TMP/trip$RANDOM"
  mkdir -p "$folder/data"
  "$KELPWORD" import --folder "$folder" "$file" >"$E2E_TMP/import.out" 2>&1 ||
    fail "import of $file: $(cat "$E2E_TMP/import.out")"
  printf '[ODBC]\r\nDSN_Name=kelp-trip\r\n[sjly]\r\nsjms=2\r\ngtfz=1-1\r\n[timer]\r\njg=1000\r\n' >"$folder/wkcfg.ini"
  : >"$OUT"
  (cd "$folder" && exec "$KELPWORD") >"$OUT" 2>&1 &
  KELP_PID=$!
  E2E_PIDS+=("$KELP_PID")
  wait_ready
  press alt+x pause # on the first word (the range's resume row is 2 by default)
  press alt+d addToNotebook
  wait_until "$file: the word did not reach the notebook" test -s "$folder/data/生词本.txt"
  # grep reads it to the end: an early exit would fail the pipe under pipefail.
  iconv -f GB18030 -t UTF-8 "$folder/data/生词本.txt" | grep "^$first" >/dev/null ||
    fail "$file: the notebook holds $(iconv -f GB18030 -t UTF-8 "$folder/data/生词本.txt")"
  kill -TERM "$KELP_PID"
  wait_exit "$KELP_PID" || fail "kelpword did not end on SIGTERM"
}

round_trip "$DATA/words-sheet.csv" "apple# n. 苹果, 苹果树#/ˈæpl/"
round_trip "$DATA/words-sheet-gb18030.csv" "apple# n. 苹果, 苹果树#/ˈæpl/"
round_trip "$DATA/anki-notes.txt" "apple#n. 苹果 (水果)#"
round_trip "$DATA/anki-deck.apkg" "apple#n. 苹果#"
round_trip /usr/share/kwordquiz/examples/example.kvtml "one#ein#"
round_trip /usr/share/apps/kvtml/en/animals.kvtml "bear#Large heavy animal with thick fur#"

# Not a word list: named, the reason given, status 1, no database made.
folder="$E2E_TMP/none"
mkdir -p "$folder"
if "$KELPWORD" import --folder "$folder" "$DATA/not-anki.zip" 2>"$E2E_TMP/err"; then fail "a zip without a collection was taken"; fi
grep -q "not-anki.zip: nothing added: a zip without an Anki collection" "$E2E_TMP/err" || fail "it said: $(cat "$E2E_TMP/err")"
[ ! -e "$folder/kelp.mdb" ] || fail "a database was left behind"
# From a folder that is no program folder: into the menu's folder, which the line names.
here="$E2E_TMP/downloads"
mkdir -p "$here"
(cd "$here" && XDG_DATA_HOME="$E2E_TMP/xdg" "$KELPWORD" import "$(cd "$DATA" && pwd)/words-sheet.csv") >"$E2E_TMP/import.out" ||
  fail "import from a plain folder: $(cat "$E2E_TMP/import.out")"
grep -q "into $E2E_TMP/xdg/kelpword/kelp.mdb\$" "$E2E_TMP/import.out" || fail "it said: $(cat "$E2E_TMP/import.out")"
[ ! -e "$here/kelp.mdb" ] || fail "a database was made in the current folder"

# Killed half-way into a new folder: no database that blocks the next import.
folder="$E2E_TMP/killed"
mkdir -p "$folder"
awk 'BEGIN { print "word,meaning"; for (i = 0; i < 300000; i++) printf "w%d,意思%d\n", i, i }' >"$E2E_TMP/big.csv"
for delay in 0.05 0.2 0.4; do
  "$KELPWORD" import --folder "$folder" "$E2E_TMP/big.csv" >/dev/null 2>&1 &
  pid=$!
  sleep "$delay"
  kill -KILL "$pid" 2>/dev/null || true # the launcher hands over in place: the same process
  wait "$pid" 2>/dev/null || true
  [ ! -e "$folder/kelp.mdb" ] || break # the import may win the race on a quick machine
done
"$KELPWORD" import --folder "$folder" "$DATA/words-sheet.csv" >"$E2E_TMP/import.out" 2>&1 ||
  fail "the import after a killed one: $(cat "$E2E_TMP/import.out")"
# A dictionary's labels in square brackets are part of the meaning, never a
# transcription: imported, exported and read back as they were written.
folder="$E2E_TMP/labels"
mkdir -p "$folder"
printf '单词,释义,音标\ncell,n. 细胞 [生]；单元格 [计],\nprogram,n. [计] 程序,/ˈprəʊɡræm/\n' >"$E2E_TMP/labels.csv"
"$KELPWORD" import --folder "$folder" "$E2E_TMP/labels.csv" >/dev/null 2>&1 || fail "import of the labelled meanings"
"$KELPWORD" export --folder "$folder" --all "$E2E_TMP/labels-out.csv" >/dev/null 2>&1 || fail "export of the labelled meanings"
out=$(cat "$E2E_TMP/labels-out.csv")
case "$out" in
*'cell,,n. 细胞 ［生］；单元格 ［计］'*'program,/ˈprəʊɡræm/,n. ［计］ 程序'*) ;;
*) fail "the labelled meanings came back as: $out" ;;
esac

# More groups than the 16-bit group numbers hold: refused, naming the limit, nothing made.
awk 'BEGIN { for (i = 1; i <= 32768; i++) printf "g%d\r\nw%d#m\r\n", i, i }' >"$E2E_TMP/many.txt"
if "$(dirname "$KELPWORD")/kelpword-mkdb" "$E2E_TMP/many.txt" "$E2E_TMP/many.mdb" 2>"$E2E_TMP/err"; then
  fail "kelpword-mkdb took 32,768 groups"
fi
grep -q "32768 groups, but group numbers end at 32767" "$E2E_TMP/err" || fail "kelpword-mkdb said: $(cat "$E2E_TMP/err")"
[ ! -e "$E2E_TMP/many.mdb" ] || fail "kelpword-mkdb left a database behind"
# Exports: a new file honours the umask; in a folder that cannot be written
# (another user's), a link there is never followed to overwrite what it points at.
(umask 077 && "$KELPWORD" export --folder "$folder" --all "$E2E_TMP/private.csv" >/dev/null 2>&1) ||
  fail "export under umask 077"
[ "$(stat -c %a "$E2E_TMP/private.csv")" = 600 ] || fail "an export under umask 077 is $(stat -c %a "$E2E_TMP/private.csv")"
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null; then
  chmod 755 "$E2E_TMP" "$folder"
  mkdir -p "$E2E_TMP/theirs"
  echo "my notes" >"$E2E_TMP/notes.txt"
  chown 65534 "$E2E_TMP/notes.txt"
  ln -s "$E2E_TMP/notes.txt" "$E2E_TMP/theirs/words.csv"
  if setpriv --reuid=65534 --regid=65534 --clear-groups env HOME="$E2E_TMP" \
    "$KELPWORD" export --folder "$folder" --all "$E2E_TMP/theirs/words.csv" 2>"$E2E_TMP/err"; then
    fail "an export through another user's link reported success"
  fi
  [ "$(cat "$E2E_TMP/notes.txt")" = "my notes" ] || fail "an export wrote through another user's link"
  grep -q "it was not followed" "$E2E_TMP/err" || fail "the refused export said: $(cat "$E2E_TMP/err")"
fi
echo "1 passed, 0 failed"
