// The broadcaster's keys, pressed through the keyboard's key state as the
// on/off shortcut's tests press it, with the host's calls after each snapshot.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "director/keyboard.hpp"
#include "support/director_fixture.hpp"
#include "support/snapshot_builder.hpp"

namespace {

constexpr int kCtrl = 17;
constexpr int kHold = 0x48, kNext = 0x4E, kPrev = 0x50, kLeader = 0x4C, kReplay = 0x52;

struct Shown {
  std::string text;
  int destination;
};

class ManualControl : public ::testing::Test {
 protected:
  void SetUp() override {
    ReleaseAllKeys();
    ApplyDefaultSettings(plugin, folder.Path());
    plugin.holdkey = kHold;
    plugin.nextkey = kNext;
    plugin.prevkey = kPrev;
    plugin.leaderkey = kLeader;
    plugin.replaykey = kReplay;
    plugin.interestdiff = 100;  // no random places: the director always takes the closest gap, place 2
    plugin.debug = 1;
  }
  void TearDown() override { ReleaseAllKeys(); }

  // Cars 1 to 5 in places 1 to 5, far apart; `tweak` changes the snapshot.
  Snapshot Field(double t) {
    Snapshot s;
    s.Session(session).Phase(5).Time(t).Stream(stream);
    for (int id = 1; id <= 5; ++id) s.Car(id, id).Behind(id == 1 ? 0.0 : 3.0 + id).LapDist(3000.0 - 400.0 * id);
    if (tweak) tweak(s);
    return s;
  }
  // One snapshot and the host's calls after it: camera, the replay control, the notice.
  void Step(double t) {
    Snapshot s = Field(t);
    plugin.UpdateScoring(s.Info());
    CameraControlInfoV01 cam{};
    plugin.WantsToViewVehicle(cam);
    double value = 0.0;
    if (plugin.CheckHWControl("InstantReplay", value) && plugin.mReplayRunning) replayStarts.push_back(t);
    MessageInfoV01 message{};
    if (plugin.WantsToDisplayMessage(message)) notices.push_back({message.mText, message.mDestination});
  }
  void StepsTo(double from, double to) {
    for (double t = from; t <= to + 1e-9; t += 1.0) Step(t);
  }
  // Ctrl + key down for one snapshot, then both up (a poll sees them up).
  void Press(int key, double t) {
    SetVirtualKeyDown(kCtrl, true);
    SetVirtualKeyDown(key, true);
    Step(t);
    SetVirtualKeyDown(key, false);
    SetVirtualKeyDown(kCtrl, false);
    double value = 0.0;
    plugin.CheckHWControl("LookLeft", value);
  }
  int Count(const std::string& text) const {
    return static_cast<int>(std::count_if(notices.begin(), notices.end(),
                                          [&](const Shown& n) { return n.text.find(text) == 0; }));
  }
  std::string Log() const { return ReadFileBytes(folder.File("debug.log")); }
  void ContactAt(double t, const std::string& line) {
    StepsTo(t - 1.0, t - 1.0);
    stream += line + "\n";
    Step(t);
  }

