// The events of a session, read from the field the run recorded: swaps of
// place between running cars (within a class, or traffic across classes),
// the stream's contacts, pit visits and each class's first three cars across
// the line; practice and qualifying have their laps (lap_events.cpp) and
// contacts.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/analysis.hpp"
#include "analysis/lap_events.hpp"

namespace ksim {

namespace {

// A pass happens in the second before the snapshot where the order changed
// and the half second after it.
constexpr double kPassBefore = 1.0, kPassAfter = 0.5;
// A swap undone this quickly is two cars side by side, not a pass.
constexpr double kJitterSeconds = 1.0;
// A car out of the pit lane for less than this is rejoining, not racing.
constexpr double kRejoinSeconds = 8.0;
// A contact: the approach, the touch and the car's first reaction.
constexpr double kContactBefore = 0.5, kContactAfter = 1.5;
constexpr double kFinishBefore = 2.0, kFinishAfter = 1.0;
// A contact that costs this much time over the car's usual lap is heavy.
constexpr double kHeavyLossSeconds = 5.0;
// Or this many places.
constexpr int kHeavyPlaces = 2;
// Otherwise, the strongest tenth of the session's contacts are heavy.
constexpr double kHeavyStrengthShare = 0.1;

double WeightOf(const Event& e) {
  switch (e.kind) {
    case EventKind::LeadChange: return 3.0;
    case EventKind::ClassLeadChange: return 3.0;
    case EventKind::Overtake: return 1.0;
    case EventKind::Traffic: return 0.1;
    case EventKind::Contact: return e.heavy ? 3.0 : 0.25;
    case EventKind::PitStop: return 0.5;
    case EventKind::Finish: return e.classPlace == 1 ? 2.0 : 1.0;
    case EventKind::PoleLap: return 3.0;
    case EventKind::ImprovingLap: return 1.0;
  }
  return 0.0;
}

// The late window follows the moment.
void SetLateWindow(Event& e) {
  e.windowStart = e.momentEnd;
  e.windowEnd = e.momentEnd + kLateReach;
}

bool IsGreen(int phase) { return phase == 5; }

// A car's place among the cars of its class at snapshot k (0: not placed).
// In a field of one class, its place.
int ClassPlace(const FieldTimeline& field, const SessionClasses& classes, std::size_t k, int car) {
  const int place = field.Place(k, car);
  if (!classes.Several() || place <= 0) return place;
  int classPlace = 1;
  for (int c = 0; c < field.Cars(); ++c) {
    const int other = field.Place(k, c);
    if (c != car && other > 0 && other < place && classes.Of(c) == classes.Of(car)) ++classPlace;
  }
  return classPlace;
}

std::vector<int> ClassPlaces(const FieldTimeline& field, const SessionClasses& classes, std::size_t k) {
  std::vector<int> places(static_cast<std::size_t>(field.Cars()));
  for (int c = 0; c < field.Cars(); ++c) places[static_cast<std::size_t>(c)] = ClassPlace(field, classes, k, c);
  return places;
}

// Per car, the times of its timing points, in order.
std::vector<std::vector<double>> MarksByCar(const SessionRun& run) {
  std::vector<std::vector<double>> marks(static_cast<std::size_t>(run.field.Cars()));
  for (const TimingMark& mark : run.timing) {
    if (mark.car >= 0 && mark.car < run.field.Cars()) marks[static_cast<std::size_t>(mark.car)].push_back(mark.time);
  }
  return marks;
}

double LastMarkBefore(const std::vector<double>& marks, double t) {
  const auto it = std::upper_bound(marks.begin(), marks.end(), t);
  return it == marks.begin() ? -1e300 : *(it - 1);
}

double FirstMarkAfter(const std::vector<double>& marks, double t) {
  const auto it = std::lower_bound(marks.begin(), marks.end(), t);
  return it == marks.end() ? 1e300 : *it;
}

// Keeps, per car, the last time it was seen in the pit lane.
void NotePitLane(const FieldTimeline& field, std::size_t k, std::vector<double>& lastInPits) {
  for (int c = 0; c < field.Cars(); ++c) {
    if (field.Flags(k, c) & FieldTimeline::kInPits) lastInPits[static_cast<std::size_t>(c)] = field.Time(k);
  }
}

// A swap of places: within a class an overtake (for the passed car's class
// place), the lead of the field or of a class; across classes, traffic.
void Classify(Event& e, const SessionClasses& classes, int classPlaceTaken) {
  const int a = e.cars[0], b = e.cars[1];
  if (classes.Of(a) != classes.Of(b)) {
    e.kind = EventKind::Traffic;
    return;
  }
  e.classIndex = classes.Of(b);
  e.classPlace = classPlaceTaken;
  if (e.place == 1) {
    e.kind = EventKind::LeadChange;
  } else if (classPlaceTaken == 1) {
    e.kind = EventKind::ClassLeadChange;
  } else {
    e.kind = EventKind::Overtake;
  }
}

void FindPasses(const SessionRun& run, const SessionClasses& classes, std::vector<Event>& events) {
  const FieldTimeline& field = run.field;
  const int n = field.Cars();
  const auto marks = run.plan.progressExact ? std::vector<std::vector<double>>() : MarksByCar(run);
  std::vector<double> lastInPits(static_cast<std::size_t>(n), -1e300);
  std::vector<Event> passes;
  for (std::size_t k = 1; k < field.Snapshots(); ++k) {
    NotePitLane(field, k - 1, lastInPits);
    if (!IsGreen(field.Phase(k - 1)) || !IsGreen(field.Phase(k))) continue;
    const double t = field.Time(k);
    const auto racing = [&](int c) {
      return field.Running(k - 1, c) && field.Running(k, c) && field.Place(k - 1, c) > 0 && field.Place(k, c) > 0 &&
             t - lastInPits[static_cast<std::size_t>(c)] > kRejoinSeconds;
    };
    bool changed = false;
    for (int c = 0; c < n && !changed; ++c) changed = field.Place(k, c) != field.Place(k - 1, c);
    if (!changed) continue;
    const std::vector<int> classPlaces = ClassPlaces(field, classes, k - 1);
    // Pair by pair: a car can pass one car and be passed by another in the
    // same snapshot, keeping its place.
    for (int a = 0; a < n; ++a) {
      if (!racing(a)) continue;
      for (int b = 0; b < n; ++b) {
        if (b == a || !(field.Place(k - 1, b) < field.Place(k - 1, a) && field.Place(k, b) > field.Place(k, a))) continue;
        if (!racing(b)) continue;
        Event e;
        // The place taken is the one the passed car held: passing P2 and P1
        // at once is a pass for second and a lead change.
        e.place = field.Place(k - 1, b);
        e.cars = {a, b};
        Classify(e, classes, classPlaces[static_cast<std::size_t>(b)]);
        e.time = t - 0.5 * (t - field.Time(k - 1));
        e.momentStart = t - kPassBefore;
        e.momentEnd = t + kPassAfter;
        if (!run.plan.progressExact) {
          // Known only between the pair's timing points: from the last point
          // that still had the old order to the first with the new one.
          const double from = std::max(LastMarkBefore(marks[static_cast<std::size_t>(a)], field.Time(k - 1)),
                                       LastMarkBefore(marks[static_cast<std::size_t>(b)], field.Time(k - 1)));
          const double to = std::min(FirstMarkAfter(marks[static_cast<std::size_t>(a)], t),
                                     FirstMarkAfter(marks[static_cast<std::size_t>(b)], t));
          if (from > -1e299) e.momentStart = from;
          if (to < 1e299) e.momentEnd = to;
        }
        passes.push_back(e);
      }
    }
  }
  // Two cars whose order flickers back within a second were side by side.
  std::vector<bool> dropped(passes.size(), false);
  for (std::size_t i = 0; i < passes.size(); ++i) {
    for (std::size_t j = i + 1; j < passes.size() && passes[j].time - passes[i].time <= kJitterSeconds; ++j) {
      if (!dropped[j] && passes[j].cars[0] == passes[i].cars[1] && passes[j].cars[1] == passes[i].cars[0]) {
        dropped[i] = dropped[j] = true;
        break;
      }
    }
  }
  for (std::size_t i = 0; i < passes.size(); ++i) {
    if (!dropped[i]) events.push_back(passes[i]);
  }
}

// The car's usual time for one lap: the median over its green-flag laps.
double UsualLapTime(const FieldTimeline& field, int car) {
  std::vector<double> laps;
  double lapStart = -1.0;
  int lap = -1;
  for (std::size_t k = 0; k < field.Snapshots(); ++k) {
    const int now = static_cast<int>(std::floor(field.Progress(k, car)));
    if (now != lap) {
      if (lap >= 0 && lapStart >= 0.0 && now == lap + 1 && IsGreen(field.Phase(k))) laps.push_back(field.Time(k) - lapStart);
      lapStart = field.Time(k);
      lap = now;
    }
  }
  if (laps.empty()) return -1.0;
  std::nth_element(laps.begin(), laps.begin() + static_cast<std::ptrdiff_t>(laps.size() / 2), laps.end());
  return laps[laps.size() / 2];
}

// Why a car's contact was heavy, judged over the lap that follows it; empty if
// it was not. Places count within the car's class: a faster class's cars
// going by are no loss.
std::string LossAfter(const SessionRun& run, const SessionClasses& classes, int car, double time, double usualLap) {
  const FieldTimeline& field = run.field;
  const std::size_t k0 = field.SnapshotAt(time);
  if (!field.Running(k0, car)) return std::string();
  const double start = field.Progress(k0, car);
  std::size_t k = k0;
  bool pitted = false;
  while (k + 1 < field.Snapshots() && field.Progress(k, car) < start + 1.0) {
    ++k;
    if (field.Flags(k, car) & FieldTimeline::kRetired) return "retired";
    if (field.Flags(k, car) & FieldTimeline::kInPits) pitted = true;
    if (field.Flags(k, car) & FieldTimeline::kFinished) break;
  }
  // A stop in the pits costs places and time whatever the contact did.
  if (pitted) return std::string();
  // One place changes hands often in a close fight; two do not.
  const int placeBefore = ClassPlace(field, classes, k0, car), placeAfter = ClassPlace(field, classes, k, car);
  if (run.plan.kind == SessionKind::Race && placeAfter >= placeBefore + kHeavyPlaces && placeBefore > 0 &&
      !(field.Flags(k, car) & FieldTimeline::kFinished)) {
    return "lost " + std::to_string(placeAfter - placeBefore) + " places";
  }
  if (usualLap > 0.0 && field.Progress(k, car) >= start + 1.0) {
    const double lost = (field.Time(k) - time) - usualLap;
    if (lost >= kHeavyLossSeconds) {
      char text[32];
      std::snprintf(text, sizeof text, "lost %.1f s", lost);
      return text;
    }
  }
  return std::string();
}

void FindContacts(const SessionRun& run, const SessionClasses& classes, std::vector<Event>& events) {
  if (run.contacts.empty()) return;
  std::vector<double> strengths;
  for (const Contact& c : run.contacts) strengths.push_back(c.strength);
  std::sort(strengths.begin(), strengths.end());
  // The strength from which a contact is among the session's strongest tenth.
  const std::size_t rank = static_cast<std::size_t>(std::floor(static_cast<double>(strengths.size()) * (1.0 - kHeavyStrengthShare)));
  const double strong = strengths[std::min(rank, strengths.size() - 1)];
  // Above the median too, so that a session of equal touches has no heavy one by strength.
  const double median = strengths[strengths.size() / 2];
  std::vector<double> usual(static_cast<std::size_t>(run.field.Cars()), -2.0);
  for (const Contact& contact : run.contacts) {
    if (contact.car < 0) continue;
    Event e;
    e.kind = EventKind::Contact;
    e.time = contact.time;
    e.cars.push_back(contact.car);
    if (contact.other >= 0) e.cars.push_back(contact.other);
    e.classIndex = classes.Of(contact.car);
    e.strength = contact.strength;
    e.target = contact.other >= 0 ? "another vehicle" : contact.target;
    e.momentStart = contact.time - kContactBefore;
    e.momentEnd = contact.time + kContactAfter;
    if (run.field.Snapshots() > 0) {
      for (const int car : e.cars) {
        double& lap = usual[static_cast<std::size_t>(car)];
        if (lap < -1.5) lap = UsualLapTime(run.field, car);
        e.heavyReason = LossAfter(run, classes, car, contact.time, lap);
        if (!e.heavyReason.empty()) {
          e.classIndex = classes.Of(car);  // the class whose race it changed
          break;
        }
      }
    }
    if (e.heavyReason.empty() && strengths.size() >= 5 && contact.strength >= strong && contact.strength > median) {
      e.heavyReason = "strength in the session's top 10%";
    }
    e.heavy = !e.heavyReason.empty();
    events.push_back(e);
  }
}

void FindPitStopsAndFinish(const SessionRun& run, const SessionClasses& classes, std::vector<Event>& events) {
  const FieldTimeline& field = run.field;
  std::vector<double> entered(static_cast<std::size_t>(field.Cars()), -1.0);
  std::vector<bool> finished(static_cast<std::size_t>(field.Cars()), false);
  std::vector<int> finishers(static_cast<std::size_t>(std::max(1, classes.Count())), 0);
  bool started = false;
  for (std::size_t k = 0; k < field.Snapshots(); ++k) {
    started = started || IsGreen(field.Phase(k));
    const double t = field.Time(k);
    for (int c = 0; c < field.Cars(); ++c) {
      const std::uint8_t flags = field.Flags(k, c);
      double& entry = entered[static_cast<std::size_t>(c)];
      const bool inPits = (flags & FieldTimeline::kInPits) != 0;
      const bool over = (flags & (FieldTimeline::kFinished | FieldTimeline::kRetired)) != 0;
      if (inPits && entry < 0.0 && started && !over && k > 0 && !(field.Flags(k - 1, c) & FieldTimeline::kInPits)) {
        entry = t;
      } else if (!inPits && entry >= 0.0) {
        Event e;
        e.kind = EventKind::PitStop;
        e.time = entry;
        e.cars = {c};
        e.classIndex = classes.Of(c);
        e.momentStart = entry;
        e.momentEnd = t;
        events.push_back(e);
        entry = -1.0;
      } else if (over && entry >= 0.0) {
        entry = -1.0;  // it stayed in: a retirement, not a stop
      }
      if ((flags & FieldTimeline::kFinished) && !finished[static_cast<std::size_t>(c)]) {
        finished[static_cast<std::size_t>(c)] = true;
        // Each class's first three to take the flag.
        const int cls = classes.Of(c);
        const int nth = ++finishers[static_cast<std::size_t>(std::max(0, cls))];
        if (nth <= 3) {
          Event e;
          e.kind = EventKind::Finish;
          e.time = t;
          e.cars = {c};
          e.classIndex = cls;
          e.place = field.Place(k, c) > 0 ? field.Place(k, c) : nth;
          e.classPlace = classes.Several() ? (field.Place(k, c) > 0 ? ClassPlace(field, classes, k, c) : nth) : e.place;
          e.momentStart = t - kFinishBefore;
          e.momentEnd = t + kFinishAfter;
          events.push_back(e);
        }
      }
    }
  }
}

}  // namespace

const char* EventKindName(EventKind kind) {
  switch (kind) {
    case EventKind::Overtake: return "overtake";
    case EventKind::LeadChange: return "lead_change";
    case EventKind::Contact: return "contact";
    case EventKind::PitStop: return "pit_stop";
    case EventKind::Finish: return "finish";
    case EventKind::PoleLap: return "pole_lap";
    case EventKind::ImprovingLap: return "improving_lap";
    case EventKind::Traffic: return "traffic";
    case EventKind::ClassLeadChange: return "class_lead_change";
  }
  return "overtake";
}

bool IsPass(EventKind kind) {
  return kind == EventKind::Overtake || kind == EventKind::LeadChange || kind == EventKind::ClassLeadChange ||
         kind == EventKind::Traffic;
}

std::vector<Event> FindEvents(const SessionRun& run) { return FindEvents(run, ClassesOf(run, ClassRule::ByPace)); }

std::vector<Event> FindEvents(const SessionRun& run, const SessionClasses& classes) {
  std::vector<Event> events;
  if (run.plan.kind == SessionKind::Race && run.field.Snapshots() > 1) {
    FindPasses(run, classes, events);
    FindPitStopsAndFinish(run, classes, events);
  }
  FindLapEvents(run, classes, events);
  FindContacts(run, classes, events);
  for (Event& e : events) {
    SetLateWindow(e);
    e.weight = WeightOf(e);
  }
  std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.time < b.time; });
  return events;
}

}  // namespace ksim
