# Shared helpers for the end-to-end tests: a private Xvfb, a temporary
# program folder, and the real kelpword binary driven as a user would.
# Every wait polls for a condition (never a fixed sleep) up to a generous
# bound, so a busy machine only makes a run slower, not red. Every process
# started here is stopped by PID on exit.
set -euo pipefail

KELPWORD=${KELPWORD:?path to the kelpword binary}
export LANG=C.UTF-8 LC_ALL=C.UTF-8
unset QT_QPA_PLATFORM WAYLAND_DISPLAY LANGUAGE # LANGUAGE would choose the language over LC_ALL
# The program reports its commands and readiness as debug lines; tests wait on them.
export QT_LOGGING_RULES="kelp.*.debug=true"
WAIT_SECONDS=${WAIT_SECONDS:-30}

E2E_TMP=$(mktemp -d /tmp/kelp-e2e.XXXXXX)
export XDG_RUNTIME_DIR="$E2E_TMP/run" HOME="$E2E_TMP/home"
mkdir -p "$XDG_RUNTIME_DIR" "$HOME"
chmod 700 "$XDG_RUNTIME_DIR"
PROG="$E2E_TMP/prog"
mkdir -p "$PROG/data" "$PROG/font"
OUT="$E2E_TMP/kelpword.out"
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
  if [ -s "$OUT" ]; then
    echo "--- kelpword's output:" >&2
    cat "$OUT" >&2
    echo "---" >&2
  fi
  if [ -n "${DISPLAY:-}" ] && command -v import >/dev/null; then
    import -window root "/tmp/kelp-e2e-failure-$$.png" 2>/dev/null && echo "screenshot: /tmp/kelp-e2e-failure-$$.png" >&2
  fi
  exit 1
}

# Polls until the command succeeds; after WAIT_SECONDS the test fails with the message.
wait_until() {
  local what=$1
  shift
  local deadline=$((SECONDS + WAIT_SECONDS))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || fail "$what"
    sleep 0.05
  done
}

