// Fast cutting against the same director holding its shots, on the shared
// race files: a director that hops to the closest battle every 4-5 s must
// buy its score with more of the race shown, not with cuts.
#include <gtest/gtest.h>

#include <cstdio>

#include "analysis/analysis.hpp"
#include "host/host.hpp"
#include "sessions/recorded_source.hpp"
#include "sessions/results_file.hpp"
#include "sim_test_support.hpp"

namespace ksim {
namespace {

// The closest battle at snapshot k: the running car closest behind the car
// one place ahead of it, and that car.
std::pair<int, int> ClosestBattle(const FieldTimeline& field, std::size_t k) {
  std::vector<int> byPlace(static_cast<std::size_t>(field.Cars()) + 1, -1);
  for (int c = 0; c < field.Cars(); ++c) {
    const int place = field.Place(k, c);
    if (place > 0 && place <= field.Cars() && field.Running(k, c)) byPlace[static_cast<std::size_t>(place)] = c;
  }
  std::pair<int, int> best{byPlace[1], -1};
  double closest = 1e9;
  for (std::size_t place = 2; place < byPlace.size(); ++place) {
    const int chaser = byPlace[place], ahead = byPlace[place - 1];
    if (chaser < 0 || ahead < 0) continue;
    const double gap = field.Progress(k, ahead) - field.Progress(k, chaser);
    if (gap >= 0.0 && gap < closest) {
      closest = gap;
      best = {chaser, ahead};
    }
  }
  return best;
}

// Cuts to the closest battle, then holds it for the next of `holds` in turn;
// when the battle is on air already, cuts to its other car.
SessionRun ChasingBattles(const SessionRun& field, const std::vector<double>& holds) {
  SessionRun run = field;
  run.shots.clear();
  run.replays.clear();
  const FieldTimeline& f = field.field;
  std::size_t turn = 0;
  for (double t = f.Time(0); t < run.endTime;) {
    const double end = std::min(run.endTime, t + holds[turn++ % holds.size()]);
    const auto [chaser, ahead] = ClosestBattle(f, f.SnapshotAt(t));
    const bool onAir = !run.shots.empty() && run.shots.back().car == chaser;
    const int car = onAir && ahead >= 0 ? ahead : chaser;
    if (!run.shots.empty() && run.shots.back().car == car) {
      run.shots.back().end = end;
    } else if (car >= 0) {
      run.shots.push_back(Shot{t, end, car, 4, false, Reason::Battle});
    }
    t = end;
  }
  return run;
}

class SharedRace : public ::testing::TestWithParam<const char*> {};

TEST_P(SharedRace, CuttingEveryFewSecondsToTheClosestBattleScoresBelowHoldingFifteenUnlessItShowsFarMore) {
  const RecordedSession session = ReadResultsFile(ksim_test::ResultsFile(GetParam()));
  auto source = ReplaySession(session);
  const SessionRun field = RecordSession(*source, 5.0);
  DirectorSettings settings;
  const Coverage fast = AnalyseSession(ChasingBattles(field, {4.0, 5.0}), settings);
  const Coverage calm = AnalyseSession(ChasingBattles(field, {15.0}), settings);
  std::printf("%s: cutting every 4-5 s scores %.3f (credited %.1f, hurried %.2f), holding 15 s %.3f (credited %.1f)\n",
              GetParam(), fast.score, fast.shownWeight, fast.penalties.hurriedShare, calm.score, calm.shownWeight);
  if (fast.shownWeight < 1.1 * calm.shownWeight) {
    EXPECT_LT(fast.score, calm.score);
  } else {
    SUCCEED() << "credited " << fast.shownWeight << " against " << calm.shownWeight << ": 10% more, it may score above";
  }
  // The reference is the file's, whatever the director.
  EXPECT_DOUBLE_EQ(fast.reference, calm.reference);
}

INSTANTIATE_TEST_SUITE_P(Pacing, SharedRace,
                         ::testing::Values("hockenheim-race-2023.xml", "istanbul-race-2019.xml",
                                           "monza-race-pitstops-2014.xml"));

}  // namespace
}  // namespace ksim
