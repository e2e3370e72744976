// Races of several classes (multiclass=1): fights within a class, interest by
// class place, class leaders, every class seen, the flag and the finish walk.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "support/director_fixture.hpp"
#include "support/snapshot_builder.hpp"

namespace {

// One car of a field in overall order: 'P' a prototype, 'G' a GT3 car.
struct Entry {
  char cls;
  double behindLeader;
  int lapsBehind = 0;
  double lapDist = -1.0;  // below 0: 100 m behind the car ahead
};

// Places 1..n in list order, slot ids 101.. ; the gap to the car ahead in the
// whole field is what the host reports without classes.
Snapshot TwoClassField(const std::vector<Entry>& cars, double time = 1.0) {
  Snapshot s;
  s.Session(10).Phase(5).Time(time);
  double dist = 5000.0;
  for (std::size_t i = 0; i < cars.size(); ++i) {
    const Entry& e = cars[i];
    dist = e.lapDist >= 0.0 ? e.lapDist : dist - 100.0;
    const double ahead = i == 0 ? 0.0 : cars[i - 1].behindLeader;
    const bool proto = e.cls == 'P';
    s.Car(101 + static_cast<int>(i), static_cast<int>(i) + 1)
        .Class(proto ? "Hypercar" : "GT3")
        .Best(proto ? 100.0 + 0.01 * i : 110.0 + 0.01 * i, 30.0, 65.0)
        .BehindLeader(e.behindLeader)
        .Behind(i == 0 ? 0.0 : e.behindLeader - ahead)
        .LapsBehind(e.lapsBehind)
        .LapDist(dist);
  }
  return s;
}

class ClassRace : public ::testing::Test {
 protected:
  void SetUp() override { ApplyDefaultSettings(plugin, folder.Path()); }
  void Run(Snapshot& s) { plugin.UpdateScoring(s.Info()); }

