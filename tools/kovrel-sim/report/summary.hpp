// What a run comes to: the figures of the summary and of the report.
#pragma once

#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "analysis/analysis.hpp"
#include "record/run_record.hpp"

namespace ksim {

struct ScreenTime {
  int car = -1;
  double live = 0.0;    // seconds on air live
  double replay = 0.0;  // seconds shown in replays
  int shots = 0;
};

struct SessionSummary {
  int cuts = 0;
  int shotCount = 0;
  double shotMedian = 0.0, shotLow = 0.0, shotHigh = 0.0;  // median, 10th and 90th percentile
  double shotMin = 0.0, shotMax = 0.0;
  double covered = 0.0;  // live seconds from the director's first cut on
  std::map<Reason, int> reasons;
  std::map<int, int> cameras;
  std::vector<ScreenTime> screen;  // most screen time first
  std::vector<int> neverShown;     // car indices
  int contacts = 0;
  int replayWorthy = 0;            // contacts at or above the plug-in's thresholds
  int replayWorthyReplayed = 0;
  int replays = 0;
  int replaysComplete = 0;         // press, camera and position, slow, normal, press again
  double replaySeconds = 0.0;
};

SessionSummary Summarise(const SessionRun& run, const DirectorSettings& settings);

// True when the contact reaches the plug-in's thresholds for that session.
bool ReplayWorthy(const Contact& contact, int sessionNumber, const DirectorSettings& settings);
// The contact that a replay shows, or null.
const Contact* ReplayedContact(const SessionRun& run, const ReplayRun& replay, const DirectorSettings& settings);

// What the summary may say: a run rebuilt from a debug log knows no camera
// types, no director's reasons, no host timing and no stream files.
struct SummaryParts {
  bool cameras = true;
  bool unknownReasons = true;  // counted as "unknown" rather than left out
  bool runFigures = true;
  bool streamFiles = true;
  static SummaryParts FromLog() { return SummaryParts{false, false, false, false}; }
};

// `coverage`, when given, holds one analysis per session of the run.
void PrintSummary(std::ostream& out, const RunResult& result, const std::string& reportPath,
                  const std::vector<Coverage>* coverage = nullptr, const SummaryParts& parts = SummaryParts{});

}  // namespace ksim
