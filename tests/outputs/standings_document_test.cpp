// The standings document as the overlay's tower reads it: always valid JSON
// and valid UTF-8, the field in running order with each class's own race.
#include <gtest/gtest.h>

#include <cstring>
#include <nlohmann/json.hpp>
#include <string>

#include "outputs/json_text.hpp"
#include "outputs/standings_document.hpp"
#include "support/snapshot_builder.hpp"

namespace {

using nlohmann::json;

void SetText(char* field, std::size_t size, const std::string& text) {
  std::memset(field, 0, size);
  std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

// A car of class `cls`, "Car #<number>", `behind` seconds behind the overall
// leader and `ahead` behind the car in front.
CarBuilder Racer(Snapshot& s, int id, int place, const char* cls, double behind, double ahead, double best = 100.0) {
  CarBuilder car = s.Car(id, place);
  VehicleScoringInfoV01& v = car.Record();
  SetText(v.mVehicleClass, sizeof v.mVehicleClass, cls);
  SetText(v.mVehicleName, sizeof v.mVehicleName, "Car #" + std::to_string(id));
  v.mTimeBehindLeader = behind;
  v.mTimeBehindNext = ahead;
  v.mBestLapTime = best;
  v.mLastLapTime = best + 1.0;
  v.mTotalLaps = 10;
  v.mLapDist = 2000.0;
  return car;
}

json Document(Snapshot& s, const StandingsContext& context = {}) {
  const std::string text = StandingsDocument(s.Info(), context);
  json doc = json::parse(text, nullptr, false);
  EXPECT_FALSE(doc.is_discarded()) << text;
  return doc;
}

const json& CarWithId(const json& doc, int id) {
  for (const json& car : doc["cars"]) {
    if (car["id"] == id) return car;
  }
  static const json none;
  ADD_FAILURE() << "no car " << id;
  return none;
}

TEST(StandingsDocument, OneClassWithLappedPitAndOutCars) {
  Snapshot s;
  s.Time(600.0).EndTime(1800.0).MaxLaps(30);
  Racer(s, 7, 2, "GT3", 1.5, 1.5);
  Racer(s, 3, 1, "GT3", 0.0, 0.0, 99.0);
  Racer(s, 9, 3, "GT3", 70.0, 68.5).Pit(3);
  Racer(s, 4, 4, "GT3", 190.0, 120.0).Record().mLapsBehindLeader = 1;
  s.CarAt(3).mLapsBehindNext = 1;
  Racer(s, 5, 5, "GT3", 0.0, 0.0, 0.0).Finish(2).Record().mLastLapTime = 0.0;
  SetText(s.CarAt(4).mVehicleName, sizeof s.CarAt(4).mVehicleName, "Car #7");  // a number two cars carry

  const json doc = Document(s);
  EXPECT_EQ(doc["version"], 1);
  EXPECT_EQ(doc["session"], json({{"type", "race"}, {"phase", "green"}}));
  EXPECT_EQ(doc["laps_total"], 30);
  EXPECT_FALSE(doc.contains("time_left_s"));
  EXPECT_EQ(doc["classes"], json({"GT3"}));
  ASSERT_EQ(doc["cars"].size(), 5u);

  struct Row {
    int id, place, classPlace;
    json number, gapLeader, gapAhead;
    int lapsDown;
    bool inPit;
    const char* status;
  };
  const Row rows[] = {
      {3, 1, 1, "3", 0.0, nullptr, 0, false, "running"},
      {7, 2, 2, nullptr, 1.5, 1.5, 0, false, "running"},
      {9, 3, 3, "9", 70.0, 68.5, 0, true, "running"},
      {4, 4, 4, "4", nullptr, nullptr, 1, false, "running"},
      {5, 5, 5, nullptr, nullptr, nullptr, 0, false, "out"},
  };
  for (std::size_t k = 0; k < std::size(rows); ++k) {
    const Row& r = rows[k];
    const json& car = doc["cars"][k];
    SCOPED_TRACE("car " + std::to_string(r.id));
    EXPECT_EQ(car["id"], r.id);
    EXPECT_EQ(car["place"], r.place);
    EXPECT_EQ(car["class"], "GT3");
    EXPECT_EQ(car["class_place"], r.classPlace);
    EXPECT_EQ(car["number"], r.number);
    EXPECT_EQ(car["gap_leader_s"], r.gapLeader);
    EXPECT_EQ(car["gap_ahead_s"], r.gapAhead);
    EXPECT_EQ(car["laps_down"], r.lapsDown);
    EXPECT_EQ(car["in_pit"], r.inPit);
    EXPECT_EQ(car["status"], r.status);
  }
  EXPECT_EQ(CarWithId(doc, 3)["best_lap_s"], 99.0);
  EXPECT_EQ(CarWithId(doc, 3)["last_lap_s"], 100.0);
  EXPECT_EQ(CarWithId(doc, 5)["best_lap_s"], nullptr);
  EXPECT_EQ(CarWithId(doc, 5)["last_lap_s"], nullptr);
}

// Three classes mixed on track; the gaps are within each class, and a car a
// whole lap behind its class leader by distance has none.
TEST(StandingsDocument, SeveralClassesRaceEachTheirOwnRace) {
  Snapshot s;
  s.Time(900.0).EndTime(1800.0).MaxLaps(2147483647);
  Racer(s, 1, 1, "LMP2", 0.0, 0.0, 90.0);
  Racer(s, 2, 2, "LMP2", 2.0, 2.0, 90.5);
  Racer(s, 10, 3, "LMP3", 20.0, 18.0, 96.0);
  Racer(s, 3, 4, "LMP2", 21.0, 1.0, 91.0);
  Racer(s, 11, 5, "LMP3", 24.5, 3.5, 96.5);
  Racer(s, 20, 6, "GT3", 40.0, 15.5, 101.0);
  Racer(s, 12, 7, "LMP3", 41.0, 1.0, 97.0);
  Racer(s, 21, 8, "GT3", 43.0, 2.0, 101.5);
  Racer(s, 22, 9, "GT3", 150.0, 107.0, 102.0).Laps(9).LapDist(1000.0);  // a lap and a quarter behind #20

  ScoringInfoV01 info = s.Info();
  info.mLapDist = 4000.0;  // metres of the lap
  const json doc = json::parse(StandingsDocument(info, {}));
  EXPECT_EQ(doc["classes"], json({"LMP2", "LMP3", "GT3"})) << "fastest first";
  EXPECT_TRUE(doc.contains("time_left_s"));
  EXPECT_EQ(doc["time_left_s"], 900.0);

  struct Row {
    int id;
    const char* cls;
    int classPlace;
    json gapLeader, gapAhead;
    int lapsDown;
  };
  const Row rows[] = {
      {1, "LMP2", 1, 0.0, nullptr, 0},  {2, "LMP2", 2, 2.0, 2.0, 0},   {10, "LMP3", 1, 0.0, nullptr, 0},
      {3, "LMP2", 3, 21.0, 19.0, 0},    {11, "LMP3", 2, 4.5, 4.5, 0},  {20, "GT3", 1, 0.0, nullptr, 0},
      {12, "LMP3", 3, 21.0, 16.5, 0},   {21, "GT3", 2, 3.0, 3.0, 0},   {22, "GT3", 3, nullptr, nullptr, 1},
  };
  for (std::size_t k = 0; k < std::size(rows); ++k) {
    const Row& r = rows[k];
    const json& car = doc["cars"][k];
    SCOPED_TRACE("car " + std::to_string(r.id));
    EXPECT_EQ(car["id"], r.id);
    EXPECT_EQ(car["class"], r.cls);
    EXPECT_EQ(car["class_place"], r.classPlace);
    EXPECT_EQ(car["gap_leader_s"], r.gapLeader);
    EXPECT_EQ(car["gap_ahead_s"], r.gapAhead);
    EXPECT_EQ(car["laps_down"], r.lapsDown);
  }
}

TEST(StandingsDocument, TheCarOnAirAndItsFight) {
  struct Case {
    const char* what;
    int onAir, replay;
    double gap2, gap3;  // behind the car ahead, of places 2 and 3
    json onAirId, replayId;
    std::vector<int> inBattle;
  };
  const Case cases[] = {
      {"chasing the car ahead", 12, -1, 0.3, 2.0, 12, nullptr, {11, 12}},
      {"chased by the car behind", 12, -1, 2.0, 0.3, 12, nullptr, {12, 13}},
      {"no fight within onboarddiff", 12, -1, 0.5, 2.0, 12, nullptr, {}},
      {"a gap below a twentieth is timing, not a fight", 12, -1, 0.01, 2.0, 12, nullptr, {}},
      {"a replay: the replayed car is on air", 12, 13, 0.3, 0.3, 13, 13, {}},
      {"nothing on air", -1, -1, 0.3, 0.3, nullptr, nullptr, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Snapshot s;
    s.Time(500.0);
    Racer(s, 11, 1, "GT3", 0.0, 0.0);
    Racer(s, 12, 2, "GT3", c.gap2, c.gap2);
    Racer(s, 13, 3, "GT3", c.gap2 + c.gap3, c.gap3);
    StandingsContext context;
    context.onAirId = c.onAir;
    context.replayId = c.replay;
    const json doc = Document(s, context);
    EXPECT_EQ(doc["on_air_id"], c.onAirId);
    EXPECT_EQ(doc["replay_id"], c.replayId);
    for (const json& car : doc["cars"]) {
      const int id = car["id"];
      EXPECT_EQ(car["on_air"], c.onAirId == id) << id;
      EXPECT_EQ(car["in_battle"], std::find(c.inBattle.begin(), c.inBattle.end(), id) != c.inBattle.end()) << id;
    }
  }
}

TEST(StandingsDocument, NamesComeOutAsValidEscapedUtf8) {
  struct Case {
    std::string bytes;
    std::string shown;  // as UTF-8, once parsed
  };
  const Case cases[] = {
      {"Jo \"Quick\" O\\Brien", "Jo \"Quick\" O\\Brien"},
      {"Tab\there\x01\x1F", "Tab\there\x01\x1F"},
      {"J\xF6rg M\xFCller \x80", "J\xC3\xB6rg M\xC3\xBCller \xE2\x82\xAC"},       // windows-1252
      {"Zo\xC3\xAB \xC5\x81ukasz \xE2\x82\xAC", "Zo\xC3\xAB \xC5\x81ukasz \xE2\x82\xAC"},  // UTF-8 as it is
      {"\x81\x8D\x8F\x90\x9D", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // undefined: U+FFFD
      {"\xC3", "\xC3\x83"},                          // a sequence cut short
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},  // a surrogate is no UTF-8
      {"\xC0\xAF", "\xC3\x80\xC2\xAF"},              // nor is an overlong form
  };
  for (const Case& c : cases) {
    std::string out;
    AppendJsonString(out, c.bytes);
    const json parsed = json::parse(out, nullptr, false);
    ASSERT_FALSE(parsed.is_discarded()) << out;
    EXPECT_EQ(parsed.get<std::string>(), c.shown) << out;
    for (unsigned char byte : out) EXPECT_GE(byte, 0x20) << "a raw control byte in " << out;
  }
  std::string controls;
  AppendJsonString(controls, std::string("a\nb\x7F", 4));
  EXPECT_EQ(controls, "\"a\\u000Ab\x7F\"");

  // Through the document: driver and class fields read within their size.
  Snapshot s;
  Racer(s, 1, 1, "GT3 \"Pro\"", 0.0, 0.0);
  std::memset(s.CarAt(0).mDriverName, 'x', sizeof s.CarAt(0).mDriverName);  // no terminating zero
  const json doc = Document(s);
  EXPECT_EQ(doc["cars"][0]["driver"], std::string(32, 'x'));
  EXPECT_EQ(doc["cars"][0]["class"], "GT3 \"Pro\"");
}

}  // namespace
