#!/usr/bin/env bash
# A short, bounded fuzzing pass over the skin file reader (60 s). Installs
# clang and its libFuzzer runtime when they are missing.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  if [ "$(id -u)" != 0 ]; then echo "fuzz-short: need root to install clang" >&2; exit 1; fi
  echo "== installing clang and libclang-rt-14-dev" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y -q --no-install-recommends clang libclang-rt-14-dev >/dev/null ||
    { apt-get update -q >/dev/null && apt-get install -y -q --no-install-recommends clang libclang-rt-14-dev >/dev/null; }
fi
# A folder of its own, so that runs of several developers never meet.
work="$(mktemp -d /tmp/kalvora-fuzz.XXXXXX)"
trap 'rm -rf "$work"' EXIT
FUZZ_BUILD_DIR="$work" "$ROOT/scripts/fuzz.sh" 60
