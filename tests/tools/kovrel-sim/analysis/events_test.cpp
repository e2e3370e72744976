#include <gtest/gtest.h>

#include "analysis/analysis.hpp"
#include "analysis/session_builder.hpp"

namespace ksim {
namespace {

using testing::SessionBuilder;

std::vector<Event> OfKind(const std::vector<Event>& events, EventKind kind) {
  std::vector<Event> out;
  for (const Event& e : events) {
    if (e.kind == kind) out.push_back(e);
  }
  return out;
}

TEST(Events, PassesAreCountedOnceAndPlacedInTheirMoment) {
  const SessionRun run = SessionBuilder(5, 120).Pass(20.0, 3, 2).Pass(50.0, 4, 1).Pass(80.0, 1, 0).Build();
  const auto events = FindEvents(run);
  const auto passes = OfKind(events, EventKind::Overtake);
  // Car 4 goes from P5 to P2, three passes at once; car 1 from P3 to P1 takes
  // second place from car 4 and the lead from car 0.
  ASSERT_EQ(passes.size(), 5u);
  EXPECT_EQ(passes[0].cars, (std::vector<int>{3, 2}));
  EXPECT_EQ(passes[0].place, 3);
  for (const Event& e : passes) {
    // The second before the snapshot with the new order and half a second after.
    EXPECT_LE(e.momentStart, e.time);
    EXPECT_GE(e.momentEnd, e.time);
    EXPECT_NEAR(e.momentEnd - e.momentStart, 1.5, 1e-9);
    EXPECT_NEAR(e.windowStart, e.momentEnd, 1e-9);  // the late window follows
    EXPECT_NEAR(e.windowEnd, e.momentEnd + kLateReach, 1e-9);
  }
  EXPECT_NEAR(passes[0].time, 20.0, 0.2);
  const auto leads = OfKind(events, EventKind::LeadChange);
  ASSERT_EQ(leads.size(), 1u);
  EXPECT_EQ(leads[0].cars, (std::vector<int>{1, 0}));
  EXPECT_NEAR(leads[0].time, 80.0, 0.2);
  EXPECT_GT(leads[0].weight, passes[0].weight);
}

TEST(Events, CarsInThePitLaneOrRejoiningAreNotPassed) {
  const SessionRun run = SessionBuilder(3, 120)
                             .Pits(0, 30.0, 50.0)
                             .Pass(40.0, 1, 0)   // 0 is in the pit lane
                             .Pass(52.0, 0, 2)   // 0 has just rejoined
                             .Build();
  const auto events = FindEvents(run);
  EXPECT_TRUE(OfKind(events, EventKind::Overtake).empty());
  EXPECT_TRUE(OfKind(events, EventKind::LeadChange).empty());
  const auto stops = OfKind(events, EventKind::PitStop);
  ASSERT_EQ(stops.size(), 1u);
  EXPECT_NEAR(stops[0].momentStart, 30.0, 0.21);
  EXPECT_NEAR(stops[0].momentEnd, 50.0, 0.21);
}

TEST(Events, OrderFlickeringBackWithinASecondIsNoPass) {
  const SessionRun run = SessionBuilder(3, 60).Pass(20.0, 2, 1).Pass(20.6, 1, 2).Pass(40.0, 2, 1).Build();
  const auto passes = OfKind(FindEvents(run), EventKind::Overtake);
  ASSERT_EQ(passes.size(), 1u);
  EXPECT_NEAR(passes[0].time, 40.0, 0.2);
}

TEST(Events, RecordedPassLastsFromTheLastToTheNextTimingPoint) {
  SessionRun run = SessionBuilder(2, 120).Pass(50.0, 1, 0).Build();
  run.plan.progressExact = false;
  run.timing = {{30.0, 0}, {31.0, 1}, {62.0, 0}, {63.0, 1}};
  const auto leads = OfKind(FindEvents(run), EventKind::LeadChange);
  ASSERT_EQ(leads.size(), 1u);
  // All the file knows: the order was old at 31 s and new at 62 s.
  EXPECT_NEAR(leads[0].momentStart, 31.0, 0.01);
  EXPECT_NEAR(leads[0].momentEnd, 62.0, 0.01);
}

TEST(Events, ContactIsHeavyWhenACarLosesPlacesTimeOrTheRace) {
  const SessionRun run = SessionBuilder(6, 400)
                             .Touch(110.0, 0, 1, 0.2)     // light: nothing follows
                             .Touch(150.0, 2, 3, 0.2).Pass(160.0, 4, 3).Pass(170.0, 5, 3)
                             .Touch(210.0, 4, -1, 0.2).Slow(4, 211.0, 8.0)
                             .Touch(250.0, 5, 0, 0.2).Retire(5, 260.0)
                             .Build();
  const auto contacts = OfKind(FindEvents(run), EventKind::Contact);
  ASSERT_EQ(contacts.size(), 4u);
  EXPECT_FALSE(contacts[0].heavy) << contacts[0].heavyReason;
  EXPECT_EQ(contacts[1].heavyReason, "lost 2 places");
  EXPECT_EQ(contacts[2].heavyReason.rfind("lost 8.", 0), 0u) << contacts[2].heavyReason;
  EXPECT_EQ(contacts[2].target, "Immovable");
  EXPECT_EQ(contacts[3].heavyReason, "retired");
  EXPECT_GT(contacts[1].weight, contacts[0].weight);
  EXPECT_NEAR(contacts[0].momentStart, 109.5, 1e-9);
  EXPECT_NEAR(contacts[0].momentEnd, 111.5, 1e-9);
}

TEST(Events, StrongestTenthOfTheSessionsContactsIsHeavyOnItsOwn) {
  SessionBuilder builder(4, 300);
  for (int i = 0; i < 10; ++i) builder.Touch(100.0 + 10.0 * i, i % 4, (i + 1) % 4, 1000.0 + 100.0 * i);
  const auto contacts = OfKind(FindEvents(builder.Build()), EventKind::Contact);
  ASSERT_EQ(contacts.size(), 10u);
  int heavy = 0;
  for (const Event& e : contacts) heavy += e.heavy ? 1 : 0;
  EXPECT_EQ(heavy, 1);
  EXPECT_TRUE(contacts.back().heavy);
}

TEST(Events, FirstThreeAcrossTheLineFinish) {
  const SessionRun run = SessionBuilder(4, 100).Finish(0, 80.0).Finish(1, 81.0).Finish(2, 82.0).Finish(3, 83.0).Build();
  const auto finishes = OfKind(FindEvents(run), EventKind::Finish);
  ASSERT_EQ(finishes.size(), 3u);
  EXPECT_EQ(finishes[0].place, 1);
  EXPECT_EQ(finishes[2].cars, std::vector<int>{2});
  EXPECT_GT(finishes[0].weight, finishes[1].weight);
  EXPECT_NEAR(finishes[0].momentStart, 78.0, 0.01);
  EXPECT_NEAR(finishes[0].momentEnd, 81.0, 0.01);
}

}  // namespace
}  // namespace ksim
