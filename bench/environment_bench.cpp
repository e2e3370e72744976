// SetEnvironment: reading and completing the INI file, the files folder and
// the one-time probe of the simulator's web server, with nothing listening on
// its port.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "bench/race_field.hpp"

namespace {

void SetUp(rF2kovrel& plugin, const std::string& folder) {
  EnvironmentInfoV01 info{};
  const std::string entry = folder + "\\";
  info.mPath[1] = entry.c_str();
  plugin.mWebProbeDone = false;  // every call probes, as the first one of an object does
  plugin.SetEnvironment(info);
}

// The usual start: the INI file holds every key already.
void SetEnvironmentCompleteIni(benchmark::State& state) {
  const std::string folder = BenchFolder("environment");
  rF2kovrel plugin;
  SetUp(plugin, folder);
  for (auto _ : state) SetUp(plugin, folder);
  if (plugin.mWebServerUp) state.SkipWithError("something answers on port 6397");
}

// The first start: no INI file, every key is written back.
void SetEnvironmentFirstRun(benchmark::State& state) {
  const std::string folder = BenchFolder("environment-first");
  const std::string ini = folder + "/rF2kovrel.ini";
  rF2kovrel plugin;
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(ini);
    state.ResumeTiming();
    SetUp(plugin, folder);
  }
}

// The probe alone: a refused connection to the loopback address.
void ProbeNobodyListening(benchmark::State& state) {
  rF2kovrel plugin;
  for (auto _ : state) {
    plugin.mWebProbeDone = false;
    plugin.ProbeWebServer();
  }
  if (plugin.mWebServerUp) state.SkipWithError("something answers on port 6397");
}

}  // namespace

BENCHMARK(ProbeNobodyListening)->Unit(benchmark::kMicrosecond);
BENCHMARK(SetEnvironmentCompleteIni)->Unit(benchmark::kMicrosecond);
BENCHMARK(SetEnvironmentFirstRun)->Unit(benchmark::kMicrosecond);
