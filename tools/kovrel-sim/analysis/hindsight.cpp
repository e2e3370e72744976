// The hindsight bound, by dynamic programming over the snapshots and cars.
//
// The picture is one car per snapshot (a cell of the scoring interval). A
// path holds each car for at least `waitsec`; an event counts for a run of
// one car when that run has spent two seconds inside the event's window. The
// state is (car, length of the current run), the length capped where longer
// runs no longer differ, so the cost is snapshots x cars x a constant (one
// ring of run lengths per car, shifted in place).
//
// It is an upper bound rather than the exact optimum: a path that shows one
// event in two separate runs is credited twice, and the windows and lengths
// are rounded in the bound's favour by one snapshot, so that no director
// holding its shots as long can score above it.
#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/analysis.hpp"

namespace ksim {

namespace {

constexpr double kNone = -std::numeric_limits<double>::infinity();

struct Credit {
  std::size_t cell = 0;
  int car = 0;
  double weight = 0.0;
};

class RunLengths {
 public:
  RunLengths(int cars, int cap) : mCars(cars), mRing(cap - 1), mValues(static_cast<std::size_t>(cars) * static_cast<std::size_t>(cap - 1), kNone), mCap(static_cast<std::size_t>(cars), kNone) {}

  // V[car][h] for 1 <= h < cap; h == cap is the capped state.
  double& At(int car, int h) {
    if (h > mRing) return mCap[static_cast<std::size_t>(car)];
    return mValues[static_cast<std::size_t>(car) * static_cast<std::size_t>(mRing) +
                   static_cast<std::size_t>((mOffset + h - 1) % mRing)];
  }
  // Every run grows by one snapshot; the longest join the capped state and
  // their slots become the new runs of length 1.
  void Grow() {
    for (int c = 0; c < mCars; ++c) {
      double& longest = At(c, mRing);
      mCap[static_cast<std::size_t>(c)] = std::max(mCap[static_cast<std::size_t>(c)], longest);
    }
    mOffset = (mOffset + mRing - 1) % mRing;
  }
  int Cap() const { return mRing + 1; }

 private:
  int mCars;
  int mRing;
  int mOffset = 0;
  std::vector<double> mValues;
  std::vector<double> mCap;
};

}  // namespace

double HindsightBound(const SessionRun& run, const std::vector<Event>& events, double waitsec,
                      const std::vector<double>* weights) {
  const FieldTimeline& field = run.field;
  const std::size_t snapshots = field.Snapshots();
  const int cars = field.Cars();
  if (snapshots < 2 || cars == 0 || events.empty()) return 0.0;
  const double t0 = field.Time(0);
  const double dt = field.Time(1) - field.Time(0);
  if (!(dt > 0.0)) return 0.0;
  const int shown = std::max(1, static_cast<int>(std::ceil(kShownSeconds / dt - 1e-9)) - 1);
  const int hold = std::max(1, static_cast<int>(std::floor(std::max(0.0, waitsec) / dt + 1e-9)) - 1);
  const int cap = std::max(hold, shown + 1);

  // An event is credited to a run reaching `shown` cells inside it: at the
  // window's first possible moment to any run already that long
  // (`onEntry`), later only to a run exactly that long (`along`, as the
  // changes of a per-car running sum).
  std::vector<Credit> onEntry, along;
  const auto cellOf = [&](double t) {
    return static_cast<long long>(std::floor((t - t0) / dt));
  };
  for (std::size_t i = 0; i < events.size(); ++i) {
    const Event& e = events[i];
    const double w = weights != nullptr ? (*weights)[i] : e.weight;
    if (w <= 0.0) continue;
    const long long first = std::max(0LL, cellOf(e.windowStart));
    const long long last = std::min(static_cast<long long>(snapshots) - 1, cellOf(e.windowEnd));
    const long long entry = first + shown - 1;
    if (entry > last) continue;
    for (const int car : e.cars) {
      if (car < 0 || car >= cars) continue;
      onEntry.push_back(Credit{static_cast<std::size_t>(entry), car, w});
      along.push_back(Credit{static_cast<std::size_t>(entry + 1), car, w});
      along.push_back(Credit{static_cast<std::size_t>(last + 1), car, -w});
    }
  }
  const auto byCell = [](const Credit& a, const Credit& b) { return a.cell < b.cell; };
  std::sort(onEntry.begin(), onEntry.end(), byCell);
  std::sort(along.begin(), along.end(), byCell);

  RunLengths value(cars, cap);
  std::vector<double> running(static_cast<std::size_t>(cars), 0.0);
  std::vector<double> best(static_cast<std::size_t>(cars), kNone);
  std::size_t nextEntry = 0, nextAlong = 0;
  for (std::size_t k = 0; k < snapshots; ++k) {
    // The best a path can have that may leave its car now.
    double top = kNone, second = kNone;
    int topCar = -1;
    for (int c = 0; c < cars; ++c) {
      double b = kNone;
      for (int h = hold; h <= cap; ++h) b = std::max(b, value.At(c, h));
      if (b > top) {
        second = top;
        top = b;
        topCar = c;
      } else if (b > second) {
        second = b;
      }
    }
    value.Grow();
    for (int c = 0; c < cars; ++c) value.At(c, 1) = k == 0 ? 0.0 : (c == topCar ? second : top);

    for (; nextAlong < along.size() && along[nextAlong].cell <= k; ++nextAlong) {
      running[static_cast<std::size_t>(along[nextAlong].car)] += along[nextAlong].weight;
    }
    for (int c = 0; c < cars; ++c) {
      const double r = running[static_cast<std::size_t>(c)];
      if (r > 1e-12) value.At(c, shown) += r;
    }
    for (; nextEntry < onEntry.size() && onEntry[nextEntry].cell <= k; ++nextEntry) {
      for (int h = shown; h <= cap; ++h) value.At(onEntry[nextEntry].car, h) += onEntry[nextEntry].weight;
    }
  }
  double result = 0.0;
  for (int c = 0; c < cars; ++c) {
    for (int h = 1; h <= cap; ++h) result = std::max(result, value.At(c, h));
  }
  return result;
}

}  // namespace ksim
