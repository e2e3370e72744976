#include <gtest/gtest.h>

#include "host/scoreboard.hpp"
#include "sessions/trace.hpp"

namespace {

using ksim::CarState;
using ksim::Crossing;
using ksim::Scoreboard;
using ksim::SessionKind;
using ksim::SessionPlan;
using ksim::Trace;

// A session whose cars are where the test puts them.
class FixedSource : public ksim::SessionSource {
 public:
  explicit FixedSource(SessionPlan plan) : mPlan(std::move(plan)), mCars(mPlan.cars.size()), mTraces(mPlan.cars.size()) {}
  const SessionPlan& Plan() const override { return mPlan; }
  void AdvanceTo(double, std::string&, std::vector<Crossing>&) override {}
  const CarState& Car(int i) const override { return mCars[static_cast<std::size_t>(i)]; }
  double TimeAtProgress(int i, double progress) const override {
    return mTraces[static_cast<std::size_t>(i)].TimeAt(progress);
  }
  int Phase() const override { return ksim::kPhaseGreen; }
  bool Over() const override { return false; }

  CarState& State(int i) { return mCars[static_cast<std::size_t>(i)]; }
  Trace& TraceOf(int i) { return mTraces[static_cast<std::size_t>(i)]; }

 private:
  SessionPlan mPlan;
  std::vector<CarState> mCars;
  std::vector<Trace> mTraces;
};

SessionPlan PlanOf(SessionKind kind, int cars) {
  SessionPlan plan;
  plan.kind = kind;
  plan.sessionNumber = kind == SessionKind::Race ? 10 : 5;
  plan.trackLength = 1000.0;
  plan.split1 = 0.3;
  plan.split2 = 0.6;
  for (int i = 0; i < cars; ++i) {
    ksim::CarEntry car;
    car.id = 10 + i;
    car.driver = "Driver " + std::to_string(i);
    car.gridPlace = cars - i;
    plan.cars.push_back(car);
  }
  return plan;
}

std::vector<int> Order(const Scoreboard& board) {
  std::vector<int> order;
  for (int place = 1; place <= board.Count(); ++place) order.push_back(board.IndexAtPlace(place));
  return order;
}

TEST(Trace, GivesTheEarliestTimeAProgressWasReached) {
  Trace trace;
  trace.Add(0.0, 0.0);
  trace.Add(10.0, 1.0);
  trace.Add(20.0, 1.0);  // stopped
  trace.Add(30.0, 2.0);
  EXPECT_DOUBLE_EQ(trace.TimeAt(0.5), 5.0);
  EXPECT_DOUBLE_EQ(trace.TimeAt(1.0), 10.0);
  EXPECT_DOUBLE_EQ(trace.TimeAt(1.5), 25.0);
  EXPECT_DOUBLE_EQ(trace.TimeAt(-1.0), 0.0);
  EXPECT_DOUBLE_EQ(trace.TimeAt(9.0), 30.0);
  EXPECT_DOUBLE_EQ(trace.ProgressAt(15.0), 1.0);
  EXPECT_DOUBLE_EQ(trace.ProgressAt(25.0), 1.5);
  EXPECT_DOUBLE_EQ(trace.ProgressAt(99.0), 2.0);
  trace.Add(40.0, 1.2);  // never backwards
  EXPECT_DOUBLE_EQ(trace.ProgressAt(40.0), 2.0);
}

TEST(Scoreboard, RaceOrderPutsFinishersFirstAndRetiredCarsBelowTheirLap) {
  FixedSource source(PlanOf(SessionKind::Race, 6));
  const auto set = [&](int i, double progress, int status, double finishTime, int finishLaps) {
    CarState& s = source.State(i);
    s.progress = progress;
    s.finishStatus = status;
    s.finishTime = finishTime;
    s.finishLaps = finishLaps;
    source.TraceOf(i).Add(0.0, 0.0);
    source.TraceOf(i).Add(100.0, progress);
  };
  set(0, 3.50, ksim::kFinishNone, 0, 0);
  set(1, 4.20, ksim::kFinished, 100.0, 4);
  set(2, 3.90, ksim::kRetired, 80.0, 3);
  set(3, 4.10, ksim::kFinished, 99.0, 4);
  set(4, 3.95, ksim::kFinishNone, 0, 0);
  set(5, 5.00, ksim::kDisqualified, 90.0, 4);
  Scoreboard board(source.Plan());
  board.Update(100.0, source, {});
  EXPECT_EQ(Order(board), (std::vector<int>{3, 1, 4, 0, 2, 5}));
  EXPECT_EQ(board.Vehicle(3).mPlace, 1);
  EXPECT_EQ(board.Vehicle(5).mPlace, 6);
}

TEST(Scoreboard, BeforeTheStartTheOrderIsTheGrid) {
  SessionPlan plan = PlanOf(SessionKind::Race, 3);
  plan.startTime = 50.0;
  FixedSource source(plan);
  for (int i = 0; i < 3; ++i) source.State(i).progress = -0.1 * i;
  for (int i = 0; i < 3; ++i) source.TraceOf(i).Add(0.0, source.State(i).progress);
  Scoreboard board(source.Plan());
  board.Update(10.0, source, {});
  EXPECT_EQ(Order(board), (std::vector<int>{2, 1, 0}));
  for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(board.Vehicle(i).mTimeBehindNext, 0.0) << "nobody is timed yet";
}

TEST(Scoreboard, TheGapIsTheTimeSinceTheCarAheadPassedTheSameSpot) {
  FixedSource source(PlanOf(SessionKind::Race, 2));
  source.TraceOf(0).Add(0.0, 0.0);
  source.TraceOf(0).Add(10.0, 1.0);
  source.State(0).progress = 1.0;
  source.TraceOf(1).Add(0.0, 0.0);
  source.TraceOf(1).Add(10.0, 0.8);
  source.State(1).progress = 0.8;
  Scoreboard board(source.Plan());
  board.Update(10.0, source, {});
  EXPECT_EQ(board.Vehicle(0).mPlace, 1);
  EXPECT_DOUBLE_EQ(board.Vehicle(0).mTimeBehindNext, 0.0);
  EXPECT_NEAR(board.Vehicle(1).mTimeBehindNext, 2.0, 1e-9);
  EXPECT_NEAR(board.Vehicle(1).mTimeBehindLeader, 2.0, 1e-9);
  EXPECT_NEAR(board.Vehicle(1).mLapDist, 800.0, 1e-9);
  EXPECT_EQ(board.Vehicle(1).mSector, 0);
  EXPECT_EQ(board.Vehicle(0).mSector, 1);
}

TEST(Scoreboard, LapAndSplitTimesComeFromTheTimingPoints) {
  FixedSource source(PlanOf(SessionKind::Qualifying, 1));
  Scoreboard board(source.Plan());
  board.Update(31.0, source, {Crossing{0, 30.0, 0, 1, true}});
  EXPECT_DOUBLE_EQ(board.Vehicle(0).mCurSector1, 30.0);
  EXPECT_DOUBLE_EQ(board.Vehicle(0).mCurSector2, -1.0);
  board.Update(101.0, source, {Crossing{0, 65.0, 0, 2, true}, Crossing{0, 100.0, 1, 0, true}});
  const VehicleScoringInfoV01& v = board.Vehicle(0);
  EXPECT_EQ(v.mTotalLaps, 1);
  EXPECT_DOUBLE_EQ(v.mLastLapTime, 100.0);
  EXPECT_DOUBLE_EQ(v.mBestLapTime, 100.0);
  EXPECT_DOUBLE_EQ(v.mBestSector1, 30.0);
  EXPECT_DOUBLE_EQ(v.mBestSector2, 65.0);
  EXPECT_DOUBLE_EQ(v.mLapStartET, 100.0);
  EXPECT_DOUBLE_EQ(v.mCurSector1, -1.0);
  // The line crossing says whether a lap counts: an invalid lap leaves the bests alone ...
  board.Update(200.0, source, {Crossing{0, 125.0, 1, 1, true}, Crossing{0, 160.0, 1, 2, true},
                               Crossing{0, 195.0, 2, 0, false}});
  EXPECT_EQ(board.Vehicle(0).mTotalLaps, 2);
  EXPECT_DOUBLE_EQ(board.Vehicle(0).mLastLapTime, -1.0);
  EXPECT_DOUBLE_EQ(board.Vehicle(0).mBestLapTime, 100.0);
  EXPECT_DOUBLE_EQ(board.Vehicle(0).mBestSector1, 30.0);
  // ... and a lap that counts may lack a split, as the simulator's files show.
  board.Update(300.0, source, {Crossing{0, 221.0, 2, 1, true}, Crossing{0, 250.0, 2, 2, false},
                               Crossing{0, 290.0, 3, 0, true}});
  EXPECT_DOUBLE_EQ(board.Vehicle(0).mLastLapTime, 95.0);
  EXPECT_DOUBLE_EQ(board.Vehicle(0).mBestLapTime, 95.0);
  EXPECT_DOUBLE_EQ(board.Vehicle(0).mBestSector1, 26.0);
  EXPECT_DOUBLE_EQ(board.Vehicle(0).mBestSector2, 65.0);
  EXPECT_DOUBLE_EQ(board.Vehicle(0).mLastSector2, -1.0);
}

TEST(Scoreboard, QualifyingRanksByBestLapAndGapsAreItsDifferences) {
  FixedSource source(PlanOf(SessionKind::Qualifying, 3));
  Scoreboard board(source.Plan());
  const auto lap = [](int car, double start, double time) {
    return std::vector<Crossing>{Crossing{car, start + time * 0.3, 0, 1, true}, Crossing{car, start + time * 0.6, 0, 2, true},
                                 Crossing{car, start + time, 1, 0, true}};
  };
  std::vector<Crossing> all = lap(1, 0.0, 101.5);
  for (const Crossing& c : lap(2, 0.0, 100.0)) all.push_back(c);
  std::sort(all.begin(), all.end(), [](const Crossing& a, const Crossing& b) { return a.time < b.time; });
  board.Update(110.0, source, all);
  EXPECT_EQ(Order(board), (std::vector<int>{2, 1, 0}));
  EXPECT_NEAR(board.Vehicle(1).mTimeBehindNext, 1.5, 1e-9);
  EXPECT_DOUBLE_EQ(board.Vehicle(0).mTimeBehindNext, 0.0) << "no time yet";
}

}  // namespace
