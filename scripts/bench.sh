#!/usr/bin/env bash
# Builds and runs a benchmark for both builds under Wine. Every line of every
# build is printed: a benchmark that fails says so in its line, and the
# script goes on with the next.
#   scripts/bench.sh freeup    free-up worker against the floor, 256, 1024 and 2045 MB
#   scripts/bench.sh idle      the idle engine against a bare program with the same timer
#   scripts/bench.sh startup   time to the memory icon against a bare program with one icon
#   scripts/bench.sh mainwindow  time from WM_ENGINE_SHOWMAIN to the main window's first paint,
#                              and the engine's CPU time with the main window open and closed
#   scripts/bench.sh farlist   one rebuild of the free-and-run manager's list of 1000 rows
# BUILD_ROOT chooses the build folder (default build/), IDLE_SECONDS the
# measuring time of the idle benchmark (default 60), MAINWINDOW_SECONDS the
# measuring time of each half of the main window's CPU figure (default 30).
set -euo pipefail
source "$(dirname "$0")/lib.sh"

what="${1:-freeup}"
case "$what" in
  freeup) program=bench_freeup; arguments=() ;;
  idle) program=bench_idle; arguments=("${IDLE_SECONDS:-60}") ;;
  startup) program=bench_startup; arguments=() ;;
  mainwindow) program=bench_mainwindow; arguments=("${MAINWINDOW_SECONDS:-30}") ;;
  farlist) program=bench_farlist; arguments=() ;;
  *) echo "usage: scripts/bench.sh freeup|idle|startup|mainwindow|farlist" >&2; exit 2 ;;
esac

ensure_deps
for arch in $ARCHES; do build_arch "$arch"; done
trap stop_started EXIT
start_xvfb
start_wine
status=0
for arch in $ARCHES; do
  if [ "$arch" = i686 ] && [ "$WINE32_WORKS" = 0 ]; then
    echo "$what $arch: not run, this kernel runs no 32-bit processes"
    continue
  fi
  code=0
  "$KALVORA_WINE" "$BUILD_ROOT/$arch/bin/$program.exe" "${arguments[@]}" || code=$?
  if [ "$code" != 0 ]; then
    echo "$what $arch: the benchmark ended with exit code $code"
    status=1
  fi
done
exit $status
