#!/usr/bin/env bash
# Builds and runs a benchmark for both builds under Wine.
#   scripts/bench.sh freeup     free-up worker against the floor, 256 and 1024 MB
set -euo pipefail
source "$(dirname "$0")/lib.sh"

what="${1:-freeup}"
case "$what" in
  freeup) program=bench_freeup ;;
  idle) program=bench_idle ;;
  *) echo "usage: scripts/bench.sh freeup|idle" >&2; exit 2 ;;
esac

ensure_deps
for arch in $ARCHES; do build_arch "$arch"; done
trap stop_started EXIT
start_xvfb
start_wine
for arch in $ARCHES; do
  if [ "$arch" = i686 ] && [ "$WINE32_WORKS" = 0 ]; then
    echo "$what i686: not run, this kernel runs no 32-bit processes"
    continue
  fi
  "$KALVORA_WINE" "$BUILD_ROOT/$arch/bin/$program.exe"
done
