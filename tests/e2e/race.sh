#!/usr/bin/env bash
# Two launches at the same moment, again and again: exactly one keeps running, the other ends
# with status 0, and every interval stopped in the survivor is in the records file.
source "$(dirname "$0")/lib.sh"

start_display
mkdir -p "$DATA"
printf '["Race"]' > "$DATA/projects.json"
ROUNDS=20

for ((round = 1; round <= ROUNDS; round++)); do
    "$TOCKLES" & A=$!
    "$TOCKLES" & B=$!
    poll 200 bash -c "! kill -0 $A 2>/dev/null || ! kill -0 $B 2>/dev/null" || fail "round $round: both kept running"
    if kill -0 "$A" 2>/dev/null; then SURVIVOR=$A LOSER=$B; else SURVIVOR=$B LOSER=$A; fi
    PIDS+=($SURVIVOR)
    wait "$LOSER" || fail "round $round: the second launch ended with status $?"
    poll 200 visible_window "$SURVIVOR" 255 300 || fail "round $round: the survivor shows no panel"
    kill -0 "$SURVIVOR" || fail "round $round: no instance survived"

    WIN=$(visible_window "$SURVIVOR" 255 300)
    xdotool mousemove --window "$WIN" 130 5
    xdotool windowfocus --sync "$WIN"
    xdotool key ctrl+s
    sleep 0.1
    xdotool key ctrl+s
    poll 200 bash -c "[ \"\$(grep -o '\"id\"' '$DATA/tockles.json' 2>/dev/null | wc -l)\" -eq $round ]" \
        || fail "round $round: the records file holds $(grep -o '"id"' "$DATA/tockles.json" | wc -l) records"
    xdotool key ctrl+q
    poll 200 bash -c "! kill -0 $SURVIVOR 2>/dev/null" || fail "round $round: Ctrl+Q did not quit"
    wait "$SURVIVOR" || fail "round $round: the survivor ended with status $?"
done
echo "race end-to-end: $ROUNDS rounds passed"
