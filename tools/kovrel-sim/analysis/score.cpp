// One score for a session's direction: the weighted share of its events the
// picture showed (each by its credit), less a share of it for what a viewer
// notices as bad direction, and the same for a director who knew the session
// in advance; in a race of several classes, each class's share too.
#include <algorithm>
#include <cmath>

#include "analysis/analysis.hpp"

namespace ksim {

namespace {

// Each penalty is a share of the score, so that one session length or field
// size is judged as another.
constexpr double kShortShotsWeight = 0.6;   // times the share of live shots under kShortShotSeconds
constexpr double kLightReplayWeight = 0.2;  // times the share of replays that showed no event of weight 1
constexpr double kRepeatWeight = 0.2;       // times the share of replays of a contact already replayed
constexpr double kExcessRateWeight = 0.03;  // per replay an hour above kReplaysPerHour
constexpr double kExcessRateCap = 0.3;
// Pacing: a live shot of kHurriedSeconds or less is hurried in full, one of
// kSettledSeconds or more not at all, in between in proportion; the share of
// the live seconds spent hurried costs up to kPacingForfeit of the credit.
constexpr double kHurriedSeconds = 5.0, kSettledSeconds = 10.0;
constexpr double kPacingForfeit = 0.1;
// A replay that shows no event this heavy is a replay of little.
constexpr double kLightReplayWeightBelow = 1.0;

bool Involves(const Event& e, int car) { return std::find(e.cars.begin(), e.cars.end(), car) != e.cars.end(); }

double Overlap(double a0, double a1, double b0, double b1) { return std::max(0.0, std::min(a1, b1) - std::max(a0, b0)); }

double Hurry(double seconds) {
  return std::clamp((kSettledSeconds - seconds) / (kSettledSeconds - kHurriedSeconds), 0.0, 1.0);
}

// Whether the replay's picture went through the event's moment on one of its cars.
bool ReplayShows(const ReplayRun& replay, const Event& e) {
  if (replay.shownFrom < 0.0 || !Involves(e, replay.car)) return false;
  const double need = std::min(1.0, e.momentEnd - e.momentStart) - 1e-6;
  return Overlap(replay.shownFrom, replay.shownTo, e.momentStart, e.momentEnd) >= need;
}

// The contact event a replay showed: one of the replayed car's contacts
// inside the stretch the replay went through; null when none.
const Event* ReplayedContact(const ReplayRun& replay, const std::vector<Event>& events) {
  if (replay.shownFrom < 0.0) return nullptr;
  const Event* found = nullptr;
  for (const Event& e : events) {
    if (e.kind != EventKind::Contact || e.time < replay.shownFrom - 0.5 || e.time > replay.shownTo + 0.5) continue;
    if (!Involves(e, replay.car)) continue;
    if (found == nullptr || e.strength > found->strength) found = &e;
  }
  return found;
}

bool ShowsAWeightyEvent(const ReplayRun& replay, const std::vector<Event>& events) {
  return std::any_of(events.begin(), events.end(),
                     [&](const Event& e) { return e.weight >= kLightReplayWeightBelow && ReplayShows(replay, e); });
}

// The shots whose length the director chose: live ones, not the session's
// last (its end cuts it) nor the cut back after a replay (the replay's end
// sets its start).
void PenaliseShots(const SessionRun& run, Penalties& p) {
  double seconds = 0.0, hurried = 0.0;
  for (std::size_t i = 0; i < run.shots.size(); ++i) {
    const Shot& shot = run.shots[i];
    if (shot.replay || shot.car < 0 || i + 1 == run.shots.size()) continue;
    if (i > 0 && run.shots[i - 1].replay) continue;
    const double length = shot.end - shot.start;
    ++p.liveShots;
    if (length < kShortShotSeconds - 1e-6) ++p.shortShots;
    seconds += length;
    hurried += length * Hurry(length);
  }
  if (p.liveShots > 0) p.shortShotsPenalty = kShortShotsWeight * p.shortShots / p.liveShots;
  p.hurriedShare = seconds > 0.0 ? hurried / seconds : 0.0;
  p.pacingForfeit = kPacingForfeit * p.hurriedShare;
}

void PenaliseReplays(const SessionRun& run, const std::vector<Event>& events, Penalties& p) {
  std::vector<const Event*> replayed;
  for (const ReplayRun& replay : run.replays) {
    ++p.replays;
    if (!ShowsAWeightyEvent(replay, events)) ++p.lightReplays;
    const Event* contact = ReplayedContact(replay, events);
    if (contact != nullptr && std::find(replayed.begin(), replayed.end(), contact) != replayed.end()) ++p.repeatedReplays;
    if (contact != nullptr) replayed.push_back(contact);
  }
  p.hours = std::max(run.endTime, 1.0) / 3600.0;
  if (p.replays > 0) {
    p.lightReplayPenalty = kLightReplayWeight * p.lightReplays / p.replays;
    p.repeatPenalty = kRepeatWeight * p.repeatedReplays / p.replays;
  }
  // A session shorter than a quarter of an hour is judged as a quarter.
  const double rate = p.replays / std::max(p.hours, 0.25);
  p.replayRatePenalty = std::min(kExcessRateCap, kExcessRateWeight * std::max(0.0, rate - kReplaysPerHour));
}

void Count(KindCoverage& kind, const Event& e) {
  ++kind.count;
  kind.heavy += e.heavy ? 1 : 0;
  switch (e.verdict) {
    case Verdict::Live: ++kind.live; break;
    case Verdict::Late: ++kind.late; break;
    case Verdict::Replay: ++kind.replay; break;
    case Verdict::Missed: ++kind.missed; break;
  }
}

void CountVerdicts(Coverage& c) {
  for (const Event& e : c.events) {
    Count(c.kinds[static_cast<std::size_t>(e.kind)], e);
    c.totalWeight += e.weight;
  }
}

// Per class: its cars, its share of the live picture under green, and its
// events' verdicts and credit. Traffic belongs to no class.
void CoverEachClass(const SessionRun& run, Coverage& c) {
  if (!c.classes.Several()) return;
  c.byClass.resize(static_cast<std::size_t>(c.classes.Count()));
  for (std::size_t i = 0; i < c.byClass.size(); ++i) c.byClass[i].name = c.classes.names[i];
  for (const int cls : c.classes.classOf) ++c.byClass[static_cast<std::size_t>(cls)].cars;
  for (const Event& e : c.events) {
    if (e.classIndex < 0 || e.classIndex >= c.classes.Count()) continue;
    ClassCoverage& mine = c.byClass[static_cast<std::size_t>(e.classIndex)];
    Count(mine.kinds[static_cast<std::size_t>(e.kind)], e);
    mine.totalWeight += e.weight;
    mine.shownWeight += e.weight * e.credit;
  }
  const double from = run.greenStart >= 0.0 ? run.greenStart : 0.0;
  const double to = run.greenStart >= 0.0 ? run.greenEnd : run.endTime;
  double live = 0.0;
  std::vector<double> seconds(c.byClass.size(), 0.0);
  for (const Shot& shot : run.shots) {
    if (shot.replay || shot.car < 0) continue;
    const double s = Overlap(shot.start, shot.end, from, to);
    live += s;
    seconds[static_cast<std::size_t>(c.classes.Of(shot.car))] += s;
  }
  for (std::size_t i = 0; i < c.byClass.size(); ++i) c.byClass[i].screenShare = live > 0.0 ? seconds[i] / live : 0.0;
}

// The hindsight director's path as a run of its own, judged as any director's.
SessionRun HindsightRun(const SessionRun& run, const Hindsight& plan) {
  SessionRun hindsight;
  hindsight.plan = run.plan;
  hindsight.endTime = run.endTime;
  hindsight.shots = HindsightShots(plan);
  return hindsight;
}

// Each kind alone: how many of it the hindsight director planning for that
// kind shows live.
void PlanEachKind(const SessionRun& run, Coverage& c) {
  std::vector<double> weights(c.events.size());
  for (int k = 0; k < kEventKinds; ++k) {
    KindCoverage& kind = c.kinds[static_cast<std::size_t>(k)];
    if (kind.count == 0) continue;
    for (std::size_t i = 0; i < c.events.size(); ++i) weights[i] = static_cast<int>(c.events[i].kind) == k ? 1.0 : 0.0;
    const Hindsight alone = PlanHindsight(run, c.events, kReferenceHoldSeconds, &weights);
    std::vector<Event> judged = c.events;
    JudgeEvents(HindsightRun(run, alone), judged);
    kind.hindsight = static_cast<int>(std::count_if(judged.begin(), judged.end(), [&](const Event& e) {
      return static_cast<int>(e.kind) == k && e.verdict == Verdict::Live;
    }));
  }
}

}  // namespace

double CreditedWeight(const std::vector<Event>& events) {
  double sum = 0.0;
  for (const Event& e : events) sum += e.weight * e.credit;
  return sum;
}

Penalties Penalise(const SessionRun& run, const std::vector<Event>& events) {
  Penalties p;
  PenaliseShots(run, p);
  PenaliseReplays(run, events, p);
  return p;
}

// The penalties take a share of the credit, as pacing does, so that a replay
// too many costs a big field's director what it costs a small field's.
double ScoreOf(double creditedWeight, double totalWeight, const Penalties& penalties) {
  if (totalWeight <= 0.0) return 1.0;
  const double share = creditedWeight / totalWeight;
  return std::clamp(share * (1.0 - penalties.pacingForfeit) * (1.0 - penalties.Total()), 0.0, 1.0);
}

Coverage AnalyseSession(const SessionRun& run, const DirectorSettings& /*settings*/, ClassRule rule) {
  Coverage c;
  c.classes = ClassesOf(run, rule);
  c.events = FindEvents(run, c.classes);
  JudgeEvents(run, c.events);
  CountVerdicts(c);
  CoverEachClass(run, c);
  c.shownWeight = CreditedWeight(c.events);
  c.penalties = Penalise(run, c.events);
  c.score = ScoreOf(c.shownWeight, c.totalWeight, c.penalties);

  // The reference holds its shots as long whatever the run's settings, so
  // that references of one file agree across runs.
  const Hindsight plan = PlanHindsight(run, c.events, kReferenceHoldSeconds);
  const SessionRun hindsight = HindsightRun(run, plan);
  std::vector<Event> judged = c.events;
  JudgeEvents(hindsight, judged);
  c.hindsightWeight = CreditedWeight(judged);
  c.boundWeight = plan.upper;
  c.reference = ScoreOf(c.hindsightWeight, c.totalWeight, Penalise(hindsight, judged));
  c.referenceBound = c.totalWeight > 0.0 ? std::min(1.0, c.boundWeight / c.totalWeight) : 1.0;
  PlanEachKind(run, c);
  return c;
}

}  // namespace ksim
