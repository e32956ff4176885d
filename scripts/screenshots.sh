#!/usr/bin/env bash
# Screenshots for the README, taken on a virtual display of their own: the
# real program's main window with a live chart, each page opened through its
# button, the view without a skin, the two dialogs and the free-and-run
# manager. Writes docs/screenshots/*.png.
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
if [ ! -f "$BUILD_ROOT/$ARCH/CMakeCache.txt" ]; then
  cmake -S "$ROOT" -B "$BUILD_ROOT/$ARCH" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-$ARCH.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$BUILD_ROOT/$ARCH" --target kalvora winctl kalvora_skins -j"$(nproc)" >/dev/null
BIN="$BUILD_ROOT/$ARCH/bin"
OUT="$ROOT/docs/screenshots"
mkdir -p "$OUT"

# A prefix of its own: the program's settings there are the screenshots' only.
export WINEPREFIX_DIR="$BUILD_ROOT/screenshots-prefix"
LOAD_PID=""
cleanup() {
  [ -n "$LOAD_PID" ] && kill "$LOAD_PID" 2>/dev/null || true
  (cd "$BIN" && $KALVORA_WINE kalvora.exe quit >/dev/null 2>&1) || true
  stop_started
}
trap cleanup EXIT
start_xvfb
start_wine

