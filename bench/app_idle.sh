#!/usr/bin/env bash
# The running program with 100,000 records in a real tray: resident memory next to a bare Qt
# tray program, how often each wakes while idle (and the program without a tray, in its
# window), then the CPU it spends over one minute of tracking with the panel closed.
# Prints "key value" lines for bench/report.py.
TOCKLES=$1
BARE=$3
MEMORY=$4
SECONDS_TO_WATCH=${5:-60}
set -- bench "$1" "$2"
source "$(dirname "$0")/../tests/e2e/run.sh"

start_display
"$MEMORY" --write "$XDG_DATA_HOME" 100000

rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }
# wakeups_per_minute PID: how often its main thread went to sleep and woke, over ten seconds.
wakeups_per_minute() {
    local before
    before=$(awk '/^voluntary_ctxt_switches/ {print $2}' "/proc/$1/task/$1/status")
    sleep 10
    echo $(( ($(awk '/^voluntary_ctxt_switches/ {print $2}' "/proc/$1/task/$1/status") - before) * 6 ))
}

"$TOCKLES" &
APP=$!
PIDS+=($APP)
poll 200 visible_window "$APP" 255 300 || fail "no window without a tray"
sleep 1
echo "wakeups_no_tray $(wakeups_per_minute "$APP")"
kill "$APP"
wait "$APP" || true
start_tray_host
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

"$TOCKLES" &
APP=$!
PIDS+=($APP)
"$BARE" &
YARDSTICK=$!
PIDS+=($YARDSTICK)
poll 200 visible_window "$APP" 16 48 || fail "no tray icon"
poll 200 visible_window "$YARDSTICK" 16 48 || fail "no yardstick icon"
sleep 2
echo "rss_app_kb $(rss_kb "$APP")"
echo "rss_bare_kb $(rss_kb "$YARDSTICK")"
echo "wakeups_app $(wakeups_per_minute "$APP")"
echo "wakeups_bare $(wakeups_per_minute "$YARDSTICK")"

ICON=$(visible_window "$APP" 16 48)
xdotool mousemove --window "$ICON" 10 10 click 1
poll 100 visible_window "$APP" 255 270 || fail "panel did not open"
xdotool key ctrl+s
xdotool key Escape
sleep 1
START=$(cpu_ticks "$APP")
sleep "$SECONDS_TO_WATCH"
END=$(cpu_ticks "$APP")
echo "cpu_ms_per_minute $(( (END - START) * 1000 / $(getconf CLK_TCK) * 60 / SECONDS_TO_WATCH ))"
