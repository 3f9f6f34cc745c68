#!/usr/bin/env bash
# The panel through AT-SPI, as a screen reader sees it: at-spi2-core on the private session bus,
# Debian's Python with pyatspi as the assistive tool, the panel opened from the tray.
source "$(dirname "$0")/lib.sh"

start_display
start_tray_host
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
"$TOCKLES" &
APP=$!
PIDS+=($APP)
poll 100 visible_window "$APP" 16 48 || fail "no tray icon"
ICON=$(visible_window "$APP" 16 48)
sleep 0.3 # the tray reports the icon's place only once it has embedded it
xdotool mousemove --window "$ICON" 10 10 click 1
poll 100 visible_window "$APP" 255 270 || fail "the panel did not open from the tray"
timeout 60 /usr/bin/python3 "$(dirname "$0")/screen_reader.py" > "$WORK/reader.log" || fail "$(cat "$WORK/reader.log")"
grep -q '^row Spoken Project: 00:00:0' "$WORK/reader.log" || fail "totals row: $(cat "$WORK/reader.log")"
poll 100 test -s "$DATA/tockles.json" || fail "no record stored"
grep -q '"projectName":"Spoken Project"' "$DATA/tockles.json" || fail "record: $(cat "$DATA/tockles.json")"
[ "$(cat "$DATA/projects.json")" = '["Spoken Project"]' ] || fail "projects: $(cat "$DATA/projects.json")"
echo "accessibility end-to-end: passed ($(head -1 "$WORK/reader.log"))"
