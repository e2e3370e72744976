#include "sessions/trace.hpp"

#include <algorithm>

namespace ksim {

void Trace::Add(double time, double progress) {
  if (!mTime.empty()) {
    if (time < mTime.back()) time = mTime.back();
    if (progress < mProgress.back()) progress = mProgress.back();
  }
  mTime.push_back(time);
  mProgress.push_back(progress);
}

double Trace::ProgressAt(double time) const {
  if (mTime.empty()) return 0.0;
  const auto it = std::upper_bound(mTime.begin(), mTime.end(), time);
  if (it == mTime.begin()) return mProgress.front();
  if (it == mTime.end()) return mProgress.back();
  const std::size_t k = static_cast<std::size_t>(it - mTime.begin());
  const double t0 = mTime[k - 1], t1 = mTime[k];
  const double p0 = mProgress[k - 1], p1 = mProgress[k];
  if (t1 <= t0) return p1;
  return p0 + (p1 - p0) * (time - t0) / (t1 - t0);
}

double Trace::TimeAt(double progress) const {
  if (mTime.empty()) return 0.0;
  const auto it = std::lower_bound(mProgress.begin(), mProgress.end(), progress);
  if (it == mProgress.begin()) return mTime.front();
  if (it == mProgress.end()) return mTime.back();
  const std::size_t k = static_cast<std::size_t>(it - mProgress.begin());
  const double p0 = mProgress[k - 1], p1 = mProgress[k];
  const double t0 = mTime[k - 1], t1 = mTime[k];
  if (p1 <= p0) return t1;
  return t0 + (t1 - t0) * (progress - p0) / (p1 - p0);
}

}  // namespace ksim
