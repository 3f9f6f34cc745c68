#!/usr/bin/env bash
# The real program in a real tray: click the icon, add a project, track, quit, read the files.
source "$(dirname "$0")/lib.sh"

start_display
start_tray_host

"$TOCKLES" &
APP=$!
PIDS+=($APP)

poll 100 visible_window "$APP" 16 48 || fail "no tray icon appeared"
ICON=$(visible_window "$APP" 16 48)
sleep 0.3 # the tray reports the icon's place only once it has embedded it
xdotool mousemove --window "$ICON" 10 10 click 1
poll 100 visible_window "$APP" 255 270 || fail "the panel did not open"
PANEL=$(visible_window "$APP" 255 270)
eval "$(xdotool getwindowgeometry --shell "$PANEL")"
[ "$WIDTH" -eq 260 ] || fail "panel is $WIDTH px wide"
[ "$Y" -ge 20 ] && [ "$Y" -le 40 ] || fail "panel not under the top tray (y=$Y)"

import -window root "$WORK/open.png"
[ "$(identify -format '%w %h' "$WORK/open.png")" = "1024 768" ] || fail "screenshot size"
# The panel is drawn in the window colour, not the black of the empty screen.
PIXEL=$(convert "$WORK/open.png" -format "%[fx:int(255*p{$((X + 130)),$((Y + HEIGHT - 10))}.r)]" info:)
[ "$PIXEL" -gt 100 ] || fail "panel area is dark ($PIXEL)"
[ -n "${TOCKLES_SCREENSHOT_DIR:-}" ] && cp "$WORK/open.png" "$TOCKLES_SCREENSHOT_DIR/e2e-open.png"

# The panel holds the focus; Tab reaches the text field, the first control shown.
xdotool key --clearmodifiers Tab
xdotool type --delay 10 "E2E Project/1"
xdotool key Return
poll 100 test -s "$DATA/projects.json" || fail "projects.json not written"
[ "$(cat "$DATA/projects.json")" = '["E2E Project\/1"]' ] || fail "projects.json: $(cat "$DATA/projects.json")"

xdotool key ctrl+s
sleep 0.3
xdotool key ctrl+s
poll 100 test -s "$DATA/tockles.json" || fail "tockles.json not written"
grep -q '"projectName":"E2E Project\\/1"' "$DATA/tockles.json" || fail "record: $(cat "$DATA/tockles.json")"

# Escape closes the panel; a second launch shows it again and ends at once.
xdotool key Escape
poll 100 bash -c "! xdotool search --onlyvisible --pid $APP | grep -qx $PANEL" || fail "Escape left the panel open"
"$TOCKLES"
poll 100 visible_window "$APP" 255 270 || fail "a second launch did not show the panel"
grep -c '"id"' "$DATA/tockles.json" | grep -qx 1 || fail "the second launch touched the records"

quit_with_keys "$APP" || fail "Ctrl+Q did not quit"
wait "$APP" || fail "exit status $?"
python3 - "$DATA/tockles.json" <<'PY' || fail "record contents"
import json, sys
records = json.load(open(sys.argv[1]))
assert len(records) == 1, records
r = records[0]
assert list(r) == ["id", "projectName", "startTime", "endTime", "duration"], r
assert r["duration"] == r["endTime"] - r["startTime"] and 0.2 < r["duration"] < 10, r
PY
echo "tray end-to-end: passed"
