#include "advise/paired_gain.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ksim {

namespace {

const std::vector<double>& Runs(const Broadcast& b) { return b.runScores.empty() ? b.fileScores : b.runScores; }

}  // namespace

PairedGain PairedGainOf(const Broadcast& after, const Broadcast& before) {
  const std::vector<double>& a = Runs(after);
  const std::vector<double>& b = Runs(before);
  PairedGain gain;
  gain.pairs = static_cast<int>(std::min(a.size(), b.size()));
  if (gain.pairs == 0) {
    gain.mean = after.score - before.score;
    gain.se = std::numeric_limits<double>::infinity();
    return gain;
  }
  double sum = 0.0;
  for (int i = 0; i < gain.pairs; ++i) sum += a[static_cast<std::size_t>(i)] - b[static_cast<std::size_t>(i)];
  gain.mean = sum / gain.pairs;
  if (gain.pairs < 2) {
    // One run says nothing of how much the seeds alone move the score.
    gain.se = std::numeric_limits<double>::infinity();
    return gain;
  }
  double squares = 0.0;
  for (int i = 0; i < gain.pairs; ++i) {
    const double d = a[static_cast<std::size_t>(i)] - b[static_cast<std::size_t>(i)] - gain.mean;
    squares += d * d;
  }
  gain.se = std::sqrt(squares / (gain.pairs - 1) / gain.pairs);
  return gain;
}

}  // namespace ksim