  TempFolder folder;
  rF2kovrel plugin;
  int session = 10;
  std::string stream;
  std::function<void(Snapshot&)> tweak;
  std::vector<Shown> notices;
  std::vector<double> replayStarts;
};

TEST_F(ManualControl, OnePressIsOneActionHoweverLongTheKeyIsHeld) {
  Step(100.0);
  ASSERT_EQ(plugin.mActualVeh, 2);
  SetVirtualKeyDown(kCtrl, true);
  SetVirtualKeyDown(kPrev, true);
  StepsTo(101.0, 105.0);
  EXPECT_EQ(plugin.mActualVeh, 3) << "one place behind, once";
  EXPECT_EQ(Count("Manual: Driver 3"), 1);
  SetVirtualKeyDown(kPrev, false);
  Step(106.0);
  SetVirtualKeyDown(kPrev, true);
  Step(107.0);
  EXPECT_EQ(plugin.mActualVeh, 4) << "released and pressed again: a second action";
  EXPECT_NE(Log().find("Manual : previous t=101.000 id=3\r\n"), std::string::npos) << Log();
  EXPECT_NE(Log().find("Manual : previous t=107.000 id=4\r\n"), std::string::npos);
}

TEST_F(ManualControl, NextAndPreviousSkipCarsNotRunningAndStopAtTheEnds) {
  struct Case {
    const char* what;
    std::int32_t onAir;
    int key;
    int pitted, finished;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"next from P3", 3, kNext, 0, 0, 2},
      {"previous from P3", 3, kPrev, 0, 0, 4},
      {"next at the front", 1, kNext, 0, 0, 1},
      {"previous at the back", 5, kPrev, 0, 0, 5},
      {"next over a car in the pits", 3, kNext, 2, 0, 1},
      {"previous over a finished car", 3, kPrev, 0, 4, 5},
      {"previous with only stopped cars behind", 4, kPrev, 5, 0, 4},
  };
  for (const Case& c : cases) {
    SetUp();
    notices.clear();
    tweak = [&](Snapshot& s) {
      if (c.pitted != 0) s.CarAt(static_cast<std::size_t>(c.pitted - 1)).mPitState = 3;
      if (c.finished != 0) s.CarAt(static_cast<std::size_t>(c.finished - 1)).mFinishStatus = 1;
    };
    Step(100.0);
    plugin.mActualVeh = c.onAir;
    Press(c.key, 101.0);
    EXPECT_EQ(plugin.mActualVeh, c.expected) << c.what;
    EXPECT_EQ(Count("Manual: "), c.expected != c.onAir ? 1 : 0) << c.what;
  }
}

// Two classes, three cars each, their places mixed: H1 G4 H2 G5 H3 G6.
void TwoClasses(Snapshot& s) {
  s = Snapshot();
  s.Session(10).Phase(5);
  const int ids[] = {1, 4, 2, 5, 3, 6};
  for (int place = 1; place <= 6; ++place) {
    const int id = ids[place - 1];
    const bool hyper = id <= 3;
    s.Car(id, place).Behind(place == 1 ? 0.0 : 4.0 + place).LapDist(3000.0 - 300.0 * place)
        .Class(hyper ? "Hypercar" : "GT3").Best(hyper ? 100.0 + id : 115.0 + id, 30.0, 60.0);
  }
}

TEST_F(ManualControl, WithinItsClassNextAndPreviousPassOverTheOtherClass) {
  struct Case {
    bool withinClass;
    int key;
    std::int32_t from, expected;
  };
  const Case cases[] = {{false, kNext, 5, 2}, {true, kNext, 5, 4}, {true, kPrev, 4, 5}, {true, kNext, 4, 4},
                        {false, kPrev, 2, 5}, {true, kPrev, 2, 3}};
  for (const Case& c : cases) {
    SetUp();
    tweak = [](Snapshot& s) {
      const double t = s.Info().mCurrentET;
      TwoClasses(s);
      s.Time(t);
    };
    plugin.mManualWithinClass = c.withinClass;
    Step(100.0);
    plugin.mActualVeh = c.from;
    Press(c.key, 101.0);
    EXPECT_EQ(plugin.mActualVeh, c.expected) << "from " << c.from << (c.withinClass ? " within class" : "");
  }
}

TEST_F(ManualControl, TheLeaderKeyPressedAgainSoonGoesRoundTheClassLeaders) {
  struct Case {
    bool twoClasses;
    std::vector<double> presses;
    std::vector<std::int32_t> shown;
  };
  const Case cases[] = {
      {true, {101.0, 103.0, 105.0, 107.0}, {1, 4, 1, 4}},
      {true, {101.0, 110.0}, {1, 1}},  // more than 5 s apart: the leader each time
      {false, {101.0, 102.0, 103.0}, {1, 1, 1}},  // one class: the leader again
  };
  for (const Case& c : cases) {
    SetUp();
    tweak = nullptr;
    if (c.twoClasses) {
      tweak = [](Snapshot& s) {
        const double t = s.Info().mCurrentET;
        TwoClasses(s);
        s.Time(t);
      };
    }
    Step(100.0);
    for (std::size_t i = 0; i < c.presses.size(); ++i) {
      Press(kLeader, c.presses[i]);
      EXPECT_EQ(plugin.mActualVeh, c.shown[i]) << "press " << i << (c.twoClasses ? " of two classes" : "");
    }
  }
}

