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

enum class EventKind { Overtake, LeadChange, Contact, PitStop, Finish, PoleLap, ImprovingLap, Traffic, ClassLeadChange };
constexpr int kEventKinds = 9;
// "overtake", "lead_change", "contact", "pit_stop", "finish", "pole_lap",
// "improving_lap", "traffic", "class_lead_change".
const char* EventKindName(EventKind kind);
// A swap of places: an overtake, a lead change, a class's lead change or traffic.
bool IsPass(EventKind kind);

// Which cars race each other. By pace: the class names as the session gives
// them, with the safeguards of GroupClasses (director/class_groups.hpp); by
// name: every distinct name a class; one class: the whole field.
enum class ClassRule { ByPace, ByName, OneClass };

struct SessionClasses {
  std::vector<int> classOf;        // per car, an index into names
  std::vector<std::string> names;  // fastest first; a merged class by its most common name
  int Count() const { return static_cast<int>(names.size()); }
  bool Several() const { return names.size() > 1; }
  int Of(int car) const {
    return car >= 0 && car < static_cast<int>(classOf.size()) ? classOf[static_cast<std::size_t>(car)] : 0;
  }
};

// A car counts as running when it was on track under green at least once;
// its pace is its best counted lap in the session.
SessionClasses ClassesOf(const SessionRun& run, ClassRule rule);

enum class Verdict { Live, Late, Replay, Missed };
// "live", "late", "replay", "missed".
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
  double time = 0.0;  // when it happened (the pass, the touch, pit entry, the line)
  // The stretch in which it happened: what a viewer had to see live.
  double momentStart = 0.0, momentEnd = 0.0;
  // The 5 s after the moment, in which seeing one of its cars counts as late.
  // A finder that gives only a window and no moment gets the window as its
  // moment.
  double windowStart = 0.0, windowEnd = 0.0;
  std::vector<int> cars;                      // car indices; an overtake's passing car first
  int place = 0;                              // overtake, lap: the place gained; finish: the place taken
  int classIndex = -1;                        // into SessionClasses::names; -1 for traffic
  int classPlace = 0;                         // as place, within the class; 0 for traffic
  double lapTime = -1.0;                      // pole or improving lap: its time
  double strength = -1.0;                     // contact: as the stream wrote it
  std::string target;                         // contact: "another vehicle", "Immovable", "Wing" ...
  bool heavy = false;                         // contact: see HeavyReason
  std::string heavyReason;                    // "lost 2 places", "lost 4.2 s", "retired", "strength in the top 10%"
  double weight = 0.0;
  // Share of the moment with one of its cars on air live (a pit stop: the
  // seconds on air inside it over kPitStopSeconds, at most 1).
  double liveShare = 0.0;
  double credit = 0.0;  // 0-1: the best of the live share, the late credit and the replay credit
  Verdict verdict = Verdict::Missed;
  OnAir instead;  // at the moment, for an event not shown live
};

struct KindCoverage {
  int count = 0, live = 0, late = 0, replay = 0, missed = 0;
  int hindsight = 0;  // how many the hindsight director planning for this kind alone showed live
  int heavy = 0;      // contacts: how many were heavy
};

struct Penalties {
  // Live shots the director chose the length of, and of them shorter than
  // kShortShotSeconds.
  int liveShots = 0, shortShots = 0;
  // Of their seconds, the share spent in hurried shots (see Hurry) and the
  // share of the credit that costs.
  double hurriedShare = 0.0, pacingForfeit = 0.0;
  int replays = 0, lightReplays = 0, repeatedReplays = 0;
  double hours = 0.0;                 // the session's length, for the replay rate
  double shortShotsPenalty = 0.0, lightReplayPenalty = 0.0, repeatPenalty = 0.0, replayRatePenalty = 0.0;
  // The share of the credit they take, with the pacing forfeit apart; at most 1.
  double Total() const {
    const double sum = shortShotsPenalty + lightReplayPenalty + repeatPenalty + replayRatePenalty;
    return sum < 1.0 ? sum : 1.0;
  }
};

