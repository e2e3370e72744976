// What recording the snapshot trace (recordtrace=1) costs UpdateScoring: a
// 44-car race with its files folder on disk, every car moving and its gaps
// changing each snapshot, with and without the recording, in turn so that
// both meet the same state of the disk. Also the slowest single snapshot of
// each, which with the recording holds the once-a-second append.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

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

// The calling thread's processor time, system calls included: on a shared
// machine it is what the call itself costs, whatever else runs meanwhile.
double ThreadNanoseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

void TraceRecordingCost(benchmark::State& state) {
  const int cars = static_cast<int>(state.range(0));
  MovingRace plain(cars, BenchFolder("trace-plain-" + std::to_string(cars)), false);
  MovingRace recorded(cars, BenchFolder("trace-recorded-" + std::to_string(cars)), true);
  double plainTotal = 0.0, recordedTotal = 0.0, plainCpu = 0.0, recordedCpu = 0.0;
  for (auto _ : state) {
    auto mark = std::chrono::steady_clock::now();
    double cpu = ThreadNanoseconds();
    plain.Next();
    plainTotal += Since(mark);
    double now = ThreadNanoseconds();
    plainCpu += now - cpu;
    cpu = now;
    recorded.Next();
    recordedTotal += Since(mark);
    recordedCpu += ThreadNanoseconds() - cpu;
  }
  recorded.Plugin().EndSession();
  const auto mean = benchmark::Counter::kAvgIterations;
  state.counters["plain_ns"] = benchmark::Counter(plainTotal, mean);
  state.counters["recorded_ns"] = benchmark::Counter(recordedTotal, mean);
  state.counters["plain_cpu_ns"] = benchmark::Counter(plainCpu, mean);
  state.counters["recorded_cpu_ns"] = benchmark::Counter(recordedCpu, mean);
  state.counters["extra_pct"] = 100.0 * (recordedTotal - plainTotal) / std::max(1.0, plainTotal);
  state.counters["extra_cpu_pct"] = 100.0 * (recordedCpu - plainCpu) / std::max(1.0, plainCpu);
}

// The once-a-second appends alone: each snapshot timed, those that grew the
// file are the writes; their median, 99th percentile and slowest.
void TraceAppends(benchmark::State& state) {
  const int cars = static_cast<int>(state.range(0));
  MovingRace race(cars, UnopenableFolder(), false);
  race.Plugin().auto_ = 0;
  race.Plugin().recordtrace = 1;
  race.Plugin().filespath = BenchFolder("trace-appends-" + std::to_string(cars));
  std::vector<double> writes;
  std::uintmax_t size = 0;
  for (auto _ : state) {
    auto mark = std::chrono::steady_clock::now();
    race.Next();
    const double took = Since(mark);
    std::error_code error;
    const std::string path = race.Plugin().mTraceRecorder.Path();
    std::string posix = path;
    std::replace(posix.begin(), posix.end(), '\\', '/');
    const std::uintmax_t now = std::filesystem::file_size(posix, error);
    if (!error && now != size) writes.push_back(took);
    if (!error) size = now;
  }
  race.Plugin().EndSession();
  std::sort(writes.begin(), writes.end());
  const auto at = [&](double q) { return writes.empty() ? 0.0 : writes[static_cast<std::size_t>(q * (writes.size() - 1))]; };
  state.counters["writes"] = static_cast<double>(writes.size());
  state.counters["write_median_us"] = at(0.5) / 1000.0;
  state.counters["write_p99_us"] = at(0.99) / 1000.0;
  state.counters["write_max_us"] = at(1.0) / 1000.0;
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
BENCHMARK(TraceAppends)->ArgName("cars")->Arg(44)->Iterations(20000);
