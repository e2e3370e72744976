#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

#include "sessions/generator.hpp"
#include "sim_test_support.hpp"
#include "sessions/stream_lines.hpp"

namespace {

using ksim::GenerateSession;
using ksim::GeneratorOptions;
using ksim::SessionKind;
using ksim_test::PlaySession;
using ksim_test::SnapshotInvariants;

GeneratorOptions Small(SessionKind kind, std::uint64_t seed) {
  GeneratorOptions options;
  options.kind = kind;
  options.seed = seed;
  options.cars = 14;
  options.laps = 7;
  options.minutes = 7.0;
  options.lapTime = 80.0;
  options.trackLength = 4000.0;
  return options;
}

TEST(GeneratedSessions, EverySnapshotIsConsistentOverManySeeds) {
  for (const SessionKind kind : {SessionKind::Race, SessionKind::Qualifying, SessionKind::Practice}) {
    for (std::uint64_t seed = 1; seed <= 8; ++seed) {
      SCOPED_TRACE(std::string(ksim::SessionKindName(kind)) + " seed " + std::to_string(seed));
      auto source = GenerateSession(Small(kind, seed));
      SnapshotInvariants invariants(source->Plan());
      PlaySession(*source, [&](double t, const ksim::Scoreboard& board, const ksim::SessionSource& s,
                               const std::string&) { invariants.Check(t, board, s); });
      ASSERT_EQ(invariants.Failures(), 0);
      const std::vector<int> expected = kind == SessionKind::Race ? std::vector<int>{2, 3, 4, 5, 8}
                                                                  : std::vector<int>{5, 8};
      EXPECT_EQ(invariants.Phases(), expected);
    }
  }
}

TEST(GeneratedSessions, ARaceEndsWithEveryCarFlaggedOrOut) {
  auto source = GenerateSession(Small(SessionKind::Race, 3));
  int leaderLaps = 0;
  PlaySession(*source, [&](double, const ksim::Scoreboard& board, const ksim::SessionSource&, const std::string&) {
    leaderLaps = board.Vehicle(board.IndexAtPlace(1)).mTotalLaps;
  });
  EXPECT_EQ(leaderLaps, 7);
  int finished = 0;
  for (int i = 0; i < 14; ++i) {
    EXPECT_NE(source->Car(i).finishStatus, ksim::kFinishNone);
    finished += source->Car(i).finishStatus == ksim::kFinished ? 1 : 0;
  }
  EXPECT_GT(finished, 10);
}

// What makes a race worth directing happens in every generated race: passes,
// cars side by side, close fights, pit stops, and now and then a retirement.
TEST(GeneratedSessions, RacesHaveOvertakesSideBySideMomentsStopsAndRetirements) {
  int retirements = 0;
  for (std::uint64_t seed = 11; seed <= 16; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    GeneratorOptions options = Small(SessionKind::Race, seed);
    options.laps = 14;
    auto source = GenerateSession(options);
    std::vector<int> lastPlace(14, 0);
    int overtakes = 0, sideBySide = 0, closeFights = 0, pitEntries = 0;
    std::vector<int> lastPit(14, 0);
    PlaySession(*source, [&](double, const ksim::Scoreboard& board, const ksim::SessionSource&, const std::string&) {
      const ScoringInfoV01& info = board.Info();
      if (info.mGamePhase != ksim::kPhaseGreen) return;
      for (int i = 0; i < 14; ++i) {
        const VehicleScoringInfoV01& v = info.mVehicle[i];
        const bool running = v.mPitState == 0 && v.mFinishStatus == 0;
        if (running && lastPlace[i] != 0 && v.mPlace < lastPlace[i]) ++overtakes;
        lastPlace[i] = v.mPlace;
        if (v.mPitState == ksim::kPitEntering && lastPit[i] != ksim::kPitEntering) ++pitEntries;
        lastPit[i] = v.mPitState;
        if (running && v.mPlace > 1 && v.mTimeBehindNext > 0.0 && v.mTimeBehindNext < 0.4) ++closeFights;
        for (int j = i + 1; j < 14; ++j) {
          const VehicleScoringInfoV01& w = info.mVehicle[j];
          if (running && w.mPitState == 0 && w.mFinishStatus == 0 && std::fabs(v.mLapDist - w.mLapDist) < 1.5) {
            ++sideBySide;
          }
        }
      }
    });
    EXPECT_GT(overtakes, 10);
    EXPECT_GT(sideBySide, 5);
    EXPECT_GT(closeFights, 100);
    EXPECT_GT(pitEntries, 5);
    for (int i = 0; i < 14; ++i) retirements += source->Car(i).finishStatus == ksim::kRetired ? 1 : 0;
  }
  EXPECT_GT(retirements, 0);
}

TEST(GeneratedSessions, ContactsAreReportedByBothCarsInTheSimulatorsFormat) {
  int contacts = 0;
  for (std::uint64_t seed = 21; seed <= 24; ++seed) {
    GeneratorOptions options = Small(SessionKind::Race, seed);
    auto source = GenerateSession(options);
    std::set<std::int32_t> ids;
    for (const auto& car : source->Plan().cars) ids.insert(car.id);
    std::multiset<std::pair<std::int32_t, std::int32_t>> pairs;
    PlaySession(*source, [&](double t, const ksim::Scoreboard&, const ksim::SessionSource&, const std::string& added) {
      std::size_t at = 0;
      while ((at = added.find("<Incident", at)) != std::string::npos) {
        const std::size_t end = added.find('\n', at);
        ASSERT_NE(end, std::string::npos) << "a line without its line feed";
        ksim::ContactReport report;
        ASSERT_TRUE(ksim::ParseContactLine(added.substr(at, end - at), report)) << added.substr(at, end - at);
        EXPECT_LE(report.et, t + 0.05);
        EXPECT_TRUE(ids.count(report.reporterId) == 1);
        EXPECT_GE(report.strength, 0.0);
        EXPECT_LE(report.strength, 1.0);
        if (report.withVehicle) {
          EXPECT_TRUE(ids.count(report.otherId) == 1);
          pairs.insert({report.reporterId, report.otherId});
        } else {
          EXPECT_EQ(report.target, "Immovable");
        }
        ++contacts;
        at = end;
      }
    });
    for (const auto& [a, b] : pairs) EXPECT_EQ(pairs.count({b, a}), pairs.count({a, b})) << a << " and " << b;
  }
  EXPECT_GT(contacts, 10);
}

TEST(GeneratedSessions, AnInjectedContactIsTheHeavyOneBetweenTheClosestCars) {
  GeneratorOptions options = Small(SessionKind::Race, 5);
  options.randomContacts = false;
  options.injectedContacts = {400.0};
  auto source = GenerateSession(options);
  std::vector<ksim::ContactReport> reports;
  std::map<std::int32_t, double> lapDist;  // just before the contact
  PlaySession(*source, [&](double t, const ksim::Scoreboard& board, const ksim::SessionSource&, const std::string& added) {
    if (std::fabs(t - 399.8) < 1e-6) {
      for (int i = 0; i < board.Count(); ++i) lapDist[board.Vehicle(i).mID] = board.Vehicle(i).mLapDist;
    }
  std::size_t at = 0;
    while ((at = added.find("<Incident", at)) != std::string::npos) {
      ksim::ContactReport report;
      ASSERT_TRUE(ksim::ParseContactLine(added.substr(at, added.find('\n', at) - at), report));
      reports.push_back(report);
      ++at;
    }
  });
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_NEAR(reports[0].et, 400.0, 0.05);
  EXPECT_DOUBLE_EQ(reports[0].strength, 0.95);
  EXPECT_TRUE(reports[0].withVehicle && reports[1].withVehicle);
  EXPECT_EQ(reports[0].reporterId, reports[1].otherId);
  EXPECT_EQ(reports[0].otherId, reports[1].reporterId);
  // The two cars were nose to tail on the track.
  double apart = std::fabs(lapDist[reports[0].reporterId] - lapDist[reports[0].otherId]);
  apart = std::min(apart, 4000.0 - apart);
  EXPECT_LT(apart, 60.0);
}

TEST(GeneratedSessions, TheSameSeedGivesTheSameSessionAndAnotherSeedAnother) {
  const auto record = [](std::uint64_t seed) {
    auto source = GenerateSession(Small(SessionKind::Race, seed));
    std::string trace;
    PlaySession(*source, [&](double, const ksim::Scoreboard& board, const ksim::SessionSource&, const std::string& added) {
      trace += added;
      trace += std::to_string(board.Vehicle(0).mPlace) + ":" + std::to_string(board.Vehicle(0).mLapDist) + ";";
    });
    return trace;
  };
  const std::string first = record(7);
  EXPECT_EQ(first, record(7));
  EXPECT_NE(first, record(8));
}

TEST(GeneratedSessions, QualifyingPlacesFollowTheBestLaps) {
  auto source = GenerateSession(Small(SessionKind::Qualifying, 4));
  int checked = 0;
  PlaySession(*source, [&](double, const ksim::Scoreboard& board, const ksim::SessionSource&, const std::string&) {
    for (int place = 2; place <= board.Count(); ++place) {
      const VehicleScoringInfoV01& ahead = board.Vehicle(board.IndexAtPlace(place - 1));
      const VehicleScoringInfoV01& car = board.Vehicle(board.IndexAtPlace(place));
      if (car.mBestLapTime <= 0.0) continue;
      ASSERT_GT(ahead.mBestLapTime, 0.0) << "a car without a time ahead of one with a time";
      ASSERT_LE(ahead.mBestLapTime, car.mBestLapTime);
      ASSERT_NEAR(car.mTimeBehindNext, car.mBestLapTime - ahead.mBestLapTime, 1e-9);
      ++checked;
    }
  });
  EXPECT_GT(checked, 1000);
}

TEST(GeneratedSessions, PracticeCarsGoOutFromTheirGaragesAndComeBack) {
  GeneratorOptions options = Small(SessionKind::Practice, 9);
  options.minutes = 25.0;
  options.lapTime = 60.0;
  auto source = GenerateSession(options);
  std::vector<std::vector<int>> states(14);
  bool allInGarageAtStart = true;
  PlaySession(*source, [&](double t, const ksim::Scoreboard& board, const ksim::SessionSource&, const std::string&) {
    for (int i = 0; i < 14; ++i) {
      const VehicleScoringInfoV01& v = board.Vehicle(i);
      if (t == 0.0) allInGarageAtStart = allInGarageAtStart && v.mInGarageStall && v.mPitState == ksim::kPitStopped;
      auto& seen = states[static_cast<std::size_t>(i)];
      if (seen.empty() || seen.back() != v.mPitState) seen.push_back(v.mPitState);
    }
  });
  EXPECT_TRUE(allInGarageAtStart);
  int returned = 0;
  for (const auto& seen : states) {
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[0], ksim::kPitStopped);
    EXPECT_EQ(seen[1], ksim::kPitExiting);
    EXPECT_EQ(seen[2], ksim::kPitNone);
    for (std::size_t k = 3; k + 1 < seen.size(); ++k) {
      if (seen[k] == ksim::kPitEntering && seen[k + 1] == ksim::kPitStopped) ++returned;
    }
  }
  EXPECT_GT(returned, 10);
}

}  // namespace

