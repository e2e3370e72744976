#include <gtest/gtest.h>

#include "support/director_fixture.hpp"
#include "support/snapshot_builder.hpp"

namespace {

class QualifyingChoice : public ::testing::Test {
 protected:
  void SetUp() override { ApplyDefaultSettings(plugin, folder.Path()); }

  // Places 6 down to 1 in array order (car p at index 6 - p, slot id p); the
  // leader holds the best lap: 30.0 at the first split, 60.0 at the second.
  static Snapshot Qualifying(double time, int session = 5) {
    Snapshot s;
    s.Session(session).Time(time);
    for (int place = 6; place >= 1; --place) s.Car(place, place);
    s.CarAt(5).mBestLapTime = 90.0;
    s.CarAt(5).mBestSector1 = 30.0;
    s.CarAt(5).mBestSector2 = 60.0;
    return s;
  }
  static VehicleScoringInfoV01& InPlace(Snapshot& s, int place) {
    return s.CarAt(static_cast<std::size_t>(6 - place));
  }
  static void Splits(Snapshot& s, int place, double s1, double s2) {
    InPlace(s, place).mCurSector1 = s1;
    InPlace(s, place).mCurSector2 = s2;
  }

  TempFolder folder;
  rF2kovrel plugin;
};

TEST_F(QualifyingChoice, SecondSplitOutranksFirstAndBetterPlaceWins) {
  Snapshot s = Qualifying(1.0);
  Splits(s, 5, 29.8, 0.0);
  plugin.UpdateScoring(s.Info());
  EXPECT_EQ(plugin.mS1Place, 0);  // the wait has not run out
  EXPECT_EQ(plugin.mMinBehind, 0.01);

  plugin.UpdateScoring(s.Time(20.0).Info());
  EXPECT_EQ(plugin.mNextPlace, 5);
  EXPECT_EQ(plugin.mCamType, 4);
  Splits(s, 3, 29.9, 0.0);  // later in the array, better placed
  plugin.UpdateScoring(s.Time(21.0).Info());
  EXPECT_EQ(plugin.mNextPlace, 3);

  // Up at the second split (cumulative 59.9 against 60.0) despite a slower
  // first split; a car ahead at the first split but behind at the second is not.
  Splits(s, 4, 30.2, 59.9);
  Splits(s, 2, 29.0, 60.5);
  plugin.UpdateScoring(s.Time(22.0).Info());
  EXPECT_EQ(plugin.mS2Place, 4);
  EXPECT_EQ(plugin.mNextPlace, 4);
}

TEST_F(QualifyingChoice, NewLeaderMakesTheCutDueAtOnceWarmUpIncluded) {
  for (int session : {5, 9}) {
    Snapshot s = Qualifying(1.0, session);
    plugin.UpdateScoring(s.Info());  // the first look after the reset only records
    EXPECT_EQ(plugin.mPoleVeh, 1);
    EXPECT_FALSE(plugin.mTimerFired);

    InPlace(s, 2).mPlace = 1;  // slot 2 takes pole
    InPlace(s, 1).mPlace = 2;
    plugin.UpdateScoring(s.Time(2.0).Info());
    EXPECT_TRUE(plugin.mTimerFired) << session;
    EXPECT_EQ(plugin.mNextVeh, 2);
    EXPECT_EQ(plugin.mPoleVeh, 2);

    InPlace(s, 3).mID = 0;  // a leader of slot 0 never counts as new
    InPlace(s, 3).mPlace = 1;
    InPlace(s, 2).mPlace = 3;
    plugin.UpdateScoring(s.Time(3.0).Info());
    EXPECT_EQ(plugin.mPoleVeh, 2) << session;
  }
}

}  // namespace
