#!/usr/bin/env bash
# Fuzzes the skin file reader and the BMP decoder natively with libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer (leaks included).
#   scripts/fuzz.sh SECONDS [RUNS]
# Stops at SECONDS or after RUNS inputs (when given), whichever comes first;
# SECONDS 0 sets no time limit. Starts from fuzz/corpus (real skins and
# pictures); new inputs are kept in a working corpus of the build folder,
# never in the repository. A crash, a hang (over 10 s), a leak or a broken
# rule leaves its input in the build folder and makes the script fail.
#   FUZZ_BUILD_DIR  build folder (default: build-fuzz)
#   FUZZ_MAX_LEN    longest input in bytes (default 65536)
#   FUZZ_SEED       libFuzzer's random seed (default: a new one each run). The
#                   same seed, number of runs and starting corpus (a new
#                   build folder) take the same inputs again.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
SECONDS_TO_RUN="${1:?usage: scripts/fuzz.sh SECONDS [RUNS]}"
RUNS="${2:--1}"
OUT="${FUZZ_BUILD_DIR:-$ROOT/build-fuzz}"
CXX="${FUZZ_CXX:-clang++}"
SEED="${FUZZ_SEED:-0}"
# Inputs up to 64 KB: a skin that amplifies itself needs room to do so.
MAX_LEN="${FUZZ_MAX_LEN:-65536}"
mkdir -p "$OUT/corpus" "$OUT/artifacts"

command -v "$CXX" >/dev/null || { echo "fuzz.sh: $CXX is missing (apt-get install clang libclang-rt-14-dev)" >&2; exit 2; }

SOURCES=(skin/SkinParser.cpp skin/SkinSyntax.cpp skin/SkinText.cpp skin/SkinBitmap.cpp fuzz/skin_fuzzer.cpp)
BIN="$OUT/skin_fuzzer"
NEWEST_SOURCE=$(cd "$ROOT" && ls -t "${SOURCES[@]}" skin/*.h | head -1)
if [ ! -x "$BIN" ] || [ "$ROOT/$NEWEST_SOURCE" -nt "$BIN" ]; then
  echo "== building the fuzzer" >&2
  (cd "$ROOT" && "$CXX" -std=c++20 -g -O1 -I. \
     -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer \
     "${SOURCES[@]}" -o "$BIN")
fi

# With a given seed the run repeats: libFuzzer then does not reread its corpus
# folder while it runs, and the address layout stays the same from run to run
# (some of the values the reader compares, and so the fuzzer's choices,
# depend on where things lie in memory).
RUNNER=()
EXTRA=()
if [ "$SEED" != 0 ]; then
  EXTRA=(-reload=0)
  if setarch "$(uname -m)" -R true 2>/dev/null; then
    RUNNER=(setarch "$(uname -m)" -R)
  else
    echo "== address randomisation cannot be switched off here: the run may not repeat exactly" >&2
  fi
fi

cp -n "$ROOT"/fuzz/corpus/* "$OUT/corpus/" 2>/dev/null || true
if [ "$SECONDS_TO_RUN" = 0 ]; then echo "== fuzzing $RUNS inputs" >&2; else echo "== fuzzing for ${SECONDS_TO_RUN}s" >&2; fi
cd "$OUT"
# The whole output goes to fuzz.log; only the summary lines are shown. The
# fuzzer's own status decides (a pipe's status would be lost here).
status=0
ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ${RUNNER[@]+"${RUNNER[@]}"} "$BIN" -seed="$SEED" ${EXTRA[@]+"${EXTRA[@]}"} -max_total_time="$SECONDS_TO_RUN" -runs="$RUNS" -timeout=10 -rss_limit_mb=2048 -max_len="$MAX_LEN" -len_control=0 \
    -dict="$ROOT/fuzz/skn.dict" -artifact_prefix="$OUT/artifacts/" -print_final_stats=1 \
    corpus > "$OUT/fuzz.log" 2>&1 || status=$?
grep -E '^(INFO: Seed:|#[0-9]+[[:space:]]+(DONE|INITED)|stat::number_of_executed_units|stat::peak_rss|==|SUMMARY|.*ERROR|.*Test unit written)' "$OUT/fuzz.log" >&2 || true
if [ "$status" -ne 0 ]; then
  echo "fuzz.sh: the fuzzer stopped with status $status; inputs in $OUT/artifacts, its output in $OUT/fuzz.log" >&2
  exit 1
fi
echo "== no crash, hang or leak" >&2
