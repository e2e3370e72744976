#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <vector>

#include "support/director_fixture.hpp"
#include "support/snapshot_builder.hpp"

namespace {

class PracticeChoice : public ::testing::Test {
 protected:
  void SetUp() override { ApplyDefaultSettings(plugin, folder.Path()); }

  // Cars A, B and C (slot ids 1 to 3) in places 1 to 3, with A on screen.
  Snapshot Practice(double time) {
    Snapshot s;
    s.Session(1).Time(time);
    for (int id = 1; id <= 3; ++id) s.Car(id, id);
    return s;
  }
  void ShowA() {
    plugin.ResetDirector();
    plugin.mLastSession = 1;
    plugin.mActualVeh = 1;
    plugin.mActualPlace = 1;
  }
  void Cut() {
    CameraControlInfoV01 cam{};
    plugin.WantsToViewVehicle(cam);
  }

  TempFolder folder;
  rF2kovrel plugin;
};

TEST_F(PracticeChoice, RotationShowsEveryCarOnceNeverTheOneOnScreen) {
  for (unsigned seed = 1; seed <= 30; ++seed) {
    std::srand(seed);
    ShowA();
    std::vector<int> shown;
    for (int cut = 1; cut <= 4; ++cut) {
      Snapshot s = Practice(20.0 * cut);
      plugin.UpdateScoring(s.Info());
      Cut();
      shown.push_back(plugin.mActualVeh);
    }
    EXPECT_NE(shown[0], 1) << seed;
    EXPECT_EQ(std::set<int>(shown.begin(), shown.begin() + 3), (std::set<int>{1, 2, 3})) << seed;
    EXPECT_NE(shown[3], shown[2]) << seed;
    EXPECT_EQ(plugin.mShownCount, 1) << seed;  // the fourth pick began a new rotation
  }
}

TEST_F(PracticeChoice, StaysOnScreenUntilTheWaitRunsOutThenLeaderWhenNoneEligible) {
  ShowA();
  plugin.mLastCutTime = 10.0;
  Snapshot s = Practice(12.0);
  s.CarAt(1).mPitState = 3;
  s.CarAt(2).mFinishStatus = 2;
  s.CarAt(0).mPlace = 2;  // A, on screen, dropped to place 2
  s.CarAt(1).mPlace = 1;
  plugin.UpdateScoring(s.Info());
  EXPECT_EQ(plugin.mNextPlace, 1);  // the place shown, not drawn anew
  plugin.mActualPlace = 2;
  plugin.UpdateScoring(s.Time(13.0).Info());
  EXPECT_EQ(plugin.mNextPlace, 2);

  plugin.UpdateScoring(s.Time(40.0).Info());  // only A is eligible, and it is on screen
  EXPECT_EQ(plugin.mNextPlace, 1);
  EXPECT_EQ(plugin.mCutWait, 2);
  EXPECT_EQ(plugin.mShownCount, 0);
}

}  // namespace
