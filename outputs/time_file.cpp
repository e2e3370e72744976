#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "outputs/clock_text.hpp"
#include "outputs/text_mode.hpp"
#include "plugin/rF2kovrel.hpp"

namespace {

// A lap limit this high means only the clock can end the race.
constexpr double kUnlimitedLaps = 2147483640.0;

// "hh:mm:ss" of the time left (greater than 0). The whole time is rounded to
// seconds before it is split, so the last half second of a minute carries into
// the minutes instead of reading :60. Hours keep counting past 99.
std::string ClockOf(double left) {
  const double total = std::round(left);
  const double hours = std::floor(total / 3600.0);
  const double minutes = std::floor(std::fmod(total, 3600.0) / 60.0);
  const double seconds = std::fmod(total, 60.0);
  char text[32];
  std::snprintf(text, sizeof text, "%02.0f:%02.0f:%02.0f", hours, minutes, seconds);
  return text;
}

bool IsRunningRacePhase(int phase) { return phase == 5 || phase == 6 || phase == 7; }

}  // namespace

std::string ClockText(const ScoringInfoV01& info, bool replayRunning, std::int32_t& leaderLaps) {
  const double left = info.mEndET - info.mCurrentET;
  if (replayRunning) return "REPLAY";
  if (info.mSession <= 9) return left > 0.0 ? ClockOf(left) : "Session end";
  if (!IsRunningRacePhase(info.mGamePhase)) return info.mGamePhase == 8 ? "Race finished" : "";

  // The lap the leader is on; before it completes one, its pace is taken over one lap.
  const std::int64_t lap = static_cast<std::int64_t>(leaderLaps) + 1;
  if (leaderLaps == 0) leaderLaps = 1;
  const double completed = leaderLaps;
  const double projectedEnd = info.mCurrentET / completed * (static_cast<double>(info.mMaxLaps) - 1.0);
  if (left > 0.0 && (info.mMaxLaps == 0 || projectedEnd > info.mEndET)) return ClockOf(left);
  if (lap == info.mMaxLaps) return "Last lap";
  if (info.mMaxLaps > kUnlimitedLaps && left < 0.0) return "Last lap";
  char text[32];
  std::snprintf(text, sizeof text, "%lld / %d", static_cast<long long>(lap), info.mMaxLaps);
  return text;
}

std::string rF2kovrel::WriteTimeFile(const ScoringInfoV01& info) {
  const std::string text = ClockText(info, mReplayRunning, mLeaderLaps);
  RewriteTextFile(mTimeFilePath, text);
  return text;
}
