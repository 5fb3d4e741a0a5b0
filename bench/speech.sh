#!/usr/bin/env bash
# Speech figures under a sound server of the script's own (two null outputs):
# first sound after asking for a word, synthesis per voice, and the start-up
# figures of bench/startup.sh with speech on.
# usage: bench/speech.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
tmp=$(mktemp -d /tmp/kelp-speech-bench.XXXXXX)
export XDG_RUNTIME_DIR="$tmp/run" HOME="$tmp/home"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"; mkdir -p "$HOME"
printf '%s\n' 'load-module module-native-protocol-unix' \
  'load-module module-null-sink sink_name=speakers sink_properties=device.description=Speakers' \
  'load-module module-null-sink sink_name=headset sink_properties=device.description=Headset' \
  'set-default-sink speakers' >"$tmp/ci.pa"
pulseaudio -n -F "$tmp/ci.pa" --daemonize=no --exit-idle-time=-1 --log-level=error &
pulse=$!
trap 'kill $pulse 2>/dev/null; wait $pulse 2>/dev/null; rm -rf "$tmp"' EXIT
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
KELPWORD_SPEECH_MODULE="$build/libkelpword-speech.so" "$build/bench/kelp_speech_probe"
KELP_BENCH_RUNTIME="$XDG_RUNTIME_DIR" "$root/bench/startup.sh" 9 "$build" | tail -n 1 | sed 's/^/with speech on: /'
