#!/usr/bin/env bash
# The user guide's picture of the standings tower: the shared 44-car LMU race
# (three classes) replayed through the plug-in with standings=1, its files
# folder copied at half distance (the leader's tenth lap of twenty, 960 s of
# session time), and the overlay page rendered over a plain backdrop at
# 1920 x 1080 into docs/overlay-tower.png, and at 1280 x 720 (the page scaled
# as a 720p stream shows it) into the build folder, for a look at its legibility.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=linux-debug
build=build/$preset
[ -f "$build/CMakeCache.txt" ] || cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j 2 --target rf2kovrel kovrel-sim kovrel_overlay_screenshot

work=$build/overlay-tower
rm -rf "$work"
"$build/tools/kovrel-sim/kovrel-sim" --results ../shared/data/results/barcelona-lmu-race-2026.xml \
  --set standings=1 --set lowinc=1000 --set highinc=2000 --director-seed 7 \
  --copy-files-at 960 --workdir "$work" --quiet >/dev/null
files=$work/files-race-960s
"$build/tests/docs/overlay/kovrel_overlay_screenshot" "$files" docs/overlay-tower.png
"$build/tests/docs/overlay/kovrel_overlay_screenshot" "$files" "$work/overlay-tower-720p.png" 1280
echo "standings.json at half distance: $files/standings.json ($(wc -c <"$files/standings.json") bytes)"
