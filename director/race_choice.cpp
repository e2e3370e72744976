#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "director/battle_rules.hpp"
#include "director/cut_wait.hpp"
#include "director/snapshot.hpp"
#include "plugin/rF2kovrel.hpp"
#include "plugin/text.hpp"

namespace {

constexpr double kScorePerSecond = 3.333333333333333;  // one score step per 0.3 s
constexpr double kChaseWindow = 20.0;  // seconds before a timed end

double ScoreOf(const rF2kovrel& d, bool byClass, int index, const VehicleScoringInfoV01& v) {
  const double gap = FightGapOf(d, byClass, index, v);
  const double penalised = GapAfterInterest(d, InterestPlace(d, byClass, index, v.mPlace), gap);
  return std::round(std::fabs(FavouredGap(d, v.mID, penalised)) * kScorePerSecond);
}

// The lap distances of every car in array order, gathered once per snapshot:
// the side-by-side count compares every pair of cars, and the records
// themselves lie hundreds of bytes apart.
std::vector<double> LapDistances(const ScoringInfoV01& info) {
  const int count = VehicleCount(info);
  std::vector<double> distances(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) distances[static_cast<std::size_t>(i)] = info.mVehicle[i].mLapDist;
  return distances;
}

// Each car's class in array order beside its lap distance, for the same
// reason; the standings' working space holds them.
void GatherClasses(rF2kovrel& d, int count) {
  d.mClassLast.resize(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) d.mClassLast[static_cast<std::size_t>(i)] = StandingOf(d, i).classIndex;
}

// Every car counts, this one included; lap distances are compared as they
// stand, so two cars either side of the start/finish line are far apart.
int NearCount(const rF2kovrel& d, bool byClass, const std::vector<double>& distances, int index,
              const VehicleScoringInfoV01& car) {
  int near = 0;
  for (const double distance : distances) {
    if (std::fabs(distance - car.mLapDist) < d.sbsdist) ++near;
  }
  // With classes only classmates make a group: a prototype beside a GT car
  // it is lapping is no scene. Counted again only when a group is possible at
  // all: fewer cars than `sbscount` make no group, of one class or of several.
  if (!byClass || near < d.sbscount) return near;
  near = 0;
  const std::vector<std::int32_t>& classes = d.mClassLast;  // each car's class, gathered by RateField
  const std::int32_t mine = classes[static_cast<std::size_t>(index)];
  for (std::size_t j = 0; j < distances.size(); ++j) {
    near += static_cast<int>(std::fabs(distances[j] - car.mLapDist) < d.sbsdist) & static_cast<int>(classes[j] == mine);
  }
  return near;
}

void RateBattle(rF2kovrel& d, bool byClass, int index, const VehicleScoringInfoV01& v, double score) {
  if (score > d.mBattleScore) return;
  const double gap = FightGapOf(d, byClass, index, v);
  if (gap == 0.0 && !byClass) return;  // the leader
  if (!std::isfinite(gap)) return;         // a class leader, or no classmate ahead on its lap
  const bool better = score < d.mBattleScore || v.mPlace < d.mNextPlace || d.mNextPlace == 0;
  if (!better) return;
  d.mBattleScore = score;
  d.mMinBehind = std::fabs(gap);
  d.mNextPlace = v.mPlace;
}

// A larger group further down the order than the one already chosen is not taken.
void RateSideBySide(rF2kovrel& d, const VehicleScoringInfoV01& v, int near) {
  if (near > d.mSbsCount && near >= d.sbscount && (d.mSbsPlace == 0 || v.mPlace < d.mSbsPlace)) {
    d.mSbsCount = near;
    d.mSbsPlace = v.mPlace;
  }
}

// Formation lap: one place further down the grid per cut, then back to the front.
void WalkTheGrid(rF2kovrel& d, int vehicles) {
  d.mNextPlace = (d.mActualPlace < vehicles && d.walkthrough == 1) ? d.mActualPlace + 1 : 1;
}

void RateCar(rF2kovrel& d, bool byClass, const ScoringInfoV01& info, const std::vector<double>& distances,
             int index, const VehicleScoringInfoV01& v) {
  switch (info.mGamePhase) {
    case 4:
    case 5:
      RateBattle(d, byClass, index, v, ScoreOf(d, byClass, index, v));
      RateSideBySide(d, v, NearCount(d, byClass, distances, index, v));
      break;
    case 3:
      WalkTheGrid(d, VehicleCount(info));
      break;
    default:
      // Yellow, stopped, paused...: the leader, and soon.
      d.mCutWait = 2;
      d.mNextPlace = 1;
      break;
  }
}

void RateField(rF2kovrel& d, const ScoringInfoV01& info) {
  const bool racing = info.mGamePhase == 4 || info.mGamePhase == 5;
  const std::vector<double> distances = racing ? LapDistances(info) : std::vector<double>();
  const bool byClass = d.ByClass();
  const int count = VehicleCount(info);
  if (byClass && racing) GatherClasses(d, count);
  for (int i = 0; i < count; ++i) {
    const VehicleScoringInfoV01& v = info.mVehicle[i];
    if (v.mFinishStatus == 1 && v.mPlace > d.mMaxFinishedPlace) d.mMaxFinishedPlace = v.mPlace;
    if (IsRunning(v, d.mPlayerDriving)) RateCar(d, byClass, info, distances, i, v);
  }
}

// Side-by-side scenes are shown with the trackside camera. Only a group that
// was actually found counts: with `sbscount` 0 or less "no group" must not
// replace the battle by place 0.
void PreferSideBySide(rF2kovrel& d) {
  if (d.mSbsPlace != 0 && d.mSbsCount >= d.sbscount) {
    d.mNextPlace = d.mSbsPlace;
    d.mMinBehind = d.onboarddiff + 1.0;
  }
}

// By word: the pit lane is watched when the best battle is not close enough
// (or always); `showinpit` as a number watches the first N places instead.
bool PitLaneWatchedByWord(const rF2kovrel& d) {
  if (EqualsIgnoringCase(d.showinpit, "interestdiff")) {
    return static_cast<double>(d.interestdiff) < d.mMinBehind;
  }
  if (EqualsIgnoringCase(d.showinpit, "onboarddiff")) return d.onboarddiff < d.mMinBehind;
  return EqualsIgnoringCase(d.showinpit, "always");
}

bool BetterPitPlace(const rF2kovrel& d, const VehicleScoringInfoV01& v) {
  return d.mPitPlace == 0 || v.mPlace < d.mPitPlace;
}

void FindPitLaneCar(rF2kovrel& d, const ScoringInfoV01& info, bool byWord) {
  d.mPitPlace = 0;
  const int count = VehicleCount(info);
  for (int i = 0; i < count; ++i) {
    const VehicleScoringInfoV01& v = info.mVehicle[i];
    if (v.mFinishStatus != 0 || !BetterPitPlace(d, v)) continue;
    // By word only cars entering or leaving count; by number a car stopped in
    // its box does too.
    const bool candidate = byWord ? (v.mPitState == 2 || v.mPitState == 4)
                                  : (v.mPitState > 1 && v.mPlace <= d.mShowInPitNum);
    if (candidate) {
      d.mInPit = true;
      d.mPitPlace = v.mPlace;
    }
  }
}

void WatchPitLane(rF2kovrel& d, const ScoringInfoV01& info) {
  d.mInPit = false;
  if (PitLaneWatchedByWord(d)) {
    FindPitLaneCar(d, info, true);
  } else if (d.mShowInPitNum > 0) {
    FindPitLaneCar(d, info, false);
  }
  if (d.mInPit && d.mPitPlace != 0) {
    d.mNextPlace = d.mPitPlace;
    d.mMinBehind = d.onboarddiff + 1.0;
  }
}

// One chance in five, when no battle is close; the conditions are tested in
// this order so that nothing is drawn unless the earlier ones hold.
void MaybeShowRandomPlace(rF2kovrel& d, const ScoringInfoV01& info) {
  const int vehicles = VehicleCount(info);
  if (vehicles <= 0) return;
  if (!(static_cast<double>(d.interestdiff) < d.mMinBehind)) return;
  if (!WaitHasRunOut(d)) return;
  if (d.mInPit) return;
  if (std::rand() % 5 != 1) return;
  d.mNextPlace = std::rand() % vehicles + 1;
}

bool NearTheFlag(const rF2kovrel& d, const ScoringInfoV01& info, const VehicleScoringInfoV01& v) {
  // Widened so that a hostile lap count cannot overflow.
  const bool lastLap =
      static_cast<std::int64_t>(v.mTotalLaps) == static_cast<std::int64_t>(info.mMaxLaps) - 1;
  const bool timedEndClose = info.mEndET > 0.0 && info.mEndET - d.mSessionTime < kChaseWindow;
  return lastLap || timedEndClose;
}

// The next car to take the chequered flag, once it is in the last sector.
void ChaseTheFlag(rF2kovrel& d, const ScoringInfoV01& info) {
  const int count = VehicleCount(info);
  for (int i = 0; i < count; ++i) {
    const VehicleScoringInfoV01& v = info.mVehicle[i];
    if (v.mFinishStatus != 0) continue;
    d.mAllFinished = false;
    if (NearTheFlag(d, info, v) && v.mSector == 0 && v.mPlace == d.mMaxFinishedPlace + 1) {
      d.mNextPlace = v.mPlace;
      d.mMinBehind = d.onboarddiff + 1.0;
      d.mCutWait = 2;
    }
  }
}

// With classes, each class's leader is taken to the line once it is in the
// last sector of its last lap (a lapped class's last lap begins when the
// winner has finished), the one nearest the line first; between them the
// overall chase above holds.
void ChaseTheClassLeaders(rF2kovrel& d, const ScoringInfoV01& info) {
  const int count = VehicleCount(info);
  int chased = -1;
  for (int i = 0; i < count; ++i) {
    const VehicleScoringInfoV01& v = info.mVehicle[i];
    if (StandingOf(d, i).classPlace != 1 || v.mFinishStatus != 0 || v.mSector != 0) continue;
    if (!NearTheFlag(d, info, v) && d.mMaxFinishedPlace == 0) continue;
    if (chased < 0 || v.mLapDist > info.mVehicle[chased].mLapDist) chased = i;
  }
  if (chased < 0) return;
  d.mNextPlace = info.mVehicle[chased].mPlace;
  d.mMinBehind = d.onboarddiff + 1.0;
  d.mCutWait = 2;
}

}  // namespace

// Each step may overrule the one before: battle, side-by-side group, pit lane,
// random place, chequered-flag chase.
void rF2kovrel::ChooseRace(const ScoringInfoV01& info) {
  RateField(*this, info);
  PreferSideBySide(*this);
  WatchPitLane(*this, info);
  MaybeShowRandomPlace(*this, info);
  ChaseTheFlag(*this, info);
  if (ByClass()) ChaseTheClassLeaders(*this, info);
}
