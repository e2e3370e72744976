// UpdateScoring of a race snapshot with the stream files written, beside the
// floor that the files impose: the same three files rewritten with the same
// bytes, as a plain rewrite and as the temporary file and rename the plug-in
// uses; and the director's work alone, with a files folder that cannot be
// opened.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <string>

#include "bench/race_field.hpp"
#include "outputs/standings_document.hpp"
#include "support/director_fixture.hpp"

namespace {

constexpr double kSnapshotInterval = 0.2;  // the simulator scores five times a second
constexpr std::size_t kStreamBytes = 4096;

// The three files each snapshot rewrites, in the order the plug-in writes them.
const std::array<const char*, 3> kStreamFiles = {"time.txt", "info.html", "status.json"};

// A race of `cars` cars, set up and past its first cut, snapshot by snapshot.
class Race {
 public:
  Race(int cars, const std::string& filesFolder, bool live = false, bool classes = false, bool multiclass = false)
      : Race(classes ? ThreeClassRaceField(cars, 600.0, SyntheticStream(kStreamBytes))
                     : RaceField(cars, 600.0, SyntheticStream(kStreamBytes)),
             filesFolder, live, false, multiclass) {}
  Race(const Snapshot& field, const std::string& filesFolder, bool live, bool standings, bool multiclass = false)
      : mSnapshot(field), mInfo(mSnapshot.Info()) {
    SetUpPlugin(mPlugin, filesFolder);
    mPlugin.livedirector = live ? 1 : 0;
    mPlugin.autoinc = live ? 1 : 0;
    mPlugin.standings = standings ? 1 : 0;
    mPlugin.multiclass = multiclass ? 1 : 0;
    for (int i = 0; i < 50; ++i) Next();
  }
  void Next() {
    mPlugin.UpdateScoring(mInfo);
    mInfo.mCurrentET += kSnapshotInterval;
  }
  const rF2kovrel& Plugin() const { return mPlugin; }