TEST_F(ManualControl, HoldKeepsTheCarThroughCutsAndReplaysUntilPressedAgain) {
  Step(100.0);
  Press(kPrev, 101.0);  // car 3, where the director would not go
  Press(kHold, 102.0);
  EXPECT_EQ(Count("Camera held: Driver 3"), 1);
  ContactAt(130.0, "Incident Driver 5(5) contact (1.25) with Immovable");
  EXPECT_TRUE(plugin.mReplayPending) << "the contact is noted";
  StepsTo(131.0, 170.0);
  EXPECT_EQ(plugin.mActualVeh, 3) << "no cut, past manualhold too";
  EXPECT_TRUE(replayStarts.empty()) << "no replay while held";
  EXPECT_STREQ(plugin.ManualState(), "held");
  Press(kHold, 171.0);
  EXPECT_EQ(Count("Camera released"), 1);
  EXPECT_EQ(plugin.ManualState(), nullptr);
  EXPECT_EQ(replayStarts, std::vector<double>{171.0}) << "a contact under 180 s old waits out the hold, then plays";
  const std::string log = Log();
  EXPECT_NE(log.find("Manual : hold t=102.000 id=3\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Manual : release t=171.000 id=3\r\n"), std::string::npos) << log;
}

TEST_F(ManualControl, AHoldEndsByItselfWhenItsCarStopsOrTheSessionChanges) {
  for (const bool newSession : {false, true}) {
    SetUp();
    notices.clear();
    tweak = nullptr;
    session = 10;
    Step(100.0);
    Press(kPrev, 101.0);
    Press(kHold, 102.0);
    ASSERT_EQ(plugin.mHeldVeh, 3);
    if (newSession) {
      session = 11;
    } else {
      tweak = [](Snapshot& s) { s.CarAt(2).mPitState = 2; };
    }
    Step(103.0);
    EXPECT_FALSE(plugin.mHeld) << (newSession ? "new session" : "car in the pits");
    EXPECT_EQ(Count("Camera released"), 1);
    StepsTo(104.0, 125.0);
    EXPECT_EQ(plugin.mActualVeh, 2) << "the director goes on";
  }
  session = 10;
}

TEST_F(ManualControl, AReplayOnScreenWhenHeldPlaysOutThenTheHeldCarStays) {
  Step(100.0);
  ContactAt(101.0, "Incident Driver 5(5) contact (1.25) with Immovable");
  StepsTo(102.0, 113.0);
  ASSERT_EQ(replayStarts.size(), 1u);
  ASSERT_EQ(plugin.mActualVeh, 5) << "the replay camera is on car 5";
  Press(kHold, 114.0);
  StepsTo(115.0, 180.0);
  EXPECT_FALSE(plugin.mReplayRunning) << "the replay ran its time";
  EXPECT_EQ(plugin.mActualVeh, 5) << "and live, the held car";
  EXPECT_EQ(Count("Camera held: Driver 5"), 1);
}

