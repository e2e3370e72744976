// One score for a session's direction: the weighted share of its events the
// picture showed, less what a viewer notices as bad direction.
#include <algorithm>
#include <cmath>

#include "analysis/analysis.hpp"

namespace ksim {

namespace {

// Each penalty is a share of the score, so that one session length or field
// size is judged as another.
constexpr double kShortShotsWeight = 0.6;   // times the share of live shots under 3 s
constexpr double kLightReplayWeight = 0.2;  // times the share of replays of a contact that was not heavy
constexpr double kRepeatWeight = 0.2;       // times the share of replays of a contact already replayed
constexpr double kExcessRateWeight = 0.03;  // per replay an hour above kReplaysPerHour
constexpr double kExcessRateCap = 0.3;

double Credit(const Event& e) {
  switch (e.shown) {
    case Verdict::Live: return e.weight;
    case Verdict::Replay: return e.weight * kReplayCredit;
    case Verdict::Missed: return 0.0;
  }
  return 0.0;
}

// The contact event a replay showed: one of the replayed car's contacts
// inside the stretch the replay went through; null when none.
const Event* ReplayedContact(const ReplayRun& replay, const std::vector<Event>& events) {
  if (replay.shownFrom < 0.0) return nullptr;
  const Event* found = nullptr;
  for (const Event& e : events) {
    if (e.kind != EventKind::Contact || e.time < replay.shownFrom - 0.5 || e.time > replay.shownTo + 0.5) continue;
    if (std::find(e.cars.begin(), e.cars.end(), replay.car) == e.cars.end()) continue;
    if (found == nullptr || e.strength > found->strength) found = &e;
  }
  return found;
}

Penalties Penalise(const SessionRun& run, const std::vector<Event>& events) {
  Penalties p;
  for (std::size_t i = 0; i < run.shots.size(); ++i) {
    const Shot& shot = run.shots[i];
    if (shot.replay || shot.car < 0) continue;
    ++p.liveShots;
    // The session's last shot is cut by its end, not by the director.
    if (i + 1 < run.shots.size() && shot.end - shot.start < kShortShotSeconds) ++p.shortShots;
  }
  std::vector<const Event*> replayed;
  for (const ReplayRun& replay : run.replays) {
    ++p.replays;
    const Event* contact = ReplayedContact(replay, events);
    if (contact == nullptr || !contact->heavy) ++p.lightReplays;
    if (contact != nullptr && std::find(replayed.begin(), replayed.end(), contact) != replayed.end()) ++p.repeatedReplays;
    if (contact != nullptr) replayed.push_back(contact);
  }
  p.hours = std::max(run.endTime, 1.0) / 3600.0;
  if (p.liveShots > 0) p.shortShotsPenalty = kShortShotsWeight * p.shortShots / p.liveShots;
  if (p.replays > 0) {
    p.lightReplayPenalty = kLightReplayWeight * p.lightReplays / p.replays;
    p.repeatPenalty = kRepeatWeight * p.repeatedReplays / p.replays;
  }
  // A session shorter than a quarter of an hour is judged as a quarter.
  const double rate = p.replays / std::max(p.hours, 0.25);
  p.replayRatePenalty = std::min(kExcessRateCap, kExcessRateWeight * std::max(0.0, rate - kReplaysPerHour));
  return p;
}

}  // namespace

Coverage AnalyseSession(const SessionRun& run, const DirectorSettings& settings) {
  Coverage c;
  c.events = FindEvents(run);
  JudgeEvents(run, c.events);
  for (const Event& e : c.events) {
    KindCoverage& kind = c.kinds[static_cast<std::size_t>(e.kind)];
    ++kind.count;
    kind.heavy += e.heavy ? 1 : 0;
    (e.shown == Verdict::Live ? kind.live : e.shown == Verdict::Replay ? kind.replay : kind.missed) += 1;
    c.totalWeight += e.weight;
    c.shownWeight += Credit(e);
  }
  const double waitsec = settings.known ? settings.waitsec : DirectorSettings{}.waitsec;
  // The hindsight director holds its shots long enough not to flicker; the
  // bound is for any director holding `waitsec`.
  const double hold = std::max<double>(waitsec, kShortShotSeconds);
  const bool sameHold = hold == static_cast<double>(waitsec);
  // Weights are quarters: a bound within a quarter of the path is as good as exact.
  const Hindsight plan = PlanHindsight(run, c.events, hold, nullptr, 0.25 - 1e-9);
  c.boundWeight = sameHold ? plan.upper : HindsightBound(run, c.events, waitsec);
  c.hindsightWeight = plan.achieved;
  c.penalties = Penalise(run, c.events);
  const double share = c.totalWeight > 0.0 ? c.shownWeight / c.totalWeight : 1.0;
  c.score = std::clamp(share - c.penalties.Total(), 0.0, 1.0);

  // The hindsight director's own shots, judged as the director's are.
  SessionRun hindsight;
  hindsight.plan = run.plan;
  hindsight.endTime = run.endTime;
  hindsight.shots = HindsightShots(plan);
  const Penalties hindsightPenalties = Penalise(hindsight, c.events);

  // Each kind alone: the most of it a director could show, and the bound.
  std::vector<double> weights(c.events.size());
  for (int k = 0; k < kEventKinds; ++k) {
    KindCoverage& kind = c.kinds[static_cast<std::size_t>(k)];
    if (kind.count == 0) continue;
    for (std::size_t i = 0; i < c.events.size(); ++i) weights[i] = static_cast<int>(c.events[i].kind) == k ? 1.0 : 0.0;
    // Counts are whole: a bound less than one above the path is exact.
    const Hindsight alone = PlanHindsight(run, c.events, hold, &weights, 1.0 - 1e-6);
    const double upper = sameHold ? alone.upper : HindsightBound(run, c.events, waitsec, &weights);
    kind.hindsight = static_cast<int>(std::lround(alone.achieved));
    kind.bound = std::max(kind.hindsight, std::min(kind.count, static_cast<int>(std::floor(upper + 1e-6))));
  }
  c.boundWeight = std::max(c.boundWeight, c.hindsightWeight);
  if (c.totalWeight > 0.0) {
    c.reference = std::clamp(c.hindsightWeight / c.totalWeight - hindsightPenalties.Total(), 0.0, 1.0);
    c.referenceBound = std::min(1.0, c.boundWeight / c.totalWeight);
  } else {
    c.reference = c.referenceBound = 1.0;
  }
  return c;
}

}  // namespace ksim
