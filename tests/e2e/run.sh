#!/usr/bin/env bash
# run.sh SCENARIO TOCKLES TRAY_OWNER [BUILD]: the real program on a private X server and session
# bus with fresh data folders, run the way people run it. Every wait polls with a bound; every
# process ends by its PID on exit.
set -eEuo pipefail
SCENARIO=$1 TOCKLES=$2 TRAY_OWNER=$3 BUILD=${4:-}
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
WORK=$(mktemp -d)
DATA="$WORK/home/.local/share/Tockles"
PIDS=()

cleanup() {
    local pid
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
    [ -n "${DBUS_SESSION_BUS_PID:-}" ] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null || true
    # Services the bus started (xfconfd) may still be writing their last files as they end.
    for _ in 1 2 3 4 5 6 7 8 9 10; do rm -rf "$WORK" 2>/dev/null && return 0; sleep 0.1; done
}
trap cleanup EXIT

fail() {
    echo "FAIL ($SCENARIO): $*" >&2
    tail -n 5 "$WORK"/*.log >&2 2>/dev/null || true
    exit 1
}

# Nothing ends the run without saying where.
trap 'fail "line $LINENO: $BASH_COMMAND"' ERR

# poll TRIES COMMAND...: runs COMMAND every 50 ms until it succeeds.
poll() {
    local tries=$1 i
    shift
    for ((i = 0; i < tries; i++)); do
        if "$@" >/dev/null 2>&1; then return 0; fi
        sleep 0.05
    done
    return 1
}
gone() { ! kill -0 "$1" 2>/dev/null; }
# capture COMMAND...: like poll, and prints what COMMAND printed when it succeeded.
capture() { local i; for ((i = 0; i < 100; i++)); do "$@" && return 0; sleep 0.05; done; return 1; }

# Xvfb -displayfd can hand two servers started at once the same number; a random number whose
# lock file names our own server cannot be shared. Without -noreset the server resets whenever
# its last client leaves, and refuses connections while it does.
start_display() {
    local n pid
    unset DISPLAY
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        n=$((RANDOM % 800 + 100))
        [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >"$WORK/xvfb.log" 2>&1 &
        pid=$!
        if poll 100 grep -qw "$pid" "/tmp/.X$n-lock" && DISPLAY=":$n" poll 100 xdotool getdisplaygeometry \
            && kill -0 "$pid" 2>/dev/null; then
            PIDS+=($pid)
            export DISPLAY=":$n"
            break
        fi
        kill "$pid" 2>/dev/null || true
    done
    [ -n "${DISPLAY:-}" ] || fail "Xvfb did not start"
    export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$WORK/runtime" HOME="$WORK/home" \
        XDG_DATA_HOME="$WORK/home/.local/share" XDG_CONFIG_HOME="$WORK/home/.config"
    mkdir -p "$XDG_RUNTIME_DIR" "$HOME/Documents"
    chmod 700 "$XDG_RUNTIME_DIR"
    eval "$(dbus-launch --sh-syntax)"
}

start_tray_host() {
    NO_AT_BRIDGE=1 trayer --edge top --align right --widthtype request --height 24 >"$WORK/trayer.log" 2>&1 &
    PIDS+=($!)
    "$TRAY_OWNER" 20000 || fail "the tray host did not take the tray selection"
}

# start_panel DARK: a real Xfce panel along the top, dark or light (true/false); its systray is
# both an XEmbed tray and a StatusNotifierItem host.
start_panel() {
    local conf="$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml" light
    mkdir -p "$conf"
    # Without a GTK theme the panel is dark either way; a light one gets its colour set.
    light='<property name="background-style" type="uint" value="1"/><property name="background-rgba" type="array"><value type="double" value="0.94"/><value type="double" value="0.94"/><value type="double" value="0.94"/><value type="double" value="1"/></property>'
    [ "$1" = true ] && light=''
    sed -e 's/POSITION/p=6;x=0;y=0/' -e "s/DARK/$1/" -e 's/SIZE/28/' -e "s|\(<property name=\"size\".*\)|\1$light|" \
        "$HERE/xfce4-panel.xml" >"$conf/xfce4-panel.xml"
    NO_AT_BRIDGE=1 xfce4-panel --disable-wm-check >"$WORK/panel.log" 2>&1 &
    PIDS+=($!)
    "$TRAY_OWNER" 20000 || fail "the Xfce panel did not take the tray selection"
}
# start_installed_panel DARK: Tockles installed before the panel starts, so that the panel finds
# its symbols by name as on a real system.
start_installed_panel() {
    cmake --install "$BUILD" --prefix "$WORK/prefix" >/dev/null
    export XDG_DATA_DIRS="$WORK/prefix/share:/usr/share"
    TOCKLES="$WORK/prefix/bin/tockles"
    start_panel "$1"
}
# The item as the panel's host sees it (item.py); shows LINE waits until it reads LINE.
item() { /usr/bin/python3 "$HERE/item.py" "$@"; }
shows() { poll 100 bash -c "/usr/bin/python3 '$HERE/item.py' | grep -qxF '$1'" || fail "expected '$1': $(item 2>&1)"; }
activate() { poll 200 item || fail "no item registered"; item --activate 600 10 >/dev/null; }

launch() {
    "$TOCKLES" "$@" &
    APP=$!
    PIDS+=($APP)
}

# visible_window PID MIN_WIDTH MAX_WIDTH: the first visible window of PID within the widths.
visible_window() {
    local id geometry WIDTH HEIGHT X Y SCREEN WINDOW
    for id in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        # A window may go between the search and this question.
        geometry=$(xdotool getwindowgeometry --shell "$id" 2>/dev/null) || continue
        eval "$geometry"
        if [ "$WIDTH" -ge "$2" ] && [ "$WIDTH" -le "$3" ]; then echo "$id"; return 0; fi
    done
    return 1
}
panel_open() { visible_window "$APP" 255 270; }
panel_closed() { ! panel_open; }
# The tray tells the icon where it is only once it has embedded it: at the top right.
embedded_icon() {
    local id geometry X Y WIDTH HEIGHT SCREEN WINDOW
    id=$(visible_window "$APP" 16 48) && geometry=$(xdotool getwindowgeometry --shell "$id" 2>/dev/null) \
        && eval "$geometry" && [ "$X" -gt 500 ] && echo "$id"
}
# open_from_tray: clicks the tray icon until the panel shows (a click may land as it docks).
open_from_tray() {
    local icon
    poll 200 embedded_icon || fail "no tray icon"
    for _ in 1 2 3 4 5; do
        # The tray may still be moving the icon as it docks: ask again each time.
        icon=$(embedded_icon) && { panel_open >/dev/null || xdotool mousemove --window "$icon" 10 10 click 1; }
        poll 40 panel_open && return 0
    done
    fail "the panel did not open from the tray"
}
focus() { xdotool mousemove --window "$1" 130 5 && xdotool windowfocus --sync "$1"; }
# add_project NAME: typed into the panel that has the focus; Tab reaches the field first.
add_project() {
    xdotool key --clearmodifiers Tab
    xdotool type --delay 10 "$1"
    xdotool key Return
    poll 100 grep -qF "\"${1//\//\\/}\"" "$DATA/projects.json" || fail "project $1 not saved"
}
records() { python3 -c 'import json,sys; print(len(json.load(open(sys.argv[1]))))' "${1:-$DATA/tockles.json}" 2>/dev/null || echo 0; }
has_records() { [ "$(records "${2:-}")" -ge "$1" ]; }
quit_with_keys() { xdotool key ctrl+q; poll 100 gone "$APP" || fail "Ctrl+Q did not quit"; wait "$APP" || fail "exit status $?"; }
# measure ARGS...: what ImageMagick says of the PNG on stdin (ImageMagick 7 may print more than that one line).
measure() { convert png:- "$@" info: | tail -n 1; }
red_pixels() { import -window "$1" ${2:+-crop "$2"} png:- | measure -fx 'r > 0.7 && g < 0.4 && b < 0.4' -format '%[fx:int(mean*w*h)]'; }
export -f measure red_pixels # polled through bash -c

# Click the icon, add a project, track, close, second launch while another program holds the
# keyboard, quit, read the files.
scenario_tray() {
    start_display
    start_tray_host
    launch
    open_from_tray
    local PANEL WIDTH HEIGHT X Y SCREEN WINDOW
    PANEL=$(panel_open)
    eval "$(xdotool getwindowgeometry --shell "$PANEL" || echo fail "the panel went away")"
    [ "$WIDTH" -eq 260 ] && [ "$Y" -ge 20 ] && [ "$Y" -le 40 ] || fail "panel ${WIDTH}px wide at y=$Y, not under the top tray"
    # Drawn in the window colour, not the black of the empty screen.
    [ "$(import -window root -crop "1x1+$((X + 130))+$((Y + HEIGHT - 10))" png:- | measure -format '%[fx:int(255*r)]')" -gt 100 ] \
        || fail "panel area is dark"
    add_project "E2E Project/1"
    [ "$(cat "$DATA/projects.json")" = '["E2E Project\/1"]' ] || fail "projects.json: $(cat "$DATA/projects.json")"
    xdotool key ctrl+s ctrl+s
    poll 100 has_records 1 || fail "tockles.json not written"
    xdotool key Escape
    poll 100 bash -c "! xdotool search --onlyvisible --pid $APP | grep -qx $PANEL" || fail "Escape left the panel open"
    # A host's menu may still hold the keyboard as it asks for the panel (Enlightenment's does):
    # the panel takes it once it is free, or no key would ever reach it.
    local hold="${TRAY_OWNER%/*}/hold_grab" holder
    "$hold" >"$WORK/hold" &
    holder=$!
    PIDS+=($holder)
    poll 100 grep -qx held "$WORK/hold" || fail "could not hold the keyboard"
    "$TOCKLES" # a second launch shows the panel and ends at once
    poll 100 panel_open || fail "a second launch did not show the panel"
    kill "$holder"
    poll 100 bash -c "! '$hold' free" || fail "the panel did not take the keyboard once it was free"
    quit_with_keys
    python3 - "$DATA/tockles.json" <<'PY' || fail "records: $(cat "$DATA/tockles.json")"
import json, sys
records = json.load(open(sys.argv[1]))
assert len(records) == 1, records
r = records[0]
assert list(r) == ["id", "projectName", "startTime", "endTime", "duration"] and r["projectName"] == "E2E Project/1", r
assert r["duration"] == r["endTime"] - r["startTime"] and 0 <= r["duration"] < 600, r
PY
}

# No tray: a plain window. One instance at a time; a crashed one's lock does not block the next.
# Saves that fail are told without a tray too.
scenario_fallback() {
    start_display
    launch
    local first=$APP win before
    poll 200 visible_window "$first" 255 300 || fail "no fallback window"
    win=$(visible_window "$first" 255 300)
    [ "$(xdotool getwindowname "$win")" = "Tockles" ] || fail "window title: $(xdotool getwindowname "$win")"
    ls -A "$XDG_RUNTIME_DIR" | grep -q '^tockles-' || fail "the instance socket is not in XDG_RUNTIME_DIR"
    focus "$win"
    add_project "Solo"
    before=$(sha1sum "$DATA/projects.json")
    touch -d '1 hour ago' "$DATA/tockles.lock" # an old lock of a live instance is not stale
    "$TOCKLES" || fail "a second launch ended with $?"
    kill -0 "$first" || fail "the first instance died"
    [ "$(sha1sum "$DATA/projects.json")" = "$before" ] || fail "the second launch touched the files"
    [ "$(ls "$DATA")" = "$(printf 'projects.json\ntockles.lock')" ] || fail "data folder holds: $(ls "$DATA")"
    kill -9 "$first"
    wait "$first" 2>/dev/null || true
    launch
    poll 200 visible_window "$APP" 255 300 || fail "a stale lock blocked the start"
    win=$(visible_window "$APP" 255 300)
    focus "$win"
    # With no tray, saves that fail are told by a notification and the window's title.
    cannot_save
    xdotool key ctrl+s ctrl+s
    poll 100 grep -q "Tockles cannot save" "$WORK/notify.log" || fail "no notification: $(cat "$WORK/notify.log")"
    [ "$(xdotool getwindowname "$win")" = "Tockles (not saved)" ] || fail "title: $(xdotool getwindowname "$win")"
    rm "$DATA" && mv "$DATA.away" "$DATA"
    poll 400 has_records 1 || fail "the retry did not save"
    poll 100 bash -c "[ \"\$(xdotool getwindowname $win)\" = Tockles ]" || fail "title: $(xdotool getwindowname "$win")"
    # Quit while they still fail: the next start saves them.
    mv "$DATA" "$DATA.away" && : >"$DATA"
    xdotool key ctrl+s ctrl+s
    poll 100 bash -c "[ \"\$(xdotool getwindowname $win)\" != Tockles ]" || fail "the failed save was not told"
    quit_with_keys
    rm "$DATA" && mv "$DATA.away" "$DATA"
    [ "$(records)" -eq 1 ] || fail "records before the next start: $(records)"
    launch
    poll 200 has_records 2 || fail "the next start did not save what Quit could not"
    poll 200 visible_window "$APP" 255 300 || fail "no window"
    win=$(visible_window "$APP" 255 300)
    focus "$win"
    # The display going while they fail (XWayland as a Wayland session ends): kept all the same.
    mv "$DATA" "$DATA.away" && : >"$DATA"
    xdotool key ctrl+s ctrl+s
    poll 100 bash -c "[ \"\$(xdotool getwindowname $win)\" != Tockles ]" || fail "the failed save was not told"
    kill "${PIDS[0]}" # the X server
    local status=0
    wait "$APP" || status=$?
    [ "$status" -eq 1 ] || fail "exit status $status as the display went"
    rm "$DATA" && mv "$DATA.away" "$DATA"
    [ "$(cat "$DATA/projects.json")" = '["Solo"]' ] || fail "projects.json: $(cat "$DATA/projects.json")"
    kill "$DBUS_SESSION_BUS_PID"
    start_display
    launch
    poll 200 has_records 3 || fail "what was unsaved as the display went is lost"
}

# Two launches at the same moment, twenty times: one runs, the other ends with status 0, and
# every interval stopped in the survivor is in the file.
scenario_race() {
    start_display
    mkdir -p "$DATA"
    printf '["Race"]' >"$DATA/projects.json"
    local round a b
    for ((round = 1; round <= 20; round++)); do
        "$TOCKLES" & a=$!
        "$TOCKLES" & b=$!
        poll 200 bash -c "! kill -0 $a 2>/dev/null || ! kill -0 $b 2>/dev/null" || fail "round $round: both kept running"
        if kill -0 "$a" 2>/dev/null; then APP=$a; else APP=$b; b=$a; fi
        PIDS+=($APP)
        wait "$b" || fail "round $round: the second launch ended with status $?"
        poll 200 visible_window "$APP" 255 300 || fail "round $round: the survivor shows no panel"
        focus "$(visible_window "$APP" 255 300)"
        xdotool key ctrl+s ctrl+s
        poll 200 has_records "$round" || fail "round $round: the file holds $(records) records"
        quit_with_keys
    done
}

# At login: no display at all says why; a tray coming after the program gets the icon, and a
# fallback window shown meanwhile gives way to it. The XEmbed icon's pixels show a running timer.
scenario_login() {
    local rc=0
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$WORK" "$TOCKLES" 2>"$WORK/no-display.err" || rc=$?
    [ "$rc" -ne 0 ] && grep -q "could not connect to display" "$WORK/no-display.err" \
        || fail "without a display: status $rc, said: $(cat "$WORK/no-display.err")"
    start_display
    launch
    poll 200 visible_window "$APP" 255 300 || fail "no fallback window without a tray"
    start_tray_host
    poll 100 visible_window "$APP" 16 48 || fail "the tray that appeared later got no icon"
    poll 100 bash -c "! xdotool search --onlyvisible --name '^Tockles$'" || fail "the fallback window stayed"
    local icon
    open_from_tray
    icon=$(capture embedded_icon) || fail "the icon left the tray"
    [ "$(red_pixels "$icon")" -eq 0 ] || fail "a running mark while idle"
    add_project "Late"
    xdotool key ctrl+s Escape
    poll 100 bash -c "[ \$(red_pixels $icon) -gt 8 ]" || fail "no running mark on the tray icon"
    open_from_tray
    xdotool key ctrl+s
    poll 100 has_records 1 || fail "no record stored"
    poll 100 bash -c "[ \$(red_pixels $icon) -eq 0 ]" || fail "the running mark stayed after stopping"
    quit_with_keys
}

# Xfce's session manager, which restores the last session's programs at login: with the
# autostart entry on, Tockles stays out of the saved session, so the login does not start it a
# second time (that start would open the panel unasked); switched off, the session keeps it.
scenario_session() {
    start_display
    local entry="$XDG_CONFIG_HOME/autostart/tockles.desktop" session
    mkdir -p "${entry%/*}"
    sed "s|^Exec=.*|Exec=$TOCKLES|" "$HERE/../../resources/tockles.desktop" >"$entry"
    # Saved at logout: Xfce 4.18's default, a setting since 4.20.
    mkdir -p "$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
    echo '<channel name="xfce4-session" version="1.0"><property name="general" type="empty"><property name="SaveOnExit" type="bool" value="true"/></property></channel>' \
        >"$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml/xfce4-session.xml"
    log_in_and_out() { # COMMAND...: run in the session, then the session saved at logout
        NO_AT_BRIDGE=1 XDG_CACHE_HOME="$WORK/cache" xfce4-session >"$WORK/session.log" 2>&1 &
        session=$!
        PIDS+=($session)
        poll 200 pgrep -P "$session" -x xfce4-panel || fail "no Xfce panel"
        "$@"
        # In the panel's tray: of its two, Qt takes the first it finds, which the load decides.
        local app
        in_tray() { app=${APP:-$(pgrep -P "$session" -f "^$TOCKLES")} && { item || APP=$app embedded_icon; }; }
        poll 200 in_tray || fail "not in the tray"
        xfce4-session-logout --logout
        poll 200 gone "$session" || fail "the session did not end"
        poll 100 gone "$app" || fail "Tockles outlived the session"
    }
    log_in_and_out true
    ! grep -q "$TOCKLES" "$WORK"/cache/sessions/* || fail "kept in the session beside autostart"
    echo "Hidden=true" >>"$entry"
    # Started from the menu, it is one of the session's programs, as the panel is.
    from_menu() { SESSION_MANAGER=$(tr '\0' '\n' <"/proc/$(pgrep -P "$session" -x xfce4-panel)/environ" | sed -n 's/^SESSION_MANAGER=//p') launch; }
    log_in_and_out from_menu
    grep -q "RestartCommand=$TOCKLES,-session" "$WORK"/cache/sessions/* || fail "left out of the session without autostart"
}

# A real panel, Xfce's, dark or light, as the StatusNotifierItem host (KDE Plasma's and GNOME's
# trays speak the same): the item shows its title, tooltip, named icon and menu; Activate opens
# the panel where the host clicked; while a timer runs the panel's row shows the mark and the
# icon name, tooltip and menu say so; the menu's entry starts and stops it.
scenario_panel() {
    start_display
    start_installed_panel "$1"
    # Xfce's window manager too: it hands the focus to a new window, which no X server does alone.
    xfwm4 --compositor=off >"$WORK/wm.log" 2>&1 &
    PIDS+=($!)
    poll 100 bash -c "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'" || fail "xfwm4 did not start"
    launch
    local line X Y WIDTH HEIGHT SCREEN WINDOW
    for line in "title Tockles" "tooltip Tockles" "iconname tockles-symbolic" \
        "menu Open Tockles|Start Tracking (disabled)|Quit"; do shows "$line"; done
    [ "$(red_pixels root 1024x28+0+0)" -eq 0 ] || fail "a running mark while idle"
    activate
    poll 200 panel_open || fail "Activate did not open the panel"
    eval "$(xdotool getwindowgeometry --shell "$(panel_open)" || echo fail "the panel went away")"
    [ "$WIDTH $X" = "260 470" ] && [ "$Y" -ge 10 ] && [ "$Y" -le 40 ] || fail "panel ${WIDTH}px at $X,$Y, not under (600, 10)"
    local name="R&D: design of the customer_portal, phase two: checkout"
    add_project "$name"
    shows "menu Open Tockles|Start Tracking|Quit"
    item --click "Start Tracking" >/dev/null
    # The menu keeps to a sensible width; the tooltip, which wraps, names the project whole.
    for line in "iconname tockles-tracking-symbolic" "menu Open Tockles|Stop (${name::40}…)|Quit" \
        "tooltip Tockles — $name 00:00:00"; do shows "$line"; done
    poll 100 bash -c "/usr/bin/python3 '$HERE/item.py' | grep -qxE 'tooltip Tockles — $name 00:00:0[1-9]'" \
        || fail "the tooltip does not tick: $(item)"
    poll 100 bash -c "[ \$(red_pixels root 1024x28+0+0) -gt 8 ]" || fail "the panel drew no running mark"
    item --click "Stop (" >/dev/null
    poll 100 has_records 1 || fail "stopping from the menu stored no record"
    shows "tooltip Tockles"
    poll 100 bash -c "[ \$(red_pixels root 1024x28+0+0) -eq 0 ]" || fail "the mark stayed after stopping"
    [ "$1" = true ] && unsaved_is_told
    # Showing the export hands the desktop to the file manager: the panel steps aside for it.
    eval "$(xdotool getwindowgeometry --shell "$(panel_open)")"
    xdotool mousemove $((X + 30)) $((Y + HEIGHT - 55)) click 1
    poll 100 bash -c "ls '$HOME/Documents' | grep -q '^Tockles_Export_'" || fail "Export CSV wrote no file"
    poll 100 panel_closed || fail "the panel stayed open over the file manager"
    # A click right after a close may be taken for the one that closed it: asked again then.
    for _ in 1 2 3 4 5; do activate && poll 40 panel_open && break; done
    panel_open >/dev/null || fail "the panel did not open again"
    quit_with_keys
}

# cannot_save: the desktop's notifications watched (notify.log), the data folder made a file.
cannot_save() {
    dbus-monitor --session "type='method_call',interface='org.freedesktop.Notifications',member='Notify'" \
        >"$WORK/notify.log" 2>&1 &
    PIDS+=($!)
    # The monitor is listening once it has given up its own name.
    poll 100 grep -q "member=NameLost" "$WORK/notify.log" || fail "dbus-monitor did not start"
    mv "$DATA" "$DATA.away" && : >"$DATA"
}

# Saves that fail (a plain file where the data folder was) are told once, as a notification
# (a StatusNotifierItem shows it as its tooltip meanwhile), and then in the tooltip until a retry
# gets them to the disk.
unsaved_is_told() {
    cannot_save
    item --click "Start Tracking" >/dev/null && item --click "Stop (" >/dev/null
    shows "tooltip Tockles cannot save"
    poll 100 grep -q "Tockles cannot save" "$WORK/notify.log" || fail "no notification: $(cat "$WORK/notify.log")"
    poll 400 bash -c "/usr/bin/python3 '$HERE/item.py' | grep -qxF 'Not saved yet: the data folder cannot be written or read.'" \
        || fail "the tooltip does not say so: $(item)"
    rm "$DATA" && mv "$DATA.away" "$DATA"
    poll 200 has_records 2 || fail "the retry did not save"
    poll 100 bash -c "! /usr/bin/python3 '$HERE/item.py' | grep -q 'Not saved'" || fail "the warning stayed: $(item)"
    [ "$(grep -c "Tockles cannot save" "$WORK/notify.log")" -eq 1 ] || fail "told more than once"
}

# The panel as a screen reader sees it: AT-SPI on the private bus, pyatspi as the assistive tool.
scenario_screen_reader() {
    start_display
    start_tray_host
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
    launch
    open_from_tray
    timeout 60 /usr/bin/python3 "$HERE/screen_reader.py" >"$WORK/reader.log" || fail "$(cat "$WORK/reader.log")"
    grep -q '^row Spoken Project: 00:00:0' "$WORK/reader.log" || fail "totals row: $(cat "$WORK/reader.log")"
    poll 100 has_records 1 || fail "no record stored"
    [ "$(cat "$DATA/projects.json")" = '["Spoken Project"]' ] || fail "projects: $(cat "$DATA/projects.json")"
}

# start_weston SOCKET [--xwayland]: nested in the X server, so that input can be sent to it.
start_weston() {
    weston --backend=x11-backend.so --use-pixman --width=1024 --height=768 --socket="$1" --idle-time=0 \
        ${2:-} >"$WORK/weston-$1.log" 2>&1 &
    WESTON=$!
    PIDS+=($WESTON)
    poll 200 test -S "$XDG_RUNTIME_DIR/$1" || fail "weston did not start"
}

# Wayland with XWayland: the panel opens at the point the host passed to Activate and closes on
# Escape; SIGTERM (the session ending) ends the program as Quit does.
scenario_xwayland() {
    start_display
    start_weston tockles-wl --xwayland
    poll 100 grep -q "xserver listening on display" "$WORK/weston-tockles-wl.log" || fail "weston has no XWayland"
    local xwl=:$(sed -n 's/.*xserver listening on display :\([0-9]*\).*/\1/p' "$WORK/weston-tockles-wl.log" | head -n 1)
    start_panel false
    light() { [ "$(import -window root -crop "1x1+$1+$2" png:- | measure -format '%[fx:int(255*r)]')" -gt 220 ]; }
    env -u QT_QPA_PLATFORM WAYLAND_DISPLAY=tockles-wl DISPLAY="$xwl" "$TOCKLES" &
    APP=$!
    PIDS+=($APP)
    activate
    DISPLAY=$xwl poll 200 panel_open || fail "the panel did not open under XWayland"
    # Centred under (600, 10): from x 470 to 729, drawn over the background around it.
    poll 100 light 475 150 || fail "no panel at the activation point"
    light 724 150 && ! light 462 150 && ! light 737 150 || fail "the panel is not where the host clicked"
    xdotool key Escape
    DISPLAY=$xwl poll 100 bash -c "! xdotool search --onlyvisible --pid $APP" || fail "Escape left the panel open"
    kill "$APP"
    wait "$APP" || fail "SIGTERM: exit status $?"
}

