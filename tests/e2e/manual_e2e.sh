#!/usr/bin/env bash
# Every program's --help exits 0, and the manual pages, English and Chinese,
# name the same long options as the usage of the programs they describe, and
# every command the running trainer takes.
source "$(dirname "$0")/lib.sh"
BUILD=${KELP_BUILD_DIR:?the build directory}
bin=$(dirname "$KELPWORD")

for program in "$KELPWORD" "$bin/kelpword-gui" "$bin/kelpword-study" "$bin/kelpword-mkdb"; do
  status=0
  "$program" --help >"$E2E_TMP/help" 2>&1 || status=$?
  [ "$status" = 0 ] || fail "$(basename "$program") --help ended with status $status"
  grep -q -- '--help' "$E2E_TMP/help" || fail "$(basename "$program") --help does not say how to ask for help"
done

# The long options a text names, one a line, sorted; the manual's "\-\-" is "--".
options() { sed 's/\\-/-/g' | grep -oE -- '--[a-z][a-z-]*' | sort -u; }
# Those that the one lists and the other does not.
compare() {
  local what=$1 help=$2 manual=$3 missing
  missing=$(comm -23 "$help" "$manual" | tr '\n' ' ')
  [ -z "$missing" ] || fail "$what lacks $missing"
  missing=$(comm -13 "$help" "$manual" | tr '\n' ' ')
  [ -z "$missing" ] || fail "$what names $missing, which the usage does not have"
}

{ "$KELPWORD" --help; "$bin/kelpword-study" --help; } | options >"$E2E_TMP/kelpword.help"
"$bin/kelpword-mkdb" --help | options >"$E2E_TMP/mkdb.help"
"$KELPWORD" --help | sed -n '/^commands:/,$p' | sed 's/^commands://' | tr ',' '\n' | tr -d ' ' | grep . |
  sort >"$E2E_TMP/commands"
[ "$(wc -l <"$E2E_TMP/commands")" -gt 5 ] || fail "no commands in kelpword --help"
for manual in "$BUILD/packaging/kelpword.1" "$BUILD/packaging/zh_CN/kelpword.1"; do
  options <"$manual" >"$E2E_TMP/manual"
  compare "$manual" "$E2E_TMP/kelpword.help" "$E2E_TMP/manual"
  sed -n 's/^\.B \([a-z\\-]*\)$/\1/p' "$manual" | sed 's/\\-/-/g' | sort >"$E2E_TMP/manual.commands"
  missing=$(comm -23 "$E2E_TMP/commands" "$E2E_TMP/manual.commands" | tr '\n' ' ')
  [ -z "$missing" ] || fail "$manual does not list the commands $missing"
done
pages=$(cd "$(dirname "$0")/../../data/packaging" && pwd)
for manual in "$pages/kelpword-mkdb.1" "$pages/kelpword-mkdb.zh_CN.1"; do
  options <"$manual" >"$E2E_TMP/manual"
  compare "$manual" "$E2E_TMP/mkdb.help" "$E2E_TMP/manual"
done
# The Chinese pages are Chinese.
grep -q '^\.SH 选项' "$BUILD/packaging/zh_CN/kelpword.1" || fail "the Chinese manual is not Chinese"
echo "1 passed, 0 failed"
