// The hindsight director, by dynamic programming over the snapshots and cars.
//
// The picture is one car per snapshot (a cell of the scoring interval). A
// path holds each car for at least `waitsec`; an event counts for a run of
// one car when that run has spent two seconds inside the event's window. The
// state is (car, length of the current run), the length capped where longer
// runs no longer differ, so one pass costs snapshots x cars x a constant (one
// ring of run lengths per car, shifted in place).
//
// One pass credits an event to every run that shows it, so a path showing a
// pass on both cars counts it twice. Lagrange multipliers fix that: an event
// of weight w is paid w - l per run plus l once, which for any l in [0, w]
// never pays less than w for a shown event, so every pass gives a true upper
// bound; a few subgradient steps on l tighten it. Each pass's best path is a
// real director's path, so the best of them is what hindsight achieves: when
// the two meet, both are exact.
#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/analysis.hpp"

namespace ksim {

namespace {

constexpr double kNone = -std::numeric_limits<double>::infinity();
constexpr int kSteps = 8;

struct Credit {
  std::size_t cell = 0;
  int car = 0;
  double weight = 0.0;
};

class RunLengths {
 public:
  RunLengths(int cars, int cap)
      : mCars(cars), mRing(cap - 1), mValues(static_cast<std::size_t>(cars) * static_cast<std::size_t>(cap - 1), kNone),
        mCap(static_cast<std::size_t>(cars), kNone) {}

