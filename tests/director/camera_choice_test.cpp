#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "support/director_fixture.hpp"
#include "support/snapshot_builder.hpp"

namespace {

class CameraChoice : public ::testing::Test {
 protected:
  void SetUp() override {
    ApplyDefaultSettings(plugin, folder.Path());
    plugin.mSessionTime = 100.0;
    plugin.mLeaderVeh = 1;
    field.Car(1, 1);
    field.Car(2, 2).Behind(0.3);
    field.Car(3, 3).Behind(0.3);
  }

  // Runs the choice for a place with a battle gap, under a known seed.
  void Choose(int place, double minBehind, unsigned seed = 1) {
    plugin.mNextPlace = place;
    plugin.mMinBehind = minBehind;
    std::srand(seed);
    plugin.ChooseCamera(field.Info());
  }

  TempFolder folder;
  rF2kovrel plugin;
  Snapshot field;
};

TEST_F(CameraChoice, OutsideTheOnboardWindowIsTracksideWithoutADraw) {
  for (double gap : {0.04, 0.5}) {
    std::srand(7);
    const int expectedNext = std::rand();
    Choose(3, gap, 7);
    EXPECT_EQ(plugin.mCamType, 4);
    EXPECT_EQ(plugin.mNextVeh, 3);
    EXPECT_EQ(std::rand(), expectedNext) << "no number drawn for gap " << gap;
  }
}

TEST_F(CameraChoice, TheFloorAndCeilingBelongToTheWindow) {
  // 0.05 and onboarddiff itself are inside: a draw happens.
  for (double gap : {0.05, 0.4}) {
    std::srand(7);
    std::rand();
    const int afterOneDraw = std::rand();
    Choose(3, gap, 7);
    EXPECT_NE(std::rand(), afterOneDraw) << gap;  // at least one draw consumed
  }
}

TEST_F(CameraChoice, CloseFightsGetOnboardOrRearViewAtTheDrawnRate) {
  plugin.onboardcam = 5;
  plugin.rearview = 0;
  int onboard = 0;
  const int runs = 9000;
  for (int i = 0; i < runs; ++i) {
    plugin.mActualVeh = -1;
    plugin.mActualCamType = 4;
    Choose(3, 0.3, static_cast<unsigned>(i + 1));
    if (plugin.mCamType == 5) ++onboard;
  }
  EXPECT_NEAR(onboard / static_cast<double>(runs), 2.0 / 9.0, 0.03);

  onboard = 0;
  for (int i = 0; i < runs; ++i) {
    plugin.mActualVeh = 3;  // the same car, last cut with camera type 0
    plugin.mActualCamType = 0;
    Choose(3, 0.3, static_cast<unsigned>(i + 1));
    if (plugin.mCamType == 5) ++onboard;
  }
  EXPECT_NEAR(onboard / static_cast<double>(runs), 3.0 / 9.0, 0.03);
}

TEST_F(CameraChoice, RearViewLooksBackFromTheCarAhead) {
  plugin.rearview = 99;
  plugin.rearviewcam = 6;
  bool sawRearView = false;
  for (unsigned seed = 1; seed < 200 && !sawRearView; ++seed) {
    Choose(3, 0.3, seed);
    if (plugin.mCamType == 6) {
      sawRearView = true;
      EXPECT_EQ(plugin.mNextVeh, 2);
      EXPECT_EQ(plugin.mAheadVeh, 2);
    } else {
      EXPECT_EQ(plugin.mCamType, 4);
      EXPECT_EQ(plugin.mNextVeh, 3);
    }
  }
  EXPECT_TRUE(sawRearView);
}

TEST_F(CameraChoice, CarInThePitLaneShowsTheLeaderUnlessWatched) {
  field.CarAt(2).mPitState = 2;
  Choose(3, 2.0);
  EXPECT_EQ(plugin.mNextVeh, 1);
  plugin.mInPit = true;
  Choose(3, 2.0);
  EXPECT_EQ(plugin.mNextVeh, 3);
  plugin.mInPit = false;
  plugin.mAllFinished = true;
  Choose(3, 2.0);
  EXPECT_EQ(plugin.mNextVeh, 3);
}

TEST_F(CameraChoice, PlaceNobodyHoldsKeepsTheCar) {
  plugin.mNextVeh = 2;
  Choose(9, 2.0);
  EXPECT_EQ(plugin.mNextVeh, 2);
  Choose(1, 2.0);
  EXPECT_EQ(plugin.mAheadVeh, 1);
}

}  // namespace
