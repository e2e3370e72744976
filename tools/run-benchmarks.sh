#!/usr/bin/env bash
# Sets the machine up, builds the optimised preset and runs the benchmarks:
# every figure, then the ratios to the file-system floor and the goals. Extra
# arguments go to the benchmark program (for example --benchmark_filter=View).
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup-machine.sh

jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))
cmake --preset linux-release >/dev/null
cmake --build --preset linux-release --target kovrel_bench -j "$jobs"

echo "== machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -n1)"
echo "== benchmarks"
build/linux-release/bench/kovrel_bench "$@"
