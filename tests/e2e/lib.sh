# Shared by the end-to-end tests: a private X server, session bus and data folders, every
# process ended by its PID on exit.
set -euo pipefail

TOCKLES=$1
TRAY_OWNER=$2
WORK=$(mktemp -d)
PIDS=()

cleanup() {
    local pid
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
    [ -n "${DBUS_SESSION_BUS_PID:-}" ] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null || true
    # Services the bus started (xfconfd) may still be writing their last files as they end.
    for try in 1 2 3 4 5 6 7 8 9 10; do rm -rf "$WORK" 2>/dev/null && return 0; sleep 0.1; done
    rm -rf "$WORK" || true
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    echo "DISPLAY=${DISPLAY:-}" >&2
    tail -n 5 "$WORK"/*.log >&2 2>/dev/null || true
    exit 1
}

# poll TRIES COMMAND...: runs COMMAND every 50 ms until it succeeds.
poll() {
    local tries=$1; shift
    for ((i = 0; i < tries; i++)); do
        if "$@" >/dev/null 2>&1; then return 0; fi
        sleep 0.05
    done
    return 1
}

# Xvfb -displayfd can hand two servers started at once the same number; a random number
# whose lock file names our own server cannot be shared. Without -noreset the server resets
# whenever its last client leaves, and refuses connections while it does.
start_display() {
    local n pid
    unset DISPLAY
    for attempt in 1 2 3 4 5 6 7 8 9 10; do
        n=$((RANDOM % 800 + 100))
        [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >"$WORK/xvfb.log" 2>&1 &
        pid=$!
        # Its socket appears a little before it answers; wait until a client gets through.
        if poll 100 grep -qw "$pid" "/tmp/.X$n-lock" \
            && DISPLAY=":$n" poll 100 xdotool getdisplaygeometry && kill -0 "$pid" 2>/dev/null; then
            PIDS+=($pid)
            export DISPLAY=":$n"
            break
        fi
        kill "$pid" 2>/dev/null || true
    done
    [ -n "${DISPLAY:-}" ] || fail "Xvfb did not start"
    export QT_QPA_PLATFORM=xcb
    export XDG_RUNTIME_DIR="$WORK/runtime" HOME="$WORK/home" XDG_DATA_HOME="$WORK/home/.local/share" \
        XDG_CONFIG_HOME="$WORK/home/.config"
    mkdir -p "$XDG_RUNTIME_DIR" "$HOME/Documents"
    chmod 700 "$XDG_RUNTIME_DIR"
    eval "$(dbus-launch --sh-syntax)"
}

start_tray_host() {
    NO_AT_BRIDGE=1 trayer --edge top --align right --widthtype request --height 24 >"$WORK/trayer.log" 2>&1 &
    PIDS+=($!)
    local rc=0
    "$TRAY_OWNER" 20000 || rc=$?
    [ "$rc" -eq 0 ] || fail "the tray host did not take the tray selection (status $rc)"
}

DATA="$WORK/home/.local/share/Tockles"

# visible_window PID MIN_WIDTH MAX_WIDTH: prints the first visible window of PID within the widths.
visible_window() {
    local id geometry
    for id in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        geometry=$(xdotool getwindowgeometry --shell "$id") || continue
        local WIDTH HEIGHT X Y SCREEN WINDOW
        eval "$geometry"
        if [ "$WIDTH" -ge "$2" ] && [ "$WIDTH" -le "$3" ]; then echo "$id"; return 0; fi
    done
    return 1
}

# start_xfce_panel DARK: a real Xfce panel along the top, light or dark (true/false), whose
# systray is both an XEmbed tray and a StatusNotifierItem host.
start_xfce_panel() {
    # xfconfd is started by the bus, with the environment the bus was started with.
    local conf="$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
    mkdir -p "$conf"
    # Without a GTK theme the panel is dark either way; a light one gets its colour set.
    local light='<property name="background-style" type="uint" value="1"/><property name="background-rgba" type="array"><value type="double" value="0.94"/><value type="double" value="0.94"/><value type="double" value="0.94"/><value type="double" value="1"/></property>'
    [ "$1" = true ] && light=''
    sed -e 's/POSITION/p=6;x=0;y=0/' -e "s/DARK/$1/" -e 's/SIZE/28/' \
        -e "s|\(<property name=\"size\".*\)|\1$light|" \
        "$(dirname "${BASH_SOURCE[0]}")/xfce4-panel.xml" > "$conf/xfce4-panel.xml"
    xfwm4 --compositor=off >"$WORK/xfwm4.log" 2>&1 &
    PIDS+=($!)
    NO_AT_BRIDGE=1 xfce4-panel --disable-wm-check >"$WORK/panel.log" 2>&1 &
    PIDS+=($!)
    "$TRAY_OWNER" 20000 || fail "the Xfce panel did not take the tray selection"
}

# quit_with_keys PID: Ctrl+Q, and PID ends.
quit_with_keys() {
    xdotool key ctrl+q
    poll 100 bash -c "! kill -0 $1 2>/dev/null"
}