# Wayland alone: a decorated window titled "Tockles", no pop-up, that the user drags by its title.
scenario_wayland() {
    start_display
    start_weston tockles-wl-only
    start_panel false
    local log="$WORK/wayland.log" x y found=
    # The protocol as the program speaks it; newer libwayland writes "xdg_toplevel#3" for "@3".
    env -u QT_QPA_PLATFORM -u DISPLAY WAYLAND_DISPLAY=tockles-wl-only WAYLAND_DEBUG=1 "$TOCKLES" 2>"$log" &
    APP=$!
    PIDS+=($APP)
    activate
    poll 100 grep -q 'xdg_toplevel[@#][0-9]*\.set_title("Tockles")' "$log" || fail "no window titled Tockles"
    ! grep -q "xdg_popup" "$log" || fail "the panel became a frameless pop-up"
    # The pointer's place on the window, as the compositor tells it.
    pointer_lines() { grep -cE 'wl_pointer[@#][0-9]+\.(enter|motion)\(' "$log" || true; }
    pointer_moved() { [ "$(pointer_lines)" -gt "$1" ]; }
    pointer_at() { # [X Y]: where the compositor last told the window the pointer is; whether there
        read -r PX PY < <(grep -E 'wl_pointer[@#][0-9]+\.(enter|motion)\(' "$log" | tail -n 1 \
            | grep -oE '[-0-9.]+, [-0-9.]+\)$' | tr -d ',)' | awk '{ printf "%d %d\n", $1, $2 }')
        [ $# -eq 0 ] || [ "$PX $PY" = "$1 $2" ]
    }
    point_to() { # TRIES XDOTOOL-ARGS...: moves the pointer; true once the window has been told
        local tries=$1 before
        shift
        before=$(pointer_lines)
        xdotool "$@"
        poll "$tries" pointer_moved "$before" && pointer_at
    }
    # The compositor places a new window where it likes: find it with the pointer.
    for y in 150 350 550 700; do
        for x in 100 300 500 700 900; do point_to 10 mousemove $x $y && { found=1; break 2; }; done
    done
    [ -n "$found" ] || fail "the window is nowhere under the pointer"
    point_to 100 mousemove_relative -- $((60 - PX)) $((10 - PY)) || fail "the pointer left the window"
    # One move may reach the window as an entry and a motion: the last word is the one that counts.
    poll 100 pointer_at 60 10 || fail "pointer at $PX,$PY on the window, not on its title bar"
    xdotool mousedown 1
    for _ in 1 2 3 4 5; do
        xdotool mousemove_relative 40 40
        sleep 0.1 # each step an event of its own for the compositor's move; paces input, waits for nothing
    done
    xdotool mouseup 1
    poll 100 grep -qE 'xdg_toplevel[@#][0-9]+\.move\(' "$log" || fail "the title bar did not start a move"
    # The window went with the pointer: the same spot of it lies under the pointer still.
    point_to 100 mousemove_relative 1 1 || fail "the window did not follow the drag"
    poll 100 pointer_at 61 11 || fail "after the drag the pointer is at $PX,$PY on the window, not 61,11"
    xdotool key Escape
    poll 100 grep -q 'xdg_toplevel[@#][0-9]*\.destroy()' "$log" || fail "Escape did not close the window"
}

# Two computers, one history: two programs with their own data folders, kept in step by two
# Syncthing instances on 127.0.0.1. Intervals stopped on both sides, also while the sync is
# paused, end up in both files, none lost and none twice.
scenario_syncthing() {
    start_display
    local api=tockles-test-key ports=$((20000 + RANDOM % 20000)) id_a id_b side
    home() { syncthing generate --home="$WORK/st-$1" --no-default-folder --skip-port-probing 2>&1 \
        | sed -n 's/.*Device ID: \([A-Z0-9-]*\).*/\1/p'; }
    id_a=$(home a)
    id_b=$(home b)
    [ -n "$id_a" ] && [ -n "$id_b" ] || fail "syncthing generated no device ids"
    configure() { # NAME OWN_PORT GUI_PORT FOLDER
        local opt options="<reconnectionIntervalS>1</reconnectionIntervalS>" b_address="tcp://127.0.0.1:$((ports + 1))"
        # Only b dials: two instances dialling each other at once can both wait out the Hello
        # exchange (20 s), and then the next attempt comes a minute later.
        [ "$1" = a ] && b_address=dynamic
        for opt in globalAnnounceEnabled localAnnounceEnabled relaysEnabled natEnabled startBrowser crashReportingEnabled; do
            options+="<$opt>false</$opt>"
        done
        cat >"$WORK/st-$1/config.xml" <<XML
<configuration version="36">
 <folder id="tockles" label="Tockles" path="$4" type="sendreceive" rescanIntervalS="2" fsWatcherEnabled="true" fsWatcherDelayS="1">
  <device id="$id_a"></device><device id="$id_b"></device><minDiskFree unit="%">0</minDiskFree>
  <maxConflicts>10</maxConflicts>
 </folder>
 <device id="$id_a" name="a"><address>tcp://127.0.0.1:$ports</address></device>
 <device id="$id_b" name="b"><address>$b_address</address></device>
 <gui enabled="true" tls="false"><address>127.0.0.1:$3</address><apikey>$api</apikey></gui>
 <options><listenAddress>tcp://127.0.0.1:$2</listenAddress>$options<urAccepted>-1</urAccepted>
  <autoUpgradeIntervalH>0</autoUpgradeIntervalH><minHomeDiskFree unit="%">0</minHomeDiskFree></options>
</configuration>
XML
        mkdir -p "$4/.stfolder"
        printf 'tockles.lock\n.*.saving\n' >"$4/.stignore" # each computer's own
        STNOUPGRADE=1 syncthing serve --home="$WORK/st-$1" --no-browser --no-restart --no-upgrade >"$WORK/st-$1.log" 2>&1 &
        PIDS+=($!)
    }
    configure a "$ports" $((ports + 2)) "$WORK/a/Tockles"
    configure b $((ports + 1)) $((ports + 3)) "$WORK/b/Tockles"
    rest() { curl -sf -X "$2" -H "X-API-Key: $api" "http://127.0.0.1:$(($1 + 2))$3"; }
    poll 600 bash -c "$(declare -f rest); api=$api; rest $ports GET /rest/system/connections | grep -q '\"connected\": *true'" \
        || fail "the two Syncthing instances did not connect"
    for side in a b; do
        XDG_DATA_HOME="$WORK/$side" "$TOCKLES" &
        PIDS+=($!)
        eval "pid_$side=$!"
        poll 200 visible_window "$!" 255 300 || fail "no window for $side"
        eval "win_$side=$(visible_window "$!" 255 300)"
    done
    xdotool windowmove "$win_b" 500 0
    # The click on the panel's margin gives the panel itself the focus, as opening it does.
    on() { local win="win_$1"; focus "${!win}" && xdotool click 1; }
    ids() { python3 -c 'import json,sys; print("\n".join(sorted(r["id"] for r in json.load(open(sys.argv[1])))))' "$1" 2>/dev/null || true; }
    same_records() {
        local a b
        a=$(ids "$WORK/a/Tockles/tockles.json")
        b=$(ids "$WORK/b/Tockles/tockles.json")
        [ "$a" = "$b" ] && [ "$(sort -u <<<"$a" | grep -c .)" -eq "$1" ]
    }
    stop_interval() {
        local before
        before=$(records "$WORK/$1/Tockles/tockles.json")
        on "$1"
        xdotool key ctrl+s ctrl+s
        poll 100 has_records $((before + 1)) "$WORK/$1/Tockles/tockles.json" || fail "no interval stored on $1"
    }
    DATA="$WORK/a/Tockles"
    on a
    add_project Alpha
    DATA="$WORK/b/Tockles"
    on b
    add_project Beta
    stop_interval a
    stop_interval b
    poll 600 same_records 2 || fail "the first intervals did not reach both sides"
    # Paused, both sides go on; afterwards Syncthing keeps the older side's file as a conflict
    # copy, which the program merges in.
    rest "$ports" POST "/rest/system/pause?device=$id_b" >/dev/null
    stop_interval a
    stop_interval b
    DATA="$WORK/a/Tockles"
    on a
    xdotool key Tab Tab # past the picker and its remove button
    add_project Gamma
    DATA="$WORK/b/Tockles"
    on b
    xdotool key Tab Tab
    add_project Delta
    rest "$ports" POST "/rest/system/resume?device=$id_b" >/dev/null
    poll 1200 same_records 4 || fail "after the pause: $(ls "$WORK/a/Tockles" "$WORK/b/Tockles")"
    all_names() { python3 -c 'import json,sys; sys.exit(sorted(json.load(open(sys.argv[1]))) != sys.argv[2:])' \
        "$WORK/$1/Tockles/projects.json" Alpha Beta Delta Gamma 2>/dev/null; }
    for side in a b; do
        poll 600 all_names "$side" || fail "projects on $side: $(cat "$WORK/$side/Tockles/projects.json")"
    done
}

# Sourced (by the benchmarks and with_display.sh), it only lends its functions.
[ "${BASH_SOURCE[0]}" = "$0" ] || return 0
case "$SCENARIO" in
    panel-dark) scenario_panel true ;;
    panel-light) scenario_panel false ;;
    *) "scenario_${SCENARIO//-/_}" ;;
esac
echo "$SCENARIO: passed"
