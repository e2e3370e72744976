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
    EXPECT_EQ(e.verdict == Verdict::Live, involved) << EventKindName(e.kind) << " at " << e.time;
    EXPECT_DOUBLE_EQ(e.credit, involved ? 1.0 : 0.0) << EventKindName(e.kind) << " at " << e.time;
  }
  EXPECT_EQ(c.Of(EventKind::Overtake).live, 3);  // 2 passes 1; 3 passes 2; 1 passes 2 on its way to the lead
  EXPECT_EQ(c.Of(EventKind::LeadChange).missed, 1);
}

TEST(Coverage, PassBehindTheCameraIsMissedKeepsItsPartAndSaysWhatWasOnAir) {
  // The order changes at the 50 s snapshot: the pass happens from 49 s to 50.5 s.
  const SessionRun run = SessionBuilder(4, 100)
                             .Pass(50.0, 3, 2)
                             .Show(0.0, 49.5, 3, Reason::Leader)
                             .Show(49.5, 100.0, 0, Reason::Random)
                             .Build();
  const Coverage c = AnalyseSession(run, Waiting(15));
  ASSERT_EQ(c.events.size(), 1u);
  EXPECT_EQ(c.events[0].verdict, Verdict::Missed);
  EXPECT_NEAR(c.events[0].liveShare, 1.0 / 3.0, 1e-9);  // the half second before the cut away
  EXPECT_NEAR(c.events[0].credit, 1.0 / 3.0, 1e-9);
  EXPECT_EQ(c.events[0].instead.car, 0);
  EXPECT_EQ(c.events[0].instead.reason, Reason::Random);
}

TEST(Coverage, PassShownThroughItsSwapIsLiveWithFullCredit) {
  const SessionRun run = SessionBuilder(4, 100).Pass(50.0, 3, 2).Show(0.0, 45.0, 0).Show(45.0, 100.0, 2).Build();
  const Coverage c = AnalyseSession(run, Waiting(15));
  ASSERT_EQ(c.events.size(), 1u);
  EXPECT_EQ(c.events[0].verdict, Verdict::Live);
  EXPECT_DOUBLE_EQ(c.events[0].credit, 1.0);
  EXPECT_DOUBLE_EQ(c.shownWeight, c.events[0].weight);
}

TEST(Coverage, CutToThePairJustAfterTheSwapIsLateNotLive) {
  // A director that sees the places change and only then looks.
  const SessionRun pass = SessionBuilder(4, 100).Pass(50.0, 3, 2).Show(0.0, 50.6, 0).Show(50.6, 100.0, 3).Build();
  const Coverage c = AnalyseSession(pass, Waiting(15));
  ASSERT_EQ(c.events.size(), 1u);
  EXPECT_EQ(c.events[0].verdict, Verdict::Late);
  EXPECT_DOUBLE_EQ(c.events[0].liveShare, 0.0);
  EXPECT_DOUBLE_EQ(c.events[0].credit, kLatePassCredit);
  // A contact seen afterwards keeps more: the spinning car is still there.
  const SessionRun touch = SessionBuilder(4, 100).Touch(50.0, 1, -1, 0.5).Show(0.0, 52.0, 0).Show(52.0, 100.0, 1).Build();
  const Coverage t = AnalyseSession(touch, Waiting(15));
  ASSERT_EQ(t.events.size(), 1u);
  EXPECT_EQ(t.events[0].verdict, Verdict::Late);
  EXPECT_DOUBLE_EQ(t.events[0].credit, kLateContactCredit);
  // Too short a look after the moment is no look.
  const SessionRun glance =
      SessionBuilder(4, 100).Pass(50.0, 3, 2).Show(0.0, 51.0, 0).Show(51.0, 52.5, 3).Show(52.5, 100.0, 0).Build();
  EXPECT_EQ(AnalyseSession(glance, Waiting(15)).events.at(0).verdict, Verdict::Missed);
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
  EXPECT_EQ(c.events[0].verdict, Verdict::Replay);
  EXPECT_NEAR(c.shownWeight, c.events[0].weight * kReplayCredit, 1e-9);
}

