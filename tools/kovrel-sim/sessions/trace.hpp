// A car's travel over the session: laps travelled as a function of time,
// piecewise linear and never decreasing. Gaps between cars are read from it.
#pragma once

#include <vector>

namespace ksim {

class Trace {
 public:
  // Adds a point; times must not decrease. A progress below the last one is
  // raised to it, so the trace never runs backwards.
  void Add(double time, double progress);
  bool Empty() const { return mTime.empty(); }
  double FirstTime() const { return mTime.front(); }
  double LastTime() const { return mTime.back(); }
  double LastProgress() const { return mProgress.back(); }
  std::size_t Size() const { return mTime.size(); }
  double TimeOf(std::size_t point) const { return mTime[point]; }
  double ProgressOf(std::size_t point) const { return mProgress[point]; }

  // Progress at a time, held constant before the first and after the last point.
  double ProgressAt(double time) const;
  // The earliest time at which the car had travelled `progress` laps; the
  // first point's time below the trace and the last point's time above it.
  double TimeAt(double progress) const;

 private:
  std::vector<double> mTime;
  std::vector<double> mProgress;
};

}  // namespace ksim
