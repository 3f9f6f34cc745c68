#!/usr/bin/env bash
# A real panel, dark and light: Xfce's, whose systray hosts our StatusNotifierItem. The item
# registers with it, the panel draws the icon, and the running mark shows in its row.
source "$(dirname "$0")/lib.sh"

# red_in_bar: pixels of the panel's row (the top 28 px) that are clearly red: the running mark.
red_in_bar() {
    import -window root -crop 1024x28+0+0 png:- \
        | convert png:- -fx 'r > 0.7 && g < 0.4 && b < 0.4' -format '%[fx:int(mean*w*h)]' info:
}
marked() { [ "$(red_in_bar)" -gt 8 ]; }
registered() {
    gdbus call --session --dest org.kde.StatusNotifierWatcher --object-path /StatusNotifierWatcher \
        --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems \
        | grep -q StatusNotifierItem
}

for dark in true false; do
    start_display
    start_xfce_panel "$dark"
    mkdir -p "$DATA"
    printf '["Design"]' >"$DATA/projects.json"
    "$TOCKLES" &
    APP=$!
    PIDS+=($APP)
    poll 200 registered || fail "the item did not register with xfce4-panel (dark $dark)"
    [ "$(red_in_bar)" -eq 0 ] || fail "a running mark while idle (dark $dark)"
    # Open the panel as the tray does, start tracking, close it again.
    SERVICE=$(gdbus call --session --dest org.kde.StatusNotifierWatcher --object-path /StatusNotifierWatcher \
        --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems \
        | grep -o "':[0-9.]*" | tr -d "'")
    gdbus call --session --dest "$SERVICE" --object-path /StatusNotifierItem \
        --method org.kde.StatusNotifierItem.Activate 900 20 >/dev/null || fail "Activate failed (dark $dark)"
    poll 100 visible_window "$APP" 255 270 || fail "Activate did not open the panel (dark $dark)"
    # A key sent as the pop-up maps may come before its keyboard grab: send again until it starts.
    for try in 1 2 3 4 5; do
        xdotool key ctrl+s
        poll 20 marked && break
    done
    marked || fail "the panel drew no running mark (dark $dark)"
    xdotool key Escape
    if [ -n "${TOCKLES_SCREENSHOT_DIR:-}" ]; then
        # With the tooltip, shown while the pointer rests on the icon (left of the red mark).
        MARK_X=$(import -window root -crop 1024x28+0+0 png:- | convert png:- -fx 'r > 0.7 && g < 0.4 && b < 0.4' \
            -trim -format '%X' info: | tr -d +)
        xdotool mousemove $((MARK_X - 6)) 12
        sleep 1.5
        import -window root -crop 420x90+604+0 "$TOCKLES_SCREENSHOT_DIR/tray-tracking-$([ "$dark" = true ] && echo dark || echo light).png"
    fi
    kill "$APP" || fail "the program ended on its own (dark $dark)"
    wait "$APP" 2>/dev/null || true
    cleanup
    PIDS=()
    WORK=$(mktemp -d)
    DATA="$WORK/home/.local/share/Tockles"
done
echo "real panel end-to-end: passed"
