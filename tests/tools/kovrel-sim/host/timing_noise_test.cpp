// The timing error the host can put on what the plug-in reads.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "host/timing_noise.hpp"
#include "sessions/generator.hpp"
#include "sim_test_support.hpp"

namespace {

ksim::GeneratorOptions CloseRace() {
  ksim::GeneratorOptions options;
  options.kind = ksim::SessionKind::Race;
  options.cars = 12;
  options.laps = 3;
  options.seed = 5;
  options.lapTime = 60.0;
  options.trackLength = 3000.0;
  return options;
}

// Plays the race with the error applied at every snapshot; `each` sees the
// true board and the plug-in's copy.
void PlayWithNoise(double bound, std::uint64_t seed,
                   const std::function<void(double, const ksim::Scoreboard&, const ksim::TimingNoise&,
                                            const std::vector<VehicleScoringInfoV01>&)>& each) {
  auto source = ksim::GenerateSession(CloseRace());
  ksim::TimingNoise noise(bound, seed, static_cast<int>(source->Plan().cars.size()));
  std::vector<VehicleScoringInfoV01> seen;
  const double length = source->Plan().trackLength;
  ksim_test::PlaySession(*source, [&](double t, const ksim::Scoreboard& board, const ksim::SessionSource&,
                                      const std::string&) {
    noise.Apply(t, board, length, true, seen);
    each(t, board, noise, seen);
  });
}

double WrappedDifference(double a, double b, double length) {
  double d = std::fmod(a - b, length);
  if (d > length / 2) d -= length;
  if (d < -length / 2) d += length;
  return d;
}

TEST(TimingNoise, StaysWithinItsBoundAndKeepsThePlaces) {
  const double bound = 0.5;
  int gapsMoved = 0, snapshots = 0;
  double largest = 0.0;
  PlayWithNoise(bound, 7, [&](double, const ksim::Scoreboard& board, const ksim::TimingNoise& noise,
                              const std::vector<VehicleScoringInfoV01>& seen) {
    ++snapshots;
    for (int i = 0; i < board.Count(); ++i) {
      const VehicleScoringInfoV01& truth = board.Vehicle(i);
      const VehicleScoringInfoV01& v = seen[static_cast<std::size_t>(i)];
      ASSERT_LE(std::fabs(noise.ErrorOf(i)), bound);
      largest = std::max(largest, std::fabs(noise.ErrorOf(i)));
      EXPECT_EQ(v.mPlace, truth.mPlace);
      EXPECT_EQ(v.mID, truth.mID);
      EXPECT_EQ(v.mTotalLaps, truth.mTotalLaps) << "the timing points stay exact";
      EXPECT_EQ(v.mLastLapTime, truth.mLastLapTime);
      const double moved = WrappedDifference(v.mLapDist, truth.mLapDist, 3000.0);
      EXPECT_LE(std::fabs(moved), bound * std::fabs(truth.mLocalVel.z) + 1e-6);
      EXPECT_GE(v.mLapDist, 0.0);
      EXPECT_LT(v.mLapDist, 3000.0);
      EXPECT_LE(std::fabs(v.mTimeBehindNext - truth.mTimeBehindNext), 2 * bound + 1e-9);
      EXPECT_LE(std::fabs(v.mTimeBehindLeader - truth.mTimeBehindLeader), 2 * bound + 1e-9);
      if (truth.mTimeBehindNext > 0.0) {
        EXPECT_GT(v.mTimeBehindNext, 0.0) << "a car behind never reads as the leader";
        gapsMoved += v.mTimeBehindNext != truth.mTimeBehindNext;
      } else {
        EXPECT_EQ(v.mTimeBehindNext, 0.0);
      }
    }
  });
  EXPECT_GT(gapsMoved, snapshots) << "the gaps are off, not only the distances";
  EXPECT_GT(largest, bound / 2) << "the walk uses its room";
}

TEST(TimingNoise, DriftsOverSecondsNotBetweenSnapshots) {
  // Over 0.2 s the error keeps most of itself; over 10 s it has forgotten it.
  std::vector<std::vector<double>> errors;
  PlayWithNoise(1.0, 11, [&](double, const ksim::Scoreboard& board, const ksim::TimingNoise& noise,
                             const std::vector<VehicleScoringInfoV01>&) {
    std::vector<double> now;
    for (int i = 0; i < board.Count(); ++i) now.push_back(noise.ErrorOf(i));
    errors.push_back(now);
  });
  const auto correlation = [&](std::size_t lag) {
    double sab = 0, saa = 0, sbb = 0;
    for (std::size_t k = 0; k + lag < errors.size(); ++k) {
      for (std::size_t c = 0; c < errors[k].size(); ++c) {
        sab += errors[k][c] * errors[k + lag][c];
        saa += errors[k][c] * errors[k][c];
        sbb += errors[k + lag][c] * errors[k + lag][c];
      }
    }
    return sab / std::sqrt(saa * sbb);
  };
  EXPECT_GT(correlation(1), 0.9);
  EXPECT_NEAR(correlation(15), std::exp(-1.0), 0.15) << "about 1/e after 3 s";
  EXPECT_LT(std::fabs(correlation(50)), 0.2);
}

TEST(TimingNoise, OneSeedGivesOneErrorAndNoBoundNone) {
  std::vector<double> first, again, other;
  const auto collect = [](std::vector<double>& into) {
    return [&into](double, const ksim::Scoreboard&, const ksim::TimingNoise&,
                   const std::vector<VehicleScoringInfoV01>& seen) {
      for (const VehicleScoringInfoV01& v : seen) into.push_back(v.mLapDist + v.mTimeBehindNext);
    };
  };
  PlayWithNoise(0.3, 3, collect(first));
  PlayWithNoise(0.3, 3, collect(again));
  PlayWithNoise(0.3, 4, collect(other));
  EXPECT_EQ(first, again);
  EXPECT_NE(first, other);

  int snapshots = 0;
  PlayWithNoise(0.0, 3, [&](double, const ksim::Scoreboard& board, const ksim::TimingNoise& noise,
                            const std::vector<VehicleScoringInfoV01>& seen) {
    ++snapshots;
    EXPECT_FALSE(noise.Active());
    for (int i = 0; i < board.Count(); ++i) {
      EXPECT_EQ(std::memcmp(&seen[static_cast<std::size_t>(i)], &board.Vehicle(i), sizeof(VehicleScoringInfoV01)), 0);
    }
  });
  EXPECT_GT(snapshots, 100);
}

}  // namespace
