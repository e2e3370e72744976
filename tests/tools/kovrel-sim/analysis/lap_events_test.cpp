// Practice and qualifying: the laps that top the times and, late in
// qualifying, the laps that move a car up.
#include <gtest/gtest.h>

#include "analysis/analysis.hpp"
#include "host/host.hpp"
#include "sessions/recorded_source.hpp"
#include "sessions/results_file.hpp"
#include "sim_test_support.hpp"

namespace ksim {
namespace {

// A session of `cars` cars over `seconds`, timed only by the laps given.
class LapSessionBuilder {
 public:
  LapSessionBuilder(SessionKind kind, int cars, double seconds) {
    mRun.plan.kind = kind;
    mRun.plan.endTime = seconds;
    mRun.plan.split2 = 0.65;
    mRun.endTime = seconds;
    for (int i = 0; i < cars; ++i) {
      CarEntry entry;
      entry.id = 10 + i;
      entry.driver = "Driver " + std::string(1, static_cast<char>('A' + i));
      mRun.plan.cars.push_back(entry);
    }
  }
  // A lap of `car` ending at `end`, begun `time` earlier by a line crossing
  // that ended its out lap (a car's laps must not overlap).
  LapSessionBuilder& Lap(int car, double end, double time, bool valid = true, bool split = true) {
    mRun.timing.push_back(TimingMark{end - time, car, 0, false});
    if (split) mRun.timing.push_back(TimingMark{end - 0.3 * time, car, 2, true});
    mRun.timing.push_back(TimingMark{end, car, 0, valid});
    return *this;
  }
  SessionRun Build() {
    SessionRun run = mRun;
    std::stable_sort(run.timing.begin(), run.timing.end(),
                     [](const TimingMark& a, const TimingMark& b) { return a.time < b.time; });
    return run;
  }

 private:
  SessionRun mRun;
};

std::vector<Event> OfKind(const std::vector<Event>& events, EventKind kind) {
  std::vector<Event> out;
  for (const Event& e : events) {
    if (e.kind == kind) out.push_back(e);
  }
  return out;
}

TEST(LapEvents, QualifyingPoleChangeIsAnEventOnItsLastSector) {
  const SessionRun run = LapSessionBuilder(SessionKind::Qualifying, 3, 900)
                             .Lap(0, 200, 90.0)
                             .Lap(1, 300, 89.5)   // takes pole from car 0
                             .Lap(2, 400, 91.0)   // third: no event
                             .Lap(0, 500, 89.8)   // improves, but not to pole and not late
                             .Lap(2, 800, 89.0)   // takes pole late
                             .Lap(1, 850, 89.1, false)  // invalid: no time
                             .Build();
  const auto events = FindEvents(run);
  const auto poles = OfKind(events, EventKind::PoleLap);
  ASSERT_EQ(poles.size(), 3u);
  EXPECT_EQ(poles[1].cars, std::vector<int>{1});
  EXPECT_DOUBLE_EQ(poles[1].time, 300.0);
  EXPECT_DOUBLE_EQ(poles[1].lapTime, 89.5);
  EXPECT_NEAR(poles[1].momentStart, 300.0 - 0.3 * 89.5, 1e-9) << "from the second split";
  EXPECT_DOUBLE_EQ(poles[1].momentEnd, 300.0);
  EXPECT_EQ(poles[2].cars, std::vector<int>{2});
  EXPECT_DOUBLE_EQ(poles[2].weight, 3.0);
  EXPECT_STREQ(EventKindName(EventKind::PoleLap), "pole_lap");
  EXPECT_TRUE(OfKind(events, EventKind::ImprovingLap).empty()) << "car 0's improvement at 500 s is not in the last third";
  EXPECT_TRUE(OfKind(events, EventKind::PitStop).empty());
  EXPECT_TRUE(OfKind(events, EventKind::Overtake).empty());
}

TEST(LapEvents, LateImprovementCountsOnlyWhenItGainsAPlace) {
  const SessionRun run = LapSessionBuilder(SessionKind::Qualifying, 4, 900)
                             .Lap(0, 100, 88.0)
                             .Lap(1, 110, 89.0)
                             .Lap(2, 120, 90.0)
                             .Lap(2, 700, 89.5)               // better, still third
                             .Lap(2, 800, 88.5, true, false)  // P3 to P2, split not recorded
                             .Lap(3, 780, 95.0)               // first time, last of all
                             .Lap(3, 880, 88.8)               // P4 to P3
                             .Build();
  const auto improving = OfKind(FindEvents(run), EventKind::ImprovingLap);
  ASSERT_EQ(improving.size(), 2u);
  EXPECT_EQ(improving[0].cars, std::vector<int>{2});
  EXPECT_EQ(improving[0].place, 2);
  EXPECT_NEAR(improving[0].momentStart, 800.0 - 0.35 * 88.5, 1e-9) << "the track's second split";
  EXPECT_EQ(improving[1].cars, std::vector<int>{3});
  EXPECT_EQ(improving[1].place, 3);
  EXPECT_DOUBLE_EQ(improving[1].weight, 1.0);

  // Practice has no grid to climb: only the session's best laps count.
  SessionRun practice = run;
  practice.plan.kind = SessionKind::Practice;
  const auto events = FindEvents(practice);
  EXPECT_TRUE(OfKind(events, EventKind::ImprovingLap).empty());
  EXPECT_EQ(OfKind(events, EventKind::PoleLap).size(), 1u);
}

TEST(LapEvents, ARealQualifyingEndsWithItsPolesitterOnTheLastPoleLap) {
  const RecordedSession recorded = ReadResultsFile(ksim_test::ResultsFile("hockenheim-qualifying-2023.xml"));
  auto source = ReplaySession(recorded);
  const SessionRun run = RecordSession(*source, 5.0);
  const auto events = FindEvents(run);
  const auto poles = OfKind(events, EventKind::PoleLap);
  ASSERT_GE(poles.size(), 2u);
  for (std::size_t i = 1; i < poles.size(); ++i) EXPECT_LT(poles[i].lapTime, poles[i - 1].lapTime);
  EXPECT_EQ(poles.back().cars.at(0), run.finalOrder.at(0));
  EXPECT_FALSE(OfKind(events, EventKind::ImprovingLap).empty());
  for (const Event& e : events) {
    if (e.kind == EventKind::ImprovingLap) {
      EXPECT_GE(e.time, 2.0 / 3.0 * run.plan.endTime);
    }
    if (e.kind == EventKind::PoleLap || e.kind == EventKind::ImprovingLap) {
      EXPECT_LT(e.momentStart, e.momentEnd);
      EXPECT_GT(e.momentEnd - e.momentStart, 0.2 * e.lapTime);
    }
  }
  // Scored as a race is: its reference is reachable, not a free 1.
  const Coverage coverage = AnalyseSession(run, DirectorSettings{});
  EXPECT_GT(coverage.totalWeight, 0.0);
  EXPECT_LT(coverage.score, coverage.reference);
}

}  // namespace
}  // namespace ksim