// One class's share of a session of several classes.
struct ClassCoverage {
  std::string name;
  int cars = 0;
  double screenShare = 0.0;  // of the green-flag live screen time, on its cars
  double totalWeight = 0.0, shownWeight = 0.0;
  std::array<KindCoverage, kEventKinds> kinds{};
  double CreditShare() const { return totalWeight > 0.0 ? shownWeight / totalWeight : 0.0; }
  const KindCoverage& Of(EventKind kind) const { return kinds[static_cast<std::size_t>(kind)]; }
};

struct Coverage {
  std::vector<Event> events;  // in time order
  SessionClasses classes;
  std::vector<ClassCoverage> byClass;  // empty for a session of one class; traffic is in none
  std::array<KindCoverage, kEventKinds> kinds{};
  double totalWeight = 0.0;
  double shownWeight = 0.0;      // the events' weight times their credit
  double hindsightWeight = 0.0;  // the hindsight director's credited weight, on the same rules
  // No director holding every shot kReferenceHoldSeconds earns more live
  // credit: the hindsight programme's optimum, plus what it may leave out of
  // long pit stops.
  double boundWeight = 0.0;
  Penalties penalties;
  double score = 0.0;      // in [0, 1]
  double reference = 0.0;  // the hindsight director's score on the same formula
  double referenceBound = 0.0;  // boundWeight's share of the weight
  const KindCoverage& Of(EventKind kind) const { return kinds[static_cast<std::size_t>(kind)]; }
};

// The rules' constants, documented in the README.
constexpr double kLiveShare = 0.5;         // of the moment on air live: the event was seen live
constexpr double kPitStopSeconds = 5.0;    // on air in the pits: a stop seen in full
constexpr double kLateReach = 5.0;         // after the moment, seeing its cars is late
constexpr double kLateSeconds = 2.0;       // on air on its cars within that reach
constexpr double kLatePassCredit = 0.25;   // the places have changed; the pass is gone
constexpr double kLateContactCredit = 0.5; // the spinning car and the debris are still there
constexpr double kReplayCredit = 0.75;     // a replay whose slowed part went through the moment
constexpr double kFastReplayCredit = 0.4;  // a replay that went through it at full speed only
constexpr double kShortShotSeconds = 4.0;
constexpr double kReferenceHoldSeconds = 4.0;  // every shot of the hindsight director
constexpr double kReplaysPerHour = 8.0;    // more than this is noticed

// The events of a session, with their moments, weights and heavy marks; the
// verdicts are not yet set. Without classes, the session's own by pace.
std::vector<Event> FindEvents(const SessionRun& run, const SessionClasses& classes);
std::vector<Event> FindEvents(const SessionRun& run);
// Sets each event's live share, credit, verdict and, when not live, what was
// on air instead.
void JudgeEvents(const SessionRun& run, std::vector<Event>& events);

// A director who knew the whole session in advance and held every shot at
// least `holdSeconds`, over the snapshots of the run's field: the path that
// earns the most live credit. Live credit adds up snapshot by snapshot (one
// car on air at a time), so the programme is exact for it, but for pit
// stops longer than kPitStopSeconds, which it pays by the share of the stop
// seen. `weights` replaces the events' own weights when given (one per
// event), so that each kind can be planned for alone.
struct Hindsight {
  double liveCredit = 0.0;  // the optimum: the path's weighted live shares, long pit stops by share
  double upper = 0.0;       // no director holding its shots as long earns more live credit
  std::vector<int> path;    // car per snapshot
  double firstCell = 0.0, cellSeconds = 0.0;
};
Hindsight PlanHindsight(const SessionRun& run, const std::vector<Event>& events, double holdSeconds,
                        const std::vector<double>* weights = nullptr);
// The hindsight path as live shots, one per run of a car.
std::vector<Shot> HindsightShots(const Hindsight& plan);

// The credited weight and penalties of the run's shots and replays over
// judged events, and the score they make.
double CreditedWeight(const std::vector<Event>& events);
Penalties Penalise(const SessionRun& run, const std::vector<Event>& events);
double ScoreOf(double creditedWeight, double totalWeight, const Penalties& penalties);

// Everything above for one session.
Coverage AnalyseSession(const SessionRun& run, const DirectorSettings& settings, ClassRule rule = ClassRule::ByPace);

}  // namespace ksim