TEST(Coverage, ReplayWhoseSlowPlayMissesTheContactGetsTheLowerCredit) {
  // The contact happens from 39.5 s to 41.5 s; the replay slows down only at 42 s.
  const auto replayed = [](double slowFrom, double slowTo) {
    const SessionRun run = SessionBuilder(3, 100)
                               .Touch(40.0, 1, 2, 0.9)
                               .Show(0.0, 50.0, 0)
                               .Replay(2, 36.0, 46.0, 50.0, slowFrom, slowTo)
                               .Show(60.0, 100.0, 0)
                               .Build();
    return AnalyseSession(run, Waiting(15)).events.at(0);
  };
  const Event late = replayed(42.0, 44.0);
  EXPECT_EQ(late.verdict, Verdict::Replay);
  EXPECT_DOUBLE_EQ(late.credit, kFastReplayCredit);
  EXPECT_DOUBLE_EQ(replayed(40.0, 42.0).credit, kReplayCredit);
  // Slowed through half a second of it only: not enough.
  EXPECT_DOUBLE_EQ(replayed(41.0, 43.0).credit, kFastReplayCredit);
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
  // A replay of a pass (weight 1), even a missed one, is not a light replay.
  replaying.Pass(397.0, 1, 0).Replay(1, 390.0, 399.0, 405.0);
  const Coverage quiet = AnalyseSession(calm.Build(), Waiting(15));
  const Coverage busy = AnalyseSession(frantic.Build(), Waiting(15));
  const Coverage replays = AnalyseSession(replaying.Build(), Waiting(15));
  EXPECT_NEAR(busy.penalties.shortShotsPenalty, 0.6, 1e-3);
  EXPECT_NEAR(busy.penalties.hurriedShare, 1.0, 1e-9);
  EXPECT_LT(busy.score, quiet.score);
  EXPECT_EQ(replays.penalties.replays, 11);
  EXPECT_EQ(replays.penalties.lightReplays, 10);
  EXPECT_GT(replays.penalties.replayRatePenalty, 0.0);
  EXPECT_LT(replays.score, quiet.score);
  EXPECT_DOUBLE_EQ(quiet.penalties.hurriedShare, 0.0);
  for (const Coverage* c : {&quiet, &busy, &replays}) {
    EXPECT_GE(c->score, 0.0);
    EXPECT_LE(c->score, 1.0);
  }
}

// The live credit of a path of cars, one per cell of the session's snapshots,
// judged as any director's shots are.
double LiveCreditOf(const SessionRun& field, std::vector<Event> events, const std::vector<int>& path) {
  Hindsight plan;
  plan.path = path;
  plan.firstCell = field.field.Time(0);
  plan.cellSeconds = field.field.Time(1) - field.field.Time(0);
  SessionRun run = field;
  run.shots = HindsightShots(plan);
  JudgeEvents(run, events);
  double credit = 0.0;
  for (const Event& e : events) credit += e.weight * e.liveShare;
  return credit;
}

