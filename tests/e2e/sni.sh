#!/usr/bin/env bash
# The tray of KDE Plasma and of GNOME's AppIndicator extension: a StatusNotifierItem host on the
# session bus instead of an X tray. The item registers with its title, tooltip, named icon and
# menu; a click through the host opens the panel at the point the host gave; while a timer runs
# the icon, tooltip and menu say so, and the menu's entry starts and stops it.
source "$(dirname "$0")/lib.sh"
BUILD=$3

start_display
# Installed, so that the icon theme holds the symbolic icons by name.
cmake --install "$BUILD" --prefix "$WORK/prefix" >/dev/null
export XDG_DATA_DIRS="$WORK/prefix/share:/usr/share"
LOG="$WORK/host.log"
/usr/bin/python3 "$(dirname "$0")/sni_host.py" 60 600 10 > "$LOG" 2>&1 &
HOST=$!
PIDS+=($HOST)
poll 200 grep -q watching "$LOG" || fail "the stand-in host did not start: $(cat "$LOG")"
shows() { grep -qx "$1" "$LOG"; }

"$WORK/prefix/bin/tockles" &
APP=$!
PIDS+=($APP)
poll 200 shows activated || fail "no item registered or activated: $(cat "$LOG")"
for line in "title Tockles" "tooltip Tockles" "iconname tockles-symbolic" "icon pixmap" "mark no" \
    "menu Open Tockles|Start Tracking (disabled)|Quit"; do
    poll 100 shows "$line" || fail "expected '$line': $(cat "$LOG")"
done
poll 200 visible_window "$APP" 255 270 || fail "a click through the host did not open the panel"
PANEL=$(visible_window "$APP" 255 270)
eval "$(xdotool getwindowgeometry --shell "$PANEL")"
[ "$WIDTH" -eq 260 ] || fail "panel is $WIDTH px wide"
# Centred under the point the host passed to Activate(600, 10), whatever the cursor does.
[ "$X" -eq 470 ] && [ "$Y" -eq 15 ] || fail "panel at $X,$Y, not under the activation point"

xdotool key --clearmodifiers Tab
xdotool type --delay 10 "Design"
xdotool key Return
poll 100 shows "menu Open Tockles|Start Tracking|Quit" || fail "menu entry not enabled: $(cat "$LOG")"
kill -USR1 "$HOST"
poll 100 shows "mark yes" || fail "no running mark on the icon: $(cat "$LOG")"
poll 100 shows "iconname tockles-tracking-symbolic" || fail "icon name while tracking: $(cat "$LOG")"
poll 100 shows "menu Open Tockles|Stop (Design)|Quit" || fail "menu while tracking: $(cat "$LOG")"
poll 100 shows "tooltip Tockles — Design 00:00:00" || fail "tooltip while tracking: $(cat "$LOG")"
poll 100 shows "tooltip Tockles — Design 00:00:01" || fail "the tooltip does not tick: $(cat "$LOG")"
kill -USR1 "$HOST"
poll 100 test -s "$DATA/tockles.json" || fail "stopping from the menu stored no record"
grep -q '"projectName":"Design"' "$DATA/tockles.json" || fail "record: $(cat "$DATA/tockles.json")"
poll 100 bash -c "tail -n 6 '$LOG' | grep -qx 'mark no'" || fail "the mark stayed: $(cat "$LOG")"
[ "$(grep '^tooltip' "$LOG" | tail -n 1)" = "tooltip Tockles" ] || fail "tooltip after stopping: $(cat "$LOG")"

quit_with_keys "$APP" || fail "Ctrl+Q did not quit"
echo "StatusNotifierItem end-to-end: passed"
