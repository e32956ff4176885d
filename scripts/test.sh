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

trap stop_started EXIT
start_xvfb
start_wine

status=0
for arch in $ARCHES; do
  if [ "$arch" = i686 ] && [ "$WINE32_WORKS" = 0 ]; then
    log "i686 is built, but its tests cannot run here: this kernel runs no 32-bit processes"
    continue
  fi
  log "testing $arch"
  (cd "$BUILD_ROOT/$arch" && ctest --output-on-failure --timeout 600 "${FILTER[@]}") || status=1
done
for extra in "$ROOT"/scripts/test.d/*.sh; do
  [ -e "$extra" ] || continue
  log "running $(basename "$extra")"
  BUILD_ROOT="$BUILD_ROOT" bash "$extra" || status=1
done
exit $status
