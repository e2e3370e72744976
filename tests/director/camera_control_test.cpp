#include <gtest/gtest.h>

#include <cstring>

#include "support/director_fixture.hpp"

namespace {

class CameraControl : public ::testing::Test {
 protected:
  void SetUp() override {
    ApplyDefaultSettings(plugin, folder.Path());
    plugin.mCarChosen = true;
    plugin.mSessionTime = 50.0;
    plugin.mNextVeh = 7;
    plugin.mNextPlace = 3;
    plugin.mCamType = 4;
    plugin.mTimerFired = true;
  }
  unsigned char View() {
    std::memset(&cam, 0, sizeof(cam));
    cam.mID = 99;
    return plugin.WantsToViewVehicle(cam);
  }

  TempFolder folder;
  rF2kovrel plugin;
  CameraControlInfoV01 cam;
};

TEST_F(CameraControl, DueCutIsSentOnceThenNoChange) {
  EXPECT_EQ(View(), 1);
  EXPECT_EQ(plugin.mWtvPath, 2);
  EXPECT_EQ(cam.mID, 7);
  EXPECT_EQ(cam.mCameraType, 4);
  EXPECT_EQ(plugin.mActualVeh, 7);
  EXPECT_EQ(plugin.mActualPlace, 3);
  EXPECT_EQ(plugin.mLastCutTime, 50.0);
  EXPECT_FALSE(plugin.mTimerFired);
  EXPECT_EQ(View(), 0);
  EXPECT_EQ(plugin.mWtvPath, 5);
  EXPECT_EQ(cam.mID, 99);
  EXPECT_EQ(plugin.mWtvCount, 2);
}

TEST_F(CameraControl, DueCutToTheCarAlreadyShownIsSentAgain) {
  plugin.mActualVeh = 7;
  plugin.mActualCamType = 4;
  EXPECT_EQ(View(), 1);
  plugin.mTimerFired = false;
  EXPECT_EQ(View(), 0);
}

TEST_F(CameraControl, CameraOffAnswersNothing) {
  plugin.auto_ = 0;
  EXPECT_EQ(View(), 0);
  EXPECT_EQ(plugin.mWtvPath, 0);
  EXPECT_TRUE(plugin.mTimerFired);
}

TEST_F(CameraControl, PlayerDrivingHisOwnCarGetsNothing) {
  plugin.mPlayerDriving = true;
  plugin.mPlayerVeh = 7;
  EXPECT_EQ(View(), 0);
  EXPECT_EQ(plugin.mWtvPath, 3);
}

TEST_F(CameraControl, ReplayActiveInputIsRecorded) {
  std::memset(&cam, 0, sizeof(cam));
  cam.mReplayActive = true;
  plugin.WantsToViewVehicle(cam);
  EXPECT_EQ(plugin.mRepActive, 1);
  View();
  EXPECT_EQ(plugin.mRepActive, 0);
}

TEST_F(CameraControl, CamtestForcesTheCameraInAnyLetterCase) {
  plugin.onboardcam = 5;
  plugin.rearviewcam = 6;
  plugin.camtest = "OB";
  EXPECT_EQ(View(), 1);
  EXPECT_EQ(cam.mCameraType, 5);
  plugin.mTimerFired = true;
  plugin.camtest = "Rv";
  EXPECT_EQ(View(), 1);
  EXPECT_EQ(cam.mCameraType, 6);
  plugin.mTimerFired = true;
  plugin.mCamType = 4;
  plugin.camtest = "rvx";
  EXPECT_EQ(View(), 1);
  EXPECT_EQ(cam.mCameraType, 4);
}

}  // namespace
