// "standings.json" through the plug-in's own callbacks: written only with the
// key, once a second of session time and at every cut and replay start and
// end, whether or not the automatic camera is on.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "director/keyboard.hpp"
#include "support/director_fixture.hpp"
#include "support/snapshot_builder.hpp"

namespace {

using nlohmann::json;

class StandingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ReleaseAllKeys();
    ApplyDefaultSettings(plugin, folder.Path());
    plugin.standings = 1;
  }
  void TearDown() override { ReleaseAllKeys(); }

  void Snap(double time) {
    Snapshot s;
    s.Session(10).Phase(5).Time(time).EndTime(3600.0).MaxLaps(2147483647).Stream(stream);
    s.Car(11, 1).LapDist(900);
    s.Car(12, 2).Behind(5.0).BehindLeader(5.0).LapDist(700).Name("Crasher");
    plugin.UpdateScoring(s.Info());
  }
  std::string Bytes() const { return ReadFileBytes(folder.File("standings.json")); }
  json Doc() const {
    const json doc = json::parse(Bytes(), nullptr, false);
    EXPECT_FALSE(doc.is_discarded()) << Bytes();
    return doc;
  }
  // The session time of the snapshot the document was written from.
  double WrittenAt() const { return 3600.0 - Doc()["time_left_s"].get<double>(); }
  unsigned char View() {
    CameraControlInfoV01 cam{};
    return plugin.WantsToViewVehicle(cam);
  }
  bool Press() {
    double value = 0.0;
    return plugin.CheckHWControl("InstantReplay", value);
  }

  TempFolder folder;
  rF2kovrel plugin;
  std::string stream;
};

TEST_F(StandingsFile, WithoutTheKeyNothingIsEverWritten) {
  plugin.standings = 0;
  plugin.Startup(0);
  for (double t = 100.0; t < 104.0; t += 0.2) {
    Snap(t);
    View();
  }
  plugin.StartSession();
  EXPECT_FALSE(FileExists(folder.File("standings.json")));
  EXPECT_TRUE(FileExists(folder.File("status.json")));
}

TEST_F(StandingsFile, AtMostOnceASecondOfSessionTime) {
  std::vector<double> writes;
  for (int k = 0; k <= 15; ++k) {
    Snap(200.0 + 0.2 * k);
    if (writes.empty() || WrittenAt() != writes.back()) writes.push_back(WrittenAt());
    View();  // the first cut comes between the first two snapshots
  }
  ASSERT_GE(writes.size(), 4u);
  EXPECT_NEAR(writes[0], 200.0, 1e-9);
  EXPECT_NEAR(writes[1], 201.0, 1e-9);
  EXPECT_NEAR(writes[2], 202.0, 1e-9);
  EXPECT_NEAR(writes[3], 203.0, 1e-9);
  EXPECT_EQ(writes.size(), 4u);
  // A session starting again from an earlier time is written at once.
  Snap(5.0);
  EXPECT_NEAR(WrittenAt(), 5.0, 1e-9);
}

TEST_F(StandingsFile, ACutBetweenSnapshotsIsWrittenAtOnce) {
  Snap(300.0);
  EXPECT_EQ(Doc()["on_air_id"], nullptr) << "nothing cut yet";
  EXPECT_EQ(Doc()["director"], "auto");
  ASSERT_EQ(View(), 1);
  const json doc = Doc();
  EXPECT_EQ(doc["on_air_id"], plugin.mActualVeh);
  EXPECT_NEAR(WrittenAt(), 300.0, 1e-9) << "from the last snapshot";
  int onAir = 0;
  for (const json& car : doc["cars"]) onAir += car["on_air"] == true ? 1 : 0;
  EXPECT_EQ(onAir, 1);
}

TEST_F(StandingsFile, ReplayStartAndEndAreWrittenAtOnce) {
  Snap(99.0);
  stream += "Incident Crasher(12) contact (1.25) with Immovable\n";
  Snap(100.0);
  ASSERT_TRUE(plugin.mReplayPending);
  Snap(110.5);
  ASSERT_TRUE(Press());
  json doc = Doc();
  EXPECT_EQ(doc["replay_id"], 12);
  EXPECT_EQ(doc["on_air_id"], 12);
  EXPECT_EQ(doc["clock"], "REPLAY");
  EXPECT_NEAR(WrittenAt(), 110.5, 1e-9);

  plugin.mReplayEndRequested = true;
  ASSERT_TRUE(Press());
  doc = Doc();
  EXPECT_EQ(doc["replay_id"], nullptr);
  EXPECT_NE(doc["clock"], "REPLAY");
}

TEST_F(StandingsFile, KeepsRunningWithTheAutomaticCameraOff) {
  Snap(400.0);
  View();
  plugin.auto_ = 0;
  const std::string status = ReadFileBytes(folder.File("status.json"));
  Snap(401.0);
  EXPECT_EQ(ReadFileBytes(folder.File("status.json")), status) << "the status document rests";
  const json doc = Doc();
  EXPECT_NEAR(WrittenAt(), 401.0, 1e-9);
  EXPECT_EQ(doc["director"], "off");
  EXPECT_EQ(doc["on_air_id"], nullptr) << "the broadcaster's camera is not the director's";
  EXPECT_EQ(doc["clock"], "00:53:19");
  EXPECT_EQ(doc["cars"].size(), 2u);
}

TEST_F(StandingsFile, TheDirectorWordTellsTheBroadcastersHand) {
  constexpr int kCtrl = 17, kHold = 0x48, kNext = 0x4E;
  plugin.holdkey = kHold;
  plugin.nextkey = kNext;
  const auto press = [&](int key, double t) {
    SetVirtualKeyDown(kCtrl, true);
    SetVirtualKeyDown(key, true);
    Snap(t);
    View();
    SetVirtualKeyDown(key, false);
    SetVirtualKeyDown(kCtrl, false);
    Snap(t + 0.2);
    View();
  };
  Snap(400.0);
  View();
  EXPECT_EQ(Doc()["director"], "auto");
  press(kHold, 402.0);
  Snap(404.0);
  EXPECT_EQ(Doc()["director"], "held");
  press(kHold, 406.0);
  press(kNext, 408.0);
  Snap(410.0);
  EXPECT_EQ(Doc()["director"], "manual");
}

TEST_F(StandingsFile, EmptiedAtStartupAndEverySession) {
  plugin.Startup(0);
  EXPECT_TRUE(FileExists(folder.File("standings.json")));
  EXPECT_EQ(Bytes(), "");
  Snap(500.0);
  EXPECT_NE(Bytes().find("\r\n"), std::string::npos) << "lines end as the stream files' do";
  plugin.StartSession();
  EXPECT_EQ(Bytes(), "");
  View();  // no snapshot of the new session yet: nothing to write a cut from
  EXPECT_EQ(Bytes(), "");
  Snap(500.2);
  EXPECT_NE(Bytes(), "") << "the new session's first snapshot writes at once";
}

}  // namespace
