#!/usr/bin/env bash
# Builds the program and starts it under Wine: on the current display, or on
# a virtual one when there is none. Arguments go to kalvora.exe. The 32-bit
# program is the one that runs, unless this machine runs no 32-bit processes.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

ensure_deps
detect_wine
arch=i686
[ "$WINE32_WORKS" = 1 ] || { arch=x86_64; log "this kernel runs no 32-bit processes: starting the x86_64 build"; }
log "building $arch"
build_arch "$arch"
trap stop_started EXIT
[ -n "${DISPLAY:-}" ] || { start_xvfb; log "no display: running on the virtual display $DISPLAY"; }
start_wine
"$KALVORA_WINE" "$BUILD_ROOT/$arch/bin/kalvora.exe" "$@"
