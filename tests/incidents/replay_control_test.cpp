#include <gtest/gtest.h>

#include <cfloat>
#include <mutex>
#include <string>
#include <thread>

#include "director/keyboard.hpp"
#include "support/director_fixture.hpp"
#include "support/snapshot_builder.hpp"

namespace {

constexpr int kCtrl = 17;
constexpr int kAutoKey = 0x41;  // the fixture's autokey

class Replay : public ::testing::Test {
 protected:
  void SetUp() override {
    ReleaseAllKeys();
    ApplyDefaultSettings(plugin, folder.Path());
  }
  void TearDown() override { ReleaseAllKeys(); }

  // A race snapshot at the given time with cars 11 and 12 and the stream so far.
  void Snap(double time) {
    Snapshot s;
    s.Session(10).Phase(5).Time(time).Stream(stream);
    s.Car(11, 1).LapDist(900);
    s.Car(12, 2).Behind(5.0).LapDist(700).Name("Crasher");
    plugin.UpdateScoring(s.Info());
  }
  // A replay of car 12's contact at `time`, scheduled by the scan.
  void ScheduleAt(double time) {
    Snap(time - 1.0);
    stream += "Incident Crasher(12) contact (1.25) with Immovable\n";
    Snap(time);
    ASSERT_TRUE(plugin.mReplayPending);
  }
  bool Press(const char* name = "InstantReplay") {
    value = -1.0;
    return plugin.CheckHWControl(name, value);
  }
  unsigned char View() {
    cam = CameraControlInfoV01{};
    cam.mID = -7;
    return plugin.WantsToViewVehicle(cam);
  }

