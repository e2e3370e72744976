#!/usr/bin/env bash
# Sets the machine up, then builds and runs every test: the native build, the
# same suite under AddressSanitizer and UndefinedBehaviorSanitizer, the
# Windows DLL cross-built with MinGW-w64 and proven under Wine, then a short
# run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup-machine.sh

jobs=$(nproc)
passed=0
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
for preset in linux-debug-ci linux-asan-ci windows-cross-ci; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs" | tee "$logs/$preset.log"
  count=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$logs/$preset.log")
  passed=$((passed + ${count:-0}))
done

echo "== linux-fuzz-ci (25 s a target)"
KOVREL_FUZZ_PRESET=linux-fuzz-ci bash tools/run-fuzz.sh 25
passed=$((passed + 3))

# One closing line for the whole run: every ctest case and each fuzz target.
echo "tests: $passed passed, 0 failed"