// Every path of a tiny session, each run of a car at least `hold` cells but
// the last: the best live credit.
double BestLiveCredit(const SessionRun& run, const std::vector<Event>& events, int hold) {
  const int cells = static_cast<int>(run.field.Snapshots());
  const int cars = run.field.Cars();
  double best = 0.0;
  std::vector<int> path;
  const std::function<void()> extend = [&]() {
    if (static_cast<int>(path.size()) == cells) {
      best = std::max(best, LiveCreditOf(run, events, path));
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

TEST(Hindsight, DirectorFindsTheBestPathOnATinySession) {
  std::mt19937 random(11);
  for (int trial = 0; trial < 12; ++trial) {
    SessionBuilder builder(3, 7.5, 0.5);  // 16 snapshots
    SessionRun run = builder.Build();
    std::vector<Event> events;
    for (int i = 0; i < 4; ++i) {
      Event e;
      // Moments that start and end inside cells as well as on their edges.
      e.momentStart = static_cast<double>(random() % 10) + 0.2 * static_cast<double>(random() % 3);
      e.momentEnd = e.momentStart + 0.5 + 0.7 * static_cast<double>(random() % 5);
      e.cars = {static_cast<int>(random() % 3)};
      if (random() % 2) e.cars.push_back((e.cars[0] + 1) % 3);
      e.weight = 1.0 + static_cast<double>(random() % 3);
      events.push_back(e);
    }
    // Shots of 2 s: 4 snapshots of 0.5 s at the least.
    const Hindsight plan = PlanHindsight(run, events, 2.0);
    EXPECT_NEAR(plan.liveCredit, BestLiveCredit(run, events, 4), 1e-9) << "trial " << trial;
    EXPECT_NEAR(LiveCreditOf(run, events, plan.path), plan.liveCredit, 1e-9) << "trial " << trial;
  }
}

TEST(Hindsight, NoDirectorHoldingItsShotsEarnsMoreLiveCreditThanTheReferenceBound) {
  std::mt19937 random(5);
  SessionBuilder builder(6, 600);
  for (int i = 0; i < 40; ++i) {
    const int a = static_cast<int>(random() % 6);
    builder.Pass(10.0 + 14.5 * i, a, (a + 1 + static_cast<int>(random() % 5)) % 6);
  }
  for (int i = 0; i < 12; ++i) builder.Touch(7.0 + 48.0 * i, static_cast<int>(random() % 6), -1, 0.5);
  // Long stops, seen in full after 5 s, which no sum over snapshots can say.
  builder.Pits(2, 100.0, 130.0).Pits(4, 300.0, 322.0).Pits(5, 450.0, 453.0);
  const SessionRun field = builder.Build();
  for (int director = 0; director < 24; ++director) {
    SessionRun run = field;
    const auto fill = [&](double from, double to) {
      for (double t = from; t < to;) {
        const double length = kReferenceHoldSeconds + static_cast<double>(random() % 60) * 0.2;
        run.shots.push_back(Shot{t, std::min(to, t + length), static_cast<int>(random() % 6), 4, false, Reason::Random});
        t += length;
      }
    };
    if (director % 3 == 0) {
      // Some directors sit on two of the stops for 5 s, a stop's full credit.
      fill(0.0, 110.0);
      run.shots.push_back(Shot{110.0, 115.0, 2, 4, false, Reason::PitLane});
      fill(115.0, 310.0);
      run.shots.push_back(Shot{310.0, 315.0, 4, 4, false, Reason::PitLane});
      fill(315.0, 600.0);
    } else {
      fill(0.0, 600.0);
    }
    std::sort(run.shots.begin(), run.shots.end(), [](const Shot& a, const Shot& b) { return a.start < b.start; });
    const Coverage c = AnalyseSession(run, Waiting(15));
    double live = 0.0;
    for (const Event& e : c.events) live += e.weight * e.liveShare;
    EXPECT_LE(live, c.boundWeight + 1e-9) << "director " << director;
    EXPECT_LE(c.shownWeight, c.totalWeight + 1e-9);
  }
}

TEST(Hindsight, TheBoundHoldsForTwoLongStopsSeenInTurn) {
  // Each stop is seen in full after 5 s, so a director can have both; the
  // programme pays a stop by the share of it seen and cannot.
  const SessionRun run = SessionBuilder(3, 100).Pits(1, 40.0, 70.0).Pits(2, 40.0, 70.0)
                             .Show(0.0, 40.0, 0).Show(40.0, 55.0, 1).Show(55.0, 70.0, 2).Show(70.0, 100.0, 0)
                             .Build();
  const Coverage c = AnalyseSession(run, Waiting(15));
  ASSERT_EQ(c.Of(EventKind::PitStop).count, 2);
  EXPECT_DOUBLE_EQ(c.shownWeight, 1.0);
  EXPECT_GE(c.boundWeight, c.shownWeight);
}

// The broadcaster's shots are not the director's: what happens under them is
// left out of its score, and they earn its other events nothing.
TEST(Coverage, ManualShotsAreLeftOutOfTheDirectorsVerdicts) {
  SessionBuilder builder(4, 300);
  builder.Pass(100.0, 1, 0).Pass(150.0, 3, 2).Pass(250.0, 2, 1);
  builder.Show(0.0, 90.0, 0).Show(90.0, 110.0, 1).Show(110.0, 151.0, 0).Show(151.0, 160.0, 3).Show(160.0, 300.0, 2);
  SessionRun run = builder.Build();
  const SessionRun plain = run;
  for (Shot& shot : run.shots) shot.manual = shot.start == 90.0 || shot.start == 151.0;
  const Coverage byHand = AnalyseSession(run, Waiting(15));
  const Coverage usual = AnalyseSession(plain, Waiting(15));
  ASSERT_EQ(byHand.manualEvents.size(), 1u);
  EXPECT_EQ(byHand.manualEvents[0].time, usual.events[0].time) << "the lead change at 100 s, under the hand's shot";
  EXPECT_EQ(byHand.manualEvents[0].verdict, Verdict::Live) << "judged by what was on air";
  ASSERT_EQ(byHand.events.size(), usual.events.size() - 1);
  EXPECT_EQ(usual.events[1].verdict, Verdict::Late) << "the hand's shot just after the pass at 150 s";
  EXPECT_EQ(byHand.events[0].verdict, Verdict::Missed) << "is no late look of the director's";
  EXPECT_EQ(byHand.events[1].verdict, usual.events[2].verdict);
  EXPECT_EQ(byHand.penalties.liveShots, usual.penalties.liveShots - 2);
}

}  // namespace
}  // namespace ksim
