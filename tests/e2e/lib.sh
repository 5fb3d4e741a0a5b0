# Shared helpers for the end-to-end tests: a private Xvfb, a temporary
# program folder, and the real kelpword binary driven as a user would.
# Every process started here is stopped by PID on exit.
set -euo pipefail

KELPWORD=${KELPWORD:?path to the kelpword binary}
export LANG=C.UTF-8 LC_ALL=C.UTF-8
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

E2E_TMP=$(mktemp -d /tmp/kelp-e2e.XXXXXX)
export XDG_RUNTIME_DIR="$E2E_TMP/run" HOME="$E2E_TMP/home"
mkdir -p "$XDG_RUNTIME_DIR" "$HOME"
chmod 700 "$XDG_RUNTIME_DIR"
PROG="$E2E_TMP/prog"
mkdir -p "$PROG/data" "$PROG/font"
E2E_PIDS=()

cleanup() {
  local pid
  for pid in "${E2E_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${E2E_PIDS[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$E2E_TMP"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  if [ -n "${DISPLAY:-}" ] && command -v import >/dev/null; then
    import -window root "/tmp/kelp-e2e-failure-$$.png" 2>/dev/null && echo "screenshot: /tmp/kelp-e2e-failure-$$.png" >&2
  fi
  exit 1
}

start_xvfb() {
  local fdfile="$E2E_TMP/display"
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$fdfile" 2>/dev/null &
  E2E_PIDS+=($!)
  local i
  for i in $(seq 100); do
    [ -s "$fdfile" ] && break
    sleep 0.05
  done
  [ -s "$fdfile" ] || fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$fdfile")"
}

# Starts kelpword in the program folder; sets KELP_PID.
start_kelpword() {
  (cd "$PROG" && exec "$KELPWORD") >"$E2E_TMP/kelpword.out" 2>&1 &
  KELP_PID=$!
  E2E_PIDS+=("$KELP_PID")
}

# True when the process shows a window with exactly this title.
window_shown() {
  local pid=$1 title=$2 wid name
  for wid in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
    name=$(xprop -id "$wid" _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p')
    [ "$name" = "$title" ] && return 0
  done
  return 1
}

# Waits (up to 10 s) for a window of the process with the given title; prints its id.
wait_window() {
  local pid=$1 title=$2 i wid name
  for i in $(seq 200); do
    for wid in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
      name=$(xprop -id "$wid" _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p')
      if [ "$name" = "$title" ]; then
        echo "$wid"
        return 0
      fi
    done
    sleep 0.05
  done
  return 1
}

# Waits (up to 10 s) for a child process to end; sets EXIT_STATUS.
wait_exit() {
  local pid=$1 i
  for i in $(seq 200); do
    if ! kill -0 "$pid" 2>/dev/null; then
      EXIT_STATUS=0
      wait "$pid" || EXIT_STATUS=$?
      return 0
    fi
    sleep 0.05
  done
  return 1
}

# A configuration for text-file mode on data/words.txt with a long interval
# (only the test's keys move the cycle), starting at row $1; further
# "[section]" and "key=value" lines may follow as arguments.
write_text_mode_ini() {
  local reci3=$1
  shift
  printf '%s\n' '[Start]' 'First=false' '[sjly]' 'sjms=3' 'wbwj=words.txt' '[timer]' 'jg=1000' "reci3=$reci3" "$@" |
    write_gbk "$PROG/wkcfg.ini"
}

# Writes UTF-8 text to a file as GB18030 with CR LF line ends.
write_gbk() {
  local file=$1
  sed 's/$/\r/' | iconv -f UTF-8 -t GB18030 >"$file"
}
