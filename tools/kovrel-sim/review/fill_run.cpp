// What went on air, rebuilt from the State lines of one stretch of the log:
// the car on air at each snapshot, the replays the director ran, and where
// the director was off or the log is silent.
#include <algorithm>
#include <map>

#include "review/review.hpp"

namespace ksim {

namespace {

// The plug-in's replay: normal speed for 4 s, a quarter speed until 13 s,
// then normal speed until it ends; this is how much of the session it went
// through after `seconds` on air.
double ReplayPlayed(double seconds) {
  return std::min(seconds, 4.0) + 0.25 * std::clamp(seconds - 4.0, 0.0, 9.0) + std::max(0.0, seconds - 13.0);
}

void AddSpan(std::vector<TimeSpan>& spans, double from, double to, double end) {
  from = std::max(0.0, from);
  to = std::min(end, to);
  if (to > from) spans.emplace_back(from, to);
}

}  // namespace

std::vector<TimeSpan> FillRunFromLog(const LogSegment& seg, const DirectorSettings& settings, SessionRun& run) {
  std::map<std::int32_t, int> index;
  for (std::size_t i = 0; i < run.plan.cars.size(); ++i) index[run.plan.cars[i].id] = static_cast<int>(i);
  const auto car = [&](std::int32_t slot) {
    const auto found = index.find(slot);
    return found == index.end() ? -1 : found->second;
  };
  const double end = run.endTime;
  run.shots.clear();
  run.replays.clear();
  run.autoOff.clear();
  for (const LoggedShot& logged : seg.shots) {
    if (logged.start >= end) break;
    Shot shot;
    shot.start = logged.start;
    shot.end = std::min(end, logged.end);
    shot.car = car(logged.slotId);
    shot.replay = logged.replay;
    shot.manual = logged.manual;
    if (shot.end <= shot.start) continue;
    // A change of car on the live picture is a cut; the log does not give the
    // camera, so a change of camera on the same car is not seen.
    if (!shot.replay && shot.car >= 0 && (run.shots.empty() || run.shots.back().car != shot.car)) {
      Cut cut;
      cut.time = shot.start;
      cut.car = shot.car;
      cut.slotId = logged.slotId;
      run.cuts.push_back(cut);
    }
    run.shots.push_back(shot);
  }
  for (const LoggedReplay& logged : seg.replays) {
    ReplayRun replay;
    replay.car = car(logged.slotId);
    replay.slotId = logged.slotId;
    replay.pressed = replay.cameraSet = logged.started;
    const double stop = logged.ended >= 0.0 ? logged.ended : seg.last + seg.interval;
    // The replay starts at the first poll more than 10 s after the incident.
    const double incident = logged.incident >= 0.0 ? logged.incident : logged.started - 10.0 - seg.interval;
    replay.seekTo = incident - settings.replayoffset;
    replay.shownFrom = std::max(0.0, replay.seekTo);
    replay.shownTo = replay.shownFrom + ReplayPlayed(stop - logged.started);
    if (stop - logged.started > 4.0) {
      replay.slowFrom = logged.started + 4.0;
      replay.slowShownFrom = replay.shownFrom + ReplayPlayed(4.0);
      replay.slowShownTo = replay.shownFrom + ReplayPlayed(std::min(stop - logged.started, 13.0));
    }
    if (stop - logged.started > 13.0) replay.normalFrom = logged.started + 13.0;
    replay.ended = logged.ended;
    replay.manual = logged.manual;
    run.replays.push_back(replay);
  }
  std::vector<TimeSpan> silent;
  std::vector<TimeSpan>& before = seg.offAtStart ? run.autoOff : silent;
  if (seg.first > 1.5 * seg.interval) AddSpan(before, 0.0, seg.first, end);
  for (const TimeSpan& span : seg.autoOff) AddSpan(run.autoOff, span.first, span.second, end);
  for (const TimeSpan& span : seg.silent) AddSpan(silent, span.first, span.second, end);
  const double logged = run.shots.empty() ? seg.last + seg.interval : std::max(seg.last, run.shots.back().end);
  std::vector<TimeSpan>& after = seg.offAtEnd ? run.autoOff : silent;
  if (end - logged > 1.5 * seg.interval) AddSpan(after, logged, end, end);
  std::sort(run.autoOff.begin(), run.autoOff.end());
  std::sort(silent.begin(), silent.end());
  return silent;
}

}  // namespace ksim
