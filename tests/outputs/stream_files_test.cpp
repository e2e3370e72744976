#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "director/keyboard.hpp"
#include "support/director_fixture.hpp"
#include "support/lap_page.hpp"
#include "support/snapshot_builder.hpp"

namespace {

class StreamFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ReleaseAllKeys();
    ApplyDefaultSettings(plugin, folder.Path());
  }
  void TearDown() override { ReleaseAllKeys(); }
  std::string Read(const char* name) { return ReadFileBytes(folder.File(name)); }

  TempFolder folder;
  rF2kovrel plugin;
};

const std::string kSentinelPage =
    LapPage("2147483640.000", "0.000", "0.000", "35791394:00.000", "0:00.000");

TEST_F(StreamFiles, ResetGivesTheStartContents) {
  Snapshot s;
  s.Session(2).Time(100.0).EndTime(400.0);
  s.Car(11, 1).Best(88.0, 30.0, 60.0).LapStart(100.0);
  plugin.UpdateScoring(s.Info());
  ASSERT_NE(Read("status.json"), "");

  plugin.ResetDirector();
  plugin.ResetStreamFiles();
  EXPECT_EQ(Read("time.txt"), "-");
  EXPECT_EQ(Read("driver.txt"), "rF2kovrel");
  EXPECT_TRUE(FileExists(folder.File("status.json")));
  EXPECT_EQ(Read("status.json"), "");
  EXPECT_EQ(Read("info.html"), kSentinelPage);
}

TEST_F(StreamFiles, SnapshotRefreshesClockPageAndStatus) {
  Snapshot s;
  s.Session(2).Phase(5).Time(100.0).EndTime(190.4);
  s.Car(11, 1).Best(90.0, 30.0, 60.0).LapStart(95.0);
  plugin.UpdateScoring(s.Info());
  EXPECT_EQ(Read("time.txt"), "00:01:30");
  EXPECT_EQ(Read("info.html"), LapPage("30.000", "30.000", "30.000", "1:30.000", "0:05.000"));
  const nlohmann::json doc = nlohmann::json::parse(Read("status.json"));
  EXPECT_EQ(doc["time_display"], "00:01:30");
  EXPECT_EQ(doc["session_type"], "practice");
  EXPECT_EQ(doc["game_phase"], "green");
  EXPECT_EQ(plugin.mLastGamePhase, 5);
}

TEST_F(StreamFiles, StateLineForAKnownState) {
  plugin.debug = 1;
  plugin.mSessionTime = 123.4567;
  plugin.mMinBehind = 0.25;
  plugin.mBattleScore = -1.5;
  plugin.mNextPlace = 2;
  plugin.mActualPlace = 3;
  plugin.mNextVeh = 12;
  plugin.mActualVeh = -1;
  plugin.mReplayId = 40;
  plugin.mInPit = true;
  plugin.mSbsCount = 2;
  plugin.mPlayerVeh = -1;
  plugin.mTimerFired = true;
  plugin.mWtvCount = 7;
  plugin.mRepActive = 0;
  plugin.mWtvPath = 2;
  Snapshot s;
  s.Session(11).Phase(6).Time(123.4567).EndTime(3600.0).Stream("abc\n");
  plugin.RefreshStreamFiles(s.Info());
  const std::string first =
      "t=123.457 ses=11 ph=6 sip=interestdiff intdiff=3 obdiff=0.400 wait=15 pmb=0.250 "
      "mb=-1.500 npos=2 apos=3 nveh=12 aveh=-1 rveh=40 inpit=1 sbs=2 pdrv=0 psid=-1 tfired=1 "
      "wtvN=7 rep=0 wpath=2 stream_len=4\r\n";
  EXPECT_EQ(Read("debug.log"), first);
  EXPECT_EQ(plugin.mWtvCount, 0);

  // The next line counts only the calls since; a missing results text is empty.
  ++plugin.mWtvCount;
  ScoringInfoV01 info = s.Info();
  info.mResultsStream = nullptr;
  plugin.RefreshStreamFiles(info);
  const std::string log = Read("debug.log");
  ASSERT_GT(log.size(), first.size());
  const std::string second = log.substr(first.size());
  EXPECT_NE(second.find(" wtvN=1 "), std::string::npos) << second;
  EXPECT_EQ(second.substr(second.size() - 15), " stream_len=0\r\n");
}

TEST_F(StreamFiles, DebugOffNeverCreatesTheLog) {
  Snapshot s;
  s.Session(10).Phase(5).Time(100.0).EndTime(3600.0);
  s.Car(11, 1);
  plugin.UpdateScoring(s.Info());
  SetVirtualKeyDown(17, true);
  SetVirtualKeyDown(plugin.autokey, true);
  plugin.UpdateScoring(s.Info());  // switched off
  EXPECT_EQ(plugin.auto_, 0);
  EXPECT_TRUE(FileExists(folder.File("time.txt")));
  EXPECT_FALSE(FileExists(folder.File("debug.log")));
}

TEST_F(StreamFiles, MissingFolderSkipsEveryWriteAndKeepsTheCount) {
  const std::string missing = folder.Path() + "\\gone";
  ApplyDefaultSettings(plugin, missing);
  plugin.debug = 1;
  plugin.mWtvCount = 4;
  Snapshot s;
  s.Session(10).Phase(5).Time(100.0).EndTime(3600.0);
  plugin.ResetStreamFiles();
  plugin.RefreshStreamFiles(s.Info());
  plugin.WriteDriverFile();
  EXPECT_EQ(plugin.mWtvCount, 4);
  EXPECT_FALSE(FileExists(folder.File("gone")));
}

TEST_F(StreamFiles, FilesFolderEndingInABackslashStillGetsItsFiles) {
  const std::string withSeparator = folder.Path() + "\\";
  ApplyDefaultSettings(plugin, withSeparator);
  EXPECT_EQ(plugin.mTimeFilePath, folder.Path() + "\\\\time.txt");
  plugin.debug = 1;
  plugin.ResetStreamFiles();
  EXPECT_TRUE(plugin.AppendDebugText("Auto camera: on\n"));
  EXPECT_EQ(Read("time.txt"), "-");
  EXPECT_EQ(Read("driver.txt"), "rF2kovrel");
  EXPECT_EQ(Read("info.html"), kSentinelPage);
  EXPECT_EQ(Read("debug.log"), "Auto camera: on\r\n");
}

}  // namespace
