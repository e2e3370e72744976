// What recording the snapshot trace (recordtrace=1) costs UpdateScoring: a
// 44-car race with its files folder on disk, every car moving and its gaps
// changing each snapshot, with and without the recording, in turn so that
// both meet the same state of the disk. Also the slowest single snapshot of
// each, which with the recording holds the once-a-second append.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "bench/race_field.hpp"
#include "support/director_fixture.hpp"

namespace {

constexpr double kSnapshotInterval = 0.2;

class MovingRace {
 public:
  MovingRace(int cars, const std::string& filesFolder, bool record)
      : mSnapshot(RaceField(cars, 600.0, std::string())), mInfo(mSnapshot.Info()) {
    SetUpPlugin(mPlugin, filesFolder);
    mPlugin.recordtrace = record ? 1 : 0;
    for (int i = 0; i < 50; ++i) Next();
  }
  void Next() {
    // Every car 60 m further and its gaps a little different, as in a race.
    for (int i = 0; i < mInfo.mNumVehicles; ++i) {
      VehicleScoringInfoV01& v = mInfo.mVehicle[i];
      v.mLapDist = v.mLapDist + 12.345 > mInfo.mLapDist ? 0.0 : v.mLapDist + 12.345;
      v.mTimeBehindNext += (mStep % 3 == 0 ? 0.013 : -0.006);
      v.mTimeBehindLeader += 0.007;
    }
    ++mStep;
    mPlugin.UpdateScoring(mInfo);
    mInfo.mCurrentET += kSnapshotInterval;
  }
  rF2kovrel& Plugin() { return mPlugin; }

 private:
  rF2kovrel mPlugin;
  Snapshot mSnapshot;
  ScoringInfoV01 mInfo;
  long long mStep = 0;
};

void TraceRecordingCost(benchmark::State& state) {
  const int cars = static_cast<int>(state.range(0));
  MovingRace plain(cars, BenchFolder("trace-plain-" + std::to_string(cars)), false);
  MovingRace recorded(cars, BenchFolder("trace-recorded-" + std::to_string(cars)), true);
  double plainTotal = 0.0, recordedTotal = 0.0, plainMax = 0.0, recordedMax = 0.0;
  for (auto _ : state) {
    auto mark = std::chrono::steady_clock::now();
    plain.Next();
    const double p = Since(mark);
    recorded.Next();
    const double r = Since(mark);
    plainTotal += p;
    recordedTotal += r;
    plainMax = std::max(plainMax, p);
    recordedMax = std::max(recordedMax, r);
  }
  recorded.Plugin().EndSession();
  const auto mean = benchmark::Counter::kAvgIterations;
  state.counters["plain_ns"] = benchmark::Counter(plainTotal, mean);
  state.counters["recorded_ns"] = benchmark::Counter(recordedTotal, mean);
  state.counters["extra_pct"] = 100.0 * (recordedTotal - plainTotal) / std::max(1.0, plainTotal);
  state.counters["plain_max_us"] = plainMax / 1000.0;
  state.counters["recorded_max_us"] = recordedMax / 1000.0;
}

// The trace's own work alone: the director's files folder cannot be opened,
// so what is left is the snapshot's lines and their once-a-second append.
void TraceWriteAlone(benchmark::State& state) {
  const int cars = static_cast<int>(state.range(0));
  MovingRace race(cars, UnopenableFolder(), false);
  race.Plugin().auto_ = 0;
  race.Plugin().recordtrace = 1;
  race.Plugin().filespath = BenchFolder("trace-alone-" + std::to_string(cars));
  for (auto _ : state) race.Next();
  race.Plugin().EndSession();
}

}  // namespace

BENCHMARK(TraceRecordingCost)->ArgName("cars")->Arg(44)->Iterations(20000);
BENCHMARK(TraceWriteAlone)->ArgName("cars")->Arg(44);
