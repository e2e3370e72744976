#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "plugin/rF2kovrel.hpp"
#include "support/snapshot_builder.hpp"

namespace {

TEST(RandomPick, RotationMemoryHoldsSixtyFourCars) {
  rF2kovrel plugin;
  Snapshot s;
  s.Session(1);
  for (int place = 1; place <= 70; ++place) s.Car(1000 + place, place);
  std::srand(3);
  std::set<int> listed;
  for (int pick = 0; pick < 64; ++pick) {
    const int place = plugin.PickRandomPlace(s.Info());
    EXPECT_LE(place, 64 + pick);  // the first 64 not yet shown, in array order
    ASSERT_TRUE(listed.insert(place).second) << "repeated within the rotation: " << place;
  }
  EXPECT_EQ(plugin.mShownCount, 64);

  // Full: further picks are not recorded, and come from the cars left out.
  for (int pick = 0; pick < 20; ++pick) EXPECT_EQ(listed.count(plugin.PickRandomPlace(s.Info())), 0u);
  EXPECT_EQ(plugin.mShownCount, 64);

  // No eligible car outside the list: a new rotation.
  for (int place = 1; place <= 70; ++place) {
    if (listed.count(place) == 0) s.CarAt(static_cast<std::size_t>(place - 1)).mPitState = 1;
  }
  EXPECT_EQ(listed.count(plugin.PickRandomPlace(s.Info())), 1u);
  EXPECT_EQ(plugin.mShownCount, 1);
}

}  // namespace
