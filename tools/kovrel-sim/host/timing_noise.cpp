#include "host/timing_noise.hpp"

#include <algorithm>
#include <cmath>

namespace ksim {

namespace {

// The walk's spread: half the bound, so that it stays inside the bound
// without being held at it most of the time.
constexpr double kSpreadShare = 0.5;
// A car with a gap keeps one, however the errors fall: the plug-in takes a
// gap of exactly 0 for the leader's.
constexpr double kSmallestGap = 0.001;

}  // namespace

TimingNoise::TimingNoise(double boundSeconds, std::uint64_t seed, int cars)
    : mBound(std::max(0.0, boundSeconds)), mRandom(seed), mError(static_cast<std::size_t>(std::max(0, cars)), 0.0) {}

// Box and Muller's transform over the engine's raw bits: the same numbers
// from every standard library, where std::normal_distribution's may differ.
double TimingNoise::Gaussian() {
  const double u1 = (static_cast<double>(mRandom() >> 11) + 1.0) * 0x1.0p-53;
  const double u2 = static_cast<double>(mRandom() >> 11) * 0x1.0p-53;
  return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * M_PI * u2);
}

void TimingNoise::Step(double t) {
  const double spread = kSpreadShare * mBound;
  // The first snapshot draws from the walk's settled spread; later ones keep
  // exp(-dt / memory) of the error they had and draw the rest afresh.
  const double keep = mLastTime < 0.0 ? 0.0 : std::exp(-std::max(0.0, t - mLastTime) / kMemorySeconds);
  const double fresh = spread * std::sqrt(1.0 - keep * keep);
  for (double& error : mError) error = std::clamp(keep * error + fresh * Gaussian(), -mBound, mBound);
  mLastTime = t;
}

void TimingNoise::Apply(double t, const Scoreboard& board, double trackLength, bool race,
                        std::vector<VehicleScoringInfoV01>& out) {
  const int count = board.Count();
  out.resize(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) out[static_cast<std::size_t>(i)] = board.Vehicle(i);
  if (!Active()) return;
  Step(t);
  for (int i = 0; i < count; ++i) {
    VehicleScoringInfoV01& v = out[static_cast<std::size_t>(i)];
    const double speed = std::fabs(v.mLocalVel.z);
    double distance = std::fmod(v.mLapDist + ErrorOf(i) * speed, trackLength);
    if (distance < 0.0) distance += trackLength;
    v.mLapDist = distance;
    // Practice and qualifying gaps are between best laps, which the timing
    // points give exactly; a race's are between places on track.
    if (!race || v.mPlace <= 1 || v.mTimeBehindNext <= 0.0 || v.mFinishStatus != 0) continue;
    const int ahead = board.IndexAtPlace(v.mPlace - 1);
    const int leader = board.IndexAtPlace(1);
    if (ahead >= 0) v.mTimeBehindNext = std::max(kSmallestGap, v.mTimeBehindNext + ErrorOf(ahead) - ErrorOf(i));
    if (leader >= 0 && v.mTimeBehindLeader > 0.0) {
      v.mTimeBehindLeader = std::max(kSmallestGap, v.mTimeBehindLeader + ErrorOf(leader) - ErrorOf(i));
    }
  }
}

}  // namespace ksim
