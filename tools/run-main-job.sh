#!/usr/bin/env bash
# The main job: on a fresh Debian machine, installs what is missing, builds the
# plug-in and its host simulator (optimised), and runs a synthetic 20-car race
# through the plug-in. Prints the summary and where the report and the
# plug-in's stream files are. Extra arguments go to kovrel-sim (see --help).
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup-machine.sh

cmake --preset linux-release >/dev/null
cmake --build --preset linux-release -j "$(nproc)" --target rf2kovrel kovrel-sim

exec build/linux-release/tools/kovrel-sim/kovrel-sim --workdir kovrel-sim-run "$@"
