#!/usr/bin/env bash
# The setup and the uninstaller, as a Windows user meets them: built from the
# programs the test command has just built (scripts/package.sh --no-build),
# run silently in fresh Wine prefixes of their own, a 64-bit one (64-bit
# program, over a running copy, uninstall with and without the settings, the
# faults) and a 32-bit one (32-bit program). Own Xvfb and wineservers; nothing
# is left running. The setup is a 32-bit program: on a kernel that runs no
# 32-bit processes it cannot run, and the test says so and is skipped.
#   BUILD_ROOT  the test command's build root (default: build/)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
source "$ROOT/scripts/lib.sh"

detect_wine
if [ "$WINE32_WORKS" = 0 ]; then
  echo "installer: skipped: the setup is a 32-bit program and this kernel runs no 32-bit processes" >&2
  exit 0
fi
for arch in i686 x86_64; do
  if [ ! -f "$BUILD_ROOT/$arch/bin/kalvora.exe" ]; then
    echo "installer: skipped: the setup holds both programs and $BUILD_ROOT/$arch is not built" >&2
    exit 0
  fi
done

work="$BUILD_ROOT/installer-test"
rm -rf "$work"
mkdir -p "$work"
if ! bash "$ROOT/scripts/package.sh" --build-root "$BUILD_ROOT" --no-build --dist "$work/dist" \
     > "$work/package.log" 2>&1; then
  cat "$work/package.log" >&2
  echo "installer: scripts/package.sh failed" >&2
  exit 1
fi
version="$(python3 "$ROOT/installer/read-version.py" "$BUILD_ROOT/x86_64/bin/kalvora.exe")"
short="$(echo "$version" | cut -d. -f1-2)"
setup="$work/dist/KalvoraSetup-$short.exe"
# The help file goes into the packages when it has been built (the same
# file for both builds; package.sh takes the first).
helpfile=""
for candidate in "$BUILD_ROOT/i686/bin/kalvora.chm" "$BUILD_ROOT/x86_64/bin/kalvora.chm"; do
  [ -f "$candidate" ] && { helpfile="$candidate"; break; }
done
for arch in i686 x86_64; do
  "$arch-w64-mingw32-g++-posix" -std=c++20 -O2 -Wall -Wextra -Werror -static \
    -o "$work/install_probe-$arch.exe" "$ROOT/tests/installer/install_probe.cpp" -ladvapi32 -luser32
done

ENTRY='Software\Microsoft\Windows\CurrentVersion\Uninstall\Kalvora Professional'
SETTINGS='Software\Orlandek\Kalvora Professional 5'
RUN='Software\Microsoft\Windows\CurrentVersion\Run'
MUTEX='Kalvora Professional Setup'
FOLDER_WIN='C:\Program Files\Kalvora Professional'
PROGRAM_WIN="$FOLDER_WIN\\kalvora.exe"
UNINSTALLER_WIN="$FOLDER_WIN\\Uninstall.exe"
setup_win="Z:${setup//\//\\}"

