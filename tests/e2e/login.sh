#!/usr/bin/env bash
# Started at login, before the panel that holds the tray: the icon still lands in the tray once
# it comes, and a fallback window shown meanwhile gives way to it. On an XEmbed tray the icon's
# own pixels show whether a timer runs. Without any display, the program says why it stops.
source "$(dirname "$0")/lib.sh"

# No display at all: the reason on stderr and a failing status, never a silent abort.
rc=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$WORK" "$TOCKLES" 2>"$WORK/no-display.err" || rc=$?
[ "$rc" -ne 0 ] && grep -q "could not connect to display" "$WORK/no-display.err" \
    || fail "without a display: status $rc, said: $(cat "$WORK/no-display.err")"

start_display

# A tray about 3 s late: the icon appears and no window is left.
"$TOCKLES" &
APP=$!
PIDS+=($APP)
sleep 3
start_tray_host
TRAYER=${PIDS[-1]}
poll 100 visible_window "$APP" 16 48 || fail "no tray icon appeared for a late tray"
poll 100 bash -c "! xdotool search --onlyvisible --name '^Tockles$' >/dev/null" || fail "a fallback window remains"
kill "$APP" "$TRAYER"
wait "$APP" "$TRAYER" 2>/dev/null || true

# No tray for long: the window shows after the grace; a tray that then appears takes it over.
"$TOCKLES" &
APP=$!
PIDS+=($APP)
poll 200 visible_window "$APP" 255 300 || fail "no fallback window without a tray"
start_tray_host
poll 100 visible_window "$APP" 16 48 || fail "the tray that appeared later got no icon"
poll 100 bash -c "! xdotool search --onlyvisible --name '^Tockles$' >/dev/null" || fail "the fallback window stayed"
kill -0 "$APP" || fail "the program ended when its window went"

# The running mark, read off the embedded icon.
red_pixels() {
    import -window "$ICON" png:- | convert png:- -fx 'r > 0.7 && g < 0.4 && b < 0.4' -format '%[fx:int(mean*w*h)]' info:
}
marked() { [ "$(red_pixels)" -gt 8 ]; }
unmarked() { [ "$(red_pixels)" -eq 0 ]; }
ICON=$(visible_window "$APP" 16 48)
sleep 0.3 # the tray reports the icon's place only once it has embedded it
unmarked || fail "a running mark while idle"
xdotool mousemove --window "$ICON" 10 10 click 1
poll 100 visible_window "$APP" 255 270 || fail "the panel did not open from the tray"
xdotool key --clearmodifiers Tab
xdotool type --delay 10 "Late"
xdotool key Return ctrl+s Escape
poll 100 marked || fail "no running mark on the tray icon"
[ -n "${TOCKLES_SCREENSHOT_DIR:-}" ] && import -window root "$TOCKLES_SCREENSHOT_DIR/e2e-tracking-xembed.png"
sleep 0.4 # past the guard that keeps the click which closed the panel from reopening it
xdotool mousemove --window "$ICON" 10 10 click 1
poll 100 visible_window "$APP" 255 270 || fail "the panel did not reopen"
xdotool key ctrl+s
poll 100 test -s "$DATA/tockles.json" || fail "no record stored"
poll 100 unmarked || fail "the running mark stayed after stopping"
quit_with_keys "$APP" || fail "Ctrl+Q did not quit"
echo "login end-to-end: passed"
