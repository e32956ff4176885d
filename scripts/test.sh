#!/usr/bin/env bash
# Builds Kalvora for both architectures and runs every test under Wine on a
# virtual display of its own. Installs what is missing (as root, Debian 12).
#   scripts/test.sh [--arch i686|x86_64] [-R ctest-regex] [--build-root DIR]
set -euo pipefail
source "$(dirname "$0")/lib.sh"

FILTER=()
while [ $# -gt 0 ]; do
  case "$1" in
    --arch) ARCHES="$2"; shift 2 ;;
    -R) FILTER=(-R "$2"); shift 2 ;;
    --build-root) BUILD_ROOT="$(realpath -m "$2")"; shift 2 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done

ensure_deps
for arch in $ARCHES; do
  log "building $arch"
  build_arch "$arch"
done

# The two suites run at the same time, each on a display, a Wine prefix and
# a wineserver of its own (the 64-bit one in build/wineprefix, the 32-bit one
# in build/wineprefix-i686): they share no registry, window or hotkey.
# Each one's output is kept in build/ARCH/test.log and printed when it ends.
run_suite() {
  local arch="$1"
  trap stop_started EXIT
  export WINEPREFIX_DIR="$BUILD_ROOT/wineprefix"
  [ "$arch" = i686 ] && WINEPREFIX_DIR="$BUILD_ROOT/wineprefix-i686"
  start_xvfb
  start_wine
  cd "$BUILD_ROOT/$arch" && ctest --output-on-failure --timeout 600 "${FILTER[@]}"
}

detect_wine
pids=()
ran=()
for arch in $ARCHES; do
  if [ "$arch" = i686 ] && [ "$WINE32_WORKS" = 0 ]; then
    log "i686 is built, but its tests cannot run here: this kernel runs no 32-bit processes"
    continue
  fi
  log "testing $arch (output in $BUILD_ROOT/$arch/test.log)"
  (run_suite "$arch") > "$BUILD_ROOT/$arch/test.log" 2>&1 &
  pids+=($!)
  ran+=("$arch")
done
status=0
for i in "${!pids[@]}"; do
  code=0
  wait "${pids[$i]}" || code=$?
  log "tests of ${ran[$i]}:"
  cat "$BUILD_ROOT/${ran[$i]}/test.log"
  [ "$code" = 0 ] || { log "tests of ${ran[$i]} failed"; status=1; }
done
for extra in "$ROOT"/scripts/test.d/*.sh; do
  [ -e "$extra" ] || continue
  log "running $(basename "$extra")"
  BUILD_ROOT="$BUILD_ROOT" bash "$extra" || status=1
done
exit $status
