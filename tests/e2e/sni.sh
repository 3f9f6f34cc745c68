#!/usr/bin/env bash
# The tray of KDE Plasma and of GNOME's AppIndicator extension: a StatusNotifierItem host on the
# session bus instead of an X tray. The icon registers with its title, tooltip and menu, and a
# click through the host opens the panel.
source "$(dirname "$0")/lib.sh"

start_display
/usr/bin/python3 "$(dirname "$0")/sni_host.py" 30 > "$WORK/host.log" 2>&1 &
PIDS+=($!)
poll 200 grep -q watching "$WORK/host.log" || fail "the stand-in host did not start: $(cat "$WORK/host.log")"

"$TOCKLES" &
APP=$!
PIDS+=($APP)
poll 200 grep -q activated "$WORK/host.log" || fail "no item registered or activated: $(cat "$WORK/host.log")"
grep -qx "title Tockles" "$WORK/host.log" || fail "title: $(cat "$WORK/host.log")"
grep -qx "tooltip Tockles" "$WORK/host.log" || fail "tooltip: $(cat "$WORK/host.log")"
grep -qx "icon pixmap" "$WORK/host.log" || fail "icon: $(cat "$WORK/host.log")"
grep -qx "menu Open Tockles|Quit" "$WORK/host.log" || fail "menu: $(cat "$WORK/host.log")"
poll 200 visible_window "$APP" 255 270 || fail "a click through the host did not open the panel"
PANEL=$(visible_window "$APP" 255 270)
eval "$(xdotool getwindowgeometry --shell "$PANEL")"
[ "$WIDTH" -eq 260 ] || fail "panel is $WIDTH px wide"
xdotool key ctrl+q
poll 200 bash -c "! kill -0 $APP 2>/dev/null" || fail "Ctrl+Q did not quit"
echo "StatusNotifierItem end-to-end: passed"
