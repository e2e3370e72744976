// A race of several classes: which cars form a class, each class's passes,
// lead and finish, traffic across classes, places lost within a class, and
// the penalties' share of the credit.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "analysis/analysis.hpp"
#include "analysis/session_builder.hpp"
#include "report/json_report.hpp"

namespace ksim {
namespace {

using testing::SessionBuilder;

std::vector<Event> Passes(const std::vector<Event>& events) {
  std::vector<Event> out;
  for (const Event& e : events) {
    if (IsPass(e.kind)) out.push_back(e);
  }
  return out;
}

// Two line crossings per car: one counted lap of the time given.
void GiveLaps(SessionRun& run, const std::vector<double>& laps) {
  for (std::size_t c = 0; c < laps.size(); ++c) {
    run.timing.push_back(TimingMark{10.0, static_cast<int>(c), 0, false});
    run.timing.push_back(TimingMark{10.0 + laps[c], static_cast<int>(c), 0, true});
  }
  std::stable_sort(run.timing.begin(), run.timing.end(),
                   [](const TimingMark& a, const TimingMark& b) { return a.time < b.time; });
}

TEST(Classes, NamesOfFewCarsAndNamesOfOnePaceAreOneClassUnlessTheRunSaysOtherwise) {
  struct Case {
    const char* what;
    std::vector<std::string> names;
    std::vector<double> laps;
    ClassRule rule;
    std::vector<std::string> classes;  // fastest first
  };
  const std::vector<Case> cases = {
      {"car models of one race", {"F458", "F458", "F458", "Z4", "R8", "R8", "997", "MP4"},
       {100.0, 100.4, 100.9, 100.2, 101.0, 100.6, 100.8, 101.2}, ClassRule::ByPace, {"F458"}},
      {"the same, every name a class", {"F458", "F458", "F458", "Z4", "R8", "R8", "997", "MP4"},
       {100.0, 100.4, 100.9, 100.2, 101.0, 100.6, 100.8, 101.2}, ClassRule::ByName, {"Z4", "F458", "R8", "997", "MP4"}},
      {"prototypes and GT cars", {"GT3", "LMP2", "GT3", "LMP2", "GT3", "LMP2"},
       {110.0, 100.0, 110.5, 100.4, 111.0, 100.9}, ClassRule::ByPace, {"LMP2", "GT3"}},
      {"the same as one class", {"GT3", "LMP2", "GT3", "LMP2", "GT3", "LMP2"},
       {110.0, 100.0, 110.5, 100.4, 111.0, 100.9}, ClassRule::OneClass, {"GT3"}},
      {"two names 2% apart", {"GT3", "GT3", "GT3", "GTE", "GTE", "GTE"},
       {110.0, 110.2, 110.4, 112.0, 112.2, 112.4}, ClassRule::ByPace, {"GT3"}},
  };
  for (const Case& c : cases) {
    SessionBuilder builder(static_cast<int>(c.names.size()), 60);
    for (std::size_t i = 0; i < c.names.size(); ++i) builder.Class(static_cast<int>(i), c.names[i]);
    SessionRun run = builder.Build();
    GiveLaps(run, c.laps);
    EXPECT_EQ(ClassesOf(run, c.rule).names, c.classes) << c.what;
  }
}

TEST(Classes, PassesWithinAClassAreOvertakesAndAcrossClassesTraffic) {
  // LMP2 cars 0-2 ahead of GT3 cars 3-5.
  const SessionRun run = SessionBuilder(6, 120)
                             .TwoClasses(3)
                             .Pass(20.0, 2, 1)   // within LMP2, for P2
                             .Pass(40.0, 3, 1)   // a GT3 car by an LMP2 car: 0 2 3 1 4 5
                             .Pass(60.0, 4, 3)   // the GT3 lead, and by LMP2 car 1: 0 2 4 3 1 5
                             .Pass(80.0, 2, 0)   // the overall lead: one lead change, not two
                             .Build();
  struct Want {
    EventKind kind;
    std::vector<int> cars;
    int place, classPlace, classIndex;
    double weight;
  };
  const std::vector<Want> want = {
      {EventKind::Overtake, {2, 1}, 2, 2, 0, 1.0},
      {EventKind::Traffic, {3, 1}, 3, 0, -1, 0.1},
      {EventKind::Traffic, {4, 1}, 4, 0, -1, 0.1},
      {EventKind::ClassLeadChange, {4, 3}, 3, 1, 1, 3.0},
      {EventKind::LeadChange, {2, 0}, 1, 1, 0, 3.0},
  };
  const std::vector<Event> passes = Passes(FindEvents(run));
  ASSERT_EQ(passes.size(), want.size());
  for (const Want& w : want) {
    const auto found = std::find_if(passes.begin(), passes.end(), [&](const Event& e) { return e.cars == w.cars; });
    ASSERT_NE(found, passes.end()) << w.cars[0] << " by " << w.cars[1];
    EXPECT_EQ(found->kind, w.kind) << EventKindName(found->kind);
    EXPECT_EQ(found->place, w.place);
    EXPECT_EQ(found->classPlace, w.classPlace);
    EXPECT_EQ(found->classIndex, w.classIndex);
    EXPECT_DOUBLE_EQ(found->weight, w.weight);
  }
}

TEST(Classes, EachClassHasItsFirstThreeAcrossTheLine) {
  SessionBuilder builder(7, 300);
  builder.TwoClasses(3);
  for (int c = 0; c < 7; ++c) builder.Finish(c, 200.0 + 5.0 * c);
  std::vector<Event> finishes;
  for (const Event& e : FindEvents(builder.Build())) {
    if (e.kind == EventKind::Finish) finishes.push_back(e);
  }
  ASSERT_EQ(finishes.size(), 6u);  // three LMP2 and three of the four GT3 cars
  const std::vector<int> cars = {0, 1, 2, 3, 4, 5}, classPlaces = {1, 2, 3, 1, 2, 3}, places = {1, 2, 3, 4, 5, 6};
  for (std::size_t i = 0; i < finishes.size(); ++i) {
    EXPECT_EQ(finishes[i].cars.front(), cars[i]);
    EXPECT_EQ(finishes[i].place, places[i]);
    EXPECT_EQ(finishes[i].classPlace, classPlaces[i]);
    EXPECT_DOUBLE_EQ(finishes[i].weight, classPlaces[i] == 1 ? 2.0 : 1.0);
  }
}

TEST(Classes, PlacesLostAfterAContactCountWithinTheCarsClass) {
  struct Case {
    const char* what;
    bool twoClasses;
    std::vector<int> passers;  // each goes by car 0 in the lap after its touch
    bool heavy;
  };
  const std::vector<Case> cases = {
      {"passed by two cars of a faster class", true, {1, 2}, false},
      {"passed by two cars of its own class", true, {4, 5}, true},
      {"the same two passes in a race of one class", false, {1, 2}, true},
  };
  for (const Case& c : cases) {
    // Car 0 (GT3) leads LMP2 cars 1-3 and GT3 cars 4-5.
    SessionBuilder builder(6, 400);
    if (c.twoClasses) builder.Class(0, "GT3").Class(1, "LMP2").Class(2, "LMP2").Class(3, "LMP2").Class(4, "GT3").Class(5, "GT3");
    builder.Touch(100.0, 0, -1, 0.2);
    for (std::size_t i = 0; i < c.passers.size(); ++i) builder.Pass(110.0 + 10.0 * i, c.passers[i], 0);
    std::vector<Event> contacts;
    for (const Event& e : FindEvents(builder.Build())) {
      if (e.kind == EventKind::Contact) contacts.push_back(e);
    }
    ASSERT_EQ(contacts.size(), 1u) << c.what;
    EXPECT_EQ(contacts[0].heavy, c.heavy) << c.what << ": " << contacts[0].heavyReason;
  }
}

TEST(Classes, ARaceOfOneClassKeepsItsEventsWhateverItsCarsAreCalled) {
  // Car models as classes, all of one pace: the same events as one class.
  SessionBuilder builder(6, 400);
  const char* models[] = {"F458", "F458", "F458", "Z4", "R8", "997"};
  for (int c = 0; c < 6; ++c) builder.Class(c, models[c]);
  builder.Pass(50.0, 3, 2).Pass(90.0, 1, 0).Pass(130.0, 4, 1).Touch(150.0, 5, 4, 0.3).Pass(160.0, 0, 5);
  builder.Pits(2, 200.0, 230.0);
  for (int c = 0; c < 6; ++c) builder.Finish(c, 300.0 + c);
  SessionRun run = builder.Build();
  GiveLaps(run, {100.0, 100.5, 100.2, 100.7, 100.3, 100.9});
  const std::vector<Event> byPace = FindEvents(run, ClassesOf(run, ClassRule::ByPace));
  const std::vector<Event> oneClass = FindEvents(run, ClassesOf(run, ClassRule::OneClass));
  const std::vector<Event> byName = FindEvents(run, ClassesOf(run, ClassRule::ByName));
  ASSERT_EQ(byPace.size(), oneClass.size());
  for (std::size_t i = 0; i < byPace.size(); ++i) {
    EXPECT_EQ(byPace[i].kind, oneClass[i].kind);
    EXPECT_EQ(byPace[i].cars, oneClass[i].cars);
    EXPECT_EQ(byPace[i].place, oneClass[i].place);
    EXPECT_EQ(byPace[i].heavy, oneClass[i].heavy);
    EXPECT_DOUBLE_EQ(byPace[i].weight, oneClass[i].weight);
    EXPECT_EQ(byPace[i].classPlace, byPace[i].kind == EventKind::Contact || byPace[i].kind == EventKind::PitStop ? 0 : byPace[i].place);
  }
  // Every model a class of its own: the passes between models are traffic.
  EXPECT_GT(std::count_if(byName.begin(), byName.end(), [](const Event& e) { return e.kind == EventKind::Traffic; }), 0);
}

TEST(Classes, EveryClassHasItsPoleAndImprovingLapsGainAPlaceWithinIt) {
  // Qualifying of 900 s: LMP2 cars 0-1, GT3 cars 2-4.
  SessionRun run;
  run.plan.kind = SessionKind::Qualifying;
  run.plan.endTime = run.endTime = 900.0;
  const char* names[] = {"LMP2", "LMP2", "GT3", "GT3", "GT3"};
  for (int i = 0; i < 5; ++i) {
    CarEntry car;
    car.id = 10 + i;
    car.vehicleClass = names[i];
    run.plan.cars.push_back(car);
  }
  const auto lap = [&](int car, double end, double time) {
    run.timing.push_back(TimingMark{end - time, car, 0, false});
    run.timing.push_back(TimingMark{end, car, 0, true});
  };
  lap(0, 200.0, 100.0);  // LMP2 pole
  lap(2, 230.0, 110.0);  // GT3 pole, P2 overall
  lap(3, 350.0, 109.0);  // GT3 pole again
  lap(1, 420.0, 101.0);  // LMP2 P2: no pole
  lap(2, 700.0, 108.5);  // late, back to the GT3 top: a pole lap of its class
  lap(3, 800.0, 108.8);  // late, improves its best but stays GT3 P2: no event
  lap(4, 250.0, 112.0);
  lap(4, 850.0, 108.6);  // late, from GT3 P3 to P2 (P4 overall)
  std::stable_sort(run.timing.begin(), run.timing.end(),
                   [](const TimingMark& a, const TimingMark& b) { return a.time < b.time; });
  std::vector<std::pair<int, int>> poles;  // car, overall place
  std::vector<Event> improving;
  for (const Event& e : FindEvents(run, ClassesOf(run, ClassRule::ByName))) {
    if (e.kind == EventKind::PoleLap) poles.emplace_back(e.cars[0], e.place);
    if (e.kind == EventKind::ImprovingLap) improving.push_back(e);
  }
  EXPECT_EQ(poles, (std::vector<std::pair<int, int>>{{0, 1}, {2, 2}, {3, 2}, {2, 3}}));
  ASSERT_EQ(improving.size(), 1u);
  EXPECT_EQ(improving[0].cars[0], 4);
  EXPECT_EQ(improving[0].classPlace, 2);
  EXPECT_EQ(improving[0].place, 4);
}

TEST(Classes, PenaltiesTakeTheSameShareOfABigFieldsCreditAsOfASmallOnes) {
  Penalties replays;
  replays.replayRatePenalty = 0.18;
  replays.lightReplayPenalty = 0.02;
  Penalties everything = replays;
  everything.shortShotsPenalty = 0.6;
  everything.repeatPenalty = 0.2;
  everything.pacingForfeit = 0.1;
  struct Case {
    double credited, total;
    Penalties penalties;
    double score;
  };
  const std::vector<Case> cases = {
      {68.0, 500.0, replays, 0.136 * 0.8},  // a big field: was 0.136 - 0.2, nothing
      {6.8, 50.0, replays, 0.136 * 0.8},    // a small one, the same share
      {40.0, 50.0, everything, 0.0},        // penalties adding up past 1 take all
      {40.0, 50.0, Penalties{}, 0.8},
  };
  for (const Case& c : cases) EXPECT_NEAR(ScoreOf(c.credited, c.total, c.penalties), c.score, 1e-12) << c.total;
  EXPECT_DOUBLE_EQ(everything.Total(), 1.0);
}

TEST(Classes, EachClassHasItsCoverageAndTrafficItsOwnCountInTheExport) {
  SessionBuilder builder(6, 200);
  builder.TwoClasses(3).Pass(20.0, 2, 1).Pass(40.0, 3, 1).Show(0.0, 100.0, 2).Show(100.0, 200.0, 4);
  RunResult result;
  result.sessions.push_back(builder.Build());
  result.sessions[0].greenStart = 0.0;
  result.sessions[0].greenEnd = 200.0;
  const Coverage c = AnalyseSession(result.sessions[0], DirectorSettings{});
  const nlohmann::json session = nlohmann::json::parse(JsonReport(result, {c}))["sessions"][0];
  const nlohmann::json& classes = session["coverage"]["classes"];
  ASSERT_EQ(classes.size(), 2u);
  EXPECT_EQ(classes["LMP2"]["cars"], 3);
  EXPECT_EQ(classes["GT3"]["cars"], 3);
  EXPECT_NEAR(classes["LMP2"]["screen_share"].get<double>(), 0.5, 1e-9);
  EXPECT_EQ(classes["LMP2"]["kinds"]["overtake"]["live"], 1);  // 2 by 1, with car 2 on air
  EXPECT_NEAR(classes["LMP2"]["credit_share"].get<double>(), 1.0, 1e-9);
  EXPECT_EQ(classes["GT3"]["kinds"]["overtake"]["count"], 0);
  EXPECT_EQ(session["coverage"]["traffic"]["count"], 1);
  EXPECT_FALSE(classes["LMP2"]["kinds"].contains("traffic"));
  for (const nlohmann::json& e : session["events"]) {
    if (e["kind"] == "traffic") {
      EXPECT_TRUE(e["class"].is_null());
      EXPECT_TRUE(e["class_place"].is_null());
    } else if (e["kind"] == "overtake") {
      EXPECT_EQ(e["class"], "LMP2");
      EXPECT_EQ(e["class_place"], 2);
    }
  }
  // One class: no class table.
  RunResult single;
  single.sessions.push_back(SessionBuilder(6, 200).Pass(20.0, 2, 1).Build());
  const Coverage one = AnalyseSession(single.sessions[0], DirectorSettings{});
  EXPECT_TRUE(nlohmann::json::parse(JsonReport(single, {one}))["sessions"][0]["coverage"]["classes"].empty());
}

}  // namespace
}  // namespace ksim