 private:
  rF2kovrel mPlugin;
  Snapshot mSnapshot;
  ScoringInfoV01 mInfo;
};

// The three files as the floor writes them: the bytes one snapshot of the
// race left in the plug-in's files, written under other names in the same folder.
struct FloorFiles {
  std::array<std::string, 3> paths;
  std::array<std::string, 3> temporaries;
  std::array<std::string, 3> bytes;
};

FloorFiles FloorFilesBeside(const std::string& filesFolder) {
  FloorFiles files;
  for (std::size_t i = 0; i < kStreamFiles.size(); ++i) {
    files.bytes[i] = ReadFileBytes(filesFolder + "/" + kStreamFiles[i]);
    files.paths[i] = filesFolder + "/floor-" + kStreamFiles[i];
    files.temporaries[i] = files.paths[i] + ".tmp";
  }
  return files;
}

bool WriteWhole(const std::string& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool written = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  return ::close(fd) == 0 && written;
}

bool RewriteFloor(const FloorFiles& files) {
  bool written = true;
  for (std::size_t i = 0; i < files.paths.size(); ++i) {
    written = WriteWhole(files.paths[i], files.bytes[i]) && written;
  }
  return written;
}

bool RenameFloor(const FloorFiles& files) {
  bool written = true;
  for (std::size_t i = 0; i < files.paths.size(); ++i) {
    written = WriteWhole(files.temporaries[i], files.bytes[i]) &&
              ::rename(files.temporaries[i].c_str(), files.paths[i].c_str()) == 0 && written;
  }
  return written;
}

// One snapshot, then the floor as a plain rewrite, then the floor as a
// temporary file and rename, in turn, so that all three meet the same state
// of the disk. The counters hold each one's mean.
void UpdateScoringAgainstFloor(benchmark::State& state) {
  const std::string folder = BenchFolder("scoring-" + std::to_string(state.range(0)));
  Race race(static_cast<int>(state.range(0)), folder);
  const FloorFiles floor = FloorFilesBeside(folder);
  double scoring = 0.0;
  double rewrite = 0.0;
  double rename = 0.0;
  for (auto _ : state) {
    auto mark = std::chrono::steady_clock::now();
    race.Next();
    scoring += Since(mark);
    if (!RewriteFloor(floor)) state.SkipWithError("floor write failed");
    rewrite += Since(mark);
    if (!RenameFloor(floor)) state.SkipWithError("floor write failed");
    rename += Since(mark);
  }
  const auto mean = benchmark::Counter::kAvgIterations;
  state.counters["scoring_ns"] = benchmark::Counter(scoring, mean);
  state.counters["rewrite_ns"] = benchmark::Counter(rewrite, mean);
  state.counters["rename_ns"] = benchmark::Counter(rename, mean);
}

// The standings tower's cost at 44 cars of three classes, files on disk: the
// same race with and without standings=1, a snapshot of each in turn, and
// the snapshots that wrote standings.json (one in five) on their own.
void StandingsAt44Cars(benchmark::State& state) {
  constexpr int kCars = 44;
  const Snapshot field = ThreeClassRaceField(kCars, 600.0, SyntheticStream(kStreamBytes));
  const std::string towerFolder = BenchFolder("standings-on");
  Race plain(field, BenchFolder("standings-off"), false, false);
  Race tower(field, towerFolder, false, true);
  double without = 0.0;
  double with = 0.0;
  double writing = 0.0;
  double writes = 0.0;
  for (auto _ : state) {
    auto mark = std::chrono::steady_clock::now();
    plain.Next();
    without += Since(mark);
    const double writtenBefore = tower.Plugin().mStandingsWrittenAt;
    tower.Next();
    const double snapshot = Since(mark);
    with += snapshot;
    if (tower.Plugin().mStandingsWrittenAt != writtenBefore) {
      writing += snapshot;
      writes += 1.0;
    }
  }
  const auto mean = benchmark::Counter::kAvgIterations;
  state.counters["without_ns"] = benchmark::Counter(without, mean);
  state.counters["with_ns"] = benchmark::Counter(with, mean);
  state.counters["writing_ns"] = benchmark::Counter(writes > 0.0 ? writing / writes : 0.0);
  state.counters["written_share"] = benchmark::Counter(writes, mean);
  state.counters["doc_bytes"] = benchmark::Counter(static_cast<double>(ReadFileBytes(towerFolder + "/standings.json").size()));
}

// Building the document alone, from the same field with a car on air.
void StandingsDocumentOf44Cars(benchmark::State& state) {
  Snapshot field = ThreeClassRaceField(44, 600.0, SyntheticStream(kStreamBytes));
  const ScoringInfoV01& info = field.Info();
  StandingsContext context;
  context.onAirId = 110;
  for (auto _ : state) benchmark::DoNotOptimize(StandingsDocument(info, context));
}

void DirectorWork(benchmark::State& state) {
  Race race(static_cast<int>(state.range(0)), UnopenableFolder());
  for (auto _ : state) race.Next();
}

// The same with the live director and automatic thresholds switched on.
void LiveDirectorWork(benchmark::State& state) {
  Race race(static_cast<int>(state.range(0)), UnopenableFolder(), true);
  for (auto _ : state) race.Next();
}

// The live director on a field of three classes, without and with multiclass=1.
void LiveDirectorWorkThreeClasses(benchmark::State& state) {
  Race race(static_cast<int>(state.range(0)), UnopenableFolder(), true, true);
  for (auto _ : state) race.Next();
}

void MultiClassWork(benchmark::State& state) {
  Race race(static_cast<int>(state.range(0)), UnopenableFolder(), true, true, true);
  for (auto _ : state) race.Next();
}

// What the director's work pays the system for the three files it cannot
// open: one failed open each.
void FailedOpensFloor(benchmark::State& state) {
  const std::string folder = UnopenableFolder();
  for (auto _ : state) {
    for (const char* name : kStreamFiles) {
      benchmark::DoNotOptimize(WriteWhole(folder + "/" + name + ".kovrel-tmp", std::string()));
    }
  }
}

}  // namespace

BENCHMARK(UpdateScoringAgainstFloor)->ArgName("cars")->Arg(20)->Arg(60)->Arg(100);
BENCHMARK(StandingsAt44Cars);
BENCHMARK(StandingsDocumentOf44Cars);
BENCHMARK(DirectorWork)->ArgName("cars")->Arg(20)->Arg(60)->Arg(100);
BENCHMARK(LiveDirectorWork)->ArgName("cars")->Arg(20)->Arg(60)->Arg(100);
BENCHMARK(LiveDirectorWorkThreeClasses)->ArgName("cars")->Arg(20)->Arg(100);
BENCHMARK(MultiClassWork)->ArgName("cars")->Arg(20)->Arg(100);
BENCHMARK(FailedOpensFloor);
