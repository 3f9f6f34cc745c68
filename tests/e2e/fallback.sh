#!/usr/bin/env bash
# No tray host: the panel lives in a plain window. One instance at a time, and a crashed one's
# lock does not block the next start.
source "$(dirname "$0")/lib.sh"

start_display

"$TOCKLES" &
FIRST=$!
PIDS+=($FIRST)
poll 100 visible_window "$FIRST" 255 300 || fail "no fallback window"
WIN=$(visible_window "$FIRST" 255 300)
[ "$(xdotool getwindowname "$WIN")" = "Tockles" ] || fail "window title: $(xdotool getwindowname "$WIN")"
ls -A "$XDG_RUNTIME_DIR" | grep -q '^tockles-' || fail "the instance socket is not in XDG_RUNTIME_DIR"
[ -n "${TOCKLES_SCREENSHOT_DIR:-}" ] && import -window root "$TOCKLES_SCREENSHOT_DIR/e2e-fallback.png"

xdotool mousemove --window "$WIN" 130 5
xdotool windowfocus --sync "$WIN"
xdotool key --clearmodifiers Tab
xdotool type --delay 10 "Solo"
xdotool key Return
poll 100 test -s "$DATA/projects.json" || fail "projects.json not written"
BEFORE=$(sha1sum "$DATA/projects.json")
# A lock held for a long time by a live instance is not stale.
touch -d '1 hour ago' "$DATA/tockles.lock"

"$TOCKLES" &
SECOND=$!
poll 100 bash -c "! kill -0 $SECOND" || fail "second launch kept running"
wait "$SECOND" || fail "second launch exited with $?"
kill -0 "$FIRST" || fail "first instance died"
[ "$(sha1sum "$DATA/projects.json")" = "$BEFORE" ] || fail "second launch touched the files"
[ "$(ls "$DATA")" = "$(printf 'projects.json\ntockles.lock')" ] || fail "data folder holds: $(ls "$DATA")"

# A crash leaves its lock file behind; the next start must not be blocked by it.
kill -9 "$FIRST"
wait "$FIRST" 2>/dev/null || true
[ -e "$DATA/tockles.lock" ] || fail "expected a stale lock to test with"
"$TOCKLES" &
THIRD=$!
PIDS+=($THIRD)
poll 100 visible_window "$THIRD" 255 300 || fail "a stale lock blocked the start"
WIN=$(visible_window "$THIRD" 255 300)
xdotool mousemove --window "$WIN" 130 5
xdotool windowfocus --sync "$WIN"
xdotool key ctrl+q
poll 100 bash -c "! kill -0 $THIRD" || fail "Ctrl+Q did not quit the window"
wait "$THIRD" || fail "exit status $?"
[ "$(cat "$DATA/projects.json")" = '["Solo"]' ] || fail "projects.json: $(cat "$DATA/projects.json")"
echo "fallback end-to-end: passed"
