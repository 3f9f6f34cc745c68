#!/usr/bin/env bash
# A Wayland session: weston, nested in the private X server so that input can be sent to it,
# with a StatusNotifierItem host. With XWayland the panel opens at the point the host passed to
# Activate(x, y) and closes on Escape or a click elsewhere; without it the panel is a decorated
# window titled "Tockles" that the user can move.
source "$(dirname "$0")/lib.sh"

start_display
# start_weston SOCKET [--xwayland]
start_weston() {
    weston --backend=x11-backend.so --use-pixman --width=1024 --height=768 --socket="$1" --idle-time=0 \
        ${2:-} >"$WORK/weston-$1.log" 2>&1 &
    WESTON=$!
    PIDS+=($WESTON)
    poll 200 test -S "$XDG_RUNTIME_DIR/$1" || fail "weston did not start"
}
start_weston tockles-wl --xwayland
poll 100 grep -q "xserver listening on display" "$WORK/weston-tockles-wl.log" || fail "weston has no XWayland"
XWAYLAND=:$(sed -n 's/.*xserver listening on display :\([0-9]*\).*/\1/p' "$WORK/weston-tockles-wl.log" | head -n 1)
/usr/bin/python3 "$(dirname "$0")/sni_host.py" 60 600 10 >"$WORK/host.log" 2>&1 &
HOST=$!
PIDS+=($HOST)
poll 200 grep -q watching "$WORK/host.log" || fail "the stand-in host did not start"

# light X Y: whether the pixel of the session's screen at X,Y is the panel's light grey.
light() {
    [ "$(import -window root -crop "1x1+$1+$2" png:- | convert png:- -format '%[fx:int(255*r)]' info:)" -gt 220 ]
}

# As the session starts it: WAYLAND_DISPLAY and DISPLAY set, no platform chosen.
env -u QT_QPA_PLATFORM WAYLAND_DISPLAY=tockles-wl DISPLAY="$XWAYLAND" "$TOCKLES" &
APP=$!
PIDS+=($APP)
poll 200 grep -q activated "$WORK/host.log" || fail "no item registered: $(cat "$WORK/host.log")"
DISPLAY=$XWAYLAND poll 200 visible_window "$APP" 255 270 || fail "the panel did not open under XWayland"
# Centred under (600, 10): from x 470 to 729, drawn over the background around it.
poll 100 light 475 150 || fail "no panel at the activation point"
light 724 150 && ! light 462 150 && ! light 737 150 || fail "the panel is not where the host clicked"
[ -n "${TOCKLES_SCREENSHOT_DIR:-}" ] && import -window root "$TOCKLES_SCREENSHOT_DIR/e2e-xwayland.png"
xdotool key Escape
DISPLAY=$XWAYLAND poll 100 bash -c "! xdotool search --onlyvisible --pid $APP" || fail "Escape left the panel open"
# The session ending (SIGTERM) ends the program as Quit does.
kill "$APP"
wait "$APP" || fail "SIGTERM: exit status $?"
kill "$WESTON"
wait "$WESTON" 2>/dev/null || true

# No XWayland: a window of its own, decorated and titled, that the user can drag.
start_weston tockles-wl-only
env -u QT_QPA_PLATFORM -u DISPLAY WAYLAND_DISPLAY=tockles-wl-only WAYLAND_DEBUG=1 "$TOCKLES" 2>"$WORK/wayland.log" &
APP=$!
PIDS+=($APP)
kill "$HOST"
/usr/bin/python3 "$(dirname "$0")/sni_host.py" 60 600 10 >"$WORK/host2.log" 2>&1 &
PIDS+=($!)
poll 200 grep -q activated "$WORK/host2.log" || fail "no item registered on Wayland: $(cat "$WORK/host2.log")"
poll 100 grep -q 'xdg_toplevel@[0-9]*\.set_title("Tockles")' "$WORK/wayland.log" || fail "no window titled Tockles"
! grep -q "xdg_popup" "$WORK/wayland.log" || fail "the panel became a frameless pop-up"
[ -n "${TOCKLES_SCREENSHOT_DIR:-}" ] && import -window root "$TOCKLES_SCREENSHOT_DIR/e2e-wayland.png"
# The pointer's place on the window, as the compositor tells it (the screenshot may lag).
pointer_lines() { grep -cE 'wl_pointer@[0-9]+\.(enter|motion)\(' "$WORK/wayland.log" || true; }
pointer_moved() { [ "$(pointer_lines)" -gt "$1" ]; }
pointer_at() {
    grep -E 'wl_pointer@[0-9]+\.(enter|motion)\(' "$WORK/wayland.log" | tail -n 1 \
        | grep -oE '[-0-9.]+, [-0-9.]+\)$' | tr -d ',)' | awk '{ printf "%d %d\n", $1, $2 }'
}
# point_to TRIES COMMAND...: moves the pointer; true once the window has been told.
point_to() {
    local tries=$1 before
    shift
    before=$(pointer_lines)
    xdotool "$@"
    poll "$tries" pointer_moved "$before" || return 1
    read -r PX PY < <(pointer_at)
}
# The compositor places a new window where it likes: find it with the pointer.
found=
for y in 150 350 550 700; do
    for x in 100 300 500 700 900; do
        point_to 10 mousemove $x $y && { found=1; break 2; }
    done
done
[ -n "$found" ] || fail "the window is nowhere under the pointer"
# Onto the title bar, 60 px from the left and 10 px from the top of the window's surface.
point_to 100 mousemove_relative -- $((60 - PX)) $((10 - PY)) || fail "the pointer left the window"
[ "$PX $PY" = "60 10" ] || fail "pointer at $PX,$PY on the window"
xdotool mousedown 1
for step in 1 2 3 4 5; do
    sleep 0.1 # each step an event of its own for the compositor's move
    xdotool mousemove_relative 40 40
done
sleep 0.1
xdotool mouseup 1
poll 100 grep -qE 'xdg_toplevel@[0-9]+\.move\(' "$WORK/wayland.log" || fail "the title bar did not start a move"
# The window went with the pointer: the same spot of it lies under the pointer still.
point_to 100 mousemove_relative 1 1 || fail "the window did not follow the drag"
[ "$PX $PY" = "61 11" ] || fail "after the drag the pointer is at $PX,$PY on the window, not 61,11"
xdotool key Escape
poll 100 grep -q 'xdg_toplevel@[0-9]*\.destroy()' "$WORK/wayland.log" || fail "Escape did not close the window"
echo "Wayland end-to-end: passed"
