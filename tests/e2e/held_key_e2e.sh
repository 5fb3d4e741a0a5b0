#!/usr/bin/env bash
# Another program already holds the Right arrow: the trainer starts all the
# same, says so on stderr only, and its other keys work. When the desktop
# session ends (the X server goes away) the resume row is still kept.
source "$(dirname "$0")/lib.sh"
GRAB_KEY=${GRAB_KEY:?path to the grab_key helper}

start_xvfb
for i in $(seq 12); do echo "w$i#m$i"; done | write_gbk "$PROG/data/words.txt"
write_text_mode_ini 5

"$GRAB_KEY" >"$E2E_TMP/grab.out" &
E2E_PIDS+=($!)
wait_until "the helper could not grab Right" grep -q ready "$E2E_TMP/grab.out"

start_kelpword
wait_ready
grep -q 'another program holds the hot key' "$OUT" || fail "the held key was not reported on stderr"
window_shown "$KELP_PID" "提示" && fail "the held key was reported to the learner"

# Left still works: rows 5 -> 4 (headers on rows 1 and 12 shift the words by one).
press alt+x pause
press Left previousItem
press alt+d addToNotebook
wait_notebook_lines 1
printf 'w3#m3#\n' | write_gbk "$E2E_TMP/expected.txt"
cmp -s "$E2E_TMP/expected.txt" "$PROG/data/生词本.txt" || fail "the other hot keys did not work"

# The session ends: the X server goes away under the running trainer.
kill "${E2E_PIDS[0]}"
wait "${E2E_PIDS[0]}" 2>/dev/null || true
wait_exit "$KELP_PID" || fail "kelpword kept running without its X server"
grep -q $'^reci3=4\r$' "$PROG/wkcfg.ini" || { cat "$PROG/wkcfg.ini" >&2; fail "the resume row was lost with the session"; }
echo "1 passed, 0 failed"
