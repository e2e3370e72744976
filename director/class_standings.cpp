// The classes of a race's field and each car's standing within its class,
// for directing a race of several classes (multiclass=1). Grouping the field
// allocates, so it runs only when the cars change and every few seconds; the
// standings are a walk down the order each snapshot.
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "director/class_groups.hpp"
#include "director/snapshot.hpp"
#include "plugin/rF2kovrel.hpp"

namespace {

// Best laps and retirements change the classes only now and then: a name's
// pace is a median, and a name becomes a class of its own by its cars alone.
constexpr double kRegroupSeconds = 30.0;
constexpr int kWalkedPerClass = 3;

bool CarsChanged(const std::vector<rF2kovrel::ClassStanding>& standings, const ScoringInfoV01& info) {
  const int count = VehicleCount(info);
  if (static_cast<int>(standings.size()) != count) return true;
  for (int i = 0; i < count; ++i) {
    if (standings[static_cast<std::size_t>(i)].id != info.mVehicle[i].mID) return true;
  }
  return false;
}

std::string ClassNameOf(const VehicleScoringInfoV01& v) {
  return std::string(v.mVehicleClass, strnlen(v.mVehicleClass, sizeof v.mVehicleClass));
}

// The gap of a fight within a class: both cars on the same lap.
double ClassGap(const VehicleScoringInfoV01& car, const VehicleScoringInfoV01& ahead) {
  if (car.mLapsBehindLeader != ahead.mLapsBehindLeader) return std::numeric_limits<double>::infinity();
  const double gap = std::fabs(car.mTimeBehindLeader - ahead.mTimeBehindLeader);
  return std::isfinite(gap) ? gap : std::numeric_limits<double>::infinity();
}

}  // namespace

void rF2kovrel::GroupFieldClasses(const ScoringInfoV01& info) {
  const int count = VehicleCount(info);
  std::vector<ClassMember> members(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const VehicleScoringInfoV01& v = info.mVehicle[i];
    ClassMember& m = members[static_cast<std::size_t>(i)];
    m.name = ClassNameOf(v);
    m.bestLap = v.mBestLapTime;
    m.running = v.mFinishStatus != 2 && v.mFinishStatus != 3;  // not retired or disqualified
  }
  ClassGroups groups = GroupClasses(members);
  mClassStandings.assign(static_cast<std::size_t>(count), ClassStanding{});
  for (int i = 0; i < count; ++i) {
    ClassStanding& s = mClassStandings[static_cast<std::size_t>(i)];
    s.id = info.mVehicle[i].mID;
    s.classIndex = groups.classOf[static_cast<std::size_t>(i)];
  }
  mClassNames = std::move(groups.names);
  mClassesGroupedAt = mSessionTime;
}

void rF2kovrel::SurveyClasses(const ScoringInfoV01& info) {
  if (CarsChanged(mClassStandings, info) || mSessionTime < mClassesGroupedAt ||
      mSessionTime - mClassesGroupedAt >= kRegroupSeconds) {
    GroupFieldClasses(info);
  }
  const int count = VehicleCount(info);
  const std::size_t classes = mClassNames.size();
  mClassByPlace.assign(static_cast<std::size_t>(count) + 1, -1);
  for (int i = 0; i < count; ++i) {
    const int place = info.mVehicle[i].mPlace;
    if (place >= 1 && place <= count && mClassByPlace[static_cast<std::size_t>(place)] < 0) {
      mClassByPlace[static_cast<std::size_t>(place)] = i;
    }
    ClassStanding& s = mClassStandings[static_cast<std::size_t>(i)];
    s.place = place;
    s.classPlace = 0;
    s.classAhead = -1;
    s.classBehind = -1;
    s.classGap = std::numeric_limits<double>::infinity();
  }
  mClassLast.assign(classes, -1);
  mClassLeaderVeh.assign(classes, -1);
  for (int place = 1; place <= count; ++place) {
    const int i = mClassByPlace[static_cast<std::size_t>(place)];
    if (i < 0) continue;
    ClassStanding& s = mClassStandings[static_cast<std::size_t>(i)];
    const std::size_t c = static_cast<std::size_t>(s.classIndex);
    const int ahead = mClassLast[c];
    if (ahead < 0) {
      s.classPlace = 1;
      mClassLeaderVeh[c] = s.id;
    } else {
      ClassStanding& a = mClassStandings[static_cast<std::size_t>(ahead)];
      s.classPlace = a.classPlace + 1;
      s.classAhead = ahead;
      a.classBehind = i;
      s.classGap = ClassGap(info.mVehicle[i], info.mVehicle[ahead]);
    }
    mClassLast[c] = i;
  }
}

// After the flag: each class's first three in turn, fastest class first, then
// the overall winner again.
int rF2kovrel::FinishWalkPlace() const {
  if (walkthrough != 1) return 1;
  int first = 0;
  bool takeNext = false;
  for (std::size_t c = 0; c < mClassNames.size(); ++c) {
    for (int classPlace = 1; classPlace <= kWalkedPerClass; ++classPlace) {
      for (const ClassStanding& s : mClassStandings) {
        if (static_cast<std::size_t>(s.classIndex) != c || s.classPlace != classPlace) continue;
        const int place = s.place;
        if (takeNext) return place;
        if (first == 0) first = place;
        if (place == mActualPlace) takeNext = true;
      }
    }
  }
  return first != 0 ? first : 1;
}
