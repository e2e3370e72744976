#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>

#include "support/director_fixture.hpp"
#include "support/snapshot_builder.hpp"

namespace {

using nlohmann::json;

// Driver names may be Latin-1; the overlay maps them before parsing.
std::string Latin1ToUtf8(const std::string& text) {
  std::string out;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out.push_back(c);
    } else {
      out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
      out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
    }
  }
  return out;
}

class StatusFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ApplyDefaultSettings(plugin, folder.Path());
    plugin.mNextDriver = "Ann Example";
    plugin.mLeaderDriver = "Bo Leader";
    plugin.mActualPlace = 3;
    plugin.mLastGamePhase = 5;
  }
  std::string Bytes() { return ReadFileBytes(folder.File("status.json")); }
  // Every document written must parse; the tests read it back through this.
  json Written(int session = 10, const std::string& clock = "5 / 20") {
    plugin.WriteStatusFile(session, clock);
    json doc = json::parse(Latin1ToUtf8(Bytes()), nullptr, false);
    EXPECT_FALSE(doc.is_discarded()) << Bytes();
    return doc;
  }

  TempFolder folder;
  rF2kovrel plugin;
};

TEST_F(StatusFile, BattleDocumentHasFifteenCrLfLinesInOrder) {
  plugin.mCamType = 0;
  plugin.mMinBehind = 0.4;
  plugin.WriteStatusFile(10, "5 / 20");
  EXPECT_EQ(Bytes(),
            "{\r\n"
            "  \"driver\": \"Ann Example\",\r\n"
            "  \"position\": 3,\r\n"
            "  \"camera\": \"tvcockpit\",\r\n"
            "  \"on_replay\": false,\r\n"
            "  \"kovrel\": true,\r\n"
            "  \"player_driving\": false,\r\n"
            "  \"session_type\": \"race\",\r\n"
            "  \"game_phase\": \"green\",\r\n"
            "  \"time_display\": \"5 / 20\",\r\n"
            "  \"gap_to_next\": 0.400,\r\n"
            "  \"in_battle\": true,\r\n"
            "  \"sbs_active\": false,\r\n"
            "  \"leader\": \"Bo Leader\"\r\n"
            "}\r\n");
}

TEST_F(StatusFile, SideBySideGroupAndBattleLimits) {
  plugin.mSbsCount = 2;
  plugin.mMinBehind = 12.0;
  json doc = Written();
  EXPECT_EQ(doc["sbs_active"], true);
  EXPECT_EQ(doc["in_battle"], false);
  EXPECT_NE(Bytes().find("\"gap_to_next\": 12.000,"), std::string::npos);
  plugin.mSbsCount = 1;
  EXPECT_EQ(Written()["sbs_active"], false);

  plugin.onboarddiff = 1.0;
  const struct { double gap; bool battle; } limits[] = {
      {0.05, true}, {0.0499, false}, {1.0, true}, {1.001, false}};
  for (const auto& limit : limits) {
    plugin.mMinBehind = limit.gap;
    EXPECT_EQ(Written()["in_battle"], limit.battle) << limit.gap;
  }
}

TEST_F(StatusFile, GapThatIsNotANumberIsNullAndNoBattle) {
  plugin.mMinBehind = std::numeric_limits<double>::quiet_NaN();
  json doc = Written();
  EXPECT_TRUE(doc["gap_to_next"].is_null());
  EXPECT_EQ(doc["in_battle"], false);
  plugin.mMinBehind = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(Written()["gap_to_next"].is_null());
}

TEST_F(StatusFile, ReplayNamesTheReplayedDriverAtPositionZero) {
  plugin.mReplayRunning = true;
  plugin.mReplayDriverName = "Cy Replay";
  Snapshot s;
  s.Session(10).Phase(5).Time(500.0).EndTime(3600.0);
  plugin.RefreshStreamFiles(s.Info());
  json doc = json::parse(Bytes());
  EXPECT_EQ(doc["driver"], "Cy Replay");
  EXPECT_EQ(doc["position"], 0);
  EXPECT_EQ(doc["on_replay"], true);
  EXPECT_EQ(doc["time_display"], "REPLAY");
}

TEST_F(StatusFile, SessionTypeAndGamePhaseNames) {
  const struct { int session; const char* name; } sessions[] = {
      {0, "practice"}, {3, "practice"}, {4, "qualifying"}, {9, "qualifying"},
      {10, "race"}, {13, "race"}};
  for (const auto& s : sessions) EXPECT_EQ(Written(s.session)["session_type"], s.name);

  const char* const phases[] = {"garage", "warmup", "warmup", "formation", "green",
                                "green", "yellow", "stopped", "finished", "unknown"};
  for (int phase = 0; phase <= 9; ++phase) {
    plugin.mLastGamePhase = phase;
    EXPECT_EQ(Written()["game_phase"], phases[phase]) << phase;
  }
  for (int phase : {-1, 255}) {
    plugin.mLastGamePhase = phase;
    EXPECT_EQ(Written()["game_phase"], "unknown") << phase;
  }
}

TEST_F(StatusFile, CameraNames) {
  const struct { int camType; int rearViewCam; const char* name; } cameras[] = {
      {0, 6, "tvcockpit"}, {1, 6, "cockpit"}, {2, 6, "nosecam"}, {3, 3, "swingman"},
      {4, 6, "trackside"}, {4, 4, "trackside"}, {6, 6, "rearview"}, {6, 0, "onboard"},
      {5, 6, "onboard"}, {-1, 6, "trackside"}, {-1, -1, "rearview"}};
  for (const auto& c : cameras) {
    plugin.mCamType = c.camType;
    plugin.rearviewcam = c.rearViewCam;
    EXPECT_EQ(Written()["camera"], c.name) << c.camType << " with rear view " << c.rearViewCam;
  }
}

TEST_F(StatusFile, NamesAreEscapedSoTheDocumentAlwaysParses) {
  const std::string hostile = "a\"b\\c\td\ne\rf\bg\fh\x01i\x1fj\x7f\xe9\xfc";
  plugin.mNextDriver = hostile;
  plugin.mLeaderDriver = "Zo\xeb \"Q\"";
  json doc = Written(10, "tab\there");
  EXPECT_EQ(doc["driver"], Latin1ToUtf8(hostile));
  EXPECT_EQ(doc["leader"], Latin1ToUtf8("Zo\xeb \"Q\""));
  EXPECT_EQ(doc["time_display"], "tab\there");
  // Quote and backslash escaped as before, control bytes as JSON escapes,
  // bytes above 127 as they are.
  EXPECT_NE(Bytes().find("\"driver\": \"a\\\"b\\\\c\\td\\ne\\rf\\bg\\fh\\u0001i\\u001fj\x7f\xe9\xfc\","),
            std::string::npos)
      << Bytes();
}

}  // namespace
