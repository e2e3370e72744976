#include "analysis/lap_events.hpp"

#include <algorithm>
#include <map>

namespace ksim {

namespace {

// Only improvements late in qualifying change what the grid will be.
constexpr double kLateShare = 2.0 / 3.0;

// The place a best lap would hold against the other cars' best laps; a car
// without a time ranks after every car with one. Only the cars `counted` lets
// in are ranked against.
template <class Counted>
int PlaceOf(int car, double best, const std::map<int, double>& bests, Counted counted) {
  int place = 1;
  for (const auto& [other, time] : bests) {
    if (other != car && counted(other) && (best < 0.0 || time < best)) ++place;
  }
  return place;
}

Event LapEvent(EventKind kind, const TimedLap& lap, int place, int classPlace, int classIndex) {
  Event e;
  e.kind = kind;
  e.time = lap.end;
  e.cars = {lap.car};
  e.place = place;
  e.classPlace = classPlace;
  e.classIndex = classIndex;
  e.lapTime = lap.time;
  e.momentStart = lap.lastSector;  // what a viewer must see: the lap's last sector to the line
  e.momentEnd = lap.end;
  return e;
}

}  // namespace

std::vector<TimedLap> TimedLaps(const SessionRun& run) {
  std::vector<TimedLap> laps;
  std::map<int, double> lineAt, secondSplitAt;
  for (const TimingMark& mark : run.timing) {
    if (mark.point == 2) secondSplitAt[mark.car] = mark.time;
    if (mark.point != 0) continue;
    const auto started = lineAt.find(mark.car);
    if (mark.valid && started != lineAt.end() && mark.time > started->second) {
      TimedLap lap;
      lap.car = mark.car;
      lap.end = mark.time;
      lap.time = mark.time - started->second;
      const auto split = secondSplitAt.find(mark.car);
      // A lap whose second split went unrecorded: its last sector by the track's split.
      lap.lastSector = split != secondSplitAt.end() && split->second > started->second
                           ? split->second
                           : mark.time - (1.0 - run.plan.split2) * lap.time;
      laps.push_back(lap);
    }
    lineAt[mark.car] = mark.time;
  }
  std::stable_sort(laps.begin(), laps.end(), [](const TimedLap& a, const TimedLap& b) { return a.end < b.end; });
  return laps;
}

void FindLapEvents(const SessionRun& run, const SessionClasses& classes, std::vector<Event>& events) {
  if (run.plan.kind == SessionKind::Race) return;
  const bool qualifying = run.plan.kind == SessionKind::Qualifying;
  const double length = run.plan.endTime > 0.0 ? run.plan.endTime : run.endTime;
  const double lateFrom = kLateShare * length;
  std::map<int, double> bests;  // car: its best lap so far
  std::vector<double> classBest(static_cast<std::size_t>(std::max(1, classes.Count())), -1.0);
  const auto anyCar = [](int) { return true; };
  for (const TimedLap& lap : TimedLaps(run)) {
    const auto mine = bests.find(lap.car);
    const double before = mine != bests.end() ? mine->second : -1.0;
    if (before >= 0.0 && lap.time >= before) continue;
    const int cls = classes.Of(lap.car);
    const auto sameClass = [&](int other) { return classes.Of(other) == cls; };
    const int classBefore = PlaceOf(lap.car, before, bests, sameClass);
    const int classAfter = PlaceOf(lap.car, lap.time, bests, sameClass);
    const int placeAfter = PlaceOf(lap.car, lap.time, bests, anyCar);
    bests[lap.car] = lap.time;
    double& best = classBest[static_cast<std::size_t>(std::max(0, cls))];
    if (best < 0.0 || lap.time < best) {
      // The class's provisional pole; in a field of one class, the session's.
      best = lap.time;
      events.push_back(LapEvent(EventKind::PoleLap, lap, placeAfter, 1, cls));
    } else if (qualifying && lap.end >= lateFrom && classAfter < classBefore) {
      events.push_back(LapEvent(EventKind::ImprovingLap, lap, placeAfter, classAfter, cls));
    }
  }
}

}  // namespace ksim