  TempFolder folder;
  rF2kovrel plugin;
};

TEST_F(ClassRace, StandingsGiveEachCarItsClassPlaceRivalAndLeader) {
  plugin.multiclass = 1;
  // A GT3 car a lap down on its classmate ahead has no fight with it.
  Snapshot s = TwoClassField({{'P', 0.0}, {'G', 20.0}, {'P', 20.4}, {'G', 21.0}, {'P', 30.0}, {'G', 40.0, 1}, {'P', 50.0}});
  Run(s);
  ASSERT_EQ(plugin.mClassNames, (std::vector<std::string>{"Hypercar", "GT3"}));
  const std::vector<int> classPlace = {1, 1, 2, 2, 3, 3, 4};
  const std::vector<int> classAhead = {-1, -1, 0, 1, 2, 3, 4};
  for (std::size_t i = 0; i < classPlace.size(); ++i) {
    EXPECT_EQ(plugin.mClassStandings[i].classPlace, classPlace[i]) << i;
    EXPECT_EQ(plugin.mClassStandings[i].classAhead, classAhead[i]) << i;
  }
  EXPECT_NEAR(plugin.mClassStandings[3].classGap, 1.0, 1e-9);
  EXPECT_TRUE(std::isinf(plugin.mClassStandings[5].classGap));
  EXPECT_EQ(plugin.mClassLeaderVeh, (std::vector<std::int32_t>{101, 102}));
}

TEST_F(ClassRace, TheUsualChoiceRatesFightsWithinAClassOnly) {
  struct Case {
    const char* what;
    std::vector<Entry> cars;
    int interest;
    int placeWithout, placeWith;
    double minBehindWith;
  } cases[] = {
      {"a prototype closing on a GT3 car is no battle",
       {{'P', 0.0}, {'P', 8.0}, {'P', 16.0}, {'G', 30.0}, {'P', 30.2}, {'G', 32.5}, {'G', 36.0}}, 12, 5, 6, 2.5},
      {"two GT3 cars 0.3 s apart are a battle while a prototype passes between them",
       {{'P', 0.0}, {'P', 8.0}, {'P', 16.0}, {'G', 30.0}, {'P', 30.1}, {'G', 30.3}, {'G', 36.0}}, 12, 5, 6, 0.3},
      {"class place decides interest: the GT3 class's second is not penalised",
       {{'P', 0.0}, {'P', 5.0}, {'P', 10.0}, {'P', 10.6}, {'G', 30.0}, {'G', 30.9}, {'G', 40.0}}, 2, 4, 6, 0.9},
      {"a prototype beside a GT3 car is no side-by-side group",
       {{'P', 0.0}, {'P', 5.0}, {'P', 10.0}, {'G', 30.0, 0, 2000.0}, {'P', 30.02, 0, 2000.5}, {'G', 31.5}, {'G', 40.0}},
       12, 4, 6, 1.5},
  };
  for (const Case& c : cases) {
    plugin.interest = c.interest;
    for (int key : {0, 1}) {
      plugin.multiclass = key;
      plugin.ResetDirector();
      Snapshot s = TwoClassField(c.cars);
      Run(s);
      EXPECT_EQ(plugin.mNextPlace, key == 0 ? c.placeWithout : c.placeWith) << c.what << ", multiclass=" << key;
      if (key == 1) {
        EXPECT_NEAR(plugin.mMinBehind, c.minBehindWith, 1e-9) << c.what;
      }
    }
  }
}

TEST_F(ClassRace, EachClassLeaderIsChasedToTheFlagAndTheFinishWalksClassByClass) {
  plugin.multiclass = 1;
  // The winner is in; the GT3 leader (place 4, a lap down) is in its last
  // sector nearer the line than the prototype in place 2, which the overall
  // chase would take.
  Snapshot s = TwoClassField({{'P', 0.0}, {'P', 5.0}, {'P', 9.0}, {'G', 30.0, 1}, {'G', 31.0, 1}, {'G', 32.0, 1}});
  s.CarAt(0).mFinishStatus = 1;
  for (std::size_t i = 0; i < s.Count(); ++i) {
    s.CarAt(i).mSector = 0;
    s.CarAt(i).mTotalLaps = static_cast<short>(i < 3 ? 19 : 18);
  }
  s.CarAt(1).mLapDist = 4000.0;
  s.CarAt(3).mLapDist = 4500.0;
  Run(s);
  EXPECT_EQ(plugin.mNextPlace, 4);
  EXPECT_EQ(plugin.mCutWait, 2);
  s.CarAt(3).mSector = 1;  // no class leader in its last sector: the overall chase
  Run(s);
  EXPECT_EQ(plugin.mNextPlace, 2);
  EXPECT_EQ(plugin.mCutWait, 2);

  for (std::size_t i = 0; i < s.Count(); ++i) s.CarAt(i).mFinishStatus = 1;
  std::vector<int> walked;
  for (int cut = 0; cut < 7; ++cut) {
    Run(s);
    walked.push_back(plugin.mNextPlace);
    plugin.mActualPlace = plugin.mNextPlace;  // as the cut leaves it
  }
  EXPECT_EQ(walked, (std::vector<int>{1, 2, 3, 4, 5, 6, 1})) << "prototypes' first three, then the GT3 cars'";
}

// A race of classes driven at five snapshots a second with the live director,
// every camera command noted.
class LiveClassRace : public ::testing::Test {
 protected:
  void SetUp() override {
    ApplyDefaultSettings(plugin, folder.File("missing/rF2stream"));  // no files: only the cuts matter
    plugin.livedirector = 1;
    plugin.multiclass = 1;
  }
  int Step() {
    Snapshot s = TwoClassField(field, now);
    for (std::size_t i = 0; i < order.size() && i < s.Count(); ++i) {
      s.CarAt(i).mID = order[i];
    }
    plugin.UpdateScoring(s.Info());
    CameraControlInfoV01 cam{};
    const int cut = plugin.WantsToViewVehicle(cam) == 1 ? cam.mID : -1;
    if (cut >= 0) cuts.push_back(cut);
    onAir.push_back(plugin.mActualVeh);
    now += 0.2;
    return cut;
  }
  void RunUntil(double until) {
    while (now < until - 1e-9) Step();
  }

