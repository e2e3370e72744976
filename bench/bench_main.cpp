// Runs the benchmarks, then prints each goal beside the figure it concerns:
// the ratios to the file-system floor and the per-call costs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

// Keeps the mean real time per iteration, in nanoseconds, of every run it shows.
class FigureKeeper : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const double nanoseconds =
          run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e9;
      Figure& figure = mFigures[run.benchmark_name()];
      figure.total += nanoseconds;
      ++figure.count;
      for (const auto& counter : run.counters) figure.counters[counter.first] += counter.second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // 0 when the benchmark did not run (filtered out or failed).
  double Nanoseconds(const std::string& name) const {
    const auto found = mFigures.find(name);
    return found == mFigures.end() ? 0.0 : found->second.total / found->second.count;
  }

  // A counter's mean over the runs; 0 when it did not run.
  double Counter(const std::string& name, const std::string& counter) const {
    const auto found = mFigures.find(name);
    if (found == mFigures.end()) return 0.0;
    const auto value = found->second.counters.find(counter);
    return value == found->second.counters.end() ? 0.0 : value->second / found->second.count;
  }

 private:
  struct Figure {
    double total = 0.0;
    int count = 0;
    std::map<std::string, double> counters;
  };
  std::map<std::string, Figure> mFigures;
};

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

void PrintFileRatios(const FigureKeeper& figures) {
  std::printf("\nUpdateScoring with the stream files, against the floor of the same three files:\n");
  std::printf("  %-5s %12s %14s %14s %10s %10s  %s\n", "cars", "scoring ns", "rewrite ns",
              "temp+rename ns", "/rewrite", "/rename", "goal <= 1.2 (against temp+rename)");
  for (const char* cars : {"20", "60", "100"}) {
    const std::string name = std::string("UpdateScoringAgainstFloor/cars:") + cars;
    const double scoring = figures.Counter(name, "scoring_ns");
    const double plain = figures.Counter(name, "rewrite_ns");
    const double rename = figures.Counter(name, "rename_ns");
    if (scoring == 0.0 || plain == 0.0 || rename == 0.0) continue;
    const double toRename = scoring / rename;
    std::printf("  %-5s %12.0f %14.0f %14.0f %10.2f %10.2f  %s\n", cars, scoring, plain, rename,
                scoring / plain, toRename, Verdict(toRename <= 1.2));
  }
}

void PrintStandingsCost(const FigureKeeper& figures) {
  const char* name = "StandingsAt44Cars";
  const double without = figures.Counter(name, "without_ns");
  const double with = figures.Counter(name, "with_ns");
  if (without == 0.0 || with == 0.0) return;
  const double added = with / without - 1.0;
  std::printf("\nstandings=1 at 44 cars of three classes, stream files on disk:\n");
  std::printf("  UpdateScoring mean %.0f ns without, %.0f ns with: %+.1f%%  goal <= +10%%  %s\n", without, with,
              100.0 * added, Verdict(added <= 0.10));
  std::printf("  a snapshot that writes standings.json (%.0f%% of them): %.0f ns; the document %.0f bytes\n",
              100.0 * figures.Counter(name, "written_share"), figures.Counter(name, "writing_ns"),
              figures.Counter(name, "doc_bytes"));
  const double building = figures.Nanoseconds("StandingsDocumentOf44Cars");
  if (building != 0.0) std::printf("  of which building the document: %.0f ns\n", building);
}

void PrintCallGoals(const FigureKeeper& figures) {
  struct Goal {
    const char* what;
    const char* name;
    double limitNanoseconds;
  };
  const Goal goals[] = {
      {"director's work, 100 cars", "DirectorWork/cars:100", 10000.0},
      {"  of which three failed opens (no goal)", "FailedOpensFloor", 0.0},
      {"WantsToViewVehicle, nothing to do", "ViewNothingToDo", 50.0},
      {"WantsToViewVehicle, cut due (no folder)", "ViewCutDueNoFolder", 50.0},
      {"WantsToViewVehicle, cut due (driver.txt)", "ViewCutDueWithFile", 50.0},
      {"SetEnvironment, complete INI", "SetEnvironmentCompleteIni", 50e6},
      {"SetEnvironment, first run", "SetEnvironmentFirstRun", 50e6},
      {"  the probe in both, nobody listening (no goal)", "ProbeNobodyListening", 0.0},
  };
  std::printf("\nPer-call goals:\n");
  for (const Goal& goal : goals) {
    const double ns = figures.Nanoseconds(goal.name);
    if (ns == 0.0) continue;
    if (goal.limitNanoseconds == 0.0) {
      std::printf("  %-48s %12.1f ns\n", goal.what, ns);
      continue;
    }
    std::printf("  %-48s %12.1f ns  goal <= %.0f ns  %s (%.2fx the goal)\n", goal.what, ns,
                goal.limitNanoseconds, Verdict(ns <= goal.limitNanoseconds),
                ns / goal.limitNanoseconds);
  }
}

// A race of three classes: multiclass=1 against the live director alone on the same field.
void PrintClassGoal(const FigureKeeper& figures) {
  std::printf("\nThe live director on a field of three classes, without and with multiclass=1:\n");
  for (const char* cars : {"20", "100"}) {
    const double live = figures.Nanoseconds(std::string("LiveDirectorWorkThreeClasses/cars:") + cars);
    const double classes = figures.Nanoseconds(std::string("MultiClassWork/cars:") + cars);
    if (live == 0.0 || classes == 0.0) continue;
    const double change = classes / live - 1.0;
    std::printf("  %3s cars %10.1f ns %10.1f ns  %+6.1f%%  goal <= +10%%  %s\n", cars, live, classes, 100.0 * change,
                Verdict(change <= 0.10));
  }
}

void PrintStreamScaling(const FigureKeeper& figures) {
  const double additions = figures.Nanoseconds("ScanAdditions");
  if (additions != 0.0) {
    std::printf("\nScanIncidents as the simulator hands the stream, each snapshot's additions (%.0f bytes a "
                "snapshot): %.0f ns\n",
                figures.Counter("ScanAdditions", "bytes_per_snapshot"), additions);
  }
  std::printf("\nScanIncidents from a host handing the whole stream, growing by 100 bytes a snapshot:\n");
  std::printf("  %-8s %12s %12s %14s %16s\n", "stream", "scan ns", "strlen ns", "scan-strlen ns",
              "whole copy ns");
  for (const char* kb : {"1", "100", "1024"}) {
    const std::string name = std::string("ScanGrowingStream/kb:") + kb;
    const double scan = figures.Counter(name, "scan_ns");
    const double strlen = figures.Counter(name, "strlen_ns");
    const double copy = figures.Nanoseconds(std::string("CopyOfStream/kb:") + kb);
    if (scan == 0.0) continue;
    std::printf("  %5s KB %12.0f %12.0f %14.0f %16.0f\n", kb, scan, strlen, scan - strlen, copy);
  }
  std::printf("  (beyond strlen: the comparison with the previous text, then the 100 new bytes)\n");
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  FigureKeeper figures;
  benchmark::RunSpecifiedBenchmarks(&figures);
  benchmark::Shutdown();
  PrintFileRatios(figures);
  PrintStandingsCost(figures);
  PrintCallGoals(figures);
  PrintClassGoal(figures);
  PrintStreamScaling(figures);
  return 0;
}
