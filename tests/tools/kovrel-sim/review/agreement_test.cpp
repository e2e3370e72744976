// The review against the run itself: a run of a real session with debug=1
// leaves the plug-in's debug log; the review of that log must give the run's
// own verdict for (nearly) every event.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <iostream>

#include "analysis/analysis.hpp"
#include "host/host.hpp"
#include "review/review.hpp"
#include "sessions/recorded_source.hpp"
#include "sim_test_support.hpp"

namespace {

struct Agreement {
  int events = 0, same = 0;
  double Share() const { return events > 0 ? static_cast<double>(same) / events : 0.0; }
};

// Events of the run and of the review, paired by kind, cars and time.
Agreement Compare(const ksim::Coverage& run, const ksim::Coverage& review) {
  Agreement a;
  std::size_t from = 0;
  for (const ksim::Event& e : run.events) {
    ++a.events;
    for (std::size_t k = from; k < review.events.size() && review.events[k].time <= e.time + 0.5; ++k) {
      const ksim::Event& r = review.events[k];
      if (r.kind == e.kind && r.cars == e.cars && std::fabs(r.time - e.time) <= 0.5) {
        if (r.verdict == e.verdict) ++a.same;
        from = k + 1;
        break;
      }
    }
  }
  return a;
}

struct Reviewed {
  ksim::DirectorSettings ran;       // as the run had them at its end
  ksim::DirectorSettings reviewed;  // as the review took them from the log
  std::vector<std::string> notes;
};

Agreement RunAndReview(const std::string& file, std::vector<ksim::Setting> settings, Reviewed* seen = nullptr) {
  ksim_test::TempDir dir(true);
  const ksim::RecordedSession session = ksim::ReadResultsFile(ksim_test::ResultsFile(file.c_str()));
  std::vector<std::unique_ptr<ksim::SessionSource>> sessions;
  sessions.push_back(ksim::ReplaySession(session));
  ksim::RunOptions options;
  options.pluginPath = KSIM_PLUGIN;
  options.workFolder = dir.File("work");
  options.settings = std::move(settings);
  options.settings.emplace_back("debug", "1");
  options.directorSeed = 11;
  const ksim::RunResult result = ksim::RunSessions(sessions, options);
  const ksim::Coverage ran = ksim::AnalyseSession(result.sessions.at(0), result.settings);

  const ksim::DebugLog log = ksim::ReadDebugLog(result.filesFolder + "/debug.log");
  const ksim::Review review = ksim::ReviewLog(log, session, ksim::DirectorSettings{}, false);
  EXPECT_LT(review.silentSeconds, 1.0) << file;
  const Agreement a = Compare(ran, review.coverage);
  if (seen != nullptr) *seen = Reviewed{result.settings, review.result.settings, review.notes};
  std::cout << "[ review ] " << file << ": " << a.same << " of " << a.events << " events with the run's verdict ("
            << 100.0 * a.Share() << "%), score " << ran.score << " run, " << review.coverage.score << " review\n";
  return a;
}

TEST(ReviewOfARunsOwnLog, GivesTheRunsVerdictForNearlyEveryEvent) {
  const Agreement a = RunAndReview("hockenheim-race-2023.xml", {{"lowinc", "1000"}, {"highinc", "2000"}});
  EXPECT_GT(a.events, 100);
  EXPECT_GE(a.Share(), 0.95);
}

// The live director cuts at other moments and for other reasons, and its
// automatic thresholds move during the session: the log still tells the same
// broadcast, and the review says which thresholds were in force.
TEST(ReviewOfARunsOwnLog, OfTheLiveDirectorWithAutomaticThresholds) {
  Reviewed seen;
  const Agreement a = RunAndReview("hockenheim-race-2023.xml",
                                   {{"lowinc", "1000"}, {"highinc", "2000"}, {"livedirector", "1"}, {"autoinc", "1"}},
                                   &seen);
  EXPECT_GT(a.events, 100);
  EXPECT_GE(a.Share(), 0.95);
  EXPECT_EQ(seen.reviewed.autoinc, 1);
  EXPECT_DOUBLE_EQ(seen.reviewed.lowincInForce, seen.ran.lowincInForce);
  EXPECT_DOUBLE_EQ(seen.reviewed.highincInForce, seen.ran.highincInForce);
  EXPECT_NE(seen.ran.highincInForce, 2000.0) << "the session's own scale took over";
  bool noted = false;
  for (const std::string& note : seen.notes) noted = noted || note.find("thresholds moved") != std::string::npos;
  EXPECT_TRUE(noted);
}

// The four shared files; long, so only when asked (KSIM_REVIEW_ALL=1).
TEST(ReviewOfARunsOwnLog, OverEverySharedResultsFile) {
  if (std::getenv("KSIM_REVIEW_ALL") == nullptr) GTEST_SKIP() << "set KSIM_REVIEW_ALL=1 to review every shared file";
  for (const char* file : {"istanbul-race-2019.xml", "monza-race-pitstops-2014.xml", "hockenheim-qualifying-2023.xml"}) {
    const bool newScale = std::string(file).find("hockenheim") != std::string::npos;
    const Agreement a = RunAndReview(file, newScale ? std::vector<ksim::Setting>{{"lowinc", "1000"}, {"highinc", "2000"}}
                                                    : std::vector<ksim::Setting>{});
    EXPECT_GE(a.Share(), 0.9) << file;
  }
}

}  // namespace