  TempFolder folder;
  rF2kovrel plugin;
  std::vector<Entry> field;
  std::vector<int> order = {101, 102, 103, 104, 105, 106, 107};
  std::vector<int> cuts;
  std::vector<int> onAir;  // slot id on air after each snapshot
  double now = 30.0;
};

TEST_F(LiveClassRace, AFightIsWithinAClassAndAMissedClassLeadChangeIsReplayed) {
  // The prototype in place 5 sits 0.1 s behind the GT3 car it is about to
  // lap; the GT3 cars in places 6 and 7 are 0.5 s apart.
  field = {{'P', 0.0}, {'P', 9.0}, {'P', 15.0}, {'G', 20.0}, {'P', 20.1}, {'G', 30.0}, {'G', 30.5}};
  Step();
  ASSERT_EQ(cuts.size(), 1u);
  EXPECT_EQ(cuts[0], 106) << "the GT3 fight, from its front; not the prototype in traffic";

  RunUntil(now + 3.0);
  // Off camera, the GT3 car in place 7 takes its class's lead from the one in place 4.
  order = {101, 102, 103, 107, 105, 106, 104};
  Step();
  EXPECT_TRUE(plugin.mReplayPending);
  EXPECT_EQ(plugin.mReplayId, 107);
  EXPECT_EQ(plugin.mReplayOtherId, 104);
}

TEST_F(LiveClassRace, APassForAClassLeadOnAirHoldsTheCameraAsALeadChangeDoes) {
  field = {{'P', 0.0}, {'P', 9.0}, {'P', 18.0}, {'G', 30.0}, {'G', 30.2}, {'G', 40.0}, {'P', 60.0}};
  Step();
  ASSERT_EQ(cuts.back(), 104);
  RunUntil(now + 5.0);
  order = {101, 102, 103, 105, 104, 106, 107};  // the GT3 lead changes on camera
  const double pass = now;
  Step();
  field[2] = {'P', 9.05};  // meanwhile a far closer fight among the prototypes
  RunUntil(pass + 18.0);
  EXPECT_EQ(cuts.size(), 1u) << "20 s on the pair after a class lead change, not 10";
}

TEST_F(LiveClassRace, AFightClosingFastIsShownBeforeItIsTheClosest) {
  // GT3 cars 4-5 hold 0.3 s; car 7 closes on car 6 from 1.2 s at 0.04 s a second.
  field = {{'P', 0.0}, {'P', 9.0}, {'P', 18.0}, {'G', 30.0}, {'G', 30.3}, {'G', 40.0}, {'G', 41.2}};
  Step();
  ASSERT_EQ(cuts.back(), 104);
  while (now < 51.0) {
    field[6].behindLeader -= 0.04 * 0.2;
    Step();
  }
  EXPECT_GT(field[6].behindLeader - field[5].behindLeader, 0.3) << "still the wider gap of the two";
  EXPECT_EQ(cuts.back(), 106) << "the closing pair, before the pass";
}

TEST_F(LiveClassRace, AClassOffTheScreenForTwoMinutesGetsItsBestFightShown) {
  // The prototypes' fight is always the closest; the GT3 cars fight 0.4 s apart.
  field = {{'P', 0.0}, {'P', 0.2}, {'P', 9.0}, {'G', 30.0}, {'G', 30.4}, {'G', 40.0}, {'P', 60.0}};
  RunUntil(30.0 + 900.0);
  std::size_t gt3 = 0;
  double longestAway = 0.0, away = 0.0;
  for (const int id : onAir) {
    const bool gtOnAir = id == 104 || id == 105 || id == 106;
    gt3 += gtOnAir ? 1 : 0;
    away = gtOnAir ? 0.0 : away + 0.2;
    longestAway = std::max(longestAway, away);
  }
  EXPECT_GT(gt3, onAir.size() / 15) << "the GT3 class had " << gt3 << " of " << onAir.size() << " snapshots";
  EXPECT_LT(longestAway, 200.0) << "no class is away for much longer than two minutes and a shot";

  plugin.multiclass = 0;  // without the key the GT3 class is never seen
  RunUntil(now + 30.0);  // the shot on air when the key went ends
  onAir.clear();
  RunUntil(now + 600.0);
  for (const int id : onAir) EXPECT_TRUE(id != 104 && id != 105 && id != 106) << id;
}

// A one-class field, monza's way of naming each car model as a class
// included, is cut exactly as without the key.
TEST(ClassRaceOneClass, AOneClassFieldGivesTodaysCutsWithTheKey) {
  const std::vector<std::vector<std::string>> namings = {
      {"GT3"},
      {"Ferrari 458", "Audi R8", "BMW Z4", "Porsche 911", "Mercedes SLS", "McLaren MP4", "Nissan GT-R", "Aston V12",
       "Lamborghini"},
  };
  for (const auto& names : namings) {
    for (int live : {0, 1}) {
      std::vector<std::vector<int>> runs;
      for (int key : {0, 1}) {
        TempFolder folder;
        rF2kovrel plugin;
        ApplyDefaultSettings(plugin, folder.File("missing/rF2stream"));  // no files: only the cuts matter
        plugin.livedirector = live;
        plugin.multiclass = key;
        std::srand(7);
        std::vector<int> cuts;
        for (int step = 0; step < 1500; ++step) {
          Snapshot s;
          const double t = 30.0 + 0.2 * step;
          s.Session(10).Phase(5).Time(t);
          double behind = 0.0;
          for (int p = 1; p <= 18; ++p) {
            // Gaps drift so that the closest fight moves round the field.
            const double gap = p == 1 ? 0.0 : 0.3 + 1.2 * (1.0 + std::sin(0.01 * t * p + p));
            behind += gap;
            s.Car(100 + p, p)
                .Class(names[static_cast<std::size_t>(p) % names.size()])
                .Best(100.0 + 0.05 * p, 30.0, 65.0)
                .Behind(gap)
                .BehindLeader(behind)
                .LapDist(5000.0 - 60.0 * behind);
          }
          plugin.UpdateScoring(s.Info());
          CameraControlInfoV01 cam{};
          if (plugin.WantsToViewVehicle(cam) == 1) cuts.push_back(cam.mID * 10 + cam.mCameraType);
        }
        runs.push_back(cuts);
      }
      EXPECT_GT(runs[0].size(), 10u);
      EXPECT_EQ(runs[0], runs[1]) << names.size() << " names, livedirector=" << live;
    }
  }
}

}  // namespace