namespace {

// A field of two classes: the faster laps through the slower, and each car
// carries its class's name.
TEST(GeneratedSessions, AFieldOfClassesLapsThroughTheSlowerClass) {
  GeneratorOptions options = Small(SessionKind::Race, 5);
  options.laps = 10;
  options.classes = {{"LMP2", 4, 1.0}, {"GT3", 6, 1.15}};
  auto source = GenerateSession(options);
  ASSERT_EQ(source->Plan().cars.size(), 10u);
  std::map<std::string, int> names;
  for (const ksim::CarEntry& car : source->Plan().cars) ++names[car.vehicleClass];
  EXPECT_EQ(names, (std::map<std::string, int>{{"GT3", 6}, {"LMP2", 4}}));
  std::set<std::string> classesLapped;
  PlaySession(*source, [&](double, const ksim::Scoreboard& board, const ksim::SessionSource&, const std::string&) {
    const int leaderLaps = board.Vehicle(board.IndexAtPlace(1)).mTotalLaps;
    for (int i = 0; i < 10; ++i) {
      if (board.Vehicle(i).mTotalLaps < leaderLaps - 1) classesLapped.insert(board.Vehicle(i).mVehicleClass);
    }
  });
  EXPECT_EQ(classesLapped, std::set<std::string>{"GT3"});
}

TEST(GeneratedSessions, ClassesOfAFieldAreReadOrRefusedWithTheirFault) {
  struct Case {
    const char* list;
    const char* fault;  // empty: read
  };
  const std::vector<Case> cases = {
      {"LMP2:13:1.00,LMP3:10:1.05,GT3:21:1.10", ""},
      {"GT3:3:1", ""},
      {"LMP2:13", "is not NAME:CARS:LAP-FACTOR"},
      {"LMP2:13:1.0,", "is not NAME:CARS:LAP-FACTOR"},
      {"LMP2:x:1.0", "is not a number of cars"},
      {"LMP2:0:1.0", "has no cars"},
      {"LMP2:5:1.0,GT3:5:1.1,LMP2:3:1.2", "named twice"},
      {"LMP2:5:0.95", "below 1"},
      {"LMP2:60:1.0,GT3:41:1.1", "more than 100 cars"},
      {":5:1.0", "names no class"},
  };
  for (const Case& c : cases) {
    std::vector<ksim::FieldClass> classes;
    std::string problem;
    const bool read = ksim::ParseFieldClasses(c.list, classes, problem);
    EXPECT_EQ(read, std::string(c.fault).empty()) << c.list << ": " << problem;
    EXPECT_NE(problem.find(c.fault), std::string::npos) << c.list << ": " << problem;
  }
  std::vector<ksim::FieldClass> classes;
  std::string problem;
  ASSERT_TRUE(ksim::ParseFieldClasses("LMP2:13:1.00,LMP3:10:1.05,GT3:21:1.10", classes, problem));
  ASSERT_EQ(classes.size(), 3u);
  EXPECT_EQ(classes[2].name, "GT3");
  EXPECT_EQ(classes[2].cars, 21);
  EXPECT_DOUBLE_EQ(classes[2].lapFactor, 1.10);
}

TEST(GeneratedSessions, TheProgramRefusesClassesWithCarsOrAResultsFileOrABadList) {
  const std::string sim = std::string(KSIM_EXECUTABLE) + " --quiet ";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"--classes GT3:4:1.0 --cars 10", "leave out --cars"},
      {"--classes GT3:4:1.0 --results " + ksim_test::ResultsFile("istanbul-race-2019.xml"), "leave out --results"},
      {"--classes GT3:0:1.0", "--classes: class GT3 has no cars"},
      {"--one-class --classes-by-name", "contradict"},
  };
  for (const auto& [options, message] : cases) {
    std::string output;
    EXPECT_EQ(ksim_test::RunCommand(sim + options + " 2>&1", output), 2) << options;
    EXPECT_NE(output.find(message), std::string::npos) << output;
  }
}

}  // namespace
