// A run recorded as a snapshot trace and the trace replayed give the same
// cuts, the same events and the same verdicts, and the plug-in's own
// recording of the run is the host's byte for byte.
#include <gtest/gtest.h>

#include <filesystem>

#include "analysis/analysis.hpp"
#include "host/host.hpp"
#include "sessions/generator.hpp"
#include "sessions/recorded_source.hpp"
#include "sessions/results_file.hpp"
#include "sessions/snapshot_trace.hpp"
#include "sessions/trace_source.hpp"
#include "sim_test_support.hpp"

namespace {

using Sessions = std::vector<std::unique_ptr<ksim::SessionSource>>;

ksim::RunResult RunTraced(Sessions sessions, const std::string& work, const std::string& recordTrace,
                    std::vector<ksim::Setting> settings) {
  ksim::RunOptions options;
  options.pluginPath = KSIM_PLUGIN;
  options.workFolder = work;
  options.directorSeed = 11;
  options.recordTrace = recordTrace;
  options.settings = std::move(settings);
  return ksim::RunSessions(sessions, options);
}

void ExpectSameRun(const ksim::RunResult& a, const ksim::RunResult& b) {
  ASSERT_EQ(a.sessions.size(), 1u);
  ASSERT_EQ(b.sessions.size(), 1u);
  const ksim::SessionRun& ra = a.sessions[0];
  const ksim::SessionRun& rb = b.sessions[0];
  ASSERT_EQ(ra.cuts.size(), rb.cuts.size());
  for (std::size_t i = 0; i < ra.cuts.size(); ++i) {
    EXPECT_EQ(ra.cuts[i].time, rb.cuts[i].time) << i;
    EXPECT_EQ(ra.cuts[i].slotId, rb.cuts[i].slotId) << i;
    EXPECT_EQ(ra.cuts[i].camera, rb.cuts[i].camera) << i;
  }
  EXPECT_EQ(ra.replays.size(), rb.replays.size());
  const ksim::Coverage ca = ksim::AnalyseSession(ra, a.settings);
  const ksim::Coverage cb = ksim::AnalyseSession(rb, b.settings);
  ASSERT_EQ(ca.events.size(), cb.events.size());
  ASSERT_GT(ca.events.size(), 5u);
  for (std::size_t i = 0; i < ca.events.size(); ++i) {
    EXPECT_EQ(ca.events[i].kind, cb.events[i].kind) << i;
    EXPECT_EQ(ca.events[i].time, cb.events[i].time) << i;
    EXPECT_EQ(ca.events[i].cars, cb.events[i].cars) << i;
    EXPECT_EQ(ca.events[i].verdict, cb.events[i].verdict) << i;
  }
  EXPECT_EQ(ca.score, cb.score);
}

TEST(TraceRoundTrip, AGeneratedRaceAndAResultsFileReplayComeBackTheSame) {
  ksim_test::TempDir dir(true);
  ksim::GeneratorOptions generated;
  generated.cars = 12;
  generated.laps = 3;
  generated.seed = 33;
  ksim::RecordedSession hockenheim = ksim::ReadResultsFile(std::string(KSIM_RESULTS) + "/hockenheim-race-2023.xml");
  const std::vector<ksim::Setting> thresholds = {{"lowinc", "1000"}, {"highinc", "2000"}, {"recordtrace", "1"}};
  for (int source = 0; source < 2; ++source) {
    SCOPED_TRACE(source == 0 ? "generated race" : "results file");
    const std::string work = dir.File("record" + std::to_string(source));
    const std::string trace = dir.File("run" + std::to_string(source) + ".kvt");
    Sessions sessions;
    sessions.push_back(source == 0 ? ksim::GenerateSession(generated) : ksim::ReplaySession(hockenheim));
    const ksim::RunResult recorded = RunTraced(std::move(sessions), work, trace, thresholds);
    ASSERT_EQ(recorded.traceFiles, std::vector<std::string>{trace});
    // The plug-in recorded what it was handed: the host's trace, byte for
    // byte, but for the host's mark of a field rebuilt from timing points.
    std::string pluginTrace;
    for (const auto& entry : std::filesystem::directory_iterator(recorded.filesFolder)) {
      if (entry.path().extension() == ".kvt") pluginTrace = ksim_test::ReadBytes(entry.path().string());
    }
    std::string hostTrace = ksim_test::ReadBytes(trace);
    const std::size_t mark = hostTrace.find(" x1\n");
    EXPECT_EQ(mark != std::string::npos, source == 1);
    if (mark != std::string::npos) hostTrace.erase(mark, 3);
    EXPECT_TRUE(pluginTrace == hostTrace) << "the plug-in's trace differs from the host's";

    Sessions replay;
    replay.push_back(ksim::ReplayTrace(std::make_shared<const ksim::SnapshotTrace>(ksim::ReadSnapshotTrace(trace))));
    EXPECT_EQ(replay[0]->Plan().progressExact, source == 0) << "a results file's field is known at timing points";
    const ksim::RunResult replayed = RunTraced(std::move(replay), dir.File("replay" + std::to_string(source)), "", thresholds);
    ExpectSameRun(recorded, replayed);
  }
}

}  // namespace
