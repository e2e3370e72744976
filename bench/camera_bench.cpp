// WantsToViewVehicle, which the simulator calls between snapshots: with
// nothing to do, and with a cut due (which rewrites "driver.txt").
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "bench/race_field.hpp"

namespace {

// A plug-in that has seen a few snapshots of a 60-car race and sent its cut.
void SettleOnACar(rF2kovrel& plugin, const std::string& filesFolder) {
  SetUpPlugin(plugin, filesFolder);
  Snapshot snapshot = RaceField(60, 600.0, std::string());
  ScoringInfoV01 info = snapshot.Info();
  CameraControlInfoV01 camera{};
  for (int i = 0; i < 10; ++i) {
    plugin.UpdateScoring(info);
    plugin.WantsToViewVehicle(camera);
    info.mCurrentET += 0.2;
  }
}

void ViewNothingToDo(benchmark::State& state) {
  rF2kovrel plugin;
  SettleOnACar(plugin, UnopenableFolder());
  CameraControlInfoV01 camera{};
  for (auto _ : state) {
    benchmark::DoNotOptimize(plugin.WantsToViewVehicle(camera));
  }
  if (plugin.mWtvPath != 5) state.SkipWithError("expected the idle answer");
}

// Each call finds the wait run out, as the snapshot before it left it, and cuts.
void ViewCutDue(benchmark::State& state, const std::string& filesFolder) {
  rF2kovrel plugin;
  SettleOnACar(plugin, filesFolder);
  CameraControlInfoV01 camera{};
  for (auto _ : state) {
    plugin.mTimerFired = true;
    benchmark::DoNotOptimize(plugin.WantsToViewVehicle(camera));
  }
  if (plugin.mWtvPath != 2) state.SkipWithError("expected a cut");
}

void ViewCutDueNoFolder(benchmark::State& state) { ViewCutDue(state, UnopenableFolder()); }
void ViewCutDueWithFile(benchmark::State& state) { ViewCutDue(state, BenchFolder("camera")); }

}  // namespace

BENCHMARK(ViewNothingToDo);
BENCHMARK(ViewCutDueNoFolder);
BENCHMARK(ViewCutDueWithFile);
