// The events of a generated race against the cars' own travel, sampled ten
// times finer than the scoring snapshots the analysis reads.
#include <gtest/gtest.h>

#include <cmath>

#include "analysis/analysis.hpp"
#include "host/host.hpp"
#include "sessions/generator.hpp"

namespace ksim {
namespace {

struct Crossing {
  double time;
  int ahead, behind;  // after the crossing
  bool clean;         // both cars racing well before and after, and no swap back soon
};

GeneratorOptions ShortRace(std::uint64_t seed) {
  GeneratorOptions options;
  options.cars = 12;
  options.laps = 4;
  options.seed = seed;
  options.lapTime = 80.0;
  options.trackLength = 4000.0;
  options.randomContacts = false;
  options.injectedContacts = {300.0};
  return options;
}

// Every moment two cars' travel crossed, to 0.02 s.
std::vector<Crossing> TrueCrossings(const GeneratorOptions& options) {
  auto source = GenerateSession(options);
  const int n = static_cast<int>(source->Plan().cars.size());
  std::string stream;
  std::vector<ksim::Crossing> marks;
  std::vector<double> before(static_cast<std::size_t>(n)), lastPits(static_cast<std::size_t>(n), -1e9);
  std::vector<Crossing> out;
  std::vector<std::pair<double, double>> unclean;  // per car: not racing from .. to
  bool first = true;
  for (long long k = 0; !source->Over(); ++k) {
    const double t = static_cast<double>(k) * 0.02;
    source->AdvanceTo(t, stream, marks);
    const bool green = source->Phase() == kPhaseGreen;
    for (int c = 0; c < n; ++c) {
      const CarState& s = source->Car(c);
      if (s.inPits || s.pitState != kPitNone || s.finishStatus != kFinishNone || !green) lastPits[static_cast<std::size_t>(c)] = t;
    }
    for (int a = 0; a < n && !first; ++a) {
      for (int b = 0; b < n; ++b) {
        const double now = source->Car(a).progress - source->Car(b).progress;
        const double was = before[static_cast<std::size_t>(a)] - before[static_cast<std::size_t>(b)];
        if (was < 0.0 && now > 0.0) {
          const bool racing = t - lastPits[static_cast<std::size_t>(a)] > 10.0 && t - lastPits[static_cast<std::size_t>(b)] > 10.0;
          out.push_back(Crossing{t, a, b, racing});
        }
      }
    }
    for (int c = 0; c < n; ++c) before[static_cast<std::size_t>(c)] = source->Car(c).progress;
    first = false;
  }
  // A swap undone within 2 s, or a car in the pits soon after, is no clean pass.
  for (Crossing& c : out) {
    for (const Crossing& d : out) {
      if (d.ahead == c.behind && d.behind == c.ahead && std::fabs(d.time - c.time) < 2.0) c.clean = false;
    }
  }
  return out;
}

TEST(GeneratedRace, EveryPassIsFoundOnceNearItsMomentAndEveryFoundPassHappened) {
  for (const std::uint64_t seed : {3u, 8u}) {
    const GeneratorOptions options = ShortRace(seed);
    const std::vector<Crossing> truth = TrueCrossings(options);
    auto source = GenerateSession(options);
    const SessionRun run = RecordSession(*source, 5.0);
    std::vector<Event> passes;
    for (const Event& e : FindEvents(run)) {
      if (e.kind == EventKind::Overtake || e.kind == EventKind::LeadChange) passes.push_back(e);
    }
    ASSERT_GT(passes.size(), 10u) << "seed " << seed;
    for (const Event& e : passes) {
      const bool happened = std::any_of(truth.begin(), truth.end(), [&](const Crossing& c) {
        return c.ahead == e.cars[0] && c.behind == e.cars[1] && std::fabs(c.time - e.time) <= 0.25;
      });
      EXPECT_TRUE(happened) << "seed " << seed << ": no such pass near " << e.time;
      // A generated pass is known to the snapshot.
      EXPECT_LE(e.momentStart, e.time - 0.5);
      EXPECT_GE(e.momentEnd, e.time + 0.5);
      EXPECT_LE(e.momentEnd - e.momentStart, 1.5 + 1e-9);
    }
    int clean = 0;
    for (const Crossing& c : truth) {
      if (!c.clean) continue;
      ++clean;
      const auto found = std::count_if(passes.begin(), passes.end(), [&](const Event& e) {
        return e.cars[0] == c.ahead && e.cars[1] == c.behind && std::fabs(e.time - c.time) <= 0.25;
      });
      EXPECT_EQ(found, 1) << "seed " << seed << ": pass at " << c.time << " of car " << c.ahead << " on " << c.behind;
    }
    EXPECT_GT(clean, 5);
    // The one contact the race was given, both cars' reports as one event.
    int contacts = 0;
    for (const Event& e : FindEvents(run)) contacts += e.kind == EventKind::Contact ? 1 : 0;
    EXPECT_EQ(contacts, 1);
  }
}

}  // namespace
}  // namespace ksim
