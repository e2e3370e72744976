#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "analysis/analysis.hpp"
#include "analysis/session_builder.hpp"

namespace ksim {
namespace {

using testing::SessionBuilder;

DirectorSettings Waiting(int seconds) {
  DirectorSettings s;
  s.known = true;
  s.waitsec = seconds;
  return s;
}

TEST(Coverage, CameraStuckOnOneCarShowsExactlyThatCarsEvents) {
  const SessionRun run = SessionBuilder(4, 200)
                             .Pass(30.0, 2, 1).Pass(60.0, 3, 2).Pass(90.0, 1, 0).Touch(120.0, 3, 0, 0.5)
                             .Show(0.0, 200.0, 2)
                             .Build();
  const Coverage c = AnalyseSession(run, Waiting(15));
  for (const Event& e : c.events) {
    const bool involved = std::find(e.cars.begin(), e.cars.end(), 2) != e.cars.end();
    EXPECT_EQ(e.shown == Verdict::Live, involved) << EventKindName(e.kind) << " at " << e.time;
  }
  EXPECT_EQ(c.Of(EventKind::Overtake).live, 3);  // 2 passes 1; 3 passes 2; 1 passes 2 on its way to the lead
  EXPECT_EQ(c.Of(EventKind::LeadChange).missed, 1);
}

TEST(Coverage, PassBehindTheCameraIsMissedAndSaysWhatWasOnAir) {
  const SessionRun run = SessionBuilder(4, 100)
                             .Pass(50.0, 3, 2)
                             .Show(0.0, 48.0, 3, Reason::Leader)
                             .Show(48.0, 100.0, 0, Reason::Random)
                             .Build();
  const Coverage c = AnalyseSession(run, Waiting(15));
  ASSERT_EQ(c.events.size(), 1u);
  EXPECT_EQ(c.events[0].shown, Verdict::Missed);
  EXPECT_NEAR(c.events[0].liveSeconds, 1.0, 0.25);  // the second before the cut away
  EXPECT_EQ(c.events[0].instead.car, 0);
  EXPECT_EQ(c.events[0].instead.reason, Reason::Random);
}

TEST(Coverage, ReplayOfTheCarThroughTheMomentCountsAsReplay) {
  const SessionRun run = SessionBuilder(3, 100)
                             .Touch(40.0, 1, 2, 0.9)
                             .Show(0.0, 45.0, 0)
                             .Replay(2, 36.0, 44.0, 45.0)
                             .Show(53.0, 100.0, 0)
                             .Build();
  const Coverage c = AnalyseSession(run, Waiting(15));
  ASSERT_EQ(c.events.size(), 1u);
  EXPECT_EQ(c.events[0].shown, Verdict::Replay);
  EXPECT_NEAR(c.shownWeight, c.events[0].weight * kReplayCredit, 1e-9);
}

TEST(Coverage, ScorePunishesACutEverySnapshotAndAReplayOfEveryTouch) {
  SessionBuilder calm(4, 600), frantic(4, 600), replaying(4, 600);
  for (SessionBuilder* b : {&calm, &frantic, &replaying}) {
    b->Pass(100.0, 3, 2).Pass(300.0, 2, 1);
    for (int i = 0; i < 10; ++i) b->Touch(20.0 + 50.0 * i, 0, 1, 0.1);
  }
  calm.Show(0.0, 200.0, 3).Show(200.0, 600.0, 2);
  for (int i = 0; i < 3000; ++i) frantic.Show(i * 0.2, i * 0.2 + 0.2, i % 4);
  replaying.Show(0.0, 200.0, 3).Show(200.0, 600.0, 2);
  for (int i = 0; i < 10; ++i) replaying.Replay(0, 15.0 + 50.0 * i, 25.0 + 50.0 * i, 30.0 + 50.0 * i);
  const Coverage quiet = AnalyseSession(calm.Build(), Waiting(15));
  const Coverage busy = AnalyseSession(frantic.Build(), Waiting(15));
  const Coverage replays = AnalyseSession(replaying.Build(), Waiting(15));
  EXPECT_NEAR(busy.penalties.shortShotsPenalty, 0.6, 1e-3);
  EXPECT_LT(busy.score, quiet.score);
  EXPECT_EQ(replays.penalties.lightReplays, 10);
  EXPECT_GT(replays.penalties.replayRatePenalty, 0.0);
  EXPECT_LT(replays.score, quiet.score);
  for (const Coverage* c : {&quiet, &busy, &replays}) {
    EXPECT_GE(c->score, 0.0);
    EXPECT_LE(c->score, 1.0);
    EXPECT_LE(c->score, c->reference + 1e-9);
  }
}

// All paths of a tiny session, each car held at least `hold` snapshots: the
// best credit when every run is credited with each event it shows, and when
// each event counts once.
struct Brute {
  double perRun = 0.0, distinct = 0.0;
};

Brute BestPaths(const SessionRun& run, const std::vector<Event>& events, int hold, int shown) {
  const int cells = static_cast<int>(run.field.Snapshots());
  const int cars = run.field.Cars();
  const double dt = run.field.Time(1) - run.field.Time(0);
  Brute best;
  std::vector<int> path;
  const std::function<void()> extend = [&]() {
    if (static_cast<int>(path.size()) == cells) {
      double perRun = 0.0, distinct = 0.0;
      for (const Event& e : events) {
        const int first = static_cast<int>(std::floor(e.windowStart / dt)), last = static_cast<int>(std::floor(e.windowEnd / dt));
        int runs = 0;
        for (int s = 0; s < cells;) {
          int end = s;
          while (end + 1 < cells && path[static_cast<std::size_t>(end + 1)] == path[static_cast<std::size_t>(s)]) ++end;
          const int inside = std::min(end, last) - std::max(s, first) + 1;
          const int car = path[static_cast<std::size_t>(s)];
          if (inside >= shown && std::find(e.cars.begin(), e.cars.end(), car) != e.cars.end()) ++runs;
          s = end + 1;
        }
        perRun += runs * e.weight;
        distinct += runs > 0 ? e.weight : 0.0;
      }
      best.perRun = std::max(best.perRun, perRun);
      best.distinct = std::max(best.distinct, distinct);
      return;
    }
    for (int c = 0; c < cars; ++c) {
      const int n = std::min(hold, cells - static_cast<int>(path.size()));
      if (!path.empty() && path.back() == c) continue;  // a run ends only where the car changes
      for (int length = n; length <= cells - static_cast<int>(path.size()); ++length) {
        path.insert(path.end(), static_cast<std::size_t>(length), c);
        extend();
        path.resize(path.size() - static_cast<std::size_t>(length));
      }
    }
  };
  extend();
  return best;
}

TEST(Hindsight, DirectorFindsTheBestPathOnATinySessionAndTheBoundHoldsAboveIt) {
  std::mt19937 random(11);
  for (int trial = 0; trial < 12; ++trial) {
    SessionBuilder builder(3, 7.5, 0.5);  // 16 snapshots
    SessionRun run = builder.Build();
    std::vector<Event> events;
    for (int i = 0; i < 4; ++i) {
      Event e;
      e.windowStart = static_cast<double>(random() % 10);
      e.windowEnd = e.windowStart + 2.0 + static_cast<double>(random() % 3);
      e.cars = {static_cast<int>(random() % 3)};
      if (random() % 2) e.cars.push_back((e.cars[0] + 1) % 3);
      e.weight = 1.0 + static_cast<double>(random() % 3);
      events.push_back(e);
    }
    // waitsec 2 s: 4 snapshots of 0.5 s at the least; shown: 4 snapshots.
    const Hindsight plan = PlanHindsight(run, events, 2.0);
    const Brute brute = BestPaths(run, events, 4, 4);
    EXPECT_GE(plan.upper, brute.distinct - 1e-9);
    EXPECT_DOUBLE_EQ(plan.achieved, brute.distinct) << "trial " << trial;
  }
}

TEST(Hindsight, NoDirectorHoldingItsShotsScoresAboveTheBound) {
  std::mt19937 random(5);
  SessionBuilder builder(6, 600);
  for (int i = 0; i < 40; ++i) {
    const int a = static_cast<int>(random() % 6);
    builder.Pass(10.0 + 14.5 * i, a, (a + 1 + static_cast<int>(random() % 5)) % 6);
  }
  for (int i = 0; i < 12; ++i) builder.Touch(7.0 + 48.0 * i, static_cast<int>(random() % 6), -1, 0.5);
  const SessionRun field = builder.Build();
  for (int director = 0; director < 20; ++director) {
    SessionRun run = field;
    for (double t = 0.0; t < 600.0;) {
      const double length = 15.0 + static_cast<double>(random() % 40) * 0.2;
      run.shots.push_back(Shot{t, std::min(600.0, t + length), static_cast<int>(random() % 6), 4, false, Reason::Random});
      t += length;
    }
    const Coverage c = AnalyseSession(run, Waiting(15));
    double live = 0.0;
    for (const Event& e : c.events) live += e.shown == Verdict::Live ? e.weight : 0.0;
    EXPECT_LE(live, c.boundWeight + 1e-9) << "director " << director;
    for (int k = 0; k < kEventKinds; ++k) EXPECT_LE(c.kinds[static_cast<std::size_t>(k)].live, c.kinds[static_cast<std::size_t>(k)].bound);
  }
}

}  // namespace
}  // namespace ksim
