#!/usr/bin/env bash
# Sets the machine up, builds the optimised preset and runs the benchmarks:
# the plug-in's callbacks against their floors and goals (kovrel_bench), then
# the host simulator's throughput on a 60-minute race of 30 cars, alone
# (kovrel-sim-bench) and through the plug-in with its own options, with the
# working folder on disk and in memory. Extra arguments go to kovrel_bench
# (for example --benchmark_filter=View).
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup-machine.sh

jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))
cmake --preset linux-release >/dev/null
cmake --build --preset linux-release --target kovrel_bench kovrel-sim kovrel-sim-bench -j "$jobs"

build=build/linux-release
echo "== machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -n1)"
if command -v ss >/dev/null && ss -ltn | grep -q ':6397 '; then
  echo "   (something listens on port 6397: the probe figures are not those of an absent server)"
fi

echo "== the plug-in's callbacks"
"$build/bench/kovrel_bench" "$@"

echo
echo "== the host simulator (goal: 20000 snapshots a second or more)"
"$build/tools/kovrel-sim/kovrel-sim-bench"

race=(--session race --cars 30 --laps 0 --minutes 60 --quiet)
work=$(mktemp -d "${TMPDIR:-/tmp}/kovrel-sim-bench-XXXXXX")
trap 'rm -rf "$work" "${memory:-}"' EXIT
echo
echo "== kovrel-sim ${race[*]}, working folder on disk"
"$build/tools/kovrel-sim/kovrel-sim" "${race[@]}" --workdir "$work/run" | grep -E '^ *(run|analysis) '
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  memory=$(mktemp -d /dev/shm/kovrel-sim-bench-XXXXXX)
  echo "== kovrel-sim ${race[*]}, working folder in memory"
  "$build/tools/kovrel-sim/kovrel-sim" "${race[@]}" --workdir "$memory/run" | grep -E '^ *(run|analysis) '
fi

# The settings advisor: its default search through the real plug-in, with
# its evaluations, time and throughput a worker (goals: 120 s and 60 s).
root=$(pwd)
results="$root/../shared/data/results"
if [ -d "$results" ]; then
  advise() { (cd "$work" && "$root/$build/tools/kovrel-sim/kovrel-sim" advise --out advised.ini --report advise.html \
      --results "$@" 2>/dev/null | tail -n 3); }
  echo
  echo "== kovrel-sim advise, istanbul-race-2019.xml + monza-race-pitstops-2014.xml (goal: within 120 s)"
  advise "$results/istanbul-race-2019.xml" "$results/monza-race-pitstops-2014.xml"
  echo "== kovrel-sim advise, hockenheim-race-2023.xml (goal: within 60 s)"
  advise "$results/hockenheim-race-2023.xml"
fi
