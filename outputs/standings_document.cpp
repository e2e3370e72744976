#include "outputs/standings_document.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "director/battle_rules.hpp"
#include "director/car_numbers.hpp"
#include "director/class_groups.hpp"
#include "director/snapshot.hpp"
#include "outputs/clock_text.hpp"
#include "outputs/json_text.hpp"
#include "outputs/session_words.hpp"

namespace {

// A lap limit this high means only the clock can end the race.
constexpr std::int32_t kUnlimitedLaps = 2147483640;

std::size_t FieldLength(const char* field, std::size_t size) { return strnlen(field, size); }

void AppendField(std::string& out, const char* field, std::size_t size) {
  AppendJsonString(out, field, FieldLength(field, size));
}

const char* StatusWord(const VehicleScoringInfoV01& v) {
  if (v.mFinishStatus == 0) return "running";
  return v.mFinishStatus == 1 ? "finished" : "out";
}

bool InPitLane(const VehicleScoringInfoV01& v) { return v.mInPits || (v.mPitState >= 2 && v.mPitState <= 4); }

// Array indices in running order; cars without a place last, in array order.
std::vector<int> RunningOrder(const ScoringInfoV01& info, int count) {
  std::vector<int> order(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) order[static_cast<std::size_t>(i)] = i;
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    const int pa = info.mVehicle[a].mPlace, pb = info.mVehicle[b].mPlace;
    if ((pa > 0) != (pb > 0)) return pa > 0;
    return pa < pb;
  });
  return order;
}

ClassGroups ClassesOf(const ScoringInfoV01& info, int count) {
  std::vector<ClassMember> members;
  members.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const VehicleScoringInfoV01& v = info.mVehicle[i];
    // A car that has finished still belongs to its class's race.
    members.push_back({std::string(v.mVehicleClass, FieldLength(v.mVehicleClass, sizeof v.mVehicleClass)),
                       v.mBestLapTime, v.mFinishStatus == 0 || v.mFinishStatus == 1});
  }
  return GroupClasses(members);
}

// Laps run, with the part of the current lap; a finished car stands at its line.
double Progress(const ScoringInfoV01& info, const VehicleScoringInfoV01& v) {
  double part = 0.0;
  if (v.mFinishStatus == 0 && info.mLapDist > 0.0) part = std::clamp(v.mLapDist / info.mLapDist, 0.0, 0.999999);
  return v.mTotalLaps + part;
}

struct Gaps {
  double leader = NAN;  // NaN is written as null
  double ahead = NAN;
  long long lapsDown = 0;
};

// With one class the host's own timing says it all.
Gaps FieldGaps(const VehicleScoringInfoV01& v, bool first) {
  Gaps gaps;
  if (first) {
    gaps.leader = 0.0;
    return gaps;
  }
  gaps.lapsDown = std::max(0, v.mLapsBehindLeader);
  if (v.mLapsBehindLeader <= 0) gaps.leader = v.mTimeBehindLeader;
  if (v.mLapsBehindNext <= 0) gaps.ahead = v.mTimeBehindNext;
  return gaps;
}

// In a field of several classes the car ahead may be of another class: the
// gaps are the differences of each car's time behind the overall leader, and
// a car whole laps behind (by distance run, in races) has no time gap.
Gaps ClassGaps(const ScoringInfoV01& info, const VehicleScoringInfoV01& v, const VehicleScoringInfoV01* leader,
               const VehicleScoringInfoV01* ahead) {
  Gaps gaps;
  if (leader == nullptr) {
    gaps.leader = 0.0;
    return gaps;
  }
  const bool race = info.mSession >= 10;
  const double mine = Progress(info, v);
  const auto lapsBehind = [&](const VehicleScoringInfoV01& other) {
    return race ? std::max(0.0, std::floor(Progress(info, other) - mine)) : 0.0;
  };
  gaps.lapsDown = static_cast<long long>(lapsBehind(*leader));
  if (gaps.lapsDown == 0) gaps.leader = std::max(0.0, v.mTimeBehindLeader - leader->mTimeBehindLeader);
  if (lapsBehind(*ahead) == 0.0) gaps.ahead = std::max(0.0, v.mTimeBehindLeader - ahead->mTimeBehindLeader);
  return gaps;
}

// The car on air and the car it fights, ahead of it or behind it in the
// running order; -1 where there is no fight on air.
struct Fight {
  int first = -1;
  int second = -1;
};

bool InFight(const VehicleScoringInfoV01& v, double fightGap) {
  return IsRunning(v, false) && v.mLapsBehindNext <= 0 && IsFightGap(v.mTimeBehindNext, fightGap);
}

Fight FightOnAir(const ScoringInfoV01& info, const std::vector<int>& order, const StandingsContext& context) {
  Fight fight;
  if (context.onAirId < 0 || context.replayId >= 0) return fight;
  for (std::size_t k = 0; k < order.size(); ++k) {
    const VehicleScoringInfoV01& v = info.mVehicle[order[k]];
    if (v.mID != context.onAirId || !IsRunning(v, false)) continue;
    if (k > 0 && InFight(v, context.fightGap) && IsRunning(info.mVehicle[order[k - 1]], false)) {
      fight = {order[k], order[k - 1]};
    } else if (k + 1 < order.size() && InFight(info.mVehicle[order[k + 1]], context.fightGap)) {
      fight = {order[k], order[k + 1]};
    }
    break;
  }
  return fight;
}

