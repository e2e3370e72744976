#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "support/director_fixture.hpp"
#include "support/snapshot_builder.hpp"

namespace {

class RaceChoice : public ::testing::Test {
 protected:
  void SetUp() override { ApplyDefaultSettings(plugin, folder.Path()); }

  // Green flag early in the first wait (no random place): places 1..n with
  // slot ids 101.., 100 m apart, each gaps[i] behind the car ahead.
  static Snapshot Field(const std::vector<double>& gaps, bool reversed = false) {
    Snapshot s;
    s.Session(10).Phase(5).Time(1.0);
    const int n = static_cast<int>(gaps.size());
    for (int k = 0; k < n; ++k) {
      const int i = reversed ? n - 1 - k : k;
      s.Car(101 + i, i + 1).Behind(gaps[static_cast<std::size_t>(i)]).LapDist(100.0 * (i + 1));
    }
    return s;
  }
  void Run(Snapshot& s) { plugin.UpdateScoring(s.Info()); }
  void Cut() {
    CameraControlInfoV01 cam{};
    plugin.WantsToViewVehicle(cam);
  }

  TempFolder folder;
  rF2kovrel plugin;
};

TEST_F(RaceChoice, ClosestBattleWinsAndTheLeaderIsNeverRated) {
  plugin.interest = 3;
  Snapshot s = Field({0.0, 0.8, 0.35, 1.2, 0.35});  // scores 3, 1, 6 (penalised), 1
  Run(s);
  EXPECT_EQ(plugin.mNextPlace, 3);
  EXPECT_EQ(plugin.mBattleScore, 1.0);
  EXPECT_EQ(plugin.mMinBehind, 0.35);

  Snapshot alone = Field({0.0});
  Run(alone);
  EXPECT_EQ(plugin.mBattleScore, 99999.0);
  EXPECT_EQ(plugin.mNextPlace, 1);
  EXPECT_EQ(plugin.mCutWait, 2);
}

TEST_F(RaceChoice, LowerScoreThenBetterPlaceWinsInEitherArrayOrder) {
  for (bool reversed : {false, true}) {
    Snapshot s = Field({0.0, 0.16, 0.14}, reversed);  // scores 1 and 0
    Run(s);
    EXPECT_EQ(plugin.mNextPlace, 3);
    EXPECT_EQ(plugin.mBattleScore, 0.0);
    Snapshot tie = Field({0.0, 5.0, 0.35, 0.4}, reversed);  // places 3 and 4 score 1
    Run(tie);
    EXPECT_EQ(plugin.mNextPlace, 3);
  }
}

TEST_F(RaceChoice, CarsBeyondInterestFarFromTheCarAheadArePenalised) {
  const struct { int place; double gap; double score; } cases[] = {
      {15, 0.5, 3.0}, {15, 0.3, 1.0}, {12, 0.5, 2.0}, {15, -0.5, 2.0}};
  for (const auto& c : cases) {
    Snapshot s = Field({0.0});
    s.Car(200, c.place).Behind(c.gap).LapDist(900.0);
    Run(s);
    EXPECT_EQ(plugin.mBattleScore, c.score) << c.place << " " << c.gap;
    EXPECT_EQ(plugin.mMinBehind, std::fabs(c.gap));  // without the penalty
  }
}

TEST_F(RaceChoice, SideBySideGroupOverridesBattle) {
  Snapshot s = Field({0.0, 0.2, 2.0, 2.0, 0.1, 0.1});
  s.CarAt(3).mLapDist = 500.0;
  s.CarAt(4).mLapDist = 500.7;
  s.CarAt(5).mLapDist = 501.4;
  Run(s);
  EXPECT_EQ(plugin.mSbsCount, 3);  // each car counts itself
  EXPECT_EQ(plugin.mNextPlace, 4);
  EXPECT_EQ(plugin.mMinBehind, plugin.onboarddiff + 1.0);

  s.CarAt(4).mLapDist = 0.5;  // either side of the line: far apart
  s.CarAt(5).mLapDist = 4999.8;
  Run(s);
  EXPECT_EQ(plugin.mSbsCount, 0);
  EXPECT_EQ(plugin.mNextPlace, 5);
}

TEST_F(RaceChoice, PitLaneWatchedByWordOnlyWithoutCloseBattle) {
  plugin.showinpit = "InterestDiff";
  Snapshot s = Field({0.0, 3.5, 1.0, 1.0, 1.0});
  s.CarAt(2).mPitState = 4;  // leaving, place 3
  s.CarAt(3).mPitState = 2;  // entering, place 4
  s.CarAt(4).mPitState = 3;  // stopped, place 5: not watched by word
  Run(s);
  EXPECT_TRUE(plugin.mInPit);
  EXPECT_EQ(plugin.mNextPlace, 3);
  EXPECT_EQ(plugin.mMinBehind, plugin.onboarddiff + 1.0);
  s.CarAt(1).mTimeBehindNext = 2.0;
  Run(s);
  EXPECT_FALSE(plugin.mInPit);
  EXPECT_EQ(plugin.mNextPlace, 2);
  s.CarAt(1).mTimeBehindNext = 0.0;  // no battle at all: 1.4 s is within 3 s
  Run(s);
  EXPECT_EQ(plugin.mNextPlace, 1);
  plugin.showinpit = "ALWAYS";
  Run(s);
  EXPECT_EQ(plugin.mNextPlace, 3);
}

TEST_F(RaceChoice, PitLaneWatchedByNumberWhateverTheBattles) {
  plugin.showinpit = "5";
  plugin.mShowInPitNum = 5;
  Snapshot s = Field({0.0, 0.2, 1.0, 1.0, 1.0, 1.0});
  s.CarAt(2).mPitState = 3;
  Run(s);
  EXPECT_EQ(plugin.mNextPlace, 3);
  s.CarAt(2).mPitState = 0;
  s.CarAt(5).mPitState = 2;
  Run(s);
  EXPECT_FALSE(plugin.mInPit);
  EXPECT_EQ(plugin.mNextPlace, 2);
}

// With `sbscount` 0 no group is ever "found" during the formation lap; the
// walk must go on regardless.
TEST_F(RaceChoice, FormationLapWalksDownTheGridAndBack) {
  for (int sbscount : {2, 0}) {
    plugin.ResetDirector();
    plugin.sbscount = sbscount;
    Snapshot s = Field(std::vector<double>(20, 1.0));
    s.Phase(3);
    for (int cut = 1; cut <= 21; ++cut) {
      s.Time(20.0 * cut);
      Run(s);
      Cut();
      EXPECT_EQ(plugin.mActualPlace, cut <= 20 ? cut : 1) << "sbscount " << sbscount;
    }
  }
}

TEST_F(RaceChoice, OtherPhasesShowTheLeaderSoon) {
  for (int phase : {0, 2, 6, 7, 9}) {
    Snapshot s = Field({0.0, 0.2});
    s.Phase(phase);
    Run(s);
    EXPECT_EQ(plugin.mNextPlace, 1) << phase;
    EXPECT_EQ(plugin.mCutWait, 2) << phase;
  }
}

TEST_F(RaceChoice, ChasesTheNextCarToTakeTheFlag) {
  Snapshot s = Field({0.0, 1.0, 1.0, 0.2});
  s.CarAt(0).mFinishStatus = 1;
  s.CarAt(1).mFinishStatus = 1;
  s.CarAt(2).mTotalLaps = 19;  // of 20
  Run(s);
  EXPECT_EQ(plugin.mNextPlace, 4);  // not yet in the last sector
  s.CarAt(2).mSector = 0;
  Run(s);
  EXPECT_EQ(plugin.mNextPlace, 3);
  EXPECT_EQ(plugin.mCutWait, 2);
  EXPECT_EQ(plugin.mMinBehind, plugin.onboarddiff + 1.0);

  Snapshot timed = Field({0.0, 0.2});
  timed.MaxLaps(2147483647).EndTime(100.0).CarAt(0).mSector = 0;
  const struct { double end; double now; int place; } cases[] = {
      {100.0, 79.0, 2}, {100.0, 81.0, 1}, {0.0, 90.0, 2}, {-5.0, 95.0, 2}};
  for (const auto& c : cases) {
    timed.EndTime(c.end).Time(c.now);
    Run(timed);
    EXPECT_EQ(plugin.mNextPlace, c.place) << c.end << " " << c.now;
  }
}

// The cycle draws the wait, then the one-in-five chance, then the place.
TEST_F(RaceChoice, RandomPlaceOverridesBattlesButNotTheChase) {
  plugin.interestdiff = 0;
  Snapshot s = Field({0.0, 0.2, 0.9, 0.6, 1.5});
  s.Time(20.0);
  int randomPlaces = 0;
  for (unsigned seed = 1; seed <= 200; ++seed) {
    std::srand(seed);
    std::rand();
    const bool chance = std::rand() % 5 == 1;
    const int drawn = std::rand() % 5 + 1;
    std::srand(seed);
    Run(s);
    EXPECT_EQ(plugin.mNextPlace, chance ? drawn : 2) << seed;
    randomPlaces += chance ? 1 : 0;
  }
  EXPECT_GT(randomPlaces, 10);

  s.CarAt(0).mTotalLaps = 19;
  s.CarAt(0).mSector = 0;
  for (unsigned seed = 1; seed <= 20; ++seed) {
    std::srand(seed);
    Run(s);
    EXPECT_EQ(plugin.mNextPlace, 1);
  }
}

TEST_F(RaceChoice, NothingIsDrawnBeforeTheWaitHasRunOut) {
  plugin.interestdiff = 0;
  Snapshot s = Field({0.0, 0.2, 0.9});
  std::srand(7);
  Run(s);
  const int next = std::rand();
  std::srand(7);
  std::rand();  // the cycle's wait
  EXPECT_EQ(next, std::rand());
}

}  // namespace