# Like wait_until, but only reports whether it came true.
came_true() {
  local deadline=$((SECONDS + WAIT_SECONDS))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

# An X server of the test's own; it picks a free display number itself.
start_xvfb() {
  local fdfile="$E2E_TMP/display"
  # -noreset: without it the server resets when its last client leaves, and a
  # program started right then finds no display.
  Xvfb -displayfd 3 -noreset -screen 0 1280x800x24 -nolisten tcp 3>"$fdfile" 2>"$E2E_TMP/xvfb.err" &
  E2E_PIDS+=($!)
  came_true test -s "$fdfile" || fail "Xvfb did not start: $(cat "$E2E_TMP/xvfb.err" 2>/dev/null)"
  export DISPLAY=":$(head -n1 "$fdfile")"
  wait_until "the X server does not answer" xdpyinfo >/dev/null 2>&1
}

# How many lines of kelpword's output match the pattern.
log_count() { grep -c -- "$1" "$OUT" 2>/dev/null || true; }
has_log_count() { [ "$(log_count "$2")" -ge "$1" ]; }
# Waits until the output holds at least N lines matching the pattern.
wait_log() { wait_until "kelpword did not report '$2' ($1 times)" has_log_count "$1" "$2"; }

# Starts kelpword in the program folder; sets KELP_PID.
start_kelpword() {
  : >"$OUT"
  (cd "$PROG" && exec "$KELPWORD") >"$OUT" 2>&1 &
  KELP_PID=$!
  E2E_PIDS+=("$KELP_PID")
}

# Waits until the word window is up and its hot keys are taken; sets WORD.
wait_ready() {
  WORD=$(wait_window "$KELP_PID" "Kelp Words") || fail "the word window did not appear"
  wait_log 1 "hot keys grabbed"
}

# Sends a key and waits until the program ran the command it stands for.
press() {
  local key=$1 command=$2 before
  before=$(log_count "command \"$command\"")
  xdotool key "$key"
  wait_log $((before + 1)) "command \"$command\""
}

window_title() {
  xprop -id "$1" _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p'
}

# Prints the id of a visible window of the process with exactly this title.
find_window() {
  local pid=$1 title=$2 wid
  for wid in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
    if [ "$(window_title "$wid")" = "$title" ]; then
      echo "$wid"
      return 0
    fi
  done
  return 1
}

# True when the process shows a window with exactly this title.
window_shown() { find_window "$1" "$2" >/dev/null; }

# Waits for a window of the process with the given title; prints its id.
wait_window() {
  local deadline=$((SECONDS + WAIT_SECONDS))
  until find_window "$1" "$2"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

# Waits for a process started here to end; sets EXIT_STATUS.
wait_exit() {
  local pid=$1
  came_true eval "! kill -0 $pid 2>/dev/null" || return 1
  EXIT_STATUS=0
  wait "$pid" || EXIT_STATUS=$?
}

# Number of lines in the notebook (0 when it does not exist yet).
notebook_lines() { if [ -f "$PROG/data/生词本.txt" ]; then wc -l <"$PROG/data/生词本.txt"; else echo 0; fi; }
has_notebook_lines() { [ "$(notebook_lines)" -ge "$1" ]; }
wait_notebook_lines() { wait_until "the notebook did not reach $1 lines" has_notebook_lines "$1"; }

# A configuration for text-file mode on data/words.txt with a long interval
# (only the test's keys move the cycle), starting at row $1; further
# "[section]" and "key=value" lines may follow as arguments.
write_text_mode_ini() {
  local reci3=$1
  shift
  printf '%s\n' '[Start]' 'First=false' '[sjly]' 'sjms=3' 'wbwj=words.txt' '[timer]' 'jg=1000' "reci3=$reci3" "$@" |
    write_gbk "$PROG/wkcfg.ini"
}

# Review mode from the first start: a study database of the sample words
# beside empty settings (groups 2 and 5 due today), its data source in a
# private odbc.ini.
write_review_folder() {
  export ODBCINI="$E2E_TMP/odbc.ini"
  "$(dirname "$KELPWORD")/kelpword-mkdb" --due 2,5 "$(dirname "${BASH_SOURCE[0]}")/../../data/New_Word.txt" \
    "$PROG/kelp.mdb" >/dev/null
  : >"$PROG/wkcfg.ini"
}

# Writes UTF-8 text to a file as GB18030 with CR LF line ends.
write_gbk() {
  local file=$1
  sed 's/$/\r/' | iconv -f UTF-8 -t GB18030 >"$file"
}

# A sound server of the test's own with two null outputs, "speakers" (the
# default) and "headset"; it lives in the test's runtime folder.
start_pulse() {
  cat >"$E2E_TMP/ci.pa" <<'PA'
load-module module-native-protocol-unix
load-module module-null-sink sink_name=speakers sink_properties=device.description=Speakers
load-module module-null-sink sink_name=headset sink_properties=device.description=Headset
set-default-sink speakers
PA
  pulseaudio -n -F "$E2E_TMP/ci.pa" --daemonize=no --exit-idle-time=-1 --log-level=error 2>"$E2E_TMP/pulse.err" &
  PULSE_PID=$!
  E2E_PIDS+=($!)
  wait_until "the sound server did not start: $(cat "$E2E_TMP/pulse.err" 2>/dev/null)" pactl info >/dev/null 2>&1
}

# Records an output's monitor into a file until stop_recording; sets REC_PID.
start_recording() {
  parec --device="$1.monitor" --raw --format=s16le --channels=1 --rate=16000 --latency-msec=20 >"$2" &
  REC_PID=$!
  E2E_PIDS+=("$REC_PID")
}
stop_recording() { kill -INT "$REC_PID" 2>/dev/null || true; wait "$REC_PID" 2>/dev/null || true; }

# Whether a raw recording holds sound (any sample beyond a whisper).
has_sound() {
  python3 -c 'import sys,struct
d=open(sys.argv[1],"rb").read(); n=len(d)//2
s=struct.unpack("<%dh"%n, d[:2*n]) if n else ()
sys.exit(0 if any(abs(x)>1000 for x in s) else 1)' "$1"
}

# The small word file most runs use: a titled group with a word that has a
# transcription (a) and one without (b); "two" adds a second group (c).
write_sample_words() {
  {
    printf '%s\n' 'Group one' 'a#甲#ei' 'b#乙'
    if [ "${1:-}" = two ]; then printf '%s\n' 'Group two' 'c#丙#si'; fi
  } | write_gbk "$PROG/data/words.txt"
}
