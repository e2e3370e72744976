#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "plugin/rF2kovrel.hpp"

TEST(DirectorState, ConstructionValues) {
  rF2kovrel p;
  EXPECT_FALSE(p.mHardwareEnabled);
  EXPECT_EQ(p.auto_, 0);
  EXPECT_EQ(p.autokey, 190);
  EXPECT_EQ(p.mActualVeh, -1);
  EXPECT_EQ(p.mPlayerVeh, -1);
  EXPECT_EQ(p.mPoleVeh, -1);
  EXPECT_EQ(p.mReplayId, -1);
  EXPECT_EQ(p.mIncidentId, -1);
  EXPECT_EQ(p.mLastSession, -1);
  EXPECT_EQ(p.mRepActive, -1);
  EXPECT_EQ(p.mWtvPath, -1);
  EXPECT_EQ(p.mCamType, 4);
  EXPECT_EQ(p.sbsdist, 1.5);
  EXPECT_EQ(p.sbscount, 2);
  EXPECT_EQ(p.replayduration, 20);
  EXPECT_EQ(p.replayoffset, 5.0);
  EXPECT_EQ(p.mBattleScore, 99999.0);
  EXPECT_EQ(p.mBestLap, 2147483640.0);
  EXPECT_EQ(p.mBestS1, 2147483640.0);
  EXPECT_EQ(p.mBestS2, 2147483640.0);
  // A sample of the numbers that start at zero.
  EXPECT_EQ(p.waitsec, 0);
  EXPECT_EQ(p.onboarddiff, 0.0);
  EXPECT_EQ(p.mNextVeh, 0);
  EXPECT_EQ(p.mAheadVeh, 0);
  EXPECT_EQ(p.mLeaderVeh, 0);
  EXPECT_EQ(p.mActualCamType, 0);
  EXPECT_EQ(p.mShownCount, 0);
  EXPECT_EQ(p.mMinBehind, 0.0);
  EXPECT_EQ(p.mWtvCount, 0);
  EXPECT_TRUE(p.showinpit.empty());
  EXPECT_TRUE(p.filespath.empty());
  EXPECT_TRUE(p.mTimeFilePath.empty());
  const MessageInfoV01 zero{};
  EXPECT_EQ(std::memcmp(&p.mPendingMessage, &zero, sizeof(zero)), 0);
  for (int id : p.mShownList) EXPECT_EQ(id, 0);
}

TEST(DirectorState, ResetRestoresTheSessionPartOnly) {
  rF2kovrel p;
  p.auto_ = 1;
  p.waitsec = 15;
  p.mActualVeh = 7;
  p.mLastCutTime = 50.0;
  p.mBestLap = 90.0;
  p.mNextVeh = 3;
  p.mCamType = 6;
  p.mActualCamType = 6;
  p.mLeaderVeh = 9;
  p.mAheadVeh = 8;
  p.mLastSession = 10;
  p.mKeyLatch = true;
  p.mReplayRunning = true;
  p.mReplayId = 4;
  p.mPrevResults = "abc";
  p.mPrevResultsSet = true;
  p.mNewResults = "new";
  p.mReplayDriverName = "Replay";
  p.mLeaderDriver = "Leader";
  p.mWtvCount = 12;
  p.ResetDirector();
  EXPECT_EQ(p.mActualVeh, -1);
  EXPECT_EQ(p.mLastCutTime, 0.0);
  EXPECT_EQ(p.mBestLap, 2147483640.0);
  EXPECT_EQ(p.mNextVeh, 0);
  EXPECT_EQ(p.mCamType, 4);
  EXPECT_EQ(p.mActualCamType, 0);
  EXPECT_FALSE(p.mReplayRunning);
  EXPECT_EQ(p.mReplayId, -1);
  EXPECT_TRUE(p.mPrevResults.empty());
  EXPECT_FALSE(p.mPrevResultsSet);
  EXPECT_TRUE(p.mLeaderDriver.empty());
  EXPECT_EQ(p.mWtvCount, 0);
  // Kept: settings, the live switch, the latch, the last session, leader and car ahead.
  EXPECT_EQ(p.auto_, 1);
  EXPECT_EQ(p.waitsec, 15);
  EXPECT_TRUE(p.mKeyLatch);
  EXPECT_EQ(p.mLastSession, 10);
  EXPECT_EQ(p.mLeaderVeh, 9);
  EXPECT_EQ(p.mAheadVeh, 8);
  EXPECT_EQ(p.mNewResults, "new");
  EXPECT_EQ(p.mReplayDriverName, "Replay");
}

// The host holds the PluginObject base and calls through the virtual table
// the object starts with; the base's fields sit where the host expects them.
TEST(HostInterface, ObjectLayoutMatchesTheHost) {
  rF2kovrel p;
  const char* object = reinterpret_cast<const char*>(&p);
  const char* base = reinterpret_cast<const char*>(static_cast<PluginObject*>(&p));
  EXPECT_EQ(base - object, 8);
  EXPECT_EQ(reinterpret_cast<const char*>(&p.mET) - object, 16);
  EXPECT_EQ(reinterpret_cast<const char*>(&p.mEnabled) - object, 20);
  EXPECT_EQ(sizeof(InternalsPlugin), 24u);
}
