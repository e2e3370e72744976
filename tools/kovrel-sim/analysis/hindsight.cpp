// The hindsight director, by dynamic programming over the snapshots and cars.
//
// The picture is one car per snapshot (a cell of the scoring interval), and
// each run of one car lasts at least the hold. An event's live credit is its
// weight times the share of its moment on air on one of its cars; with one
// car on air at a time that share is a sum over cells, so each (cell, car)
// earns a fixed reward and the best path is an exact optimum, not a bound.
// The state is (car, length of the current run), the length capped at the
// hold where longer runs no longer differ; the run lengths of a car sit in a
// ring shifted in place, and a reward goes to a per-car offset that all its
// states share, so one cell costs a constant per car.
#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/analysis.hpp"

namespace ksim {

namespace {

constexpr double kNone = -std::numeric_limits<double>::infinity();

struct Grid {
  std::size_t cells = 0;
  int cars = 0;
  double t0 = 0.0, dt = 0.0;
  int hold = 2;  // cells; a run of this length or longer may end
};

// Reward changes, cell by cell: `rate` is added to a car's running reward
// from its cell on; `amount` is earned in its cell alone (a moment's edges).
struct Change {
  std::size_t cell = 0;
  int car = 0;
  double rate = 0.0, amount = 0.0;
};

double Overlap(double a0, double a1, double b0, double b1) { return std::max(0.0, std::min(a1, b1) - std::max(a0, b0)); }

std::size_t CellOf(const Grid& g, double t) {
  const double k = std::floor((t - g.t0) / g.dt);
  return static_cast<std::size_t>(std::clamp(k, 0.0, static_cast<double>(g.cells - 1)));
}

// Each event pays its weight over its moment's length per second on air
// inside the moment: the edge cells their part, the cells between a steady
// rate. A pit stop is seen in full after kPitStopSeconds, which no sum over
// seconds can say; paying it over its length (or over kPitStopSeconds, when
// shorter) never pays more than its capped credit, so the path is not drawn
// into long stops, and the bound adds back what that may leave out.
std::vector<Change> RewardChanges(const Grid& g, const std::vector<Event>& events, const std::vector<double>& weights) {
  std::vector<Change> changes;
  const double end = g.t0 + static_cast<double>(g.cells) * g.dt;
  for (std::size_t i = 0; i < events.size(); ++i) {
    const Event& e = events[i];
    const double length = e.momentEnd - e.momentStart;
    if (weights[i] <= 0.0 || length <= 0.0 || e.momentEnd <= g.t0 || e.momentStart >= end) continue;
    const double perSecond = weights[i] / (e.kind == EventKind::PitStop ? std::max(kPitStopSeconds, length) : length);
    const std::size_t a = CellOf(g, e.momentStart), b = CellOf(g, e.momentEnd);
    const auto cellPart = [&](std::size_t k) {
      const double from = g.t0 + static_cast<double>(k) * g.dt;
      return perSecond * Overlap(from, from + g.dt, e.momentStart, e.momentEnd);
    };
    for (std::size_t n = 0; n < e.cars.size(); ++n) {
      const int car = e.cars[n];
      if (car < 0 || car >= g.cars || std::find(e.cars.begin(), e.cars.begin() + static_cast<std::ptrdiff_t>(n), car) !=
                                          e.cars.begin() + static_cast<std::ptrdiff_t>(n)) {
        continue;
      }
      changes.push_back(Change{a, car, 0.0, cellPart(a)});
      if (b == a) continue;
      changes.push_back(Change{b, car, 0.0, cellPart(b)});
      if (b > a + 1) {
        changes.push_back(Change{a + 1, car, perSecond * g.dt, 0.0});
        changes.push_back(Change{b, car, -perSecond * g.dt, 0.0});
      }
    }
  }
  std::sort(changes.begin(), changes.end(), [](const Change& x, const Change& y) { return x.cell < y.cell; });
  return changes;
}

// Stored values of the states (car, run length 1 .. hold), without the
// car's offset.
class RunLengths {
 public:
  RunLengths(int cars, int hold)
      : mCars(cars), mRing(hold - 1), mValues(static_cast<std::size_t>(cars) * static_cast<std::size_t>(hold - 1), kNone),
        mCap(static_cast<std::size_t>(cars), kNone) {}

  // h == hold is the capped state: runs that may end.
  double& At(int car, int h) {
    if (h > mRing) return mCap[static_cast<std::size_t>(car)];
    return mValues[static_cast<std::size_t>(car) * static_cast<std::size_t>(mRing) +
                   static_cast<std::size_t>((mOffset + h - 1) % mRing)];
  }
  // Every run grows by one cell: the longest join the capped state, and
  // their slots become the runs of length 1. Marks the cars whose capped
  // state now comes from the run just below it.
  void Grow(std::uint8_t* fromBelow) {
    for (int c = 0; c < mCars; ++c) {
      const double longest = At(c, mRing);
      double& cap = mCap[static_cast<std::size_t>(c)];
      fromBelow[c] = longest > cap ? 1 : 0;
      cap = std::max(cap, longest);
    }
    mOffset = (mOffset + mRing - 1) % mRing;
  }

