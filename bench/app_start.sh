#!/usr/bin/env bash
# Start-up in a real tray at 100,000 and 1,000,000 records: time until the icon shows (median
# of five, next to a bare Qt tray program) and peak resident memory once the history is read,
# next to the file's size and the program's own idle figure with no history.
# Prints "key value" lines for bench/report.py.
TOCKLES=$1
BARE=$3
MEMORY=$4
set -- bench "$1" "$2"
source "$(dirname "$0")/../tests/e2e/run.sh"

start_display
start_tray_host

now_ms() { date +%s%3N; }
peak_kb() { awk '/^VmHWM/ {print $2}' "/proc/$1/status"; }

# launch PROGRAM: sets MS to the milliseconds from launch until its tray icon is mapped and PID
# to the program, left running.
launch() {
    local began
    began=$(now_ms)
    "$1" &
    PID=$!
    PIDS+=($PID)
    until xdotool search --onlyvisible --pid "$PID" >/dev/null 2>&1; do :; done
    MS=$(( $(now_ms) - began ))
}

median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

# loaded_peak PID: opens the panel (which waits for the history) and prints the peak memory.
loaded_peak() {
    local icon
    icon=$(visible_window "$1" 16 48) || fail "no tray icon"
    xdotool mousemove --window "$icon" 10 10 click 1
    poll 400 visible_window "$1" 255 270 || fail "panel did not open"
    peak_kb "$1"
}

stop() { kill "$1"; wait "$1" 2>/dev/null || true; }

launch "$TOCKLES"
echo "peak_idle_kb $(loaded_peak "$PID")"
stop "$PID"

peak=
for n in 100000 1000000; do
    rm -rf "$XDG_DATA_HOME/Tockles"
    "$MEMORY" --write "$XDG_DATA_HOME" "$n"
    echo "file_kb_$n $(( $(stat -c %s "$XDG_DATA_HOME/Tockles/tockles.json") / 1024 ))"
    app=() bare=()
    for _ in $(seq "${RUNS:-9}"); do
        launch "$TOCKLES"
        app+=("$MS")
        [ -n "$peak" ] || peak=$(loaded_peak "$PID")
        stop "$PID"
        launch "$BARE"
        bare+=("$MS")
        stop "$PID"
    done
    echo "peak_kb_$n $peak"
    peak=
    echo "start_ms_$n $(printf '%s\n' "${app[@]}" | median)"
    echo "start_bare_ms_$n $(printf '%s\n' "${bare[@]}" | median)"
done
