#!/usr/bin/env bash
# The test run's short fuzzing pass over the skin file reader and the BMP
# decoder: from the repository's corpus, with a fixed seed and a fixed number
# of inputs, so that what it finds it finds again on the next run. clang and
# its libFuzzer runtime are installed by the test script's set-up
# (ensure_deps in scripts/lib.sh), never in the middle of the tests.
#   FUZZ_SEED, FUZZ_RUNS  another seed or number of inputs (default 20261210, 500000)
# Inputs of up to 4 KB keep the pass near a minute; scripts/fuzz.sh takes
# up to 64 KB for the longer runs.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
SEED="${FUZZ_SEED:-20261210}"
RUNS="${FUZZ_RUNS:-500000}"
if ! command -v clang++ >/dev/null ||
   ! compgen -G '/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a' >/dev/null; then
  echo "fuzz-short: clang++ or its libFuzzer runtime is missing; scripts/test.sh installs them first" >&2
  exit 1
fi
# A folder of its own, so that runs of several developers never meet, and a
# start from the repository's corpus alone. Kept when something was found.
work="$(mktemp -d /tmp/kalvora-fuzz.XXXXXX)"
echo "== fuzz-short: seed $SEED, $RUNS inputs" >&2
if FUZZ_BUILD_DIR="$work" FUZZ_SEED="$SEED" FUZZ_MAX_LEN=4096 "$ROOT/scripts/fuzz.sh" 0 "$RUNS"; then
  rm -rf "$work"
  exit 0
fi
echo "fuzz-short: found something; the inputs are in $work/artifacts. The same pass again:" >&2
echo "  FUZZ_SEED=$SEED FUZZ_RUNS=$RUNS bash scripts/test.d/fuzz-short.sh" >&2
echo "one input alone: $work/skin_fuzzer <input>" >&2
exit 1
