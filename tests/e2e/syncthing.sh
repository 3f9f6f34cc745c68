#!/usr/bin/env bash
# Two computers, one history: two Tockles, each with its own data folder, kept in sync by two
# Syncthing instances that talk only over 127.0.0.1. Intervals stopped on both sides, also
# while the sync is paused, end up in both files, nothing lost and nothing twice.
source "$(dirname "$0")/lib.sh"

start_display
API=tockles-test-key
PORTS=$((20000 + RANDOM % 20000))

# syncthing_home NAME: keys and an empty configuration; prints the device id.
syncthing_home() {
    syncthing generate --home="$WORK/st-$1" --no-default-folder --skip-port-probing 2>&1 \
        | sed -n 's/.*Device ID: \([A-Z0-9-]*\).*/\1/p'
}
ID_A=$(syncthing_home a)
ID_B=$(syncthing_home b)
[ -n "$ID_A" ] && [ -n "$ID_B" ] || fail "syncthing generated no device ids"

# configure NAME OWN_PORT GUI_PORT FOLDER
configure() {
    cat >"$WORK/st-$1/config.xml" <<XML
<configuration version="36">
    <folder id="tockles" label="Tockles" path="$4" type="sendreceive" rescanIntervalS="2"
            fsWatcherEnabled="true" fsWatcherDelayS="1" ignorePerms="false" autoNormalize="true">
        <device id="$ID_A"></device>
        <device id="$ID_B"></device>
        <minDiskFree unit="%">0</minDiskFree>
    </folder>
    <device id="$ID_A" name="a" compression="metadata"><address>tcp://127.0.0.1:$PORTS</address></device>
    <device id="$ID_B" name="b" compression="metadata"><address>tcp://127.0.0.1:$((PORTS + 1))</address></device>
    <gui enabled="true" tls="false"><address>127.0.0.1:$3</address><apikey>$API</apikey></gui>
    <options>
        <listenAddress>tcp://127.0.0.1:$2</listenAddress>
        <globalAnnounceEnabled>false</globalAnnounceEnabled>
        <localAnnounceEnabled>false</localAnnounceEnabled>
        <relaysEnabled>false</relaysEnabled>
        <natEnabled>false</natEnabled>
        <startBrowser>false</startBrowser>
        <urAccepted>-1</urAccepted>
        <autoUpgradeIntervalH>0</autoUpgradeIntervalH>
        <crashReportingEnabled>false</crashReportingEnabled>
        <minHomeDiskFree unit="%">0</minHomeDiskFree>
    </options>
</configuration>
XML
    mkdir -p "$4/.stfolder"
    # The lock and unfinished saves are each computer's own.
    printf 'tockles.lock\n.*.saving\n' >"$4/.stignore"
    STNOUPGRADE=1 syncthing serve --home="$WORK/st-$1" --no-browser --no-restart --no-upgrade \
        >"$WORK/st-$1.log" 2>&1 &
    PIDS+=($!)
}
DATA_A="$WORK/a/Tockles"
DATA_B="$WORK/b/Tockles"
configure a "$PORTS" $((PORTS + 2)) "$DATA_A"
configure b $((PORTS + 1)) $((PORTS + 3)) "$DATA_B"

# rest NAME METHOD PATH: one call to that instance's REST interface.
rest() {
    local port=$((PORTS + 2)); [ "$1" = b ] && port=$((PORTS + 3))
    /usr/bin/python3 - "$port" "$2" "$3" "$API" <<'PY'
import sys, urllib.request
port, method, path, key = sys.argv[1:]
request = urllib.request.Request(f"http://127.0.0.1:{port}{path}", method=method, headers={"X-API-Key": key})
print(urllib.request.urlopen(request, timeout=5).read().decode())
PY
}
connected() { rest a GET /rest/system/connections | grep -q '"connected": *true'; }
poll 600 connected || fail "the two Syncthing instances did not connect: $(tail -n 5 "$WORK"/st-*.log)"

# start_tockles NAME: its own data folder, its window moved apart from the other's.
start_tockles() {
    XDG_DATA_HOME="$WORK/$1" "$TOCKLES" &
    local pid=$!
    PIDS+=($pid)
    poll 200 visible_window "$pid" 255 300 || fail "no window for $1"
    eval "WIN_$1=$(visible_window "$pid" 255 300)"
    eval "PID_$1=$pid"
}
start_tockles a
start_tockles b
xdotool windowmove "$WIN_b" 500 0

# on NAME KEYS...: keys typed into that computer's panel.
on() {
    local win
    eval "win=\$WIN_$1"
    shift
    xdotool mousemove --window "$win" 130 5 && xdotool windowfocus --sync "$win"
    xdotool "$@"
}
# ids FILE: the record ids in a records file, one per line, sorted.
ids() { python3 -c 'import json,sys; print("\n".join(sorted(r["id"] for r in json.load(open(sys.argv[1])))))' "$1" 2>/dev/null || true; }
same_records() { [ "$(ids "$DATA_A/tockles.json" | wc -l)" -eq "$1" ] && [ "$(ids "$DATA_A/tockles.json")" = "$(ids "$DATA_B/tockles.json")" ] \
    && [ "$(ids "$DATA_A/tockles.json" | sort -u | wc -l)" -eq "$1" ]; }
# stop_interval NAME: one interval of the selected project, started and stopped.
stop_interval() {
    local file="$WORK/$1/Tockles/tockles.json" before
    before=$(ids "$file" | wc -l)
    on "$1" key ctrl+s
    sleep 0.2
    on "$1" key ctrl+s
    poll 100 bash -c "[ \$(python3 -c 'import json,sys; print(len(json.load(open(sys.argv[1]))))' '$file' 2>/dev/null || echo 0) -gt $before ]" \
        || fail "no interval stored on $1"
}

on a key --clearmodifiers Tab
on a type --delay 10 "Alpha"
on a key Return
on b key --clearmodifiers Tab
on b type --delay 10 "Beta"
on b key Return
stop_interval a
stop_interval b
poll 600 same_records 2 || fail "the first intervals did not reach both sides: A $(ids "$DATA_A/tockles.json" | wc -l), B $(ids "$DATA_B/tockles.json" | wc -l)"

# While the sync is paused both sides go on; afterwards the files conflict, and Syncthing keeps
# one side's as a conflict copy, which Tockles merges in.
rest a POST "/rest/system/pause?device=$ID_B" >/dev/null
stop_interval a
stop_interval b
rest a POST "/rest/system/resume?device=$ID_B" >/dev/null
poll 1200 same_records 4 || fail "after the pause: A $(ids "$DATA_A/tockles.json" | wc -l), B $(ids "$DATA_B/tockles.json" | wc -l); $(ls "$DATA_A" "$DATA_B")"
for side in a b; do
    python3 - "$WORK/$side/Tockles/projects.json" <<'PY' || fail "projects on $side: $(cat "$WORK/$side/Tockles/projects.json")"
import json, sys
assert sorted(json.load(open(sys.argv[1]))) == ["Alpha", "Beta"], sys.argv[1]
PY
done
echo "Syncthing end-to-end: passed ($(ls "$DATA_A" "$DATA_B" | grep -c conflict) conflict copies)"
