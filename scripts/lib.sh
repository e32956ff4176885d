# Shared by the build, test and run scripts: installs what is missing, builds,
# and sets up Wine on a display. Source it; do not run it.

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_ROOT="${BUILD_ROOT:-$ROOT/build}"
ARCHES="${ARCHES:-i686 x86_64}"

log() { printf '== %s\n' "$*" >&2; }

# Installs the toolchain, Wine, Xvfb and the fuzzing compiler through apt-get
# when any piece is missing.
ensure_deps() {
  local missing=()
  command -v i686-w64-mingw32-g++-posix   >/dev/null || missing+=(g++-mingw-w64-i686-posix)
  command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-x86-64-posix)
  command -v i686-w64-mingw32-windres     >/dev/null || missing+=(binutils-mingw-w64-i686)
  command -v x86_64-w64-mingw32-windres   >/dev/null || missing+=(binutils-mingw-w64-x86-64)
  command -v cmake   >/dev/null || missing+=(cmake)
  command -v make    >/dev/null || missing+=(make)
  command -v wine    >/dev/null || missing+=(wine)
  [ -e /usr/lib/wine/wine64 ] || [ -e /usr/lib/wine/wine64-preloader ] || missing+=(wine64)
  dpkg -s wine32:i386 >/dev/null 2>&1 || missing+=(wine32:i386)
  command -v Xvfb    >/dev/null || missing+=(xvfb)
  command -v xdotool >/dev/null || missing+=(xdotool)
  command -v xdpyinfo >/dev/null || missing+=(x11-utils)
  command -v import  >/dev/null || missing+=(imagemagick)
  [ -d /usr/src/googletest ] || missing+=(googletest)
  [ -d /usr/share/wine/fonts ] || missing+=(fonts-wine)
  [ -d /usr/share/fonts/truetype/liberation ] || missing+=(fonts-liberation)
  command -v chmcmd >/dev/null || missing+=(fp-utils-3.2.2)
  # The short fuzzing pass of the tests (scripts/test.d/fuzz-short.sh).
  command -v clang++ >/dev/null || missing+=(clang)
  compgen -G '/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a' >/dev/null ||
    missing+=(libclang-rt-14-dev)
  command -v makensis >/dev/null || missing+=(nsis)
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing: ${missing[*]}"
  if [ "$(id -u)" != 0 ]; then echo "need root to install: ${missing[*]}" >&2; return 1; fi
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
}

# build_arch ARCH: configures and builds build-root/ARCH.
build_arch() {
  local arch="$1" dir="$BUILD_ROOT/$1"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-$arch.cmake" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
  fi
  # Progress lines are left out; a failed build fails the caller.
  local status=0
  cmake --build "$dir" -j"$(nproc)" -- --no-print-directory > "$dir/build.log" 2>&1 || status=$?
  grep -v -E '^\[ *[0-9]+%\]' "$dir/build.log" || true
  return $status
}

STARTED_XVFB_PID=""
STARTED_WINESERVER=""

# Starts Xvfb on a free display and exports DISPLAY. The server picks the
# number itself (-displayfd), so that runs started at the same moment never
# meet on one display.
start_xvfb() {
  local numfile i
  numfile="$(mktemp /tmp/kalvora-xvfb.XXXXXX)"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
  STARTED_XVFB_PID=$!
  for i in $(seq 1 100); do
    if [ -s "$numfile" ]; then
      export DISPLAY=":$(tr -dc 0-9 < "$numfile")"
      rm -f "$numfile"
      return 0
    fi
    kill -0 "$STARTED_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$numfile"
  kill "$STARTED_XVFB_PID" 2>/dev/null; STARTED_XVFB_PID=""
  echo "cannot start Xvfb" >&2
  return 1
}

# Some kernels (some virtual machines among them) run no 32-bit processes:
# there only the 64-bit Wine loader works, and only the x86_64 programs run.
detect_wine() {
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    WINE32_WORKS=1
    export KALVORA_WINE=wine
  else
    WINE32_WORKS=0
    export KALVORA_WINE=/usr/lib/wine/wine64
    export WINELOADER=/usr/lib/wine/wine64
  fi
}

# A Wine prefix of the build (created once, with fonts), and a persistent
# wineserver so that each test process starts fast.
start_wine() {
  detect_wine
  export WINEPREFIX="${WINEPREFIX_DIR:-$BUILD_ROOT/wineprefix}"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "creating the Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    $KALVORA_WINE wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp -s /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    local reg="$WINEPREFIX/fonts.reg"
    cat > "$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Arial"="Liberation Sans"
"Times New Roman"="Liberation Serif"
"Courier New"="Liberation Mono"
"Segoe UI"="Liberation Sans"
"Tahoma"="Liberation Sans"
"Microsoft Sans Serif"="Liberation Sans"
"MS Sans Serif"="Liberation Sans"
"MS Shell Dlg"="Liberation Sans"
"MS Shell Dlg 2"="Liberation Sans"
REG
    $KALVORA_WINE regedit /S "$reg" >/dev/null 2>&1 || true
    wineserver -w
  fi
  # A crashing program prints its backtrace and ends at once, instead of
  # waiting in Wine's crash dialog until ctest's timeout.
  if ! grep -q '"ShowCrashDialog"=dword:00000000' "$WINEPREFIX/user.reg" 2>/dev/null; then
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\n"ShowCrashDialog"=dword:00000000\n' \
      > "$WINEPREFIX/winedbg.reg"
    $KALVORA_WINE regedit /S "$WINEPREFIX/winedbg.reg" >/dev/null 2>&1 || true
    wineserver -w
  fi
  # Xvfb runs no window manager: Wine would wait 2 s for one at every hide or
  # destruction of a framed window. Wine places such windows itself instead.
  if ! grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n' \
      > "$WINEPREFIX/unmanaged.reg"
    $KALVORA_WINE regedit /S "$WINEPREFIX/unmanaged.reg" >/dev/null 2>&1 || true
    wineserver -w
  fi
  # A server already running for this prefix (a run before ours) serves us too.
  wineserver -p || true
  STARTED_WINESERVER=1
  # The first program of a server session starts Wine's service processes,
  # which inherit its output: start them here, away from the tests' pipes.
  # (Not with wineboot: it would also start what the Run key names, such as
  # an autostart value a test left.)
  $KALVORA_WINE cmd /c exit >/dev/null 2>&1 </dev/null || true
}

stop_started() {
  if [ -n "$STARTED_WINESERVER" ]; then
    # Wait until the server and its processes are really gone: a next run on
    # the same prefix would otherwise meet their windows and hotkeys.
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    STARTED_WINESERVER=""
  fi
  if [ -n "$STARTED_XVFB_PID" ]; then kill "$STARTED_XVFB_PID" 2>/dev/null || true; STARTED_XVFB_PID=""; fi
}
