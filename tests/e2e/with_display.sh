#!/usr/bin/env bash
# with_display.sh COMMAND...: runs COMMAND on a private X server and session bus.
set -- with-display "" "" "" "$@"
source "$(dirname "$0")/run.sh"
shift 4
start_display
"$@"
