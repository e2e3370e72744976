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

TEST(Events, PassesAreCountedOnceAndPlacedInTheirWindow) {
  const SessionRun run = SessionBuilder(5, 120).Pass(20.0, 3, 2).Pass(50.0, 4, 1).Pass(80.0, 1, 0).Build();
  const auto events = FindEvents(run);
  const auto passes = OfKind(events, EventKind::Overtake);
  // Car 4 goes from P5 to P2, three passes at once; car 1 from P3 to P1 takes
  // second place from car 4 and the lead from car 0.
  ASSERT_EQ(passes.size(), 5u);
  EXPECT_EQ(passes[0].cars, (std::vector<int>{3, 2}));
  EXPECT_EQ(passes[0].place, 3);
  for (const Event& e : passes) {
    EXPECT_LE(e.windowStart, e.time);
    EXPECT_GE(e.windowEnd, e.time);
    EXPECT_LE(e.windowEnd - e.windowStart, 6.5);
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
  EXPECT_NEAR(stops[0].windowStart, 30.0, 0.21);
  EXPECT_NEAR(stops[0].windowEnd, 50.0, 0.21);
}

TEST(Events, OrderFlickeringBackWithinASecondIsNoPass) {
  const SessionRun run = SessionBuilder(3, 60).Pass(20.0, 2, 1).Pass(20.6, 1, 2).Pass(40.0, 2, 1).Build();
  const auto passes = OfKind(FindEvents(run), EventKind::Overtake);
  ASSERT_EQ(passes.size(), 1u);
  EXPECT_NEAR(passes[0].time, 40.0, 0.2);
}

TEST(Events, RecordedPassReachesFromTheLastToTheNextTimingPoint) {
  SessionRun run = SessionBuilder(2, 120).Pass(50.0, 1, 0).Build();
  run.plan.progressExact = false;
  run.timing = {{30.0, 0}, {31.0, 1}, {62.0, 0}, {63.0, 1}};
  const auto leads = OfKind(FindEvents(run), EventKind::LeadChange);
  ASSERT_EQ(leads.size(), 1u);
  EXPECT_NEAR(leads[0].windowStart, 35.0, 0.2);  // 31 s, but never further than 15 s before
  EXPECT_NEAR(leads[0].windowEnd, 62.0, 0.01);
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
}

}  // namespace
}  // namespace ksim
