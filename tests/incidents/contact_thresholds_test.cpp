#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/director_fixture.hpp"
#include "support/snapshot_builder.hpp"

namespace {

// Contacts reported through the stream, one snapshot each, with autoinc on.
class AutoThresholds : public ::testing::Test {
 protected:
  void SetUp() override {
    ApplyDefaultSettings(plugin, folder.Path());
    plugin.autoinc = 1;
    plugin.mIniLowinc = plugin.lowinc;
    plugin.mIniHighinc = plugin.highinc;
    Report("", 0.0);  // the first scan takes the stream as seen
  }
  void Report(const std::string& text, double time) {
    plugin.mSessionTime = time;
    snapshot.Session(10).Stream(text);
    plugin.ScanIncidents(snapshot.Info());
  }
  void Contacts(const std::vector<double>& strengths) {
    for (double strength : strengths) {
      clock += 30.0;
      Report("Incident Driver A(3) contact (" + std::to_string(strength) + ") with Immovable\n", clock);
    }
  }

  TempFolder folder;
  rF2kovrel plugin;
  Snapshot snapshot;
  double clock = 0.0;
};

TEST_F(AutoThresholds, FollowTheSessionsScaleOnceFiveContactsAreIn) {
  struct Scale {
    std::vector<double> strengths;
    double low, high;
  };
  // Ten contacts each: the candidate must beat the median, the strongest tenth is replayed.
  const std::vector<Scale> scales = {
      {{0.01, 0.02, 0.03, 0.04, 0.05, 0.06, 0.07, 0.08, 0.09, 0.5}, 0.05, 0.09},
      {{1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 15000}, 5000, 9000}};
  for (const Scale& scale : scales) {
    SetUp();
    clock = 0.0;
    Contacts({scale.strengths.begin(), scale.strengths.begin() + 4});
    EXPECT_EQ(plugin.lowinc, 0.4) << "the file's values until five are in";
    EXPECT_EQ(plugin.highinc, 0.8);
    Contacts({scale.strengths.begin() + 4, scale.strengths.end()});
    EXPECT_NEAR(plugin.lowinc, scale.low, 1e-9);
    EXPECT_NEAR(plugin.highinc, scale.high, 1e-9);
    // A new session starts from the file's values again.
    plugin.ResetDirector();
    EXPECT_EQ(plugin.lowinc, 0.4);
    EXPECT_EQ(plugin.highinc, 0.8);
  }
}

TEST_F(AutoThresholds, OnAThousandsScaleOnlyTheStrongContactsAreReplayed) {
  Contacts({1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000});
  // Every one of these is above the configured 0.8: with automatic thresholds
  // only the strongest tenth is scheduled, and one at a time.
  EXPECT_EQ(plugin.mReplaysScheduled, 1);
  plugin.mReplayPending = false;  // that replay is over
  plugin.mIncidentSize = 0.0;     // and the candidates since have aged out
  Contacts({3500});
  EXPECT_FALSE(plugin.mReplayPending);
  Contacts({12000});
  EXPECT_TRUE(plugin.mReplayPending);
}

TEST_F(AutoThresholds, OffTheFileThresholdsHoldWhateverTheContacts) {
  plugin.autoinc = 0;
  Contacts({1000, 2000, 3000, 4000, 5000, 6000});
  EXPECT_EQ(plugin.lowinc, 0.4);
  EXPECT_EQ(plugin.highinc, 0.8);
  EXPECT_TRUE(plugin.mContactStrengths.empty());
}

}  // namespace
