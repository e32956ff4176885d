#!/usr/bin/env bash
# Screenshots of the default skin, taken with skinview under Wine on a virtual
# display of its own: the main window, each page opened by its show
# animation, and a dialog. Writes docs/screenshots/*.png.
#   scripts/screenshots.sh [--build-root DIR]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
while [ $# -gt 0 ]; do
  case "$1" in
    --build-root) BUILD_ROOT="$(realpath -m "$2")"; shift 2 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done

ensure_deps
detect_wine
# The architecture whose programs run here.
if [ "$WINE32_WORKS" = 1 ]; then ARCH=i686; else ARCH=x86_64; fi
# Only skinview and the skin are needed.
if [ ! -f "$BUILD_ROOT/$ARCH/CMakeCache.txt" ]; then
  cmake -S "$ROOT" -B "$BUILD_ROOT/$ARCH" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-$ARCH.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$BUILD_ROOT/$ARCH" --target skinview kalvora_skins -j"$(nproc)" >/dev/null
BIN="$BUILD_ROOT/$ARCH/bin"
OUT="$ROOT/docs/screenshots"
mkdir -p "$OUT"

trap stop_started EXIT
start_xvfb
start_wine

# shot NAME skinview-arguments...: a picture of the window's client area.
shot() {
  local name="$1"; shift
  local log; log="$(mktemp)"
  (cd "$BIN" && exec $KALVORA_WINE skinview.exe "$@" --pos 0 0 --exit-after 15000 >"$log" 2>&1) &
  local pid=$! i
  for i in $(seq 1 100); do grep -q '^ready' "$log" && break; sleep 0.1; done
  grep -q '^ready' "$log" || { cat "$log" >&2; echo "skinview did not come up for $name" >&2; return 1; }
  sleep 1   # the show animations take 220 ms; give the display time to settle
  # "ready NAME X Y WIDTH HEIGHT": the client area on the screen.
  local x y width height
  read -r _ _ x y width height < <(grep '^ready' "$log" | tr -d '\r')
  import -window root -display "$DISPLAY" -crop "${width}x${height}+${x}+${y}" +repage "$OUT/$name.png"
  (cd "$BIN" && $KALVORA_WINE skinview.exe --quit >/dev/null 2>&1) || true
  wait "$pid" 2>/dev/null || true
  rm -f "$log"
  log "wrote docs/screenshots/$name.png"
}

MAIN=(default.skn Kalvora --sample-chart)
# Looks the program gives its buttons from the settings: one chosen icon
# style each, and the switches that are on.
LOOKS=(--press memory_tray_icon_chart --press cpu_tray_icon_number --checked regular_on_check
       --checked enforce_tray_icon_check --checked startup_on_check)

shot main "${MAIN[@]}" "${LOOKS[@]}"
shot page-manual "${MAIN[@]}" "${LOOKS[@]}" --press manual   --play manual_show
shot page-regular "${MAIN[@]}" "${LOOKS[@]}" --press regular  --play regular_show --play idle_show
shot page-critical "${MAIN[@]}" "${LOOKS[@]}" --press critical --play critical_show --play idle_show
shot page-startup "${MAIN[@]}" "${LOOKS[@]}" --press startup  --play startup_show --play idle_show
shot page-monitor "${MAIN[@]}" "${LOOKS[@]}" --press monitor  --play monitor_show
shot page-misc "${MAIN[@]}" "${LOOKS[@]}" --press misc     --play misc_show
shot page-about "${MAIN[@]}" "${LOOKS[@]}" --play about_show
shot dialog default.skn --client 320 130 --sample-dialog
