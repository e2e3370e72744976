// A timing error on what the plug-in reads: each car's lap distance, and the
// gaps taken from it, run ahead of or behind the truth by a seeded random
// walk of at most a given number of seconds of the car's running, which
// forgets itself over about three seconds. The places stay true, and so does
// everything the host records: only the plug-in's copy of the cars is off.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "host/scoreboard.hpp"

namespace ksim {

class TimingNoise {
 public:
  // How long the walk takes to forget where it was.
  static constexpr double kMemorySeconds = 3.0;

  // `boundSeconds` 0 leaves every snapshot as it is.
  TimingNoise(double boundSeconds, std::uint64_t seed, int cars);

  bool Active() const { return mBound > 0.0; }
  // Moves every car's error on to time t (called once per snapshot, in time
  // order) and writes the board's cars, with the errors applied, into `out`.
  void Apply(double t, const Scoreboard& board, double trackLength, bool race,
             std::vector<VehicleScoringInfoV01>& out);
  // Seconds the car is shown ahead of (positive) or behind its true place on track.
  double ErrorOf(int car) const { return mError[static_cast<std::size_t>(car)]; }

 private:
  double Gaussian();
  void Step(double t);

  double mBound;
  std::mt19937_64 mRandom;
  std::vector<double> mError;
  double mLastTime = -1.0;
};

}  // namespace ksim
