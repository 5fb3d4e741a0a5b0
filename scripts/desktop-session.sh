# Sourced by benchmarks and stress runs: a private X server and sound server
# in a temporary folder, and the trainer started in a program folder there.
#   desktop_session_start TMP   sets DISPLAY, XDG_RUNTIME_DIR, HOME, FONTCONFIG_FILE (a
#                               private font cache); starts Xvfb and a sound server with
#                               one null output ("speakers")
#   desktop_session_trainer BUILD FOLDER OUT   starts the trainer; sets KELP_PID
# Everything started is stopped, and TMP removed, on exit.
desktop_session_start() {
  SESSION_TMP=$1
  export XDG_RUNTIME_DIR="$SESSION_TMP/run" HOME="$SESSION_TMP/home" LANG=C.UTF-8
  mkdir -p -m 700 "$XDG_RUNTIME_DIR"; mkdir -p "$HOME"
  unset QT_QPA_PLATFORM
  # The system's fonts with a font cache of this session's own, built before
  # anything is measured: a stale machine cache cannot slow one run.
  mkdir -p "$SESSION_TMP/fontcache"
  printf '<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">\n<fontconfig>\n<dir>/usr/share/fonts</dir>\n<include ignore_missing="yes">/etc/fonts/conf.d</include>\n<cachedir>%s</cachedir>\n</fontconfig>\n' \
    "$SESSION_TMP/fontcache" >"$SESSION_TMP/fonts.conf"
  export FONTCONFIG_FILE="$SESSION_TMP/fonts.conf"
  fc-cache >/dev/null 2>&1 || true
  printf 'load-module module-native-protocol-unix\nload-module module-null-sink sink_name=speakers\nset-default-sink speakers\n' \
    >"$SESSION_TMP/session.pa"
  pulseaudio -n -F "$SESSION_TMP/session.pa" --daemonize=no --exit-idle-time=-1 --log-level=error &
  SESSION_PIDS=($!)
  Xvfb -displayfd 3 -noreset -screen 0 1280x800x24 -nolisten tcp 3>"$SESSION_TMP/display" 2>/dev/null &
  SESSION_PIDS+=($!)
  trap 'kill "${SESSION_PIDS[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$SESSION_TMP"' EXIT
  for _ in $(seq 100); do [ -s "$SESSION_TMP/display" ] && pactl info >/dev/null 2>&1 && break; sleep 0.05; done
  export DISPLAY=":$(head -n1 "$SESSION_TMP/display")"
}

desktop_session_trainer() {
  (cd "$2" && exec "$1/kelpword") >"$3" 2>&1 &
  KELP_PID=$!
  SESSION_PIDS+=("$KELP_PID")
}
