// Which cars of a session race each other, from the class names the host
// handed the plug-in and the laps the run recorded.
#include <algorithm>
#include <map>

#include "analysis/analysis.hpp"
#include "analysis/lap_events.hpp"
#include "director/class_groups.hpp"

namespace ksim {

namespace {

// Per car, its best counted lap (0: none).
std::vector<double> BestLaps(const SessionRun& run, int cars) {
  std::vector<double> best(static_cast<std::size_t>(cars), 0.0);
  for (const TimedLap& lap : TimedLaps(run)) {
    if (lap.car < 0 || lap.car >= cars) continue;
    double& mine = best[static_cast<std::size_t>(lap.car)];
    if (mine <= 0.0 || lap.time < mine) mine = lap.time;
  }
  return best;
}

// On track under green at least once: a car that took part, not one that
// stayed in its garage.
std::vector<bool> RanUnderGreen(const FieldTimeline& field, int cars) {
  std::vector<bool> ran(static_cast<std::size_t>(cars), false);
  const int recorded = std::min(cars, field.Cars());
  for (std::size_t k = 0; k < field.Snapshots(); ++k) {
    if (field.Phase(k) != 5) continue;
    for (int c = 0; c < recorded; ++c) {
      if (field.Running(k, c)) ran[static_cast<std::size_t>(c)] = true;
    }
  }
  return ran;
}

double Median(std::vector<double> laps) {
  if (laps.empty()) return 0.0;
  std::sort(laps.begin(), laps.end());
  const std::size_t mid = laps.size() / 2;
  return laps.size() % 2 == 1 ? laps[mid] : 0.5 * (laps[mid - 1] + laps[mid]);
}

// Every distinct name a class, fastest median first, names without a lap last.
SessionClasses ByName(const std::vector<ClassMember>& members) {
  std::map<std::string, std::vector<double>> laps;
  std::vector<std::string> names;
  for (const ClassMember& m : members) {
    if (laps.find(m.name) == laps.end()) names.push_back(m.name);
    std::vector<double>& mine = laps[m.name];
    if (m.bestLap > 0.0) mine.push_back(m.bestLap);
  }
  std::stable_sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
    const double ma = Median(laps[a]), mb = Median(laps[b]);
    if ((ma > 0.0) != (mb > 0.0)) return ma > 0.0;
    return ma > 0.0 && ma < mb;
  });
  SessionClasses classes;
  classes.names = names;
  for (const ClassMember& m : members) {
    classes.classOf.push_back(static_cast<int>(std::find(names.begin(), names.end(), m.name) - names.begin()));
  }
  return classes;
}

}  // namespace

SessionClasses ClassesOf(const SessionRun& run, ClassRule rule) {
  const int cars = static_cast<int>(run.plan.cars.size());
  SessionClasses classes;
  if (cars == 0) return classes;
  if (rule == ClassRule::OneClass) {
    // Named as the field's most common class name.
    std::map<std::string, int> count;
    for (const CarEntry& car : run.plan.cars) ++count[car.vehicleClass];
    const auto most = std::max_element(count.begin(), count.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; });
    classes.names = {most->first};
    classes.classOf.assign(static_cast<std::size_t>(cars), 0);
    return classes;
  }
  const std::vector<double> best = BestLaps(run, cars);
  const std::vector<bool> ran = RanUnderGreen(run.field, cars);
  std::vector<ClassMember> members;
  for (int c = 0; c < cars; ++c) {
    members.push_back(ClassMember{run.plan.cars[static_cast<std::size_t>(c)].vehicleClass,
                                  best[static_cast<std::size_t>(c)], static_cast<bool>(ran[static_cast<std::size_t>(c)])});
  }
  if (rule == ClassRule::ByName) return ByName(members);
  const ClassGroups groups = GroupClasses(members);
  classes.classOf = groups.classOf;
  classes.names = groups.names;
  return classes;
}

}  // namespace ksim
