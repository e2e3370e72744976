#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "support/director_fixture.hpp"
#include "support/snapshot_builder.hpp"

namespace {

// A green-flag race of six cars (slot ids 101..106 in places 1..6) driven at
// five snapshots a second, with every camera command the plug-in sends noted.
class LiveDirector : public ::testing::Test {
 protected:
  void SetUp() override {
    ApplyDefaultSettings(plugin, folder.Path());
    plugin.livedirector = 1;
    gaps = {0.0, 5.0, 0.9, 5.0, 5.0, 3.0};
    order = {101, 102, 103, 104, 105, 106};
    distance = {900.0, 800.0, 700.0, 600.0, 500.0, 400.0};
    behindLeader = {0.0, 5.0, 5.9, 10.9, 15.9, 18.9};
    loss = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    finish = {0, 0, 0, 0, 0, 0};
  }

  Snapshot Field(double time, const std::string& stream) {
    Snapshot s;
    s.Session(10).Phase(5).Time(time).Stream(stream);
    for (std::size_t i = 0; i < order.size(); ++i) {
      const int place = static_cast<int>(i) + 1;
      s.Car(order[i], place).Behind(gaps[i]).BehindLeader(behindLeader[i]).LapDist(distance[i]).Finish(finish[i]);
    }
    return s;
  }

  // One snapshot and the camera call after it; the slot id cut to, or -1.
  int Step(const std::string& stream = "") {
    Snapshot s = Field(now, stream);
    plugin.UpdateScoring(s.Info());
    CameraControlInfoV01 cam{};
    const int cut = plugin.WantsToViewVehicle(cam) == 1 ? cam.mID : -1;
    if (cut >= 0) cuts.push_back({now, cut});
    now += 0.2;
    for (std::size_t i = 0; i < behindLeader.size(); ++i) behindLeader[i] += loss[i] * 0.2;
    return cut;
  }
  // Steps until the time given; `each` may change the field before each step.
  void RunUntil(double until, const std::function<void()>& each = [] {}) {
    while (now < until - 1e-9) {
      each();
      Step();
    }
  }
  double LastCutTime() const { return cuts.empty() ? -1.0 : cuts.back().time; }