  TempFolder folder;
  rF2kovrel plugin;
  std::string stream;
  double value = 0.0;
  CameraControlInfoV01 cam{};
};

TEST_F(Replay, RunsFromPressToPressOnTheTimeline) {
  ScheduleAt(100.0);
  EXPECT_EQ(plugin.mReplayId, 12);
  Snap(110.0);
  EXPECT_FALSE(Press());  // not at T + 10 exactly
  EXPECT_EQ(value, -1.0);

  Snap(110.5);  // S
  EXPECT_TRUE(Press());
  EXPECT_EQ(value, 1.0);
  EXPECT_EQ(plugin.mReplayStartTime, 110.5);
  EXPECT_FALSE(Press());  // a press lasts one poll
  EXPECT_EQ(plugin.mReplayDriverName, "Crasher");

  EXPECT_EQ(View(), 3);
  EXPECT_EQ(plugin.mWtvPath, 4);
  EXPECT_EQ(cam.mID, 12);
  EXPECT_EQ(cam.mCameraType, 4);
  EXPECT_TRUE(cam.mReplaySetTime);
  EXPECT_EQ(cam.mReplaySeconds, 95.0f);
  EXPECT_EQ(plugin.mActualVeh, 12);

  const struct {
    double time;
    unsigned char answer;
    unsigned char command;
  } timeline[] = {
      {110.5, 0, 0}, {114.5, 0, 0},                  // up to S + 4: the replay plays on
      {114.6, 2, 8}, {123.4, 2, 8},                  // slow play
      {123.5, 0, 0},                                 // S + 13 exactly: nothing
      {123.6, 2, 9}, {130.5, 2, 9},                  // normal play, S + 20 not yet past
  };
  for (const auto& step : timeline) {
    Snap(step.time);
    EXPECT_EQ(View(), step.answer) << step.time;
    EXPECT_EQ(cam.mReplayCommand, step.command) << step.time;
    EXPECT_EQ(cam.mID, -7) << step.time;  // the camera is sent once
    EXPECT_FALSE(Press()) << step.time;
  }

  Snap(130.6);
  EXPECT_EQ(View(), 2);  // end requested, normal play goes on till the press
  EXPECT_EQ(cam.mReplayCommand, 9);
  EXPECT_TRUE(plugin.mReplayEndRequested);
  EXPECT_TRUE(Press());
  EXPECT_EQ(value, 1.0);
  EXPECT_FALSE(plugin.mReplayRunning);
  EXPECT_FALSE(plugin.mReplayEndRequested);
  EXPECT_FALSE(plugin.mReplayCamSet);
  EXPECT_FALSE(Press());

  View();
  EXPECT_NE(plugin.mWtvPath, 4);  // back to the normal camera
}

TEST_F(Replay, ShortDurationEndsBeforeSlowPlay) {
  plugin.replayduration = 3;
  ScheduleAt(100.0);
  Snap(111.0);
  ASSERT_TRUE(Press());
  EXPECT_EQ(View(), 3);
  Snap(114.5);
  EXPECT_EQ(View(), 0);
  EXPECT_TRUE(plugin.mReplayEndRequested);
  EXPECT_TRUE(Press());
}

TEST_F(Replay, WildOffsetStillGivesTheHostAFloat) {
  plugin.replayoffset = -1e300;
  ScheduleAt(100.0);
  Snap(111.0);
  ASSERT_TRUE(Press());
  EXPECT_EQ(View(), 3);
  EXPECT_EQ(cam.mReplaySeconds, FLT_MAX);
}

TEST_F(Replay, DisabledHardwareHandlesNeitherShortcutNorReplay) {
  ScheduleAt(100.0);
  Snap(120.0);
  plugin.DisableHardware();
  SetVirtualKeyDown(kCtrl, true);
  SetVirtualKeyDown(kAutoKey, true);
  EXPECT_FALSE(Press());
  EXPECT_EQ(value, -1.0);
  EXPECT_EQ(plugin.auto_, 1);
  EXPECT_FALSE(plugin.mKeyLatch);
  EXPECT_TRUE(plugin.mReplayPending);

  ReleaseAllKeys();
  plugin.EnableHardware();
  EXPECT_TRUE(Press());
}

TEST_F(Replay, ControlNameIsComparedInAnyLetterCase) {
  ScheduleAt(100.0);
  Snap(120.0);
  EXPECT_FALSE(Press("InstantReplayX"));
  EXPECT_FALSE(Press("Instant"));
  EXPECT_FALSE(Press(nullptr));
  EXPECT_TRUE(Press("instantreplay"));
  plugin.mReplayEndRequested = true;
  EXPECT_TRUE(Press("INSTANTREPLAY"));
  EXPECT_FALSE(plugin.mReplayRunning);
}

TEST_F(Replay, ShortcutSharesTheCyclesLatchAndKeepsTheLastCut) {
  Snap(100.0);
  plugin.mLastCutTime = 90.0;
  SetVirtualKeyDown(kCtrl, true);
  SetVirtualKeyDown(kAutoKey, true);
  EXPECT_FALSE(Press(nullptr));  // any poll, even without a name, sees the keys
  EXPECT_EQ(plugin.auto_, 0);
  EXPECT_STREQ(plugin.mPendingMessage.mText, "Auto camera: off");
  Snap(101.0);  // still held: the cycle sees the same press, no second toggle
  EXPECT_EQ(plugin.auto_, 0);

  SetVirtualKeyDown(kAutoKey, false);
  Press("Throttle");
  SetVirtualKeyDown(kAutoKey, true);
  EXPECT_FALSE(Press("Throttle"));
  EXPECT_EQ(plugin.auto_, 1);
  EXPECT_STREQ(plugin.mPendingMessage.mText, "Auto camera: on");
  EXPECT_EQ(plugin.mLastCutTime, 90.0);
}

TEST_F(Replay, CameraSwitchedOffMidReplayFreezesItUntilSwitchedOn) {
  ScheduleAt(100.0);
  Snap(111.0);
  ASSERT_TRUE(Press());
  plugin.auto_ = 0;
  Snap(140.0);  // ignored while off: the session clock stays
  EXPECT_EQ(View(), 0);
  EXPECT_EQ(plugin.mWtvPath, 0);
  EXPECT_FALSE(Press());
  EXPECT_TRUE(plugin.mReplayRunning);
  EXPECT_FALSE(plugin.mReplayEndRequested);

  plugin.auto_ = 1;
  Snap(140.0);
  EXPECT_EQ(View(), 2);
  EXPECT_TRUE(plugin.mReplayEndRequested);
  EXPECT_TRUE(Press());
  EXPECT_FALSE(plugin.mReplayRunning);
}

TEST_F(Replay, PollDuringTheScoringCycleAnswersFalse) {
  ScheduleAt(100.0);
  Snap(120.0);
  SetVirtualKeyDown(kCtrl, true);
  SetVirtualKeyDown(kAutoKey, true);
  {
    std::lock_guard<std::mutex> busy(plugin.mCycleLock);  // the cycle at work
    bool answer = true;
    std::thread host([&] { answer = Press(); });
    host.join();
    EXPECT_FALSE(answer);
  }
  EXPECT_TRUE(plugin.mReplayPending);
  EXPECT_EQ(plugin.auto_, 1);  // the shortcut waits for a poll that gets in
  ReleaseAllKeys();
  EXPECT_TRUE(Press());
}

}  // namespace