  // V[car][h] for 1 <= h < cap; h == cap is the capped state.
  double& At(int car, int h) {
    if (h > mRing) return mCap[static_cast<std::size_t>(car)];
    return mValues[static_cast<std::size_t>(car) * static_cast<std::size_t>(mRing) +
                   static_cast<std::size_t>((mOffset + h - 1) % mRing)];
  }
  // Every run grows by one snapshot; the longest join the capped state and
  // their slots become the new runs of length 1. Marks the cars whose capped
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

struct Grid {
  std::size_t cells = 0;
  int cars = 0;
  double t0 = 0.0, dt = 0.0;
  int shown = 1, hold = 1, cap = 2;
  // Per event, its first and last cell; -1 when no run can show it.
  std::vector<long long> first, last;
};

Grid MakeGrid(const SessionRun& run, const std::vector<Event>& events, double waitsec) {
  Grid g;
  const FieldTimeline& field = run.field;
  g.cells = field.Snapshots();
  g.cars = field.Cars();
  g.t0 = field.Time(0);
  g.dt = field.Time(1) - field.Time(0);
  // The director cuts at snapshots; a window reaches over every snapshot it
  // touches, so that no director's two seconds inside it are lost.
  g.shown = std::max(1, static_cast<int>(std::ceil(kShownSeconds / g.dt - 1e-9)));
  g.hold = std::max(1, static_cast<int>(std::floor(std::max(0.0, waitsec) / g.dt + 1e-9)));
  g.cap = std::max(g.hold, g.shown + 1);
  for (const Event& e : events) {
    const long long a = std::max(0LL, static_cast<long long>(std::floor((e.windowStart - g.t0) / g.dt)));
    const long long b = std::min(static_cast<long long>(g.cells) - 1,
                                 static_cast<long long>(std::floor((e.windowEnd - g.t0) / g.dt)));
    const bool possible = a + g.shown - 1 <= b;
    g.first.push_back(possible ? a : -1);
    g.last.push_back(possible ? b : -1);
  }
  return g;
}

// One pass: the best path when each run showing event i earns pay[i].
struct Pass {
  double value = 0.0;
  std::vector<int> path;  // car per cell
};

Pass BestPath(const Grid& g, const std::vector<Event>& events, const std::vector<double>& pay) {
  // An event is credited to a run reaching `shown` cells inside it: at the
  // window's first possible moment to any run already that long
  // (`onEntry`), later only to a run exactly that long (`along`, as the
  // changes of a per-car running sum).
  std::vector<Credit> onEntry, along;
  for (std::size_t i = 0; i < events.size(); ++i) {
    if (pay[i] <= 0.0 || g.first[i] < 0) continue;
    const long long entry = g.first[i] + g.shown - 1;
    for (const int car : events[i].cars) {
      if (car < 0 || car >= g.cars) continue;
      onEntry.push_back(Credit{static_cast<std::size_t>(entry), car, pay[i]});
      along.push_back(Credit{static_cast<std::size_t>(entry + 1), car, pay[i]});
      along.push_back(Credit{static_cast<std::size_t>(g.last[i] + 1), car, -pay[i]});
    }
  }
  const auto byCell = [](const Credit& a, const Credit& b) { return a.cell < b.cell; };
  std::sort(onEntry.begin(), onEntry.end(), byCell);
  std::sort(along.begin(), along.end(), byCell);

  const int cars = g.cars;
  RunLengths value(cars, g.cap);
  std::vector<double> running(static_cast<std::size_t>(cars), 0.0);
  // What a backwards walk needs: where each cut came from, and which capped
  // states grew out of the run below them.
  std::vector<int> topCar(g.cells, -1), secondCar(g.cells, -1), topLength(g.cells, 0), secondLength(g.cells, 0);
  std::vector<std::uint8_t> fromBelow(g.cells * static_cast<std::size_t>(cars), 0);
  std::size_t nextEntry = 0, nextAlong = 0;
  for (std::size_t k = 0; k < g.cells; ++k) {
    double top = kNone, second = kNone;
    for (int c = 0; c < cars; ++c) {
      double best = kNone;
      int length = 0;
      for (int h = g.hold; h <= g.cap; ++h) {
        if (value.At(c, h) > best) {
          best = value.At(c, h);
          length = h;
        }
      }
      if (best > top) {
        second = top;
        secondCar[k] = topCar[k];
        secondLength[k] = topLength[k];
        top = best;
        topCar[k] = c;
        topLength[k] = length;
      } else if (best > second) {
        second = best;
        secondCar[k] = c;
        secondLength[k] = length;
      }
    }
    value.Grow(&fromBelow[k * static_cast<std::size_t>(cars)]);
    for (int c = 0; c < cars; ++c) value.At(c, 1) = k == 0 ? 0.0 : (c == topCar[k] ? second : top);

    for (; nextAlong < along.size() && along[nextAlong].cell <= k; ++nextAlong) {
      running[static_cast<std::size_t>(along[nextAlong].car)] += along[nextAlong].weight;
    }
    for (int c = 0; c < cars; ++c) {
      const double r = running[static_cast<std::size_t>(c)];
      if (r > 1e-12) value.At(c, g.shown) += r;
    }
    for (; nextEntry < onEntry.size() && onEntry[nextEntry].cell <= k; ++nextEntry) {
      for (int h = g.shown; h <= g.cap; ++h) value.At(onEntry[nextEntry].car, h) += onEntry[nextEntry].weight;
    }
  }

  Pass pass;
  pass.value = kNone;
  int car = 0, length = 1;
  for (int c = 0; c < cars; ++c) {
    for (int h = 1; h <= g.cap; ++h) {
      if (value.At(c, h) > pass.value) {
        pass.value = value.At(c, h);
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
      const bool fromTop = car != topCar[k];
      car = fromTop ? topCar[k] : secondCar[k];
      length = fromTop ? topLength[k] : secondLength[k];
      if (car < 0) break;  // one car only: nowhere to have come from
    } else if (length == g.cap) {
      length = fromBelow[k * static_cast<std::size_t>(cars) + static_cast<std::size_t>(car)] ? g.cap - 1 : g.cap;
    } else {
      --length;
    }
  }
  return pass;
}

// How many runs of the path show each event, by the bound's rule.
std::vector<int> RunsShowing(const Grid& g, const std::vector<Event>& events, const std::vector<int>& path) {
  struct Run {
    long long from, to;
    int car;
  };
  std::vector<Run> runs;
  for (std::size_t k = 0; k < path.size(); ++k) {
    if (runs.empty() || runs.back().car != path[k]) {
      runs.push_back(Run{static_cast<long long>(k), static_cast<long long>(k), path[k]});
    } else {
      runs.back().to = static_cast<long long>(k);
    }
  }
  std::vector<int> count(events.size(), 0);
  for (std::size_t i = 0; i < events.size(); ++i) {
    if (g.first[i] < 0) continue;
    auto r = std::lower_bound(runs.begin(), runs.end(), g.first[i], [](const Run& run, long long cell) { return run.to < cell; });
    for (; r != runs.end() && r->from <= g.last[i]; ++r) {
      const long long inside = std::min(r->to, g.last[i]) - std::max(r->from, g.first[i]) + 1;
      if (inside >= g.shown && std::find(events[i].cars.begin(), events[i].cars.end(), r->car) != events[i].cars.end()) {
        ++count[i];
      }
    }
  }
  return count;
}

}  // namespace

Hindsight PlanHindsight(const SessionRun& run, const std::vector<Event>& events, double waitsec,
                        const std::vector<double>* weights, double closeEnough) {
  Hindsight result;
  if (run.field.Snapshots() < 2 || run.field.Cars() == 0 || events.empty()) return result;
  if (!(run.field.Time(1) > run.field.Time(0))) return result;
  const Grid g = MakeGrid(run, events, waitsec);
  std::vector<double> w(events.size());
  for (std::size_t i = 0; i < events.size(); ++i) w[i] = weights != nullptr ? (*weights)[i] : events[i].weight;

  std::vector<double> multiplier(events.size(), 0.0), pay(events.size());
  result.upper = std::numeric_limits<double>::infinity();
  double step = 1.0;
  for (int s = 0; s < kSteps; ++s) {
    double paidOnce = 0.0;
    for (std::size_t i = 0; i < events.size(); ++i) {
      pay[i] = w[i] - multiplier[i];
      paidOnce += multiplier[i];
    }
    Pass pass = BestPath(g, events, pay);
    const std::vector<int> runs = RunsShowing(g, events, pass.path);
    double achieved = 0.0, norm = 0.0;
    for (std::size_t i = 0; i < events.size(); ++i) {
      achieved += runs[i] > 0 ? w[i] : 0.0;
      // Lower the price of events shown twice, raise it for those not shown.
      const double gradient = static_cast<double>(runs[i]) - 1.0;
      if (w[i] > 0.0 && g.first[i] >= 0) norm += gradient * gradient;
    }
    result.upper = std::min(result.upper, paidOnce + pass.value);
    if (achieved > result.achieved || result.path.empty()) {
      result.achieved = achieved;
      result.path = std::move(pass.path);
    }
    if (result.upper - result.achieved < closeEnough || norm == 0.0) break;
    const double size = step * (result.upper - result.achieved) / norm;
    for (std::size_t i = 0; i < events.size(); ++i) {
      if (w[i] <= 0.0 || g.first[i] < 0) continue;
      multiplier[i] = std::clamp(multiplier[i] + size * (static_cast<double>(runs[i]) - 1.0), 0.0, w[i]);
    }
    step *= 0.75;
  }
  result.cellSeconds = g.dt;
  result.firstCell = g.t0;
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

double HindsightBound(const SessionRun& run, const std::vector<Event>& events, double waitsec,
                      const std::vector<double>* weights) {
  return PlanHindsight(run, events, waitsec, weights, 1e-9).upper;
}

}  // namespace ksim
