#!/usr/bin/env bash
# Soak: the trainer steps at a one-second interval with speech on while a
# control command arrives every second, for a while (20 minutes unless
# told). Reports commands that failed, and resident memory and open files
# each minute: both should stay flat.   usage: tests/stress/soak.sh [minutes] [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
minutes=${1:-20}
build=${2:-$root/build}
tmp=$(mktemp -d /tmp/kelp-soak.XXXXXX)
source "$root/scripts/desktop-session.sh"
desktop_session_start "$tmp"
mkdir -p "$tmp/prog/data"
cp "$root/data/New_Word.txt" "$tmp/prog/data/"
printf '[Start]\r\nFirst=false\r\n[sjly]\r\nsjms=3\r\nwbwj=New_Word.txt\r\n[timer]\r\njg=1\r\nreci3=1\r\n[TTS]\r\nindex1=1\r\nindex2=1\r\n' >"$tmp/prog/wkcfg.ini"
desktop_session_trainer "$build" "$tmp/prog" "$tmp/out"
kelp=$KELP_PID
sleep 3

commands=(next pause pause previous next-group previous-group mute mute note next)
sent=0 failed=0
end=$((SECONDS + minutes * 60))
next_report=$SECONDS
while [ "$SECONDS" -lt "$end" ]; do
  if [ "$SECONDS" -ge "$next_report" ]; then
    rss=$(awk '/VmRSS/ {print $2}' "/proc/$kelp/status")
    fds=$(ls "/proc/$kelp/fd" | wc -l)
    echo "minute $(((SECONDS - end + minutes * 60) / 60)): RSS ${rss} kB, open files ${fds}, commands ${sent}, failed ${failed}"
    next_report=$((next_report + 60))
  fi
  cmd=${commands[$((sent % ${#commands[@]}))]}
  "$build/kelpword" "$cmd" 2>>"$tmp/failures" || failed=$((failed + 1))
  sent=$((sent + 1))
  sleep 1
done
kill -0 "$kelp" || { echo "the trainer died"; exit 1; }
echo "soak: $sent commands, $failed reported failed"
[ "$failed" -eq 0 ]
