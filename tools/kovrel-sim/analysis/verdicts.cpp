// What a viewer saw of each event: the share of its moment with one of its
// cars on air live, a look at its cars just after it (late), a replay that
// went through it; its credit is the best of these.
#include <algorithm>

#include "analysis/analysis.hpp"

namespace ksim {

namespace {

bool Involves(const Event& e, int car) { return std::find(e.cars.begin(), e.cars.end(), car) != e.cars.end(); }

double Overlap(double a0, double a1, double b0, double b1) { return std::max(0.0, std::min(a1, b1) - std::max(a0, b0)); }

// Live seconds on one of the event's cars within [from, to); the shots are
// in time order, so the search starts at the first that can reach it.
double SecondsOnAir(const std::vector<Shot>& shots, const Event& e, double from, double to) {
  const auto first = std::lower_bound(shots.begin(), shots.end(), from, [](const Shot& s, double t) { return s.end <= t; });
  double seconds = 0.0;
  for (auto s = first; s != shots.end() && s->start < to; ++s) {
    if (!s->replay && s->car >= 0 && Involves(e, s->car)) seconds += Overlap(s->start, s->end, from, to);
  }
  return seconds;
}

double LiveShareOf(const std::vector<Shot>& shots, const Event& e) {
  const double length = e.momentEnd - e.momentStart;
  const double seconds = SecondsOnAir(shots, e, e.momentStart, e.momentEnd);
  if (e.kind == EventKind::PitStop) return std::min(1.0, seconds / kPitStopSeconds);
  return length > 0.0 ? std::min(1.0, seconds / length) : 0.0;
}

double LateCreditOf(const std::vector<Shot>& shots, const Event& e) {
  double credit = 0.0;
  switch (e.kind) {
    case EventKind::Overtake:
    case EventKind::LeadChange:
    case EventKind::ClassLeadChange:
    case EventKind::Traffic: credit = kLatePassCredit; break;
    case EventKind::Contact: credit = kLateContactCredit; break;
    default: return 0.0;  // a stop or a finish seen afterwards is not seen
  }
  return SecondsOnAir(shots, e, e.windowStart, e.windowEnd) >= kLateSeconds - 1e-6 ? credit : 0.0;
}

// A replay of one of its cars whose picture went through a second of the
// moment (all of it, when shorter): in full when the slowed part did.
double ReplayCreditOf(const std::vector<ReplayRun>& replays, const Event& e) {
  const double need = std::min(1.0, e.momentEnd - e.momentStart) - 1e-6;
  double credit = 0.0;
  for (const ReplayRun& replay : replays) {
    if (replay.shownFrom < 0.0 || !Involves(e, replay.car)) continue;
    if (Overlap(replay.shownFrom, replay.shownTo, e.momentStart, e.momentEnd) < need) continue;
    const bool slowed = replay.slowShownFrom >= 0.0 &&
                        Overlap(replay.slowShownFrom, replay.slowShownTo, e.momentStart, e.momentEnd) >= need;
    credit = std::max(credit, slowed ? kReplayCredit : kFastReplayCredit);
  }
  return credit;
}

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
    case Verdict::Late: return "late";
    case Verdict::Replay: return "replay";
    case Verdict::Missed: return "missed";
  }
  return "missed";
}

void JudgeEvents(const SessionRun& run, std::vector<Event>& events) {
  for (Event& e : events) {
    e.liveShare = LiveShareOf(run.shots, e);
    const double late = LateCreditOf(run.shots, e);
    const double replay = ReplayCreditOf(run.replays, e);
    e.credit = std::max({e.liveShare, late, replay});
    if (e.liveShare >= kLiveShare) {
      e.verdict = Verdict::Live;
    } else if (replay > 0.0 && replay >= late && replay > e.liveShare) {
      e.verdict = Verdict::Replay;
    } else if (late > 0.0 && late > e.liveShare) {
      e.verdict = Verdict::Late;
    } else {
      e.verdict = Verdict::Missed;  // it keeps its partial live credit
    }
    e.instead = e.verdict == Verdict::Live ? OnAir{} : OnAirAt(run, e.time);
  }
}

}  // namespace ksim
