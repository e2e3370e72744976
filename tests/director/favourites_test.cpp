// Favourite cars: the list, their fights in races and their share of the rotation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "director/favourites.hpp"
#include "support/director_fixture.hpp"
#include "support/snapshot_builder.hpp"

namespace {

TEST(Favourites, OnlyAListOfNumbersIsRead) {
  struct Case {
    const char* text;
    bool read;
    std::vector<std::string> numbers;
  };
  const Case cases[] = {
      {"7,23,50", true, {"7", "23", "50"}}, {" 7 , 23 ", true, {"7", "23"}}, {"", true, {}},
      {"007", true, {"007"}},               {"7;23", false, {}},             {"7,,23", false, {}},
      {"#7", false, {}},                    {"7a", false, {}},               {"7,", false, {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> numbers = {"left over"};
    EXPECT_EQ(ReadCarNumberList(c.text, numbers), c.read) << c.text;
    EXPECT_EQ(numbers, c.numbers) << c.text;
  }
}

class FavouriteCars : public ::testing::Test {
 protected:
  void SetUp() override {
    ApplyDefaultSettings(plugin, folder.Path());
    plugin.interestdiff = 100;  // no random places
  }
  void Favour(const std::string& list, double factor) {
    plugin.favourites = list;
    ReadCarNumberList(list, plugin.mFavouriteNumbers);
    plugin.favourfactor = factor;
  }

  TempFolder folder;
  rF2kovrel plugin;
};

// Car #7 in place 3 is 0.6 s behind, #50 in place 5 0.35 s: scores 2 and 1.
TEST_F(FavouriteCars, AFavouritesFightCountsAsThatManyTimesCloser) {
  struct Case {
    const char* what;
    std::string list;
    double factor;
    int pitState;  // of car #7
    const char* otherNumber;
    int chosen;
  };
  const Case cases[] = {
      {"no favourites", "", 2.0, 0, "#50", 5},
      {"#7 at twice as close: 0.3 s, equal score, the better place", "7", 2.0, 0, "#50", 3},
      {"#7 at four times as close", "7", 4.0, 0, "#50", 3},
      {"a factor of 1 changes nothing", "7", 1.0, 0, "#50", 5},
      {"a number no car has", "99", 4.0, 0, "#50", 5},
      {"a number two cars share names neither", "7", 4.0, 0, "#7", 5},
      {"a favourite in the pits is never chosen for it", "7", 4.0, 3, "#50", 5},
  };
  for (const Case& c : cases) {
    SetUp();
    Favour(c.list, c.factor);
    Snapshot s;
    s.Session(10).Phase(5).Time(100.0);
    s.Car(1, 1).Vehicle("Car #1").LapDist(3000);
    s.Car(2, 2).Vehicle("Car #2").Behind(3.0).LapDist(2500);
    s.Car(3, 3).Vehicle("Car #7").Behind(0.6).LapDist(2000).Pit(c.pitState);
    s.Car(4, 4).Vehicle("Car #4").Behind(3.0).LapDist(1500);
    s.Car(5, 5).Vehicle(std::string("Car ") + c.otherNumber).Behind(0.35).LapDist(1000);
    plugin.UpdateScoring(s.Info());
    EXPECT_EQ(plugin.mNextPlace, c.chosen) << c.what;
    EXPECT_NEAR(plugin.mMinBehind, c.chosen == 3 ? 0.6 : 0.35, 1e-9) << c.what << ": the real gap picks the camera";
  }
}

TEST_F(FavouriteCars, InPracticeAFavouriteComesUpFactorTimesARotation) {
  for (const double factor : {2.0, 3.0}) {
    SetUp();
    Favour("7", factor);
    std::srand(7);
    std::map<std::int32_t, int> shown;
    double t = 100.0;
    for (int cut = 0; cut < 120; ++cut) {
      Snapshot s;
      s.Session(1).Time(t);
      for (int id = 1; id <= 4; ++id) s.Car(id, id).Vehicle("Car #" + std::to_string(id == 2 ? 7 : id));
      plugin.mLastCutTime = t - 100.0;
      plugin.UpdateScoring(s.Info());
      CameraControlInfoV01 cam{};
      plugin.WantsToViewVehicle(cam);
      ++shown[plugin.mActualVeh];
      t += 1.0;
    }
    // Each rotation holds every car once and the favourite `factor` times.
    for (const std::int32_t other : {1, 3, 4}) {
      EXPECT_NEAR(static_cast<double>(shown[2]) / shown[other], factor, 0.35 * factor)
          << "factor " << factor << ", car " << other;
    }
  }
}

}  // namespace