wine_quiet() { (cd "$BIN" && $KALVORA_WINE "$@" 2>/dev/null | tr -d '\r'); }
KEY='HKCU\Software\Orlandek\Kalvora Professional 5'
settings() {
  wine_quiet reg delete "$KEY" /f >/dev/null || true
  local pair
  for pair in "Use Defaults=0" "Chart Interval=250" "CPU Monitoring=1" "Critical=0" "Regular=1" \
              "Startup=0" "MemoryIcon=1" "MemoryIconStyle=1" "CPUIconStyle=2"; do
    wine_quiet reg add "$KEY" /v "${pair%%=*}" /t REG_DWORD /d "${pair#*=}" /f >/dev/null
  done
  [ $# -eq 0 ] || wine_quiet reg add "$KEY" /v Skin /t REG_SZ /d "$1" /f >/dev/null
}
# Three programs of Wine's own in the Free and Run list.
far_entries() {
  local n=0 entry
  for entry in "Notepad|C:\\windows\\notepad.exe|1200" "Registry Editor|C:\\windows\\regedit.exe|900" \
               "|C:\\windows\\winhlp32.exe|1500"; do
    n=$((n + 1))
    IFS='|' read -r name file level <<< "$entry"
    wine_quiet reg add "$KEY" /v "${n}farName" /t REG_SZ /d "$name" /f >/dev/null
    wine_quiet reg add "$KEY" /v "${n}farFileToRun" /t REG_SZ /d "$file" /f >/dev/null
    wine_quiet reg add "$KEY" /v "${n}farMBToFree" /t REG_DWORD /d "$level" /f >/dev/null
  done
  wine_quiet reg add "$KEY" /v farCount /t REG_DWORD /d "$n" /f >/dev/null
  wine_quiet reg add "$KEY" /v farMigrated /t REG_DWORD /d 1 /f >/dev/null
}
# start_program: runs kalvora.exe and, once its engine is older than two
# seconds, a second start that opens the main window.
start_program() {
  (cd "$BIN" && exec $KALVORA_WINE kalvora.exe >/dev/null 2>&1) &
  sleep 4
  (cd "$BIN" && exec $KALVORA_WINE kalvora.exe >/dev/null 2>&1) &
}
quit_program() {
  wine_quiet kalvora.exe quit >/dev/null || true
  wine_quiet winctl.exe gone TfrmEngine "Memory Engine" >/dev/null || log "the program did not end"
}
# shot NAME: the main window's client area.
shot() {
  read -r HWND X Y W H _ < <(wine_quiet winctl.exe find TfrmMain "Kalvora Professional")
  import -window root -display "$DISPLAY" -crop "${W}x${H}+${X}+${Y}" +repage "$OUT/$1.png"
  log "wrote docs/screenshots/$1.png"
}
click() { wine_quiet winctl.exe click "$HWND" "$1" "$2" >/dev/null; sleep 1; }

# The main window, its chart fed for a minute while memory use rises and
# falls (a Linux process the figures of Wine include).
settings
start_program
python3 - <<'PY' &
import time
blocks = []
for step in list(range(12)) + list(range(12, 0, -1)):
    while len(blocks) < step: blocks.append(bytearray(256 << 20))
    while len(blocks) > step: blocks.pop()
    time.sleep(2.2)
time.sleep(60)
PY
LOAD_PID=$!
sleep 55
shot main
# Page buttons of the default skin (client coordinates of their centres);
# each click on another page's button hides the open page and shows it.
for page in "manual 88 85" "regular 88 123" "critical 88 161" "startup 88 199" "monitor 88 237" \
            "misc 88 275" "about 88 425"; do
  set -- $page
  click "$2" "$3"
  shot "page-$1"
done
quit_program
kill "$LOAD_PID" 2>/dev/null || true; LOAD_PID=""

# Without a usable skin: the error message, then the plain view.
settings 'C:\no skin here\missing.skn'
start_program
wine_quiet winctl.exe ok "Kalvora Professional" >/dev/null || log "no skin error box appeared"
sleep 1
read -r _ _ _ _ _ X Y W H < <(wine_quiet winctl.exe find TfrmMain "Kalvora Professional")
# The plain view has the system's frame: take the whole window.
import -window root -display "$DISPLAY" -crop "${W}x${H}+${X}+${Y}" +repage "$OUT/fallback.png"
log "wrote docs/screenshots/fallback.png"
quit_program

# The dark skin that ships beside the default: the main window on the
# Critical page, and the hotkey dialog in its colours.
settings 'dark.skn'
start_program
wine_quiet winctl.exe find TfrmMain "Kalvora Professional" >/dev/null
sleep 6
read -r HWND _ < <(wine_quiet winctl.exe find TfrmMain "Kalvora Professional")
click 88 161
shot dark-critical
click 88 85
click 663 337
wine_quiet winctl.exe find TfrmSkinned "Define Hotkey" >/dev/null && { sleep 1; shot dark-hotkey; }
wine_quiet winctl.exe command TfrmSkinned "Define Hotkey" 2 >/dev/null || true
quit_program

# The dialogs of the real program, over the main window: the hotkey dialog
# of preset 1 (Manual page), the question of "Restore default settings"
# (Other options page), each closed again as Cancel; then the free-and-run
# manager, opened as "Manage entries..." of the tray menu opens it.
settings
far_entries
start_program
wine_quiet winctl.exe find TfrmMain "Kalvora Professional" >/dev/null
sleep 4
dialog_shot() {
  local name="$1" caption="$2"
  wine_quiet winctl.exe find TfrmSkinned "$caption" >/dev/null || { log "no dialog \"$caption\" appeared"; return; }
  sleep 1
  shot "$name"
  wine_quiet winctl.exe command TfrmSkinned "$caption" 2 >/dev/null || true
  wine_quiet winctl.exe gone TfrmSkinned "$caption" >/dev/null || true
}
read -r HWND _ < <(wine_quiet winctl.exe find TfrmMain "Kalvora Professional")
click 88 85
click 663 337
dialog_shot dialog-hotkey "Define Hotkey"
click 88 275
click 611 347
dialog_shot dialog-defaults "Kalvora Professional"
click 88 275
# 102: "Manage entries..." of the engine's tray menu.
wine_quiet winctl.exe command TfrmEngine "Memory Engine" 102 >/dev/null || log "the engine took no command"
read -r _ _ _ _ _ X Y W H < <(wine_quiet winctl.exe find TfrmSkinned "Free and run menu - manage entries")
sleep 6
import -window root -display "$DISPLAY" -crop "${W}x${H}+${X}+${Y}" +repage "$OUT/manager.png"
log "wrote docs/screenshots/manager.png"
quit_program
