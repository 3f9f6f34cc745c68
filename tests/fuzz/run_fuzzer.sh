#!/usr/bin/env bash
# run_fuzzer.sh FUZZER SEEDS SECONDS: fuzzes from a scratch copy of the seeds, so the corpus in
# the tree stays as committed. TOCKLES_LONG=1 gives each fuzzer ten minutes.
set -euo pipefail
fuzzer=$1 seeds=$2 seconds=$3
[ -n "${TOCKLES_LONG:-}" ] && seconds=600
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$seeds"/* "$work"/
"$fuzzer" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 "$work" 2>&1 | tail -n 20
