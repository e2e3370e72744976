// Whether the picture showed each event: live when the camera stayed on one
// of its cars for two unbroken seconds within its window, in a replay when an
// instant replay of one of its cars went through its window.
#include <algorithm>

#include "analysis/analysis.hpp"

namespace ksim {

namespace {

struct Stretch {
  double start = 0.0, end = 0.0;
  int car = -1;
};

// Live shots, with consecutive shots of one car (a change of camera) joined.
std::vector<Stretch> LiveStretches(const SessionRun& run) {
  std::vector<Stretch> stretches;
  for (const Shot& shot : run.shots) {
    if (shot.replay || shot.car < 0) continue;
    if (!stretches.empty() && stretches.back().car == shot.car && shot.start - stretches.back().end < 1e-6) {
      stretches.back().end = shot.end;
    } else {
      stretches.push_back(Stretch{shot.start, shot.end, shot.car});
    }
  }
  return stretches;
}

bool Involves(const Event& e, int car) { return std::find(e.cars.begin(), e.cars.end(), car) != e.cars.end(); }

double Overlap(double a0, double a1, double b0, double b1) { return std::max(0.0, std::min(a1, b1) - std::max(a0, b0)); }

OnAir OnAirAt(const SessionRun& run, double t) {
  OnAir air;
  const auto shot = std::upper_bound(run.shots.begin(), run.shots.end(), t,
                                     [](double time, const Shot& s) { return time < s.start; });
  if (shot != run.shots.begin() && t < (shot - 1)->end) {
    air.car = (shot - 1)->car;
    air.replay = (shot - 1)->replay;
    air.reason = (shot - 1)->reason;
  }
  for (const auto& [from, to] : run.autoOff) air.autoOff = air.autoOff || (t >= from && t < to);
  return air;
}

}  // namespace

const char* VerdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::Live: return "live";
    case Verdict::Replay: return "replay";
    case Verdict::Missed: return "missed";
  }
  return "missed";
}

void JudgeEvents(const SessionRun& run, std::vector<Event>& events) {
  const std::vector<Stretch> stretches = LiveStretches(run);
  for (Event& e : events) {
    const double need = std::min(kShownSeconds, e.windowEnd - e.windowStart) - 1e-6;
    e.liveSeconds = 0.0;
    const auto first = std::lower_bound(stretches.begin(), stretches.end(), e.windowStart,
                                        [](const Stretch& s, double t) { return s.end <= t; });
    for (auto s = first; s != stretches.end() && s->start < e.windowEnd; ++s) {
      if (Involves(e, s->car)) e.liveSeconds = std::max(e.liveSeconds, Overlap(s->start, s->end, e.windowStart, e.windowEnd));
    }
    bool replayed = false;
    for (const ReplayRun& replay : run.replays) {
      if (replay.shownFrom < 0.0 || !Involves(e, replay.car)) continue;
      const double needReplay = std::min(1.0, e.windowEnd - e.windowStart) - 1e-6;
      replayed = replayed || Overlap(replay.shownFrom, replay.shownTo, e.windowStart, e.windowEnd) >= needReplay;
    }
    e.shown = e.liveSeconds >= need ? Verdict::Live : replayed ? Verdict::Replay : Verdict::Missed;
    e.instead = e.shown == Verdict::Live ? OnAir{} : OnAirAt(run, e.time);
  }
}

}  // namespace ksim
