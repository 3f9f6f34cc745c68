#!/usr/bin/env bash
# with_display.sh COMMAND...: runs COMMAND on a private X server and session bus.
set -- "" "" "$@"
source "$(dirname "$0")/lib.sh"
shift 2
start_display
"$@"
