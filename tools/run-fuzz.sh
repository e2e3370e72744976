#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, with AddressSanitizer and
# UndefinedBehaviorSanitizer), writes their seed corpora and runs each target
# for a bounded time. Any finding stops the run with a non-zero status and
# leaves the input that triggers it under <build>/fuzz-run/artifacts.
#
#   bash tools/run-fuzz.sh [seconds per target]      (default 25)
#
# KOVREL_FUZZ_PRESET picks the preset (default linux-fuzz). The corpora grow
# in <build>/fuzz-run/corpus from run to run.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-25}"
preset="${KOVREL_FUZZ_PRESET:-linux-fuzz}"

bash tools/setup-machine.sh

jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$jobs"

build="build/$preset"
work="$build/fuzz-run"
rm -rf "$work/seeds"
mkdir -p "$work/artifacts"
# Slices of the real results streams are cut afresh from the shared folder.
"$build/bench/fuzz/kovrel_fuzz_seeds" "$work/seeds" "../shared/data/results"

# The INI target writes a file per input: keep that off the disk when possible.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

declare -A max_len=([stream]=16384 [ini]=4096 [snapshot]=8192 [trace]=16384)
status=0
for target in stream ini snapshot trace; do
  mkdir -p "$work/corpus/$target"
  log="$work/$target.log"
  echo "== fuzz $target for ${seconds}s"
  if "$build/bench/fuzz/kovrel_fuzz_$target" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -max_len="${max_len[$target]}" -print_final_stats=1 \
      -artifact_prefix="$work/artifacts/$target-" \
      "$work/corpus/$target" "$work/seeds/$target" >"$log" 2>&1; then
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    echo "   no finding: $execs inputs, $rate a second"
  else
    status=1
    echo "   FINDING (log: $log):"
    grep -E 'ERROR|SUMMARY|runtime error|Test unit written|deadly signal' "$log" | head -n 20 || true
  fi
done
exit $status
