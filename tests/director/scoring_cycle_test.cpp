#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <thread>

#include "director/keyboard.hpp"
#include "support/director_fixture.hpp"
#include "support/snapshot_builder.hpp"

namespace {

class ScoringCycle : public ::testing::Test {
 protected:
  void SetUp() override {
    ReleaseAllKeys();
    ApplyDefaultSettings(plugin, folder.Path());
  }
  void TearDown() override { ReleaseAllKeys(); }

  // A green-flag race snapshot with three cars far apart.
  Snapshot Race(double time) {
    Snapshot s;
    s.Session(10).Phase(5).Time(time);
    s.Car(11, 1).LapDist(900);
    s.Car(12, 2).Behind(5.0).LapDist(700);
    s.Car(13, 3).Behind(6.0).LapDist(500);
    return s;
  }

  unsigned char View(CameraControlInfoV01& cam) {
    std::memset(&cam, 0, sizeof(cam));
    return plugin.WantsToViewVehicle(cam);
  }

  TempFolder folder;
  rF2kovrel plugin;
};

TEST_F(ScoringCycle, ShortcutTogglesOncePerPressHoweverLongHeld) {
  Snapshot s = Race(100.0);
  SetVirtualKeyDown(17, true);
  SetVirtualKeyDown(0x41, true);
  for (int i = 0; i < 5; ++i) plugin.UpdateScoring(s.Info());
  EXPECT_EQ(plugin.auto_, 0);
  SetVirtualKeyDown(0x41, false);
  plugin.UpdateScoring(s.Info());
  EXPECT_EQ(plugin.auto_, 0);
  SetVirtualKeyDown(0x41, true);
  plugin.UpdateScoring(s.Info());
  EXPECT_EQ(plugin.auto_, 1);
}

TEST_F(ScoringCycle, OnlyOneOfTheTwoKeysDoesNothing) {
  Snapshot s = Race(100.0);
  SetVirtualKeyDown(0x41, true);
  plugin.UpdateScoring(s.Info());
  EXPECT_EQ(plugin.auto_, 1);
  ReleaseAllKeys();
  SetVirtualKeyDown(17, true);
  plugin.UpdateScoring(s.Info());
  EXPECT_EQ(plugin.auto_, 1);
  MessageInfoV01 msg{};
  EXPECT_FALSE(plugin.WantsToDisplayMessage(msg));
}

TEST_F(ScoringCycle, NoticeIsDeliveredExactlyOnceWithItsDestination) {
  Snapshot s = Race(100.0);
  SetVirtualKeyDown(17, true);
  SetVirtualKeyDown(0x41, true);
  plugin.UpdateScoring(s.Info());
  MessageInfoV01 msg{};
  msg.mDestination = 7;
  ASSERT_TRUE(plugin.WantsToDisplayMessage(msg));
  EXPECT_STREQ(msg.mText, "Auto camera: off");
  EXPECT_EQ(msg.mDestination, 0);
  EXPECT_FALSE(plugin.WantsToDisplayMessage(msg));

  plugin.mWebServerUp = true;
  ReleaseAllKeys();
  plugin.UpdateScoring(s.Info());
  SetVirtualKeyDown(17, true);
  SetVirtualKeyDown(0x41, true);
  plugin.UpdateScoring(s.Info());
  ASSERT_TRUE(plugin.WantsToDisplayMessage(msg));
  EXPECT_STREQ(msg.mText, "Auto camera: on");
  EXPECT_EQ(msg.mDestination, 1);
}

TEST_F(ScoringCycle, SwitchingOnMakesACutDueInTheSameSnapshot) {
  plugin.auto_ = 0;
  plugin.mLastSession = 10;
  plugin.mLastCutTime = 95.0;
  Snapshot s = Race(100.0);
  SetVirtualKeyDown(17, true);
  SetVirtualKeyDown(0x41, true);
  plugin.UpdateScoring(s.Info());
  EXPECT_EQ(plugin.auto_, 1);
  EXPECT_TRUE(plugin.mTimerFired);
  EXPECT_EQ(plugin.mLastCutTime, 100.0 - 15 - 5.0);
}

TEST_F(ScoringCycle, NothingRunsWhileTheCameraIsOff) {
  plugin.auto_ = 0;
  Snapshot s = Race(100.0);
  plugin.UpdateScoring(s.Info());
  EXPECT_EQ(plugin.mSessionTime, 0.0);
  EXPECT_EQ(plugin.mLastSession, -1);
  CameraControlInfoV01 cam;
  EXPECT_EQ(View(cam), 0);
  EXPECT_EQ(plugin.mWtvPath, 0);
}

TEST_F(ScoringCycle, NewSessionNumberOrTimeGoingBackResets) {
  Snapshot s = Race(100.0);
  plugin.UpdateScoring(s.Info());
  EXPECT_EQ(plugin.mLastSession, 10);
  plugin.mActualVeh = 12;
  plugin.mLastCutTime = 90.0;
  plugin.UpdateScoring(Race(95.0).Session(11).Info());
  EXPECT_EQ(plugin.mLastSession, 11);
  EXPECT_NE(plugin.mActualVeh, 12);

  plugin.mActualVeh = 12;
  plugin.mBestLap = 80.0;
  plugin.mLastCutTime = 90.0;
  plugin.UpdateScoring(Race(50.0).Session(11).Info());  // restarted: time before the last cut
  EXPECT_EQ(plugin.mBestLap, 2147483640.0);
}

TEST_F(ScoringCycle, SnapshotWithoutVehiclesRunsNoSurveyOrChoice) {
  Snapshot s;
  s.Session(10).Phase(5).Time(100.0);
  plugin.UpdateScoring(s.Info());
  EXPECT_EQ(plugin.mSessionTime, 100.0);
  EXPECT_EQ(plugin.mNextPlace, 0);
  EXPECT_FALSE(plugin.mTimerFired);
  EXPECT_EQ(plugin.mBattleScore, 99999.0);
}

TEST_F(ScoringCycle, HostileVehicleCountsReadAsNoVehicles) {
  Snapshot s = Race(100.0);
  ScoringInfoV01 info = s.Info();
  info.mNumVehicles = -3;
  plugin.UpdateScoring(info);
  EXPECT_EQ(plugin.mNextPlace, 0);
  info.mNumVehicles = 3;
  info.mVehicle = nullptr;
  plugin.UpdateScoring(info);
  EXPECT_EQ(plugin.mNextPlace, 0);
  EXPECT_EQ(plugin.mSessionTime, 100.0);
}

TEST_F(ScoringCycle, DriverNameWithoutTerminatorIsReadWithinItsField) {
  Snapshot s = Race(100.0);
  VehicleScoringInfoV01& leader = s.CarAt(0);
  std::memset(leader.mDriverName, 'X', sizeof(leader.mDriverName));
  std::memset(leader.mVehicleName, 'Y', sizeof(leader.mVehicleName));
  plugin.UpdateScoring(s.Info());
  EXPECT_EQ(plugin.mLeaderDriver, std::string(32, 'X'));
}

TEST_F(ScoringCycle, TimerFiresStrictlyAfterTheWait) {
  // Every car has finished, so the wait is waitsec plus the second draw modulo 10.
  auto finished = [this](double t) {
    Snapshot s = Race(t);
    for (std::size_t i = 0; i < s.Count(); ++i) s.CarAt(i).mFinishStatus = 1;
    return s;
  };
  plugin.UpdateScoring(finished(1.0).Info());  // settles the session
  plugin.mLastCutTime = 100.0;
  std::srand(42);
  std::rand();
  const int wait = 15 + std::rand() % 10;
  std::srand(42);
  plugin.UpdateScoring(finished(100.0 + wait).Info());
  EXPECT_EQ(plugin.mCutWait, wait);
  EXPECT_FALSE(plugin.mTimerFired);
  std::srand(42);
  plugin.UpdateScoring(finished(100.0 + wait + 0.001).Info());
  EXPECT_TRUE(plugin.mTimerFired);
}

TEST_F(ScoringCycle, WithNoChoiceTheLeaderIsShownAfterTwoSeconds) {
  Snapshot s;
  s.Session(10).Phase(6).Time(3.0);
  s.Car(21, 1);
  s.Car(22, 2).Behind(0.3);
  plugin.UpdateScoring(s.Info());
  EXPECT_EQ(plugin.mNextPlace, 1);
  EXPECT_EQ(plugin.mCutWait, 2);
  EXPECT_TRUE(plugin.mTimerFired);
  EXPECT_EQ(plugin.mNextVeh, 21);
}

TEST_F(ScoringCycle, AllFinishedWalksTheTopThree) {
  int shown[5];
  double t = 100.0;
  for (int& place : shown) {
    Snapshot s = Race(t);
    for (std::size_t i = 0; i < s.Count(); ++i) s.CarAt(i).mFinishStatus = 1;
    plugin.UpdateScoring(s.Info());
    place = plugin.mNextPlace;
    plugin.mActualPlace = plugin.mNextPlace;  // as the cut would
    t += 1.0;
  }
  EXPECT_EQ(shown[0], 1);
  EXPECT_EQ(shown[1], 2);
  EXPECT_EQ(shown[2], 3);
  EXPECT_EQ(shown[3], 1);
  EXPECT_EQ(shown[4], 2);

  plugin.walkthrough = 0;
  Snapshot s = Race(t);
  for (std::size_t i = 0; i < s.Count(); ++i) s.CarAt(i).mFinishStatus = 1;
  plugin.UpdateScoring(s.Info());
  EXPECT_EQ(plugin.mNextPlace, 1);
  EXPECT_EQ(plugin.mMinBehind, plugin.onboarddiff + 1.0);
}

TEST_F(ScoringCycle, FieldSurveyKeepsTheBestLapAndItsSectors) {
  Snapshot s = Race(100.0);
  s.CarAt(1).mBestLapTime = 91.0;
  s.CarAt(1).mBestSector1 = 30.0;
  s.CarAt(1).mBestSector2 = 61.0;
  s.CarAt(2).mBestLapTime = 90.5;
  s.CarAt(2).mBestSector1 = 29.0;
  s.CarAt(2).mBestSector2 = 60.0;
  plugin.UpdateScoring(s.Info());
  EXPECT_EQ(plugin.mBestLap, 90.5);
  EXPECT_EQ(plugin.mBestS1, 29.0);
  EXPECT_EQ(plugin.mBestS2, 60.0);
  s.CarAt(2).mBestLapTime = 95.0;  // best times only fall
  s.Time(101.0);
  plugin.UpdateScoring(s.Info());
  EXPECT_EQ(plugin.mBestLap, 90.5);
}

TEST_F(ScoringCycle, PlayerOnTrackIsDriving) {
  Snapshot s = Race(100.0);
  s.CarAt(2).mIsPlayer = true;
  plugin.UpdateScoring(s.Info());
  EXPECT_TRUE(plugin.mPlayerDriving);
  EXPECT_EQ(plugin.mPlayerVeh, 13);
  s.CarAt(2).mPitState = 3;
  plugin.UpdateScoring(s.Time(101.0).Info());
  EXPECT_FALSE(plugin.mPlayerDriving);
  EXPECT_EQ(plugin.mPlayerVeh, 13);
}

TEST_F(ScoringCycle, CameraCallDuringTheCycleAnswersNothing) {
  plugin.UpdateScoring(Race(100.0).Info());
  CameraControlInfoV01 cam;
  {
    std::lock_guard<std::mutex> busy(plugin.mCycleLock);  // the cycle at work
    int answer = -1;
    std::thread host([&] { answer = View(cam); });
    host.join();
    EXPECT_EQ(answer, 0);
    EXPECT_EQ(plugin.mWtvPath, 0);
  }
  EXPECT_EQ(View(cam), 1);
}

// After a reset nothing has been chosen: no command goes out for slot 0 or -1.
TEST_F(ScoringCycle, NoCameraCommandBeforeTheFirstChoice) {
  CameraControlInfoV01 cam;
  EXPECT_EQ(View(cam), 0);
  EXPECT_EQ(plugin.mWtvPath, 5);
  EXPECT_EQ(plugin.mActualVeh, -1);

  // First snapshot, the wait not run out: the chosen car is still "none".
  plugin.UpdateScoring(Race(0.5).Info());
  EXPECT_FALSE(plugin.mTimerFired);
  EXPECT_EQ(View(cam), 0);
  EXPECT_EQ(plugin.mWtvPath, 5);
  EXPECT_EQ(plugin.mLastCutTime, 0.0);

  // The first due cut comes when it always did, to the closest battle (place
  // 2, 5 s behind); no random place, as every gap is within interestdiff.
  plugin.interestdiff = 10;
  plugin.UpdateScoring(Race(20.0).Info());
  ASSERT_TRUE(plugin.mTimerFired);
  EXPECT_EQ(View(cam), 1);
  EXPECT_EQ(cam.mID, 12);
  EXPECT_EQ(cam.mCameraType, 4);
}

}  // namespace