void AppendId(std::string& out, std::int32_t id) {
  if (id < 0) {
    out += "null";
  } else {
    AppendInteger(out, id);
  }
}

void AppendLap(std::string& out, double seconds) {
  if (seconds > 0.0) {
    AppendSeconds(out, seconds);
  } else {
    out += "null";
  }
}

const char* Flag(bool value) { return value ? "true" : "false"; }

void AppendCar(std::string& out, const VehicleScoringInfoV01& v, const std::string& className, int classPlace,
               const std::string& number, const Gaps& gaps, bool inBattle, std::int32_t onAirId) {
  const bool isOut = v.mFinishStatus >= 2;
  out += "    {\"id\": ";
  AppendInteger(out, v.mID);
  out += ", \"place\": ";
  AppendInteger(out, v.mPlace);
  out += ", \"class\": ";
  AppendJsonString(out, className);
  out += ", \"class_place\": ";
  AppendInteger(out, classPlace);
  out += ", \"number\": ";
  if (number.empty()) {
    out += "null";
  } else {
    AppendJsonString(out, number);
  }
  out += ", \"driver\": ";
  AppendField(out, v.mDriverName, sizeof v.mDriverName);
  out += ", \"laps\": ";
  AppendInteger(out, v.mTotalLaps);
  out += ", \"gap_leader_s\": ";
  AppendSeconds(out, isOut ? NAN : gaps.leader);
  out += ", \"gap_ahead_s\": ";
  AppendSeconds(out, isOut ? NAN : gaps.ahead);
  out += ", \"laps_down\": ";
  AppendInteger(out, isOut ? 0 : gaps.lapsDown);
  out += ", \"best_lap_s\": ";
  AppendLap(out, v.mBestLapTime);
  out += ", \"last_lap_s\": ";
  AppendLap(out, v.mLastLapTime);
  out += ", \"in_pit\": ";
  out += Flag(InPitLane(v));
  out += ", \"status\": \"";
  out += StatusWord(v);
  out += "\", \"on_air\": ";
  out += Flag(onAirId >= 0 && v.mID == onAirId);
  out += ", \"in_battle\": ";
  out += Flag(inBattle);
  out += "}";
}

}  // namespace

std::string StandingsDocument(const ScoringInfoV01& info, const StandingsContext& context) {
  const int count = VehicleCount(info);
  const std::vector<int> order = RunningOrder(info, count);
  const std::vector<std::string> numbers = UniqueCarNumbers(info.mVehicle, count);
  const ClassGroups classes = ClassesOf(info, count);
  const bool severalClasses = classes.Count() > 1;
  const Fight fight = FightOnAir(info, order, context);

  std::int32_t leaderLaps = order.empty() ? 0 : info.mVehicle[order.front()].mTotalLaps;
  std::string out;
  out.reserve(512 + 340 * static_cast<std::size_t>(count));
  out += "{\n  \"version\": 1,\n  \"session\": {\"type\": \"";
  out += SessionTypeName(info.mSession);
  out += "\", \"phase\": \"";
  out += GamePhaseName(info.mGamePhase);
  out += "\"},\n  \"clock\": ";
  AppendJsonString(out, ClockText(info, context.replayId >= 0, leaderLaps));
  if (info.mSession >= 10 && info.mMaxLaps > 0 && info.mMaxLaps < kUnlimitedLaps) {
    out += ",\n  \"laps_total\": ";
    AppendInteger(out, info.mMaxLaps);
  } else {
    out += ",\n  \"time_left_s\": ";
    AppendSeconds(out, std::max(0.0, info.mEndET - info.mCurrentET));
  }
  out += ",\n  \"director\": \"";
  out += context.director;
  out += "\",\n  \"on_air_id\": ";
  AppendId(out, context.replayId >= 0 ? context.replayId : context.onAirId);
  out += ",\n  \"replay_id\": ";
  AppendId(out, context.replayId);
  out += ",\n  \"classes\": [";
  for (int c = 0; c < classes.Count(); ++c) {
    if (c > 0) out += ", ";
    AppendJsonString(out, classes.names[static_cast<std::size_t>(c)]);
  }
  out += "],\n  \"cars\": [";

  // Per class: the leader so far and the last car seen, as array indices.
  std::vector<int> classLeader(static_cast<std::size_t>(classes.Count()), -1);
  std::vector<int> classLast(static_cast<std::size_t>(classes.Count()), -1);
  std::vector<int> classCars(static_cast<std::size_t>(classes.Count()), 0);
  const std::int32_t onAir = context.replayId >= 0 ? context.replayId : context.onAirId;
  for (std::size_t k = 0; k < order.size(); ++k) {
    const int i = order[k];
    const VehicleScoringInfoV01& v = info.mVehicle[i];
    const auto c = static_cast<std::size_t>(classes.classOf[static_cast<std::size_t>(i)]);
    const Gaps gaps = severalClasses
                          ? ClassGaps(info, v, classLeader[c] < 0 ? nullptr : &info.mVehicle[classLeader[c]],
                                      classLast[c] < 0 ? nullptr : &info.mVehicle[classLast[c]])
                          : FieldGaps(v, k == 0);
    if (classLeader[c] < 0) classLeader[c] = i;
    classLast[c] = i;
    out += k == 0 ? "\n" : ",\n";
    AppendCar(out, v, classes.names[c], ++classCars[c], numbers[static_cast<std::size_t>(i)], gaps,
              i == fight.first || i == fight.second, onAir);
  }
  out += order.empty() ? "]\n}\n" : "\n  ]\n}\n";
  return out;
}
