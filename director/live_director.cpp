// The live director: in races, on top of the usual choice, it switches early
// to a battle clearly closer than the one on air and cuts to a fresh strong
// contact or a mass report at once. (Holding a shot past the usual wait on a
// very close fight was tried and showed fewer passes as they happened.)
#include "director/live_director.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "director/snapshot.hpp"
#include "plugin/rF2kovrel.hpp"

namespace {

// Gaps are smoothed over about this long: timing between two timing points is
// noisy (a tenth or two of a second), and a switch on noise is a hop.
constexpr double kSmoothingSeconds = 1.0;
// The closer battle must stay closer this long before the switch.
constexpr double kSwitchPersistSeconds = 1.0;
// Only a battle this close is worth an early switch.
constexpr double kCloseBattle = 1.5;
// After a cut to a contact, the next contact must wait this long for its own.
constexpr double kReactionGapSeconds = 10.0;
// So many cars reporting contact within a second are one scene.
constexpr int kSceneCars = 5;
constexpr double kSceneWindowSeconds = 1.0;
constexpr double kSceneSeconds = 10.0;
constexpr double kPenaltyGap = 0.5;
constexpr double kNoBattle = std::numeric_limits<double>::infinity();

struct Battle {
  double score = kNoBattle;  // smoothed gap, penalised behind the interesting places
  int place = 0;             // the car behind
  double gap = 0.0;          // its gap as timed now
};

bool IsRacing(const rF2kovrel& d, const VehicleScoringInfoV01& v) {
  return v.mPitState == 0 && v.mFinishStatus == 0 && !(v.mIsPlayer && d.mPlayerDriving);
}

void SmoothGaps(rF2kovrel& d, const ScoringInfoV01& info) {
  const int count = VehicleCount(info);
  const double dt = d.mLiveLastUpdate < 0.0 ? 0.0 : std::max(0.0, d.mSessionTime - d.mLiveLastUpdate);
  const double blend = dt / (kSmoothingSeconds + dt);
  d.mLiveLastUpdate = d.mSessionTime;
  d.mLiveCars.resize(static_cast<std::size_t>(count));
  d.mLiveByPlace.assign(static_cast<std::size_t>(count) + 2, -1);
  for (int i = 0; i < count; ++i) {
    const VehicleScoringInfoV01& v = info.mVehicle[i];
    rF2kovrel::LiveCar& car = d.mLiveCars[static_cast<std::size_t>(i)];
    const double gap = std::fabs(v.mTimeBehindNext);
    if (car.id != v.mID || !std::isfinite(car.gap)) {
      car.id = v.mID;
      car.gap = gap;
    } else {
      car.gap += blend * (gap - car.gap);
    }
    if (v.mPlace >= 1 && v.mPlace <= count) d.mLiveByPlace[static_cast<std::size_t>(v.mPlace)] = i;
  }
}

// The battle of the car at `place` with the car ahead of it.
Battle BattleAt(const rF2kovrel& d, const ScoringInfoV01& info, int place) {
  Battle b;
  if (place < 2 || place + 1 >= static_cast<int>(d.mLiveByPlace.size())) return b;
  const int index = d.mLiveByPlace[static_cast<std::size_t>(place)];
  const int ahead = d.mLiveByPlace[static_cast<std::size_t>(place - 1)];
  if (index < 0 || ahead < 0) return b;
  const VehicleScoringInfoV01& v = info.mVehicle[index];
  if (!IsRacing(d, v) || !IsRacing(d, info.mVehicle[ahead])) return b;
  const double smoothed = d.mLiveCars[static_cast<std::size_t>(index)].gap;
  b.score = smoothed + (place > d.interest && smoothed > d.onboarddiff ? kPenaltyGap : 0.0);
  b.place = place;
  b.gap = std::fabs(v.mTimeBehindNext);
  return b;
}

Battle Closer(const Battle& a, const Battle& b) { return b.score < a.score ? b : a; }

Battle ClosestBattle(const rF2kovrel& d, const ScoringInfoV01& info) {
  Battle best;
  const int places = static_cast<int>(d.mLiveByPlace.size()) - 2;
  for (int place = 2; place <= places; ++place) best = Closer(best, BattleAt(d, info, place));
  return best;
}

int PlaceOfSlot(const ScoringInfoV01& info, std::int32_t id) {
  const int count = VehicleCount(info);
  for (int i = 0; i < count; ++i) {
    if (info.mVehicle[i].mID == id) return info.mVehicle[i].mPlace;
  }
  return 0;
}

// The fight the car on air is in: with the car ahead or the car behind.
Battle OnAirBattle(const rF2kovrel& d, const ScoringInfoV01& info) {
  const int place = PlaceOfSlot(info, d.mActualVeh);
  if (place == 0) return Battle{};
  return Closer(BattleAt(d, info, place), BattleAt(d, info, place + 1));
}

void CutNowTo(rF2kovrel& d, int place, double gap, int reason) {
  d.mNextPlace = place;
  d.mMinBehind = gap;
  d.mCutWait = 0;
  d.mLiveReason = reason;
}

// Five or more cars at once: one scene, shown from its front-most car.
bool ReactToScene(rF2kovrel& d, const ScoringInfoV01& info) {
  if (d.mSessionTime < d.mSceneUntil) return false;
  std::int32_t ids[kSceneCars];
  int distinct = 0;
  int front = 0;
  for (const rF2kovrel::ContactReport& r : d.mRecentReports) {
    if (d.mSessionTime - r.time > kSceneWindowSeconds) continue;
    if (std::find(ids, ids + distinct, r.id) != ids + distinct) continue;
    if (distinct < kSceneCars) ids[distinct] = r.id;
    ++distinct;
    const int place = PlaceOfSlot(info, r.id);
    if (place > 0 && (front == 0 || place < front)) front = place;
    if (distinct >= kSceneCars) break;
  }
  if (distinct < kSceneCars || front == 0) return false;
  d.mSceneUntil = d.mSessionTime + kSceneSeconds;
  d.mLiveReactedAt = d.mSessionTime;
  CutNowTo(d, front, d.onboarddiff + 1.0, kLiveScene);
  return true;
}

// The strongest contact of this snapshot, when strong for the session.
bool ReactToContact(rF2kovrel& d, const ScoringInfoV01& info) {
  if (ReactToScene(d, info)) return true;
  if (d.mSessionTime < d.mSceneUntil) return false;
  if (d.mSessionTime - d.mLiveReactedAt < kReactionGapSeconds) return false;
  const rF2kovrel::ContactReport* strongest = nullptr;
  for (const rF2kovrel::ContactReport& r : d.mRecentReports) {
    if (r.time != d.mSessionTime || !(r.strength >= d.highinc)) continue;
    if (strongest == nullptr || r.strength > strongest->strength) strongest = &r;
  }
  if (strongest == nullptr || strongest->id == d.mActualVeh) return false;
  const int place = PlaceOfSlot(info, strongest->id);
  if (place == 0) return false;
  d.mLiveReactedAt = d.mSessionTime;
  CutNowTo(d, place, d.onboarddiff + 1.0, kLiveContact);
  return true;
}

bool OnAirPair(const rF2kovrel& d, const ScoringInfoV01& info, const Battle& b) {
  const int index = d.mLiveByPlace[static_cast<std::size_t>(b.place)];
  const int ahead = d.mLiveByPlace[static_cast<std::size_t>(b.place - 1)];
  return info.mVehicle[index].mID == d.mActualVeh || info.mVehicle[ahead].mID == d.mActualVeh;
}

// After the shortest hold, to a battle closer by `liveswitch` than the one on
// air for a second on end: the margin and the wait keep timing noise from
// switching back and forth.
bool SwitchEarly(rF2kovrel& d, const ScoringInfoV01& info, const Battle& onAir, const Battle& best) {
  const bool closer = best.place != 0 && best.score < kCloseBattle && !OnAirPair(d, info, best) &&
                      best.score + d.liveswitch < onAir.score;
  if (!closer) {
    d.mLiveSwitchPlace = 0;
    return false;
  }
  if (d.mLiveSwitchPlace != best.place) {
    d.mLiveSwitchPlace = best.place;
    d.mLiveSwitchSince = d.mSessionTime;
  }
  if (d.mSessionTime - d.mLastCutTime < d.livemin) return false;
  if (d.mSessionTime - d.mLiveSwitchSince < kSwitchPersistSeconds) return false;
  d.mLiveSwitchPlace = 0;
  CutNowTo(d, best.place, best.gap, kLiveCloserBattle);
  return true;
}

}  // namespace