failures=0
check() {
  local what="$1"; shift
  if "$@"; then echo "  ok: $what" >&2
  else echo "  FAILED: $what" >&2; failures=$((failures + 1)); fi
}
# The probe of the prefix's own bitness; its output without Windows line ends.
# Bounded, so that a fault shows as a failure and not as a hang.
probe() { timeout 90 "$KALVORA_WINE" "$PROBE" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
probe_is() { local expected="$1"; shift; [ "$(probe "$@")" = "$expected" ]; }
absent() { ! "$@"; }
exits_with() { local code="$1" status=0; shift; "$@" || status=$?; [ "$status" = "$code" ]; }
same_file() { cmp -s "$1" "$2"; }
run_setup() { timeout 120 "$KALVORA_WINE" "$setup" "$@" >/dev/null 2>&1; }
# The program's start with Windows, as the program writes it.
store_run_value() {
  "$KALVORA_WINE" reg add "HKCU\\$RUN" /v "Kalvora Pro" /d "\"$PROGRAM_WIN\" autostart" /f >/dev/null 2>&1
}

# Every check runs against the prefix's drive and registry.
folder() { echo "$WINEPREFIX/drive_c/Program Files/Kalvora Professional"; }
shortcut() { echo "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Kalvora Professional.lnk"; }
installed_nothing() {
  [ ! -e "$(folder)" ] && [ ! -e "$(shortcut)" ] && ! probe key-exists hklm "$ENTRY"
}
# The uninstaller returns at once and goes on as a copy of itself (Un.exe):
# done when the folder has gone and that copy has ended.
uninstall() {
  timeout 120 "$KALVORA_WINE" "$(folder)/Uninstall.exe" "$@" >/dev/null 2>&1 || return 1
  local i
  for i in $(seq 1 300); do [ -e "$(folder)" ] || break; sleep 0.2; done
  [ ! -e "$(folder)" ] && probe wait-no-process Un.exe 60
}
# Starts the installed program as a user would. Its exit code goes into
# program.status when it ends.
start_program() {
  rm -f "$work/program.status"
  ( status=0; "$KALVORA_WINE" "$PROGRAM_WIN" >/dev/null 2>&1 || status=$?
    echo "$status" > "$work/program.status" ) &
}
# The program started last has ended within 30 s, with this exit code.
program_ended_with() {
  local i
  for i in $(seq 1 150); do [ -s "$work/program.status" ] && break; sleep 0.2; done
  [ "$(cat "$work/program.status" 2>/dev/null)" = "$1" ]
}
# Its engine answers and its icons are in the notification area.
running_installed_program() { probe_is "$PROGRAM_WIN" wait-engine 30 && probe wait-tray 30; }

finish() {
  if [ -n "$STARTED_WINESERVER" ] && [ -n "${PROBE:-}" ]; then probe quit-all 20 || true; fi
  stop_started
}
trap finish EXIT

# --- The portable zips ------------------------------------------------------
echo "== installer: portable zips" >&2
# The zip holds these files in its folder, and the program of that build.
zip_holds() {
  python3 - "$@" <<'PY'
import sys, zipfile
archive, program, *names = sys.argv[1:]
with zipfile.ZipFile(archive) as z:
    listed = set(z.namelist())
    wanted = {'Kalvora Professional/' + name for name in names}
    if not wanted <= listed:
        sys.exit(f'missing: {sorted(wanted - listed)}')
    if z.read('Kalvora Professional/kalvora.exe') != open(program, 'rb').read():
        sys.exit('kalvora.exe differs from the build')
PY
}
zip_files=(kalvora.exe default.skn dark.skn readme.txt)
[ -z "$helpfile" ] || zip_files+=(kalvora.chm)
for arch in i686 x86_64; do
  check "kalvora-$short-portable-$arch.zip holds its program and files" \
    zip_holds "$work/dist/kalvora-$short-portable-$arch.zip" "$BUILD_ROOT/$arch/bin/kalvora.exe" "${zip_files[@]}"
done

# --- 64-bit Windows --------------------------------------------------------
echo "== installer: 64-bit prefix" >&2
unset WINEARCH
start_xvfb
WINEPREFIX_DIR="$work/prefix64" start_wine
PROBE="$work/install_probe-x86_64.exe"

echo "-- faults before anything is installed" >&2
check "a setup while another runs ends with an error" \
  probe_is 2 hold-mutex "$MUTEX" "\"$setup_win\" /S"
touch "$WINEPREFIX/drive_c/blocker"
check "a folder below a file is refused" exits_with 2 run_setup /S '/D=C:\blocker\Kalvora'
# R: is a place where nobody may create anything.
ln -s /sys "$WINEPREFIX/dosdevices/r:"
check "a folder that cannot be written is refused" exits_with 2 run_setup /S '/D=R:\Kalvora'
check "... and nothing is installed" installed_nothing

echo "-- silent install" >&2
check "the silent setup succeeds" run_setup /S
check "the 64-bit program is installed" same_file "$(folder)/kalvora.exe" "$BUILD_ROOT/x86_64/bin/kalvora.exe"
check "default.skn beside it" same_file "$(folder)/default.skn" "$BUILD_ROOT/x86_64/bin/default.skn"
check "dark.skn beside it" same_file "$(folder)/dark.skn" "$BUILD_ROOT/x86_64/bin/dark.skn"
check "the uninstaller beside it" test -f "$(folder)/Uninstall.exe"
if [ -n "$helpfile" ]; then
  check "kalvora.chm beside it" same_file "$(folder)/kalvora.chm" "$helpfile"
else
  echo "  (no kalvora.chm built: not looked for)" >&2
fi
check "nothing under Program Files (x86)" absent test -e "$WINEPREFIX/drive_c/Program Files (x86)/Kalvora Professional"
check "the Start menu shortcut for all users" test -f "$(shortcut)"
check "the installed-apps entry: name" probe_is "Kalvora Professional" get-string hklm "$ENTRY" DisplayName
check "... publisher" probe_is "Orlandek" get-string hklm "$ENTRY" Publisher
check "... version" probe_is "$version" get-string hklm "$ENTRY" DisplayVersion
check "... icon" probe_is "$PROGRAM_WIN,0" get-string hklm "$ENTRY" DisplayIcon
check "... size" probe value-exists hklm "$ENTRY" EstimatedSize
check "... uninstall command" probe_is "\"$UNINSTALLER_WIN\"" get-string hklm "$ENTRY" UninstallString
check "... quiet uninstall command" probe_is "\"$UNINSTALLER_WIN\" /S" get-string hklm "$ENTRY" QuietUninstallString
check "the setup writes no start with Windows" absent probe value-exists hkcu "$RUN" "Kalvora Pro"
check "a silent first install starts nothing" absent probe wait-engine 2

echo "-- the installed program" >&2
# Stored settings: the memory icon as a chart (a first start would choose a
# number), start with Windows on, no free-up of its own.
check "the test's settings are stored" probe seed-settings
start_program
check "it starts and comes up in the notification area" running_installed_program

echo "-- silent install over the running copy" >&2
# Changed under the running copy, which saves what it holds when it ends.
check "a setting is changed under the running copy" probe set-dword MemoryIconStyle 3
echo stale > "$(folder)/default.skn"
check "the silent setup succeeds" run_setup /S
check "the running copy has ended, in order (exit code 0)" program_ended_with 0
check "... saving its settings" probe_is 1 get-dword MemoryIconStyle
check "... and its start with Windows" \
  probe_is "\"$PROGRAM_WIN\" autostart" get-string hkcu "$RUN" "Kalvora Pro"
check "the files are replaced" same_file "$(folder)/default.skn" "$BUILD_ROOT/x86_64/bin/default.skn"
check "it runs again" running_installed_program

echo "-- silent uninstall" >&2
check "a setting is changed under the running copy" probe set-dword MemoryIconStyle 3
check "the silent uninstall succeeds" uninstall /S
check "the program has ended" probe wait-no-process kalvora.exe 0
check "it had run with its settings and saved them" probe_is 1 get-dword MemoryIconStyle
check "the start with Windows is gone" absent probe value-exists hkcu "$RUN" "Kalvora Pro"
check "the files, the folder, the shortcut and the entry are gone" installed_nothing
check "the settings are kept" probe key-exists hkcu "$SETTINGS"

echo "-- uninstall while another setup runs, and when the program is gone" >&2
check "the silent setup succeeds" run_setup /S
# In place (_?=) the uninstaller runs as this one process and meets the mutex.
check "an uninstall while a setup runs ends with an error" \
  probe_is 2 hold-mutex "$MUTEX" "\"$UNINSTALLER_WIN\" /S _?=$FOLDER_WIN"
check "... and removes nothing" test -f "$(folder)/kalvora.exe"
cp "$(folder)/Uninstall.exe" "$WINEPREFIX/drive_c/uninstall-again.exe"
rm "$(folder)/kalvora.exe"
check "a start with Windows is stored" store_run_value
check "the silent uninstall succeeds without the program" uninstall /S
check "... removes the start with Windows itself" absent probe value-exists hkcu "$RUN" "Kalvora Pro"
check "... and everything else" installed_nothing
check "an uninstaller run again over the removed copy finishes without error" \
  probe_is 0 run "C:\uninstall-again.exe /S _?=$FOLDER_WIN"
check "... and leaves nothing behind" installed_nothing

echo "-- silent uninstall with /REMOVESETTINGS" >&2
check "the silent setup succeeds" run_setup /S
start_program
check "the program runs" running_installed_program
check "the silent uninstall succeeds" uninstall /S /REMOVESETTINGS
check "the program has ended" probe wait-no-process kalvora.exe 0
check "the settings are gone" absent probe key-exists hkcu "$SETTINGS"
check "... and the publisher's key they were the only thing in" absent probe key-exists hkcu 'Software\Orlandek'
check "the start with Windows is gone" absent probe value-exists hkcu "$RUN" "Kalvora Pro"
check "everything else is gone" installed_nothing
probe quit-all 20 || true
stop_started

# --- 32-bit Windows --------------------------------------------------------
echo "== installer: 32-bit prefix" >&2
start_xvfb
WINEARCH=win32 WINEPREFIX_DIR="$work/prefix32" start_wine
PROBE="$work/install_probe-i686.exe"
check "the silent setup succeeds" run_setup /S
check "the 32-bit program is installed" same_file "$(folder)/kalvora.exe" "$BUILD_ROOT/i686/bin/kalvora.exe"
check "the installed-apps entry" probe_is "$version" get-string hklm "$ENTRY" DisplayVersion
check "the Start menu shortcut" test -f "$(shortcut)"
check "the test's settings are stored" probe seed-settings
start_program
check "it starts and comes up in the notification area" running_installed_program
check "the silent uninstall succeeds" uninstall /S
check "the program has ended" probe wait-no-process kalvora.exe 0
check "everything is gone" installed_nothing

if [ "$failures" -gt 0 ]; then
  echo "installer: $failures checks failed (prefixes kept in $work)" >&2
  exit 1
fi
echo "installer: all checks passed" >&2
