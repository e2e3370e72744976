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

enum class EventKind { Overtake, LeadChange, Contact, PitStop, Finish };
constexpr int kEventKinds = 5;
// "overtake", "lead_change", "contact", "pit_stop", "finish".
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
  int place = 0;                              // overtake: the place gained; finish: the place taken
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
  int bound = 0;   // the most of them any director holding shots of `waitsec` could have shown live
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
  double boundWeight = 0.0;  // the hindsight bound, live only
  Penalties penalties;
  double score = 0.0;      // in [0, 1]
  double reference = 0.0;  // the hindsight bound on the same formula
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
void JudgeEvents(const SessionRun& run, const DirectorSettings& settings, std::vector<Event>& events);

// The hindsight bound: the most weight of `events` that a director who knew
// the session in advance could show live, holding every shot at least
// `waitsec` seconds, under the rule for "shown" above. Computed over the
// snapshots of the run's field; `weights` replaces the events' own weights
// when given (one per event), so that each kind can be bounded alone.
double HindsightBound(const SessionRun& run, const std::vector<Event>& events, double waitsec,
                      const std::vector<double>* weights = nullptr);

// Everything above for one session.
Coverage AnalyseSession(const SessionRun& run, const DirectorSettings& settings);

}  // namespace ksim
