#!/usr/bin/env bash
# The package on a Debian 12 system that holds nothing but what it depends on:
# mmdebstrap makes a minimal system from the configured package mirror, apt
# installs the built .deb there without its recommends (and so without any
# build dependency), and there kelpword --version, a start in text mode and a
# start in review mode (the menu's folder on the sample study database) run
# against an X server outside the new system. Last, with unixODBC removed,
# the trainer and the progress report name the library that is missing.
# Skipped (status 77) when no package mirror answers.
source "$(dirname "$0")/lib.sh"
BUILD=${KELP_BUILD_DIR:?the build directory}
self="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"

# Runs a command in the new system, as a fresh login would have it.
in_root() {
  chroot "$ROOT" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DISPLAY="$DISPLAY" XDG_RUNTIME_DIR=/run/kelp QT_LOGGING_RULES="kelp.*.debug=true" "$@"
}

# Starts the trainer in the new system from the folder $1 with the arguments
# that follow; sets KELP_PID (the trainer's own: each step execs the next).
start_inside() {
  local folder=$1
  shift
  : >"$OUT"
  (exec chroot "$ROOT" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DISPLAY="$DISPLAY" XDG_RUNTIME_DIR=/run/kelp QT_LOGGING_RULES="kelp.*.debug=true" \
    sh -c 'cd "$0" && exec kelpword "$@"' "$folder" "$@") >"$OUT" 2>&1 &
  KELP_PID=$!
  E2E_PIDS+=("$KELP_PID")
}

