#include <gtest/gtest.h>

#include <cstring>

#include "support/director_fixture.hpp"
#include "support/snapshot_builder.hpp"

namespace {

class DriverFile : public ::testing::Test {
 protected:
  void SetUp() override { ApplyDefaultSettings(plugin, folder.Path()); }

  // A race of two: the battle for the lead (3 s, no random place at that gap)
  // is the first cut.
  Snapshot Race() {
    Snapshot s;
    s.Session(10).Phase(5).Time(100.0).EndTime(3600.0);
    s.Car(21, 2).Name("Bo Second").Behind(3.0);
    s.Car(11, 1).Name("Ann O'Leader");
    return s;
  }

  TempFolder folder;
  rF2kovrel plugin;
};

TEST_F(DriverFile, CutThroughCameraControlNamesPlaceAndDriver) {
  Snapshot s = Race();
  plugin.UpdateScoring(s.Info());
  EXPECT_EQ(ReadFileBytes(folder.File("driver.txt")), "");
  CameraControlInfoV01 cam;
  std::memset(&cam, 0, sizeof(cam));
  ASSERT_EQ(plugin.WantsToViewVehicle(cam), 1);
  EXPECT_EQ(ReadFileBytes(folder.File("driver.txt")), "2. Bo Second");
}

TEST_F(DriverFile, CutHandedToTheWebServerNamesPlaceAndDriver) {
  plugin.mWebServerUp = true;
  Snapshot s = Race();
  plugin.UpdateScoring(s.Info());
  EXPECT_EQ(ReadFileBytes(folder.File("driver.txt")), "2. Bo Second");
}

TEST_F(DriverFile, ReplayNamesTheReplayedDriverAlone) {
  plugin.mReplayRunning = true;
  plugin.mReplayDriverName = "Cy Replay";
  plugin.mActualPlace = 4;
  plugin.WriteDriverFile();
  EXPECT_EQ(ReadFileBytes(folder.File("driver.txt")), "Cy Replay");
}

}  // namespace
