#include <gtest/gtest.h>

#include <sstream>

#include "report/summary.hpp"

namespace {

using ksim::Contact;
using ksim::DirectorSettings;
using ksim::ReplayRun;
using ksim::SessionRun;
using ksim::Shot;

SessionRun RunWithCars(int cars, int session = 10) {
  SessionRun run;
  run.plan.sessionNumber = session;
  run.plan.kind = ksim::KindOfSessionNumber(session);
  for (int i = 0; i < cars; ++i) {
    ksim::CarEntry car;
    car.id = 20 + i;
    car.driver = "Driver " + std::to_string(i);
    run.plan.cars.push_back(car);
    run.finalOrder.push_back(i);
  }
  return run;
}

Shot LiveShot(double from, double to, int car) {
  Shot shot;
  shot.start = from;
  shot.end = to;
  shot.car = car;
  return shot;
}

TEST(Summary, ShotLengthsAndScreenTimeCountLiveShotsOnly) {
  SessionRun run = RunWithCars(4);
  run.shots = {LiveShot(0, 5, -1), LiveShot(5, 15, 0), LiveShot(15, 35, 1), LiveShot(35, 45, 0),
               LiveShot(45, 85, 2)};
  Shot replay = LiveShot(85, 105, 1);
  replay.replay = true;
  run.shots.push_back(replay);
  const ksim::SessionSummary s = ksim::Summarise(run, DirectorSettings{});
  EXPECT_EQ(s.shotCount, 4) << "the picture before the first cut is not the director's";
  EXPECT_DOUBLE_EQ(s.shotMedian, 15.0);
  EXPECT_DOUBLE_EQ(s.shotMin, 10.0);
  EXPECT_DOUBLE_EQ(s.shotMax, 40.0);
  EXPECT_DOUBLE_EQ(s.covered, 80.0);
  EXPECT_DOUBLE_EQ(s.replaySeconds, 20.0);
  ASSERT_EQ(s.screen.size(), 4u);
  EXPECT_EQ(s.screen[0].car, 2);
  EXPECT_DOUBLE_EQ(s.screen[0].live, 40.0);
  EXPECT_EQ(s.screen[1].car, 0);
  EXPECT_EQ(s.screen[1].shots, 2);
  EXPECT_EQ(s.neverShown, (std::vector<int>{3}));
}

TEST(Summary, ReplayThresholdsAreThoseOfThePlugin) {
  DirectorSettings settings;  // lowinc 0.4, highinc 0.8, msessioninc 10
  Contact contact;
  contact.strength = 0.8;
  EXPECT_TRUE(ksim::ReplayWorthy(contact, 10, settings));
  contact.strength = 0.6;
  EXPECT_FALSE(ksim::ReplayWorthy(contact, 10, settings)) << "a race replays from highinc on";
  EXPECT_TRUE(ksim::ReplayWorthy(contact, 5, settings)) << "other sessions from lowinc on";
  contact.strength = 0.4;
  EXPECT_FALSE(ksim::ReplayWorthy(contact, 5, settings)) << "lowinc itself is not enough";
}

TEST(Summary, ReplaysAreMatchedToTheirContactsAndCheckedForTheFullSequence) {
  SessionRun run = RunWithCars(3);
  run.contacts = {Contact{100.0, 0, 1, 0.9, "another vehicle"}, Contact{200.0, 2, -1, 0.95, "Immovable"},
                  Contact{300.0, 1, 2, 0.3, "another vehicle"}};
  ReplayRun full;
  full.pressed = 110.2;
  full.cameraSet = 110.2;
  full.seekTo = 95.2;  // the plug-in saw the contact at 100.2 and seeks 5 s before
  full.slowFrom = 114.4;
  full.normalFrom = 123.4;
  full.ended = 130.4;
  ReplayRun unfinished = full;
  unfinished.pressed = unfinished.cameraSet = 400.0;
  unfinished.seekTo = 250.0;
  unfinished.ended = -1.0;
  run.replays = {full, unfinished};
  const DirectorSettings settings;
  ASSERT_EQ(ksim::ReplayedContact(run, full, settings), &run.contacts[0]);
  EXPECT_EQ(ksim::ReplayedContact(run, unfinished, settings), nullptr);
  const ksim::SessionSummary s = ksim::Summarise(run, settings);
  EXPECT_EQ(s.contacts, 3);
  EXPECT_EQ(s.replayWorthy, 2);
  EXPECT_EQ(s.replayWorthyReplayed, 1);
  EXPECT_EQ(s.replays, 2);
  EXPECT_EQ(s.replaysComplete, 1);
}

TEST(Summary, ThePrintedSummaryNamesWhatTheBroadcasterAsksFor) {
  ksim::RunResult result;
  SessionRun run = RunWithCars(2);
  run.plan.trackName = "Test Ring";
  run.shots = {LiveShot(0, 30, 0)};
  run.cuts.resize(1);
  run.cuts[0].why.reason = ksim::Reason::Battle;
  run.raceTime = 100.0;
  run.battleTime = 25.0;
  run.battleAvailable = 80.0;
  result.sessions.push_back(run);
  result.snapshots = 500;
  result.wallSeconds = 0.5;
  result.filesFolder = "/tmp/x/rF2stream";
  std::ostringstream out;
  ksim::PrintSummary(out, result, "/tmp/x/report.html");
  const std::string text = out.str();
  for (const char* expected : {"cuts             1", "shot length      median 30.0 s", "reasons          battle 1",
                               "25% of 1:40.0 of green-flag racing", "on track 80%",
                               "never shown      #21 Driver 1", "1000 snapshots/s", "/tmp/x/report.html",
                               "/tmp/x/rF2stream"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
}

}  // namespace
