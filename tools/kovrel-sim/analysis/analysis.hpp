// Analysing the broadcast: what happened in a session (passes, lead changes,
// contacts, pit stops, the finish), whether the picture showed each of them
// live, in a replay or not at all, what a director with hindsight could have
// shown, and one score for the whole. Reads only what a run recorded.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "record/run_record.hpp"

namespace ksim {

enum class EventKind { Overtake, LeadChange, Contact, PitStop, Finish, PoleLap, ImprovingLap };
constexpr int kEventKinds = 7;
// "overtake", "lead_change", "contact", "pit_stop", "finish", "pole_lap", "improving_lap".
const char* EventKindName(EventKind kind);

enum class Verdict { Live, Replay, Missed };
// "live", "replay", "missed".
const char* VerdictName(Verdict verdict);

// What the picture showed at an event's moment.
struct OnAir {
  int car = -1;  // -1: the simulator's own picture, before the director's first cut
  bool replay = false;
  bool autoOff = false;  // the automatic camera was switched off
  Reason reason = Reason::Unknown;
};

struct Event {
  EventKind kind = EventKind::Overtake;
  double time = 0.0;                          // the moment (the pass, the touch, pit entry, the line)
  double windowStart = 0.0, windowEnd = 0.0;  // when a camera on one of its cars would have shown it
  std::vector<int> cars;                      // car indices; an overtake's passing car first
  int place = 0;                              // overtake, lap: the place gained; finish: the place taken
  double lapTime = -1.0;                      // pole or improving lap: its time
  double strength = -1.0;                     // contact: as the stream wrote it
  std::string target;                         // contact: "another vehicle", "Immovable", "Wing" ...
  bool heavy = false;                         // contact: see HeavyReason
  std::string heavyReason;                    // "lost 2 places", "lost 4.2 s", "retired", "strength in the top 10%"
  double weight = 0.0;
  Verdict shown = Verdict::Missed;
  double liveSeconds = 0.0;  // longest unbroken stretch on one of its cars within the window
  OnAir instead;             // at the moment, for an event not shown live
};

struct KindCoverage {
  int count = 0, live = 0, replay = 0, missed = 0;
  int bound = 0;      // no director holding shots of `waitsec` could have shown more of them live
  int hindsight = 0;  // how many a director who knew the session showed live, holding its shots as long
  int heavy = 0;   // contacts: how many were heavy
};

struct Penalties {
  int liveShots = 0, shortShots = 0;  // live shots, and of them shorter than 3 s
  int replays = 0, lightReplays = 0, repeatedReplays = 0;
  double hours = 0.0;                 // the session's length, for the replay rate
  double shortShotsPenalty = 0.0, lightReplayPenalty = 0.0, repeatPenalty = 0.0, replayRatePenalty = 0.0;
  double Total() const { return shortShotsPenalty + lightReplayPenalty + repeatPenalty + replayRatePenalty; }
};

struct Coverage {
  std::vector<Event> events;  // in time order
  std::array<KindCoverage, kEventKinds> kinds{};
  double totalWeight = 0.0;
  double shownWeight = 0.0;  // live in full, replays at kReplayCredit
  double boundWeight = 0.0;      // no director holding its shots could show more, live
  double hindsightWeight = 0.0;  // what the hindsight director showed live
  Penalties penalties;
  double score = 0.0;      // in [0, 1]
  double reference = 0.0;  // the hindsight director's score on the same formula
  double referenceBound = 0.0;  // the bound's share of the weight: no director scores above it
  const KindCoverage& Of(EventKind kind) const { return kinds[static_cast<std::size_t>(kind)]; }
};

// The rules' constants, documented in the README.
constexpr double kShownSeconds = 2.0;     // on one of an event's cars, unbroken, within its window
constexpr double kShortShotSeconds = 3.0;
constexpr double kReplayCredit = 0.75;    // an event shown only in a replay
constexpr double kReplaysPerHour = 8.0;   // more than this is noticed

// The events of a session, with their windows, weights and heavy marks; the
// verdicts are not yet set.
std::vector<Event> FindEvents(const SessionRun& run);
// Sets each event's verdict and, when missed, what was on air instead.
void JudgeEvents(const SessionRun& run, std::vector<Event>& events);

// A director who knew the whole session in advance and held every shot at
// least `waitsec` seconds, over the snapshots of the run's field: the path it
// takes, the weight that path shows live, and an upper bound that no such
// director can pass (equal to it where the search closed the gap). `weights`
// replaces the events' own weights when given (one per event), so that each
// kind can be planned for alone.
struct Hindsight {
  double upper = 0.0;
  double achieved = 0.0;   // by the path, each event shown by two seconds of one of its cars on the snapshot grid
  std::vector<int> path;   // car per snapshot
  double firstCell = 0.0, cellSeconds = 0.0;
};
// The search stops once the bound is within `closeEnough` of the path.
Hindsight PlanHindsight(const SessionRun& run, const std::vector<Event>& events, double waitsec,
                        const std::vector<double>* weights = nullptr, double closeEnough = 1e-9);
double HindsightBound(const SessionRun& run, const std::vector<Event>& events, double waitsec,
                      const std::vector<double>* weights = nullptr);
// The hindsight path as live shots, one per run of a car.
std::vector<Shot> HindsightShots(const Hindsight& plan);

// Everything above for one session.
Coverage AnalyseSession(const SessionRun& run, const DirectorSettings& settings);

}  // namespace ksim