TEST_F(ManualControl, ReplayNowTakesTheLastContactAtOnceOrNothing) {
  struct Case {
    const char* what;
    const char* contact;  // at 100 s; null for none
    double pressAt;
    bool replayed;
  };
  const Case cases[] = {
      {"nothing to replay", nullptr, 110.0, false},
      {"a candidate the race does not replay", "Incident Driver 4(4) contact (0.6) with vehicle Driver 3(3)", 103.0, true},
      {"a candidate too old", "Incident Driver 4(4) contact (0.6) with vehicle Driver 3(3)", 281.0, false},
  };
  for (const Case& c : cases) {
    SetUp();
    notices.clear();
    replayStarts.clear();
    stream.clear();
    Step(99.0);
    if (c.contact != nullptr) ContactAt(100.0, c.contact);
    EXPECT_FALSE(plugin.mReplayPending) << c.what;
    StepsTo(101.0, c.pressAt - 1.0);
    Press(kReplay, c.pressAt);
    EXPECT_EQ(replayStarts.size(), c.replayed ? 1u : 0u) << c.what;
    EXPECT_EQ(Count("Manual replay: Driver 4"), c.replayed ? 1 : 0) << c.what;
    if (!c.replayed) continue;
    EXPECT_EQ(replayStarts[0], c.pressAt) << "no wait of 10 s after the contact";
    EXPECT_EQ(plugin.mReplayIncidentTime, 100.0);
    EXPECT_STREQ(plugin.ManualState(), "manual");
    Press(kReplay, c.pressAt + 1.0);
    EXPECT_EQ(Count("Manual replay"), 1) << "ignored while one runs";
    StepsTo(c.pressAt + 2.0, c.pressAt + 40.0);
    EXPECT_EQ(replayStarts.size(), 1u) << "the scan does not replay it again";
    EXPECT_EQ(plugin.ManualState(), nullptr);
  }
}

TEST_F(ManualControl, AManualCutHoldsForManualholdThenTheDirectorResumes) {
  Step(100.0);
  Press(kPrev, 101.0);
  StepsTo(102.0, 130.0);
  EXPECT_EQ(plugin.mActualVeh, 3) << "the director's own choice (car 2) waits";
  EXPECT_EQ(Count("Director resumed"), 0);
  StepsTo(131.0, 131.0);
  EXPECT_EQ(Count("Director resumed"), 1);
  EXPECT_EQ(plugin.mActualVeh, 2);
  EXPECT_NE(Log().find("Manual : resume t=131.000 id=3\r\n"), std::string::npos);
}

TEST_F(ManualControl, ManualNoticesGoToTheMessageCentreTheToggleAsBefore) {
  plugin.mWebServerUp = true;
  Step(100.0);
  Press(kPrev, 101.0);
  Press(0x41, 102.0);  // the on/off shortcut
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[0].text, "Manual: Driver 3");
  EXPECT_EQ(notices[0].destination, 0);
  EXPECT_EQ(notices[1].text, "Auto camera: off");
  EXPECT_EQ(notices[1].destination, 1);
  Press(kNext, 103.0);
  EXPECT_EQ(notices.size(), 2u) << "no action while the director is off";
  Press(0x41, 104.0);
  EXPECT_EQ(plugin.mManualPressed, 0u) << "nor one kept for later";
}

TEST_F(ManualControl, KeysMissingSharedOrOnTheShortcutDoNothing) {
  struct Case {
    const char* what;
    std::function<void(rF2kovrel&)> keys;
    int pressed;
  };
  const Case cases[] = {
      {"none set", [](rF2kovrel& p) { p.holdkey = p.nextkey = p.prevkey = p.leaderkey = p.replaykey = 0; }, kPrev},
      {"two actions on one key", [](rF2kovrel& p) { p.nextkey = kPrev; }, kPrev},
      {"autokey's own key", [](rF2kovrel& p) { p.prevkey = p.autokey; }, 0x41},
      {"out of range", [](rF2kovrel& p) { p.prevkey = 300; }, 300 % 256},
  };
  for (const Case& c : cases) {
    SetUp();
    notices.clear();
    c.keys(plugin);
    Step(100.0);
    Press(c.pressed, 101.0);
    EXPECT_EQ(plugin.mActualVeh, 2) << c.what;
    EXPECT_EQ(Count("Manual"), 0) << c.what;
    EXPECT_EQ(Log().find("Manual :"), std::string::npos) << c.what;
  }
}

}  // namespace