void rF2kovrel::DirectLive(const ScoringInfoV01& info) {
  mLiveReason = kLiveNone;
  const bool green = info.mGamePhase == 4 || info.mGamePhase == 5;
  if (!green || mAllFinished) {
    mLiveLastUpdate = -1.0;
    return;
  }
  if (mGreenSince < 0.0) mGreenSince = mSessionTime;
  SmoothGaps(*this, info);
  ReplayMissedPass(info);
  // The flag chase and the leader under a short wait keep their cut.
  if (mCutWait == 2 || mReplayRunning || !mCarChosen) return;
  if (ReactToContact(*this, info)) return;
  const Battle onAir = OnAirBattle(*this, info);
  const Battle best = ClosestBattle(*this, info);
  SwitchEarly(*this, info, onAir, best);
}

void rF2kovrel::ResetLiveDirector() {
  if (autoinc != 0) {
    lowinc = mIniLowinc;
    highinc = mIniHighinc;
  }
  mContactStrengths.clear();
  mRecentReports.clear();
  mLiveCars.clear();
  mLiveByPlace.clear();
  mLiveLastUpdate = -1.0;
  mLiveSwitchSince = -1.0;
  mLiveSwitchPlace = 0;
  mLiveReactedAt = -1.0e9;
  mSceneUntil = -1.0e9;
  for (std::int32_t& id : mLivePodium) id = -1;
  mWaitingPasser = -1;
  mWaitingPassed = -1;
  mWaitingPassPlace = 0;
  mWaitingPassTime = 0.0;
  mGreenSince = -1.0;
  mReplaysScheduled = 0;
  mLiveReason = kLiveNone;
}