 private:
  int mCars;
  int mRing;
  int mOffset = 0;
  std::vector<double> mValues;
  std::vector<double> mCap;
};

struct Pass {
  double value = 0.0;
  std::vector<int> path;  // car per cell
};

Pass BestPath(const Grid& g, const std::vector<Change>& changes) {
  const int cars = g.cars;
  const std::size_t carCount = static_cast<std::size_t>(cars);
  RunLengths stored(cars, g.hold);
  std::vector<double> offset(carCount, 0.0), running(carCount, 0.0), extra(carCount, 0.0);
  // What the walk back needs: where each new run came from, and which capped
  // states grew out of the run below them.
  std::vector<int> topCar(g.cells, -1), secondCar(g.cells, -1);
  std::vector<std::uint8_t> fromBelow(g.cells * carCount, 0);
  std::size_t next = 0;
  for (std::size_t k = 0; k < g.cells; ++k) {
    double top = kNone, second = kNone;
    if (k > 0) {
      for (int c = 0; c < cars; ++c) {
        const double v = stored.At(c, g.hold) + offset[static_cast<std::size_t>(c)];
        if (v > top) {
          second = top;
          secondCar[k] = topCar[k];
          top = v;
          topCar[k] = c;
        } else if (v > second) {
          second = v;
          secondCar[k] = c;
        }
      }
      stored.Grow(&fromBelow[k * carCount]);
    }
    for (int c = 0; c < cars; ++c) {
      const double start = k == 0 ? 0.0 : (c == topCar[k] ? second : top);
      stored.At(c, 1) = start - offset[static_cast<std::size_t>(c)];
    }
    for (; next < changes.size() && changes[next].cell <= k; ++next) {
      running[static_cast<std::size_t>(changes[next].car)] += changes[next].rate;
      extra[static_cast<std::size_t>(changes[next].car)] += changes[next].amount;
    }
    for (std::size_t c = 0; c < carCount; ++c) {
      offset[c] += running[c] + extra[c];
      extra[c] = 0.0;
    }
  }

  Pass pass;
  pass.value = kNone;
  int car = 0, length = 1;
  for (int c = 0; c < cars; ++c) {
    for (int h = 1; h <= g.hold; ++h) {
      const double v = stored.At(c, h) + offset[static_cast<std::size_t>(c)];
      if (v > pass.value) {
        pass.value = v;
        car = c;
        length = h;
      }
    }
  }
  pass.path.assign(g.cells, 0);
  for (std::size_t k = g.cells; k-- > 0;) {
    pass.path[k] = car;
    if (k == 0) break;
    if (length == 1) {
      car = car == topCar[k] ? secondCar[k] : topCar[k];
      length = g.hold;
      if (car < 0) break;  // one car only: nowhere to have come from
    } else if (length == g.hold) {
      length = fromBelow[k * carCount + static_cast<std::size_t>(car)] ? g.hold - 1 : g.hold;
    } else {
      --length;
    }
  }
  return pass;
}

}  // namespace

Hindsight PlanHindsight(const SessionRun& run, const std::vector<Event>& events, double holdSeconds,
                        const std::vector<double>* weights) {
  Hindsight result;
  const FieldTimeline& field = run.field;
  if (field.Snapshots() < 2 || field.Cars() == 0) return result;
  if (!(field.Time(1) > field.Time(0))) return result;
  Grid g;
  g.cells = field.Snapshots();
  g.cars = field.Cars();
  g.t0 = field.Time(0);
  g.dt = field.Time(1) - field.Time(0);
  // A shot of `hold` cells lasts the hold; two cells at the least, so that a
  // run's end and its start stay apart.
  g.hold = std::max(2, static_cast<int>(std::ceil(holdSeconds / g.dt - 1e-9)));
  std::vector<double> w(events.size());
  for (std::size_t i = 0; i < events.size(); ++i) w[i] = weights != nullptr ? (*weights)[i] : events[i].weight;
  Pass pass = BestPath(g, RewardChanges(g, events, w));
  result.liveCredit = std::max(0.0, pass.value);
  // A pit stop of length L seen for s seconds earns min(1, s / 5) of its
  // weight, at most s / L + (1 - 5 / L) of it: the programme paid s / L.
  result.upper = result.liveCredit;
  for (std::size_t i = 0; i < events.size(); ++i) {
    const double length = events[i].momentEnd - events[i].momentStart;
    if (events[i].kind == EventKind::PitStop && length > kPitStopSeconds) {
      result.upper += w[i] * (1.0 - kPitStopSeconds / length);
    }
  }
  result.path = std::move(pass.path);
  result.firstCell = g.t0;
  result.cellSeconds = g.dt;
  return result;
}

std::vector<Shot> HindsightShots(const Hindsight& plan) {
  std::vector<Shot> shots;
  for (std::size_t k = 0; k < plan.path.size(); ++k) {
    const double start = plan.firstCell + static_cast<double>(k) * plan.cellSeconds;
    if (!shots.empty() && shots.back().car == plan.path[k]) {
      shots.back().end = start + plan.cellSeconds;
    } else {
      shots.push_back(Shot{start, start + plan.cellSeconds, plan.path[k], 4, false, Reason::Unknown});
    }
  }
  return shots;
}

}  // namespace ksim
