// How fast the host makes snapshots: a synthetic 60-minute race of 30 cars and
// a real results file, each through the scoreboard, and the same race through
// the plug-in (whose own file writes are part of that figure); and how fast a
// review reads a 500 MB debug log, with the peak memory it took.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <memory>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "review/debug_log.hpp"

#include "outputs/trace_format.hpp"
#include "sessions/generator.hpp"
#include "sessions/snapshot_trace.hpp"
#include "sessions/trace_source.hpp"
#include "sessions/recorded_source.hpp"
#include "sessions/results_file.hpp"
#include "host/host.hpp"
#include "host/scoreboard.hpp"
#include "analysis/analysis.hpp"

namespace {

ksim::GeneratorOptions HourRace() {
  ksim::GeneratorOptions options;
  options.cars = 30;
  options.laps = 0;
  options.minutes = 60.0;
  options.seed = 2026;
  return options;
}

long long Play(ksim::SessionSource& source) {
  ksim::Scoreboard board(source.Plan());
  std::string stream;
  std::vector<ksim::Crossing> crossings;
  long long snapshots = 0;
  for (long long k = 0;; ++k) {
    const double t = static_cast<double>(k) * 0.2;
    crossings.clear();
    source.AdvanceTo(t, stream, crossings);
    board.Update(t, source, crossings);
    board.Info().mResultsStream = stream.data();
    benchmark::DoNotOptimize(board.Info());
    ++snapshots;
    if (source.Over()) break;
  }
  return snapshots;
}

void BM_GeneratedHourRaceOf30Cars(benchmark::State& state) {
  long long snapshots = 0;
  for (auto _ : state) {
    auto source = ksim::GenerateSession(HourRace());
    snapshots += Play(*source);
  }
  state.counters["snapshots/s"] = benchmark::Counter(static_cast<double>(snapshots), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GeneratedHourRaceOf30Cars)->Unit(benchmark::kMillisecond);

void BM_RecordedHockenheimRace(benchmark::State& state) {
  const ksim::RecordedSession session =
      ksim::ReadResultsFile(std::string(KSIM_RESULTS) + "/hockenheim-race-2023.xml");
  long long snapshots = 0;
  for (auto _ : state) {
    auto source = ksim::ReplaySession(session);
    snapshots += Play(*source);
  }
  state.counters["snapshots/s"] = benchmark::Counter(static_cast<double>(snapshots), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RecordedHockenheimRace)->Unit(benchmark::kMillisecond);

void BM_HourRaceThroughThePlugin(benchmark::State& state) {
  const std::filesystem::path folder = std::filesystem::is_directory("/dev/shm")
                                           ? std::filesystem::path("/dev/shm/kovrel-sim-bench")
                                           : std::filesystem::temp_directory_path() / "kovrel-sim-bench";
  long long snapshots = 0;
  double host = 0.0;
  for (auto _ : state) {
    std::vector<std::unique_ptr<ksim::SessionSource>> sessions;
    sessions.push_back(ksim::GenerateSession(HourRace()));
    ksim::RunOptions options;
    options.pluginPath = KSIM_PLUGIN;
    options.workFolder = folder.string();
    const ksim::RunResult result = ksim::RunSessions(sessions, options);
    snapshots += result.snapshots;
    host += result.wallSeconds - result.scoringSeconds - result.callbackSeconds;
  }
  std::filesystem::remove_all(folder);
  state.counters["snapshots/s"] = benchmark::Counter(static_cast<double>(snapshots), benchmark::Counter::kIsRate);
  state.counters["host snapshots/s"] = static_cast<double>(snapshots) / host;
}
BENCHMARK(BM_HourRaceThroughThePlugin)->Unit(benchmark::kMillisecond)->Iterations(2);

// The analysis of the same race as the program makes it after a run, beside
// the run's own time: its share of the whole.
void BM_AnalysisOfTheHourRace(benchmark::State& state) {
  const std::filesystem::path folder = std::filesystem::is_directory("/dev/shm")
                                           ? std::filesystem::path("/dev/shm/kovrel-sim-bench-analysis")
                                           : std::filesystem::temp_directory_path() / "kovrel-sim-bench-analysis";
  std::vector<std::unique_ptr<ksim::SessionSource>> sessions;
  sessions.push_back(ksim::GenerateSession(HourRace()));
  ksim::RunOptions options;
  options.pluginPath = KSIM_PLUGIN;
  options.workFolder = folder.string();
  options.directorSeed = 1;
  const ksim::RunResult result = ksim::RunSessions(sessions, options);
  std::filesystem::remove_all(folder);
  std::size_t events = 0;
  for (auto _ : state) {
    const ksim::Coverage coverage = ksim::AnalyseSession(result.sessions.at(0), result.settings);
    events = coverage.events.size();
    benchmark::DoNotOptimize(coverage.score);
  }
  state.counters["run_s"] = result.wallSeconds;
  state.counters["events"] = static_cast<double>(events);
  state.counters["snapshots"] = static_cast<double>(result.snapshots);
}
BENCHMARK(BM_AnalysisOfTheHourRace)->Unit(benchmark::kMillisecond);

// The analysis alone over fields of different sizes: its cost per snapshot
// and car should stay flat.
void BM_AnalysisBySnapshotsAndCars(benchmark::State& state) {
  ksim::GeneratorOptions generated = HourRace();
  generated.cars = static_cast<int>(state.range(0));
  generated.minutes = static_cast<double>(state.range(1));
  auto source = ksim::GenerateSession(generated);
  const ksim::SessionRun run = ksim::RecordSession(*source, 5.0);
  ksim::DirectorSettings settings;
  settings.known = true;
  for (auto _ : state) benchmark::DoNotOptimize(ksim::AnalyseSession(run, settings).score);
  const double cells = static_cast<double>(run.field.Snapshots()) * run.field.Cars();
  state.counters["ns/(snapshot*car)"] =
      benchmark::Counter(cells * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AnalysisBySnapshotsAndCars)
    ->Args({10, 30})->Args({30, 30})->Args({30, 60})->Args({30, 120})->Args({60, 60})
    ->Unit(benchmark::kMillisecond);

}  // namespace

// A log of many appended race sessions: State lines at 5 Hz, a cut every
// 15 s, a replay's lines now and then, written once to memory-backed storage.
std::string LargeLog(std::uint64_t bytes) {
  const std::string folder = std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path().string();
  const std::string path = folder + "/kovrel-review-bench.log";
  if (std::filesystem::exists(path) && std::filesystem::file_size(path) >= bytes) return path;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::uint64_t written = 0;
  char line[400];
  for (int session = 0; written < bytes; ++session) {
    out << "Auto camera: on\r\n";
    for (int k = 0; k < 5 * 3600 && written < bytes; ++k) {
      const int car = 30 + (k / 75) % 20;
      const bool replay = k % 3000 > 2900;
      const int n = std::snprintf(line, sizeof line,
                                  "t=%.3f ses=10 ph=5 sip=interestdiff intdiff=3 obdiff=0.400 wait=15 pmb=0.321 "
                                  "mb=0.412 npos=3 apos=3 nveh=%d aveh=%d rveh=%d inpit=0 sbs=0 pdrv=0 psid=-1 "
                                  "tfired=0 wtvN=6 rep=%d wpath=%d stream_len=%d\r\n",
                                  k * 0.2, car, car, replay ? 33 : -1, replay ? 1 : 0, replay ? 4 : 1, 1000 + k * 40);
      out.write(line, n);
      written += static_cast<std::uint64_t>(n);
    }
  }
  return path;
}

void BM_ReviewReadsA500MBLog(benchmark::State& state) {
  const std::string path = LargeLog(500ull * 1024 * 1024);
  std::uint64_t bytes = 0;
  for (auto _ : state) {
    const ksim::DebugLog log = ksim::ReadDebugLog(path);
    bytes += log.bytes;
    benchmark::DoNotOptimize(log.segments.size());
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_ReviewReadsA500MBLog)->Unit(benchmark::kMillisecond)->Iterations(2);

// Snapshot traces: the trace of a 44-car hour (a synthetic race and the
// shared 44-car LMU race rebuilt from its results file) as the plug-in would
// record it, its size per hour, and how fast the host replays it alone
// (reading each snapshot and taking it into its scoreboard).
std::string TraceOf(ksim::SessionSource& source) {
  ksim::Scoreboard board(source.Plan());
  TraceWriter writer;
  std::string trace = kTraceHeader;
  std::string stream;
  std::vector<ksim::Crossing> crossings;
  for (long long k = 0;; ++k) {
    const double t = RoundedTraceTime(static_cast<double>(k) * 0.2);
    crossings.clear();
    const std::size_t mark = stream.size();
    source.AdvanceTo(t, stream, crossings);
    board.Update(t, source, crossings);
    RoundToTrace(board.Info());
    const std::string added = stream.substr(mark);
    board.Info().mResultsStream = const_cast<char*>(added.c_str());
    writer.Append(board.Info(), trace);
    if (source.Over()) break;
  }
  return trace;
}

void TraceSizeAndReplay(benchmark::State& state, std::unique_ptr<ksim::SessionSource> source) {
  const std::string bytes = TraceOf(*source);
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "kovrel-sim-bench.kvt";
  { std::ofstream(file, std::ios::binary) << bytes; }
  auto trace = std::make_shared<const ksim::SnapshotTrace>(ksim::ReadSnapshotTrace(file.string()));
  std::filesystem::remove(file);
  long long snapshots = 0;
  for (auto _ : state) {
    auto replay = ksim::ReplayTrace(trace);
    ksim::Scoreboard board(replay->Plan());
    std::string stream;
    std::vector<ksim::Crossing> crossings;
    double t = 0.0;
    for (long long k = 0; replay->SnapshotTime(k, t); ++k) {
      crossings.clear();
      replay->AdvanceTo(t, stream, crossings);
      board.Take(*replay);
      benchmark::DoNotOptimize(board.Info());
      ++snapshots;
    }
  }
  const double hours = std::max(1e-9, trace->times.back() / 3600.0);
  state.counters["cars"] = static_cast<double>(trace->plan.cars.size());
  state.counters["trace_MB_per_hour"] = static_cast<double>(bytes.size()) / 1e6 / hours;
  state.counters["snapshots/s"] = benchmark::Counter(static_cast<double>(snapshots), benchmark::Counter::kIsRate);
}

void BM_TraceOfA44CarHour(benchmark::State& state) {
  ksim::GeneratorOptions options = HourRace();
  options.cars = 44;
  TraceSizeAndReplay(state, ksim::GenerateSession(options));
}
BENCHMARK(BM_TraceOfA44CarHour)->Unit(benchmark::kMillisecond);

void BM_TraceOfTheLmuRace(benchmark::State& state) {
  const ksim::RecordedSession session =
      ksim::ReadResultsFile(std::string(KSIM_RESULTS) + "/barcelona-lmu-race-2026.xml");
  TraceSizeAndReplay(state, ksim::ReplaySession(session));
}
BENCHMARK(BM_TraceOfTheLmuRace)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
