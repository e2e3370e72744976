// Whether one candidate beats another by more than the director's own
// randomness: both are played on the same files and seeds, so their runs
// pair up, and the gain is judged on the paired differences.
#pragma once

#include "advise/evaluation.hpp"

namespace ksim {

// A change must buy at least this much score, and twice its standard error.
constexpr double kSmallestGain = 0.005;
constexpr double kStandardErrors = 2.0;

struct PairedGain {
  double mean = 0.0;  // of the paired differences, after minus before
  double se = 0.0;    // standard error of that mean; infinite with fewer than two pairs
  int pairs = 0;
  // Above the noise: at least kSmallestGain and more than kStandardErrors standard errors.
  bool Clear() const { return mean >= kSmallestGain && mean > kStandardErrors * se; }
};

// `after` against `before`, run by run (their runScores; their fileScores
// when a broadcast has no runs listed).
PairedGain PairedGainOf(const Broadcast& after, const Broadcast& before);

}  // namespace ksim