  struct Cut {
    double time;
    int id;
  };
  TempFolder folder;
  rF2kovrel plugin;
  std::vector<double> gaps;
  std::vector<int> order;
  std::vector<double> distance;  // lap distance by place
  std::vector<double> behindLeader;  // seconds by place
  std::vector<double> loss;          // seconds lost to the leader each second, by place
  std::vector<int> finish;       // finish status by place
  std::vector<Cut> cuts;
  double now = 30.0;  // past the first wait: the first snapshot cuts
};

TEST_F(LiveDirector, SwitchesEarlyToAClearlyCloserBattleOnlyAfterTheShortestHold) {
  Step();
  ASSERT_EQ(cuts.size(), 1u);
  ASSERT_EQ(cuts[0].id, 102);  // the 0.9 s battle, from its front
  const double onAir = cuts[0].time;
  RunUntil(onAir + 2.0);
  gaps[5] = 0.3;  // a battle far closer starts at the back
  RunUntil(onAir + plugin.livemin - 0.01);
  EXPECT_EQ(cuts.size(), 1u) << "no early switch inside the shortest hold";
  RunUntil(onAir + 12.0);
  ASSERT_EQ(cuts.size(), 2u);
  EXPECT_EQ(cuts[1].id, 105);
  EXPECT_LT(cuts[1].time, onAir + plugin.waitsec) << "earlier than the usual wait";
}

TEST_F(LiveDirector, NoisyGapsWithinTheMarginNeverSwitchEarly) {
  Step();
  ASSERT_EQ(cuts.size(), 1u);
  const double onAir = cuts[0].time;
  // The other battle is 0.1 s closer on average, and both gaps wander by up
  // to 0.15 s as timing between two timing points does.
  int tick = 0;
  RunUntil(onAir + plugin.waitsec - 0.2, [&] {
    ++tick;
    gaps[2] = 0.9 + 0.15 * std::sin(tick * 1.7);
    gaps[5] = 0.8 + 0.15 * std::sin(tick * 2.3 + 1.0);
  });
  EXPECT_EQ(cuts.size(), 1u);
}

TEST_F(LiveDirector, AStrongContactCutsAtOnceAWeakOneDoesNot) {
  Step();
  ASSERT_EQ(cuts.size(), 1u);
  const double onAir = cuts[0].time;
  RunUntil(onAir + 2.0);
  Step("Incident Driver 105(105) contact (0.50) with vehicle Driver 104(104)\n");
  Step();
  EXPECT_EQ(cuts.size(), 1u) << "below highinc: no reaction";
  Step("Incident Driver 105(105) contact (0.95) with vehicle Driver 104(104)\n");
  ASSERT_EQ(cuts.size(), 2u);
  EXPECT_EQ(cuts[1].id, 105);
  EXPECT_LT(cuts[1].time, onAir + plugin.livemin) << "a contact may cut inside the shortest hold";
}

TEST_F(LiveDirector, FiveCarsReportingAtOnceAreOneSceneShownFromItsFront) {
  Step();
  ASSERT_EQ(cuts.size(), 1u);
  std::string pileUp;
  for (int id : {106, 105, 104, 102, 101}) {
    pileUp += "Incident Driver " + std::to_string(id) + "(" + std::to_string(id) + ") contact (0.10) with Immovable\n";
  }
  RunUntil(now + 2.0);
  Step(pileUp);
  ASSERT_EQ(cuts.size(), 2u);
  EXPECT_EQ(cuts[1].id, 101);
  // More of the same scene, even strong, is not a new cut.
  RunUntil(now + 1.0);
  Step("Incident Driver 104(104) contact (0.95) with vehicle Driver 105(105)\n");
  Step(pileUp);
  EXPECT_EQ(cuts.size(), 2u);
}

TEST_F(LiveDirector, AMissedLeadChangeIsReplayedASeenOneIsNot) {
  gaps = {0.0, 5.0, 5.0, 0.9, 5.0, 3.0};
  Step();
  ASSERT_EQ(cuts.back().id, 103);
  RunUntil(now + 3.0);
  order = {102, 101, 103, 104, 105, 106};  // 102 takes the lead off camera
  Step();
  EXPECT_TRUE(plugin.mReplayPending);
  EXPECT_EQ(plugin.mReplayId, 102);
  EXPECT_EQ(plugin.mReplayOtherId, 101);
  EXPECT_NEAR(plugin.mReplayIncidentTime, now - 0.2, 0.4 + 1e-9);

  // Another race, the camera on the leaders' fight when the lead changes.
  rF2kovrel seen;
  ApplyDefaultSettings(seen, folder.Path());
  seen.livedirector = 1;
  order = {101, 102, 103, 104, 105, 106};
  gaps = {0.0, 0.2, 5.0, 5.0, 5.0, 5.0};
  for (double t = 30.0; t < 33.0; t += 0.2) {
    Snapshot s = Field(t, "");
    seen.UpdateScoring(s.Info());
    CameraControlInfoV01 cam{};
    seen.WantsToViewVehicle(cam);
  }
  ASSERT_EQ(seen.mActualVeh, 101);
  order = {102, 101, 103, 104, 105, 106};
  Snapshot swapped = Field(33.2, "");
  seen.UpdateScoring(swapped.Info());
  EXPECT_FALSE(seen.mReplayPending);
}

TEST_F(LiveDirector, APassMissedDuringAnotherReplayWaitsForItsOwnWithinBudget) {
  gaps = {0.0, 5.0, 5.0, 5.0, 5.0, 0.9};  // the camera stays at the back
  Step();
  plugin.mReplayPending = true;  // a contact's replay is due
  order = {102, 101, 103, 104, 105, 106};
  const double swap = now;
  Step();
  EXPECT_EQ(plugin.mReplaysScheduled, 0);
  plugin.mReplayPending = false;  // that replay is over
  Step();
  EXPECT_TRUE(plugin.mReplayPending);
  EXPECT_EQ(plugin.mReplayId, 102);
  EXPECT_NEAR(plugin.mReplayIncidentTime, swap, 0.4 + 1e-9) << "pre-rolled from the swap as read, not from the wait's end";

  // A pass for second place over budget: still not replayed after 61 s (too
  // old by then); a lead change goes past the budget.
  plugin.mReplayPending = false;
  order = {102, 104, 101, 103, 105, 106};
  RunUntil(now + 61.0);
  EXPECT_FALSE(plugin.mReplayPending);
  ASSERT_NE(plugin.mActualVeh, 104);
  ASSERT_NE(plugin.mActualVeh, 102);
  order = {104, 102, 101, 103, 105, 106};
  Step();
  EXPECT_TRUE(plugin.mReplayPending);
  EXPECT_EQ(plugin.mReplayId, 104);
}

TEST_F(LiveDirector, ALeadChangeWhileOneOfItsCarsIsInAReplayIsReplayedAfterIt) {
  gaps = {0.0, 5.0, 5.0, 5.0, 5.0, 0.9};
  Step();
  RunUntil(now + 2.0);
  plugin.mReplayRunning = true;  // a replay of the leader's contact is on screen
  plugin.mActualVeh = 101;
  order = {102, 101, 103, 104, 105, 106};  // meanwhile 102 takes the lead off it
  const double swap = now;
  Step();
  Step();
  EXPECT_FALSE(plugin.mReplayPending);
  plugin.mReplayRunning = false;
  Step();
  Step();
  EXPECT_TRUE(plugin.mReplayPending);
  EXPECT_EQ(plugin.mReplayId, 102);
  EXPECT_NEAR(plugin.mReplayIncidentTime, swap, 0.4 + 1e-9);
}

TEST_F(LiveDirector, TheMiddleCarOfATrainIsWorthBothItsFights) {
  // 103 fights 102 ahead and 104 behind, 0.4 s each; 105 and 106 are closer
  // (0.3 s) but alone.
  gaps = {0.0, 5.0, 0.4, 0.4, 5.0, 0.3};
  Step();
  ASSERT_EQ(cuts.size(), 1u);
  EXPECT_EQ(cuts[0].id, 103);
}

TEST_F(LiveDirector, AtTheWaitsEndASideBySideGroupKeepsItsCut) {
  plugin.sbsdist = 20.0;
  gaps = {0.0, 5.0, 0.2, 5.0, 5.0, 3.0};
  distance[4] = distance[5] + 10.0;  // 105 beside 106
  Step();
  ASSERT_EQ(cuts.size(), 1u);
  EXPECT_EQ(cuts[0].id, 105) << "the side-by-side pair, not the closest fight";
}

TEST_F(LiveDirector, APassShownLiveHoldsTheCameraPastTheUsualWait) {
  gaps = {0.0, 5.0, 0.2, 5.0, 5.0, 5.0};
  Step();
  ASSERT_EQ(cuts.back().id, 102);
  RunUntil(now + 5.0);
  order = {101, 103, 102, 104, 105, 106};  // 103 passes 102 on camera
  const double pass = now;
  Step();
  gaps[5] = 0.05;  // meanwhile a far closer fight at the back
  RunUntil(pass + plugin.livemin + 2.0);
  EXPECT_EQ(cuts.size(), 1u) << "neither the early switch nor the wait cuts away right after the pass";
  RunUntil(pass + 12.0);
  ASSERT_EQ(cuts.size(), 2u);
  EXPECT_EQ(cuts[1].id, 105);
  EXPECT_GE(cuts[1].time, pass + 10.0 - 1e-9);
}

TEST_F(LiveDirector, ContactReplaysKeepToTheBudgetOfEightAnHour) {
  Step();
  RunUntil(now + 1.0);
  Step("Incident Driver 105(105) contact (0.95) with Immovable\n");
  EXPECT_TRUE(plugin.mReplayPending);
  plugin.mReplayPending = false;  // shown and over
  RunUntil(now + 60.0);
  ASSERT_FALSE(plugin.mReplayRunning);
  Step("Incident Driver 104(104) contact (0.97) with Immovable\n");
  EXPECT_FALSE(plugin.mReplayPending) << "the second replay waits for an eighth of an hour";

  // The usual director replays both.
  rF2kovrel usual;
  ApplyDefaultSettings(usual, folder.Path());
  for (const auto& [t, stream] : std::vector<std::pair<double, std::string>>{
           {30.0, ""}, {31.0, "Incident Driver 105(105) contact (0.95) with Immovable\n"}}) {
    Snapshot snap = Field(t, stream);
    usual.UpdateScoring(snap.Info());
  }
  EXPECT_TRUE(usual.mReplayPending);
  usual.mReplayPending = false;
  Snapshot later = Field(92.0, "Incident Driver 104(104) contact (0.97) with Immovable\n");
  usual.UpdateScoring(later.Info());
  EXPECT_TRUE(usual.mReplayPending);
}

TEST_F(LiveDirector, ACarFarUnderThePaceIsWorthMoreThanAFight) {
  loss = {0.0, 0.0, 0.0, 0.0, 0.7, 0.0};  // 105 crawls
  gaps = {0.0, 5.0, 0.3, 5.0, 5.0, 5.0};
  Step();
  ASSERT_EQ(cuts.size(), 1u);
  ASSERT_EQ(cuts[0].id, 102) << "no pace is known at the first snapshot";
  RunUntil(cuts[0].time + 14.0);
  ASSERT_EQ(cuts.size(), 2u);
  EXPECT_EQ(cuts[1].id, 105);
  EXPECT_GE(cuts[1].time, cuts[0].time + plugin.livemin - 1e-9);
}

TEST_F(LiveDirector, ANewLeaderOrASlowCornerPutsNoCarInTrouble) {
  // Every gap to the leader jumps when the lead changes hands.
  Step();
  RunUntil(now + 3.0);
  order = {102, 101, 103, 104, 105, 106};
  for (std::size_t i = 1; i < behindLeader.size(); ++i) behindLeader[i] += 0.4;
  RunUntil(now + 3.0);
  for (const rF2kovrel::LiveCar& car : plugin.mLiveCars) EXPECT_LT(car.loss, 0.1) << car.id;
  // A car crawling through a corner at a third of the straight's speed loses
  // no time to the leader, who was as slow there: only its lap distance
  // crawls, and the director does not read it.
  for (std::size_t i = 0; i < distance.size(); ++i) distance[i] += i == 4 ? 4.0 : 12.0;
  RunUntil(now + 3.0);
  for (const rF2kovrel::LiveCar& car : plugin.mLiveCars) EXPECT_LT(car.loss, 0.1) << car.id;
}

TEST_F(LiveDirector, AContactThatCostsItsCarItsPaceIsShownAndReplayed) {
  Step();
  RunUntil(now + 3.0);
  const double contact = now;
  Step("Incident Driver 105(105) contact (0.30) with Immovable\n");  // light: no reaction of its own
  RunUntil(now + 0.6);
  EXPECT_EQ(cuts.size(), 1u);
  EXPECT_FALSE(plugin.mReplayPending);
  loss[4] = 0.9;  // it spun
  RunUntil(contact + 5.0);
  ASSERT_EQ(cuts.size(), 2u);
  EXPECT_EQ(cuts[1].id, 105);
  EXPECT_TRUE(plugin.mReplayPending || plugin.mReplayRunning);
  EXPECT_EQ(plugin.mReplayId, 105);
  EXPECT_NEAR(plugin.mReplayIncidentTime, contact, 1e-9) << "pre-rolled from the contact";

  // The same light contact with no loss of pace is left alone.
  rF2kovrel calm;
  ApplyDefaultSettings(calm, folder.Path());
  calm.livedirector = 1;
  loss[4] = 0.0;
  for (double t = 30.0; t < 40.0; t += 0.2) {
    Snapshot snap = Field(t, t > 32.9 && t < 33.1 ? "Incident Driver 105(105) contact (0.30) with Immovable\n" : "");
    calm.UpdateScoring(snap.Info());
  }
  EXPECT_FALSE(calm.mReplayPending);
  EXPECT_NE(calm.mActualVeh, 105);
}

TEST_F(LiveDirector, AStrongContactOfARetiredCarIsLeftToItsReplay) {
  Step();
  const int onAir = cuts.back().id;
  RunUntil(now + 2.0);
  finish[4] = 2;  // 105 hits the wall and is out
  Step("Incident Driver 105(105) contact (0.95) with Immovable\n");
  Step();
  EXPECT_EQ(cuts.size(), 1u) << "the camera stays on " << onAir << " instead of a car it cannot find";
  EXPECT_TRUE(plugin.mReplayPending || plugin.mReplayRunning);
  EXPECT_EQ(plugin.mReplayId, 105);
}

}  // namespace
