#!/usr/bin/env bash
# The Debian package: it builds, lintian finds no error and no warning in it,
# it holds what a desktop needs, its metadata validates, and the trainer
# unpacked from it starts in a per-user program folder of its own with the
# sample words, its window in the bottom-right corner.
source "$(dirname "$0")/lib.sh"
BUILD=${KELP_BUILD_DIR:?the build directory}

cpack -G DEB -B "$E2E_TMP/pkg" --config "$BUILD/CPackConfig.cmake" >"$E2E_TMP/cpack.log" 2>&1 ||
  { cat "$E2E_TMP/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$E2E_TMP"/pkg/kelpword_*.deb)
dpkg-deb --contents "$deb" | awk '{print $6}' >"$E2E_TMP/contents"
for f in ./usr/bin/kelpword ./usr/libexec/kelpword/kelpword-gui ./usr/libexec/kelpword/kelpword-study ./usr/bin/kelpword-mkdb ./usr/share/applications/io.github.kelpwords.KelpWords.desktop \
  ./usr/share/metainfo/io.github.kelpwords.KelpWords.metainfo.xml ./usr/share/icons/hicolor/scalable/apps/kelpword.svg \
  ./usr/share/icons/hicolor/48x48/apps/kelpword.png ./usr/share/man/man1/kelpword.1.gz ./usr/share/man/man1/kelpword-mkdb.1.gz \
  ./usr/share/man/zh_CN/man1/kelpword.1.gz ./usr/share/man/zh_CN/man1/kelpword-mkdb.1.gz \
  ./usr/share/doc/kelpword/copyright ./usr/share/doc/kelpword/changelog.Debian.gz ./usr/share/kelpword/New_Word.txt; do
  grep -qx "$f" "$E2E_TMP/contents" || fail "the package lacks $f"
done
dpkg-deb -I "$deb" >"$E2E_TMP/info" # not piped into grep -q: its early exit would fail the pipe
grep -q 'Depends:.*libqt6widgets6' "$E2E_TMP/info" || fail "no library dependencies from shlibdeps"
lintian --fail-on error,warning --display-info "$deb" >"$E2E_TMP/lintian.log" 2>&1 ||
  { cat "$E2E_TMP/lintian.log" >&2; fail "lintian reports errors or warnings"; }

root="$E2E_TMP/root"
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/io.github.kelpwords.KelpWords.desktop" || fail "the desktop entry does not validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/io.github.kelpwords.KelpWords.metainfo.xml" >/dev/null ||
  fail "the metainfo does not validate"
grep -q '^Exec=kelpword --user-folder$' "$root/usr/share/applications/io.github.kelpwords.KelpWords.desktop" ||
  fail "the menu entry does not use the per-user folder"

KELPWORD="$root/usr/bin/kelpword"
"$KELPWORD" --version | grep '^kelpword 0\.' >/dev/null || fail "kelpword --version"
"$root/usr/bin/kelpword-mkdb" --help >/dev/null || fail "kelpword-mkdb --help did not exit 0"
"$root/usr/bin/kelpword-mkdb" --version | grep '^kelpword-mkdb 0\.' >/dev/null || fail "kelpword-mkdb --version"

# From the menu: the per-user folder is laid out on first start, in review mode with a plan
# on a study database of the sample words, under a data-source name of its own; the word
# window starts in the bottom-right corner and the tray says what it is.
start_xvfb
export XDG_DATA_HOME="$E2E_TMP/share" ODBCINI="$E2E_TMP/odbc.ini"
("$KELPWORD" --user-folder) >"$OUT" 2>&1 &
KELP_PID=$!
E2E_PIDS+=("$KELP_PID")
wait_ready
user="$XDG_DATA_HOME/kelpword"
[ -f "$user/wkcfg.ini" ] && [ -f "$user/data/New_Word.txt" ] && [ -f "$user/kelp.mdb" ] ||
  fail "the per-user folder was not laid out"
# The learner's folder and files are private to the learner.
[ "$(stat -c %a "$user")" = 700 ] || fail "the per-user folder is $(stat -c %a "$user")"
for f in wkcfg.ini kelp.mdb data/New_Word.txt; do
  [ $((0$(stat -c %a "$user/$f") & 077)) = 0 ] || fail "$f is $(stat -c %a "$user/$f")"
done
grep -q $'^sjms=1\r$' "$user/wkcfg.ini" && grep -q $'^new=1\r$' "$user/wkcfg.ini" || fail "not in review mode with a plan"
grep -q '^\[kelpword-user\]$' "$ODBCINI" || fail "the data source kelpword-user was not registered"
[ "$(sqlite3 "$user/kelp.mdb" 'select count(*) from kelp_plan')" = 1 ] || fail "the plan did not introduce the first group"
eval "$(xdotool getwindowgeometry --shell "$WORD")"
# The 1280x800 screen: the window's top-left lies in the bottom-right quarter.
[ "$X" -gt 640 ] && [ "$Y" -gt 400 ] || fail "the word window starts at $X,$Y, not in the bottom-right corner"
wait_log 1 "first start: tray message"
wait_log 1 "speech engine ready" # the installed program finds its speech module
"$KELPWORD" pause && "$KELPWORD" next && "$KELPWORD" note || fail "the control command failed"
wait_until "the sample word did not reach the notebook" test -s "$user/data/生词本.txt"
iconv -f GB18030 -t UTF-8 "$user/data/生词本.txt" | grep '^apple#' >/dev/null || fail "the first sample word was not on display"
"$KELPWORD" quit
wait_exit "$KELP_PID" || fail "it did not end"

# A second start keeps what the learner has there.
printf 'mine\r\n' >>"$user/wkcfg.ini"
("$KELPWORD" --user-folder) >"$OUT" 2>&1 &
KELP_PID=$!
E2E_PIDS+=("$KELP_PID")
wait_ready
"$KELPWORD" quit
wait_exit "$KELP_PID" || fail "it did not end"
grep -q '^mine' "$user/wkcfg.ini" || fail "the user's settings were replaced"
[ "$(log_count "first start")" = 0 ] || fail "the first-start message came again"

# The autostart switch.
"$KELPWORD" --autostart on
grep -q '^Exec=kelpword --user-folder$' "$HOME/.config/autostart/kelpword.desktop" || fail "no autostart entry"
"$KELPWORD" --autostart off
[ ! -e "$HOME/.config/autostart/kelpword.desktop" ] || fail "the autostart entry stayed"
echo "1 passed, 0 failed"
