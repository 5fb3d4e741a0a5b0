#!/usr/bin/env bash
# Every command-line path says what it says in the reader's language: under
# LANG=zh_CN.UTF-8 its output holds Chinese, under LANG=C.UTF-8 none, and the
# exit status is the same in both. Nothing here needs the zh_CN locale to be
# generated: the programs read the locale's name from the environment.
source "$(dirname "$0")/lib.sh"
bin=$(dirname "$KELPWORD")
STUDY=$bin/kelpword-study
MKDB=$bin/kelpword-mkdb

printf 'word,meaning\nsea,海\nkelp,海带\n' >"$E2E_TMP/words.csv"
head -c 2048 /dev/urandom >"$E2E_TMP/noise.bin"
printf '\0binary' >>"$E2E_TMP/noise.bin"

has_chinese() { grep -qP '[\x{4e00}-\x{9fff}]' "$1"; }

# check NAME STATUS COMMAND...: run under both locales, the same status, Chinese only under zh_CN.
check() {
  local name=$1 want=$2 lang status
  shift 2
  for lang in zh_CN.UTF-8 C.UTF-8; do
    # A fresh program folder each time: an import adds the same words in both languages.
    rm -rf "$E2E_TMP/folder" && mkdir -p "$E2E_TMP/folder"
    status=0
    (cd "$E2E_TMP" && env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG=$lang "$@") >"$E2E_TMP/out" 2>&1 || status=$?
    [ "$status" = "$want" ] || fail "$name under $lang ended with status $status, not $want: $(cat "$E2E_TMP/out")"
    [ -s "$E2E_TMP/out" ] || fail "$name under $lang said nothing"
    if [ $lang = zh_CN.UTF-8 ]; then
      has_chinese "$E2E_TMP/out" || fail "$name under $lang holds no Chinese: $(cat "$E2E_TMP/out")"
    else
      if has_chinese "$E2E_TMP/out"; then fail "$name under $lang holds Chinese: $(cat "$E2E_TMP/out")"; fi
    fi
  done
}

check "kelpword --help" 0 "$KELPWORD" --help
check "an unknown command" 2 "$KELPWORD" bogus-command
check "a wrong option" 2 "$KELPWORD" --folder
check "a command with no running copy" 1 "$KELPWORD" next
check "an import" 0 "$KELPWORD" import --folder "$E2E_TMP/folder" "$E2E_TMP/words.csv"
check "a refused import" 1 "$KELPWORD" import --folder "$E2E_TMP/folder" "$E2E_TMP/noise.bin"
check "an import's wrong option" 2 "$KELPWORD" import --group-size 0 "$E2E_TMP/words.csv"
check "progress without a study database" 1 "$KELPWORD" progress --folder "$E2E_TMP/folder"
check "progress" 0 sh -c "\"\$0\" import --folder \"\$1\" \"\$2\" >/dev/null && \"\$0\" progress --folder \"\$1\"" \
  "$KELPWORD" "$E2E_TMP/folder" "$E2E_TMP/words.csv"
check "the trainer without a display" 1 env -u DISPLAY "$KELPWORD"
check "kelpword-study --help" 0 "$STUDY" --help
check "kelpword-mkdb --help" 0 "$MKDB" --help
check "kelpword-mkdb onto a file that is there" 1 "$MKDB" "$E2E_TMP/words.csv" "$E2E_TMP/words.csv"
check "an export without a study database" 1 "$KELPWORD" export --folder "$E2E_TMP/folder" "$E2E_TMP/x.csv"
# The trainer's lines about a study database it cannot reach, up to the message it then shows.
trainer_without_database() {
  cd "$1" && printf '[sjly]\r\nsjms=2\r\n' >wkcfg.ini
  QT_QPA_PLATFORM=offscreen ODBCINI="$1/odbc.ini" "$KELPWORD" >trainer.out 2>&1 &
  local pid=$! i=0
  until grep -q 'kelp.mdb' trainer.out || [ $i -ge 600 ]; do sleep 0.05; i=$((i + 1)); done
  kill "$pid" && wait "$pid" 2>/dev/null
  cat trainer.out
}
export -f trainer_without_database
export KELPWORD
check "the trainer without its study database" 0 bash -c 'trainer_without_database "$0"' "$E2E_TMP/folder"

# Every program answers --version and --help, with status 0.
for program in "$KELPWORD" "$STUDY" "$MKDB" "$(dirname "$KELPWORD")/kelpword-gui"; do
  for option in --version --help; do
    "$program" "$option" >/dev/null 2>&1 || fail "$program $option ended with status $?"
  done
done

# The version is a number in any language.
for lang in zh_CN.UTF-8 C.UTF-8; do
  [ "$(env -u LC_ALL LANG=$lang "$KELPWORD" --version)" = "$("$KELPWORD" --version)" ] ||
    fail "kelpword --version differs under $lang"
done
# Under zh_CN every description of the usage is Chinese (the synopses stay as they are).
english=$(env -u LC_ALL LANG=zh_CN.UTF-8 "$KELPWORD" --help | sed '/^命令/,$d' | grep -oP '(^\s{36}|\S\s{2,})\K\S.*$' |
  grep -vP '[\x{4e00}-\x{9fff}]' || true)
[ -z "$english" ] || fail "kelpword --help under zh_CN has descriptions in English: $english"
echo "1 passed, 0 failed"
