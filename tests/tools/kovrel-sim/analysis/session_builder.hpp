// A recorded race made to order for the analysis tests: cars running in a
// given order, with swaps, pit visits, contacts, finishes, and what the
// picture showed. Every car runs a lap per 100 s unless told otherwise.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "record/run_record.hpp"

namespace ksim::testing {

class SessionBuilder {
 public:
  SessionBuilder(int cars, double seconds, double dt = 0.2) : mCars(cars), mSeconds(seconds), mDt(dt) {
    mRun.plan.kind = SessionKind::Race;
    mRun.plan.progressExact = true;
    for (int i = 0; i < cars; ++i) {
      CarEntry entry;
      entry.id = 10 + i;
      entry.driver = "Driver " + std::string(1, static_cast<char>('A' + i));
      mRun.plan.cars.push_back(entry);
    }
  }
  // The car's class as the host names it (none unless told).
  SessionBuilder& Class(int car, const std::string& name) {
    mRun.plan.cars[static_cast<std::size_t>(car)].vehicleClass = name;
    return *this;
  }
  // The first `fast` cars "LMP2", the rest "GT3": two classes of unknown pace.
  SessionBuilder& TwoClasses(int fast) {
    for (int i = 0; i < mCars; ++i) Class(i, i < fast ? "LMP2" : "GT3");
    return *this;
  }
  // From time t, a takes b's place and b drops behind it.
  SessionBuilder& Pass(double t, int a, int b) { mSwaps.push_back({t, a, b}); return *this; }
  SessionBuilder& Pits(int car, double from, double to) { mFlagSpans.push_back({car, from, to, FieldTimeline::kInPits}); return *this; }
  SessionBuilder& Finish(int car, double t) { mFlagSpans.push_back({car, t, 1e9, FieldTimeline::kFinished}); return *this; }
  SessionBuilder& Retire(int car, double t) { mFlagSpans.push_back({car, t, 1e9, FieldTimeline::kRetired}); return *this; }
  // A car that loses `seconds` against its usual pace from time t on.
  SessionBuilder& Slow(int car, double t, double seconds) { mSlow.push_back({car, t, seconds}); return *this; }
  SessionBuilder& Touch(double t, int a, int b, double strength) {
    mRun.contacts.push_back(Contact{t, a, b, strength, b >= 0 ? "another vehicle" : "Immovable"});
    return *this;
  }
  SessionBuilder& Show(double from, double to, int car, Reason why = Reason::Battle) {
    mRun.shots.push_back(Shot{from, to, car, 4, false, why});
    return *this;
  }
  // A replay at `at` whose picture went through [from, to) of the session,
  // slowed over [slowFrom, slowTo) (all of it unless told).
  SessionBuilder& Replay(int car, double from, double to, double at, double slowFrom = -1.0, double slowTo = -1.0) {
    ReplayRun r;
    r.slowShownFrom = slowFrom >= 0.0 ? slowFrom : from;
    r.slowShownTo = slowFrom >= 0.0 ? slowTo : to;
    r.pressed = at;
    r.cameraSet = at;
    r.car = car;
    r.seekTo = from;
    r.shownFrom = from;
    r.shownTo = to;
    r.ended = at + (to - from);
    mRun.replays.push_back(r);
    mRun.shots.push_back(Shot{at, at + (to - from), car, 4, true, Reason::Unknown});
    return *this;
  }

  SessionRun Build() {
    SessionRun run = mRun;
    std::sort(run.shots.begin(), run.shots.end(), [](const Shot& a, const Shot& b) { return a.start < b.start; });
    run.field.Reset(mCars);
    std::vector<int> order(static_cast<std::size_t>(mCars));
    for (int i = 0; i < mCars; ++i) order[static_cast<std::size_t>(i)] = i;
    std::size_t swap = 0;
    std::sort(mSwaps.begin(), mSwaps.end(), [](const SwapAt& x, const SwapAt& y) { return x.t < y.t; });
    const long long steps = static_cast<long long>(mSeconds / mDt + 0.5);
    for (long long k = 0; k <= steps; ++k) {
      const double t = static_cast<double>(k) * mDt;
      for (; swap < mSwaps.size() && mSwaps[swap].t <= t + 1e-9; ++swap) {
        auto a = std::find(order.begin(), order.end(), mSwaps[swap].a);
        auto b = std::find(order.begin(), order.end(), mSwaps[swap].b);
        const int carA = *a;
        order.erase(a);
        order.insert(order.begin() + (b - order.begin() - (a < b ? 1 : 0)), carA);
      }
      run.field.AddSnapshot(t, 5);
      for (int place = 1; place <= mCars; ++place) {
        const int car = order[static_cast<std::size_t>(place - 1)];
        std::uint8_t flags = 0;
        for (const FlagSpan& s : mFlagSpans) {
          if (s.car == car && t >= s.from && t < s.to) flags |= s.flag;
        }
        double progress = t / 100.0 - 0.001 * place;
        for (const SlowAt& s : mSlow) {
          if (s.car == car && t > s.t) progress -= std::min(t - s.t, s.seconds) / 100.0;
        }
        run.field.SetCar(car, place, progress, flags);
      }
    }
    run.endTime = static_cast<double>(steps) * mDt;
    return run;
  }

 private:
  struct SwapAt { double t; int a, b; };
  struct FlagSpan { int car; double from, to; std::uint8_t flag; };
  struct SlowAt { int car; double t, seconds; };
  int mCars;
  double mSeconds, mDt;
  SessionRun mRun;
  std::vector<SwapAt> mSwaps;
  std::vector<FlagSpan> mFlagSpans;
  std::vector<SlowAt> mSlow;
};

}  // namespace ksim::testing