# Whatever still runs in the new system is ended: mmdebstrap cannot unmount its
# /proc and /dev under a running process, and would wait for ever.
end_inside() {
  local link pid
  for link in /proc/[0-9]*/root; do
    pid=${link#/proc/}
    pid=${pid%/root}
    [ "$(readlink "$link" 2>/dev/null)" = "$ROOT" ] && kill -9 "$pid" 2>/dev/null
  done
  cleanup
}

quit_inside() {
  in_root kelpword quit || fail "kelpword quit was not taken"
  wait_exit "$KELP_PID" || fail "the trainer did not end"
  [ "$EXIT_STATUS" = 0 ] || fail "the trainer ended with status $EXIT_STATUS"
}

# The checks, run by mmdebstrap once the system is made (its /dev, /proc and
# /sys are mounted then, and unmounted after).
if [ "${1:-}" = --inside ]; then
  ROOT=$(cd "$2" && pwd -P)
  trap end_inside EXIT
  cp "$DEB" "$ROOT/tmp/kelpword.deb"
  in_root apt-get install -y -q --no-install-recommends /tmp/kelpword.deb >"$E2E_TMP/apt.log" 2>&1 ||
    { cat "$E2E_TMP/apt.log" >&2; fail "apt could not install the package"; }
  for tool in cmake g++ qmake6 pkg-config; do
    in_root sh -c "command -v $tool" >/dev/null && fail "$tool is in the new system: it is not a minimal one"
  done
  mkdir -p "$ROOT/run/kelp" && chmod 700 "$ROOT/run/kelp"

  in_root kelpword --version | grep '^kelpword 0\.' >/dev/null || fail "kelpword --version"

  # Text mode: a word file in a program folder of its own.
  mkdir -p "$ROOT/root/prog/data"
  printf '%s\n' 'Sea words' 'sea#海' 'kelp#海带' | write_gbk "$ROOT/root/prog/data/words.txt"
  printf '%s\n' '[Start]' 'First=false' '[sjly]' 'sjms=3' 'wbwj=words.txt' '[timer]' 'jg=1000' 'reci3=1' |
    write_gbk "$ROOT/root/prog/wkcfg.ini"
  start_inside /root/prog
  wait_ready
  in_root kelpword pause && in_root kelpword next && in_root kelpword note || fail "the commands were not taken"
  wait_until "the word did not reach the notebook" test -s "$ROOT/root/prog/data/生词本.txt"
  quit_inside

  # Review mode, as the menu starts it: the sample words through unixODBC and the SQLite driver.
  start_inside /root --user-folder
  wait_ready
  wait_log 1 "speech engine ready" # the speech module's libraries are there
  in_root kelpword pause && in_root kelpword next && in_root kelpword note || fail "the commands were not taken"
  notebook="$ROOT/root/.local/share/kelpword/data/生词本.txt"
  wait_until "the sample word did not reach the notebook" test -s "$notebook"
  iconv -f GB18030 -t UTF-8 "$notebook" | grep '^apple#' >/dev/null || fail "the study database's first word was not shown"
  quit_inside

  # Without unixODBC: the progress report says which library is missing, and so does the trainer.
  in_root dpkg --remove --force-depends libodbc2 >/dev/null 2>&1 || fail "libodbc2 could not be removed"
  status=0
  in_root kelpword progress --user-folder >"$E2E_TMP/progress.out" 2>&1 || status=$?
  [ "$status" = 1 ] || fail "the progress report without unixODBC ended with status $status"
  grep -q 'libodbc\.so\.2.*libodbc2' "$E2E_TMP/progress.out" ||
    fail "the progress report does not name the missing library: $(cat "$E2E_TMP/progress.out")"
  start_inside /root --user-folder
  wait_log 1 'libodbc\.so\.2.*libodbc2'
  # Its message boxes are answered until it ends.
  dismissed() {
    local wid
    for wid in $(xdotool search --onlyvisible --pid "$KELP_PID" 2>/dev/null); do
      xdotool windowfocus --sync "$wid" key Return 2>/dev/null || true
    done
    ! kill -0 "$KELP_PID" 2>/dev/null
  }
  wait_until "the trainer without unixODBC did not end" dismissed
  wait_exit "$KELP_PID" || true
  [ "$EXIT_STATUS" = 1 ] || fail "the trainer without unixODBC ended with status $EXIT_STATUS"
  exit 0
fi

command -v mmdebstrap >/dev/null || fail "mmdebstrap is needed (scripts/setup installs it)"
# mmdebstrap makes the system as root: directly, or through sudo where it asks for no password.
as_root=()
if [ "$(id -u)" != 0 ]; then
  if ! sudo -n true 2>/dev/null; then
    echo "SKIP: the install test makes a Debian 12 system with mmdebstrap, which needs root (or sudo without a password)"
    exit 77
  fi
  as_root=(sudo -n --preserve-env=DISPLAY,DEB,KELPWORD,KELP_BUILD_DIR)
fi

# The mirror the machine's own apt uses, Debian 12's suites only.
mirrors=()
while read -r uri suite; do
  mirrors+=("deb $uri $suite main")
done < <(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Identifier: Packages' |
  awk '$2 ~ /^bookworm(-updates|-security)?$/' | sort -u)
[ ${#mirrors[@]} -gt 0 ] || fail "apt has no Debian 12 package mirror configured"
first_uri=$(echo "${mirrors[0]}" | cut -d' ' -f2)
first_suite=$(echo "${mirrors[0]}" | cut -d' ' -f3)
if ! timeout 30 /usr/lib/apt/apt-helper download-file "${first_uri%/}/dists/$first_suite/InRelease" \
  "$E2E_TMP/InRelease" >/dev/null 2>&1; then
  echo "SKIP: the package mirror ${first_uri} does not answer; the install test needs it"
  exit 77
fi

cpack -G DEB -B "$E2E_TMP/pkg" --config "$BUILD/CPackConfig.cmake" >"$E2E_TMP/cpack.log" 2>&1 ||
  { cat "$E2E_TMP/cpack.log" >&2; fail "cpack failed"; }
export DEB
DEB=$(ls "$E2E_TMP"/pkg/kelpword_*.deb)
start_xvfb
export DISPLAY KELPWORD
started=$SECONDS
"${as_root[@]}" mmdebstrap --variant=apt --mode=root --format=null \
  --customize-hook="bash '$self' --inside \"\$1\"" \
  bookworm /dev/null "${mirrors[@]}" >"$E2E_TMP/mmdebstrap.log" 2>&1 ||
  { tail -n 40 "$E2E_TMP/mmdebstrap.log" >&2; fail "the install test in the new Debian 12 system failed"; }
echo "new system, install and checks: $((SECONDS - started)) s"
echo "1 passed, 0 failed"
