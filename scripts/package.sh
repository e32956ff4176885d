#!/usr/bin/env bash
# The release command: builds both programs (release form) and writes into
# dist/ the setup for 32-bit and 64-bit Windows and a portable zip of each:
#   KalvoraSetup-<version>.exe
#   kalvora-<version>-portable-i686.zip, kalvora-<version>-portable-x86_64.zip
# <version> is major.minor of the version resource of the built kalvora.exe
# (the project's VERSION in CMakeLists.txt). Installs NSIS when missing.
#   scripts/package.sh [--build-root DIR] [--no-build] [--dist DIR]
#   --no-build  package the programs already built in the build root
set -euo pipefail
source "$(dirname "$0")/lib.sh"

DIST="$ROOT/dist"
BUILD=1
while [ $# -gt 0 ]; do
  case "$1" in
    --build-root) BUILD_ROOT="$(realpath -m "$2")"; shift 2 ;;
    --no-build) BUILD=0; shift ;;
    --dist) DIST="$(realpath -m "$2")"; shift 2 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
PACKAGE_ARCHES="i686 x86_64"

if [ "$BUILD" = 1 ]; then
  ensure_deps
  for arch in $PACKAGE_ARCHES; do
    log "building $arch"
    build_arch "$arch"
  done
elif ! command -v makensis >/dev/null; then
  echo "package: makensis is missing (Debian's nsis package; run without --no-build to install it)" >&2
  exit 1
fi

for arch in $PACKAGE_ARCHES; do
  for file in kalvora.exe default.skn dark.skn; do
    [ -f "$BUILD_ROOT/$arch/bin/$file" ] ||
      { echo "package: $BUILD_ROOT/$arch/bin/$file is missing; build both programs first" >&2; exit 1; }
  done
done

version="$(python3 "$ROOT/installer/read-version.py" "$BUILD_ROOT/x86_64/bin/kalvora.exe")"
version32="$(python3 "$ROOT/installer/read-version.py" "$BUILD_ROOT/i686/bin/kalvora.exe")"
if [ "$version" != "$version32" ]; then
  echo "package: the builds differ in version ($version32 and $version); build both from the same sources" >&2
  exit 1
fi
short="$(echo "$version" | cut -d. -f1-2)"
log "packaging version $version"

bin32="$BUILD_ROOT/i686/bin"
bin64="$BUILD_ROOT/x86_64/bin"
# The help file is the same for both builds.
helpfile=""
for candidate in "$bin32/kalvora.chm" "$bin64/kalvora.chm"; do
  [ -f "$candidate" ] && { helpfile="$candidate"; break; }
done
[ -n "$helpfile" ] || log "no kalvora.chm beside the programs: the packages go without the help file"

mkdir -p "$DIST"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Each file is written beside its place and moved there when complete, so
# that a failed run leaves no half package in dist/.
setup="KalvoraSetup-$short.exe"
nsis_defines=(-DVERSION="$version" -DVERSION_SHORT="$short" -DBIN32="$bin32" -DBIN64="$bin64"
              -DOUTFILE="$work/$setup")
[ -z "$helpfile" ] || nsis_defines+=(-DHELPFILE="$helpfile")
log "writing $setup"
makensis -V2 -NOCD "${nsis_defines[@]}" "$ROOT/installer/kalvora.nsi"
mv "$work/$setup" "$DIST/$setup"

# zip when installed, else Python's zipfile: a folder of its own inside.
make_zip() {
  local folder="$1" archive="$2"
  if command -v zip >/dev/null; then
    (cd "$(dirname "$folder")" && zip -q -r -X "$archive" "$(basename "$folder")")
  else
    python3 - "$folder" "$archive" <<'PY'
import os, sys, zipfile
folder, archive = sys.argv[1], sys.argv[2]
base = os.path.dirname(folder)
with zipfile.ZipFile(archive, 'w', zipfile.ZIP_DEFLATED) as out:
    for directory, _, files in os.walk(folder):
        for name in sorted(files):
            path = os.path.join(directory, name)
            out.write(path, os.path.relpath(path, base))
PY
  fi
}

for arch in $PACKAGE_ARCHES; do
  case "$arch" in
    i686) note="it runs on 32-bit and 64-bit Windows." ;;
    x86_64) note="it runs on 64-bit Windows only; use the i686 zip on 32-bit Windows." ;;
  esac
  stage="$work/$arch/Kalvora Professional"
  mkdir -p "$stage"
  cp "$BUILD_ROOT/$arch/bin/kalvora.exe" "$BUILD_ROOT/$arch/bin/default.skn" "$BUILD_ROOT/$arch/bin/dark.skn" "$stage/"
  [ -z "$helpfile" ] || cp "$helpfile" "$stage/"
  # Windows line ends, for Notepad.
  sed -e "s/@VERSION@/$short/g" -e "s/@ARCH@/$arch/g" -e "s/@ARCH_NOTE@/$note/g" -e 's/$/\r/' \
    "$ROOT/installer/portable-readme.txt" > "$stage/readme.txt"
  archive="kalvora-$short-portable-$arch.zip"
  log "writing $archive"
  make_zip "$stage" "$work/$archive"
  mv "$work/$archive" "$DIST/$archive"
done
log "done: $DIST"
ls -l "$DIST/$setup" "$DIST"/kalvora-"$short"-portable-*.zip >&2
