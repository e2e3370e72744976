#include "host/scoreboard.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

namespace ksim {

namespace {

void CopyText(char* field, std::size_t size, const std::string& text) {
  std::memset(field, 0, size);
  std::memcpy(field, text.data(), std::min(size - 1, text.size()));
}

double Fraction(double progress) { return progress - std::floor(progress); }

}  // namespace

Scoreboard::Scoreboard(const SessionPlan& plan)
    : mPlan(plan), mVehicles(plan.cars.size()), mTiming(plan.cars.size()),
      mOrder(plan.cars.size()), mGapFrozen(plan.cars.size(), false) {
  std::iota(mOrder.begin(), mOrder.end(), 0);
  CopyText(mInfo.mTrackName, sizeof mInfo.mTrackName, plan.trackName);
  mInfo.mSession = plan.sessionNumber;
  mInfo.mEndET = plan.endTime;
  mInfo.mMaxLaps = plan.maxLaps;
  mInfo.mLapDist = plan.trackLength;
  mInfo.mNumVehicles = static_cast<std::int32_t>(plan.cars.size());
  mInfo.mInRealtime = true;
  CopyText(mInfo.mPlayerName, sizeof mInfo.mPlayerName, "Broadcast");
  CopyText(mInfo.mServerName, sizeof mInfo.mServerName, "kovrel-sim");
  mInfo.mAmbientTemp = 21.0;
  mInfo.mTrackTemp = 29.0;
  mInfo.mMaxPlayers = static_cast<std::int32_t>(plan.cars.size());
  mInfo.mStartET = static_cast<float>(plan.startTime);
  mInfo.mVehicle = mVehicles.data();
  for (std::size_t i = 0; i < mVehicles.size(); ++i) {
    VehicleScoringInfoV01& v = mVehicles[i];
    const CarEntry& car = plan.cars[i];
    v.mID = car.id;
    CopyText(v.mDriverName, sizeof v.mDriverName, car.driver);
    CopyText(v.mVehicleName, sizeof v.mVehicleName, car.vehicle);
    CopyText(v.mVehicleClass, sizeof v.mVehicleClass, car.vehicleClass);
    CopyText(v.mPitGroup, sizeof v.mPitGroup, car.vehicle);
    v.mControl = 2;  // a remote driver: the host is a spectator
    v.mServerScored = 1;
    v.mTrackEdge = 7.0;
    v.mCountLapFlag = 2;
    v.mPlace = static_cast<unsigned char>(i + 1);
    v.mLapStartET = 0.0;
  }
}

int Scoreboard::IndexOfId(std::int32_t id) const {
  for (std::size_t i = 0; i < mVehicles.size(); ++i) {
    if (mVehicles[i].mID == id) return static_cast<int>(i);
  }
  return -1;
}

int Scoreboard::IndexAtPlace(int place) const {
  if (place < 1 || place > static_cast<int>(mOrder.size())) return -1;
  return mOrder[static_cast<std::size_t>(place - 1)];
}

void Scoreboard::ApplyCrossing(const Crossing& c) {
  Timing& timing = mTiming[static_cast<std::size_t>(c.car)];
  const double sinceStart = c.time - timing.lapStart;
  if (c.point == 1) {
    timing.splitValid = c.valid;
    timing.curS1 = c.valid ? sinceStart : -1.0;
    return;
  }
  if (c.point == 2) {
    timing.splitValid = timing.splitValid && c.valid && timing.curS1 > 0.0;
    timing.curS2 = timing.splitValid ? sinceStart : -1.0;
    return;
  }
  // The line crossing says whether the lap counts; a split may be missing
  // from a lap that counts, as the simulator's own results show.
  timing.lastLap = c.valid ? sinceStart : -1.0;
  timing.lastS1 = timing.curS1;
  timing.lastS2 = timing.curS2;
  if (c.valid && (timing.bestLap < 0.0 || sinceStart < timing.bestLap)) {
    timing.bestLap = sinceStart;
    timing.bestLapS1 = timing.curS1;
    timing.bestLapS2 = timing.curS2;
  }
  if (c.valid && timing.curS1 > 0.0 && (timing.bestS1 < 0.0 || timing.curS1 < timing.bestS1)) {
    timing.bestS1 = timing.curS1;
  }
  if (c.valid && timing.curS2 > 0.0 && (timing.bestS2 < 0.0 || timing.curS2 < timing.bestS2)) {
    timing.bestS2 = timing.curS2;
  }
  timing.laps = std::max(timing.laps, c.lapsCompleted);
  timing.lapStart = c.time;
  timing.curS1 = timing.curS2 = -1.0;
  timing.splitValid = true;
}

void Scoreboard::RankRace(double t, const SessionSource& source) {
  if (t < mPlan.startTime) {
    // Until the start the order is the grid's.
    std::stable_sort(mOrder.begin(), mOrder.end(), [&](int a, int b) {
      const int ga = mPlan.cars[static_cast<std::size_t>(a)].gridPlace;
      const int gb = mPlan.cars[static_cast<std::size_t>(b)].gridPlace;
      if ((ga > 0) != (gb > 0)) return ga > 0;
      return ga < gb;
    });
    return;
  }
  // Finished cars rank by the laps they finished with, then by finishing
  // order; running cars by how far they have travelled; a retired car below
  // every car that has completed as many laps; a disqualified car last.
  const auto primary = [&](int i) {
    const CarState& s = source.Car(i);
    if (s.finishStatus == kDisqualified) return -1e9;
    if (s.finishStatus == kFinished) return static_cast<double>(s.finishLaps);
    if (s.finishStatus == kRetired) {
      const double laps = std::floor(s.progress);
      return laps - 1e-3 + 1e-4 * (s.progress - laps);
    }
    return s.progress;
  };
  std::stable_sort(mOrder.begin(), mOrder.end(), [&](int a, int b) {
    const double pa = primary(a), pb = primary(b);
    if (pa != pb) return pa > pb;
    const CarState& sa = source.Car(a);
    const CarState& sb = source.Car(b);
    const bool fa = sa.finishStatus == kFinished, fb = sb.finishStatus == kFinished;
    if (fa != fb) return fa;
    if (fa && sa.finishTime != sb.finishTime) return sa.finishTime < sb.finishTime;
    return false;
  });
}

void Scoreboard::RankByBestLap() {
  std::stable_sort(mOrder.begin(), mOrder.end(), [&](int a, int b) {
    const double la = mTiming[static_cast<std::size_t>(a)].bestLap;
    const double lb = mTiming[static_cast<std::size_t>(b)].bestLap;
    const bool ha = la > 0.0, hb = lb > 0.0;
    if (ha != hb) return ha;
    if (ha && la != lb) return la < lb;
    return a < b;
  });
}

void Scoreboard::FillGapsRace(double t, const SessionSource& source) {
  if (t < mPlan.startTime) {
    // On the grid and on the formation lap nobody is timed yet.
    for (VehicleScoringInfoV01& v : mVehicles) {
      v.mTimeBehindNext = v.mTimeBehindLeader = 0.0;
      v.mLapsBehindNext = v.mLapsBehindLeader = 0;
    }
    return;
  }
  const int leader = mOrder.front();
  const CarState& lead = source.Car(leader);
  const double leaderProgress = lead.finishStatus == kFinished ? lead.finishLaps : lead.progress;
  for (std::size_t place = 0; place < mOrder.size(); ++place) {
    const int i = mOrder[place];
    VehicleScoringInfoV01& v = mVehicles[static_cast<std::size_t>(i)];
    const CarState& s = source.Car(i);
    if (s.finishStatus == kFinished && mGapFrozen[static_cast<std::size_t>(i)]) continue;
    if (place == 0) {
      v.mTimeBehindNext = v.mTimeBehindLeader = 0.0;
      v.mLapsBehindNext = v.mLapsBehindLeader = 0;
    } else {
      const int ahead = mOrder[place - 1];
      const CarState& a = source.Car(ahead);
      const double mine = s.finishStatus == kFinished ? s.finishLaps : s.progress;
      const double aheadProgress = a.finishStatus == kFinished ? a.finishLaps : a.progress;
      const double when = s.finishStatus == kFinished ? s.finishTime : t;
      v.mTimeBehindNext = std::max(0.0, when - source.TimeAtProgress(ahead, mine));
      v.mTimeBehindLeader = std::max(0.0, when - source.TimeAtProgress(leader, mine));
      v.mLapsBehindNext = static_cast<std::int32_t>(std::max(0.0, std::floor(aheadProgress - mine)));
      v.mLapsBehindLeader = static_cast<std::int32_t>(std::max(0.0, std::floor(leaderProgress - mine)));
    }
    if (s.finishStatus == kFinished) mGapFrozen[static_cast<std::size_t>(i)] = true;
  }
}

void Scoreboard::FillGapsByBestLap() {
  const double leaderBest = mTiming[static_cast<std::size_t>(mOrder.front())].bestLap;
  for (std::size_t place = 0; place < mOrder.size(); ++place) {
    const int i = mOrder[place];
    VehicleScoringInfoV01& v = mVehicles[static_cast<std::size_t>(i)];
    const double best = mTiming[static_cast<std::size_t>(i)].bestLap;
    v.mLapsBehindNext = v.mLapsBehindLeader = 0;
    if (place == 0 || best <= 0.0) {
      v.mTimeBehindNext = v.mTimeBehindLeader = 0.0;
      continue;
    }
    const double aheadBest = mTiming[static_cast<std::size_t>(mOrder[place - 1])].bestLap;
    v.mTimeBehindNext = std::max(0.0, best - aheadBest);
    v.mTimeBehindLeader = std::max(0.0, best - leaderBest);
  }
}

void Scoreboard::Update(double t, const SessionSource& source, const std::vector<Crossing>& crossings) {
  mInfo.mCurrentET = t;
  mInfo.mGamePhase = static_cast<unsigned char>(source.Phase());
  const int lights = source.StartLights();
  mInfo.mStartLight = static_cast<unsigned char>(lights);
  mInfo.mNumRedLights = static_cast<unsigned char>(lights > 0 ? 5 : 0);
  if (mPlan.kind == SessionKind::Race && !mStarted && t >= mPlan.startTime) {
    // The first lap of a race begins at the start, wherever the car stands.
    mStarted = true;
    for (Timing& timing : mTiming) timing.lapStart = mPlan.startTime;
  }
  for (const Crossing& c : crossings) ApplyCrossing(c);

  if (mPlan.kind == SessionKind::Race) {
    RankRace(t, source);
  } else {
    RankByBestLap();
  }

  const double length = mPlan.trackLength;
  const double radius = length / (2.0 * M_PI);
  for (std::size_t i = 0; i < mVehicles.size(); ++i) {
    VehicleScoringInfoV01& v = mVehicles[i];
    const CarState& s = source.Car(static_cast<int>(i));
    const Timing& timing = mTiming[i];
    double lapDist = Fraction(s.progress) * length;
    if (lapDist >= length) lapDist = 0.0;
    const double fraction = lapDist / length;
    v.mLapDist = lapDist;
    v.mSector = static_cast<signed char>(fraction < mPlan.split1 ? 1 : fraction < mPlan.split2 ? 2 : 0);
    v.mTotalLaps = static_cast<std::int16_t>(timing.laps);
    v.mFinishStatus = static_cast<signed char>(s.finishStatus);
    v.mLapStartET = timing.lapStart;
    v.mCurSector1 = timing.curS1;
    v.mCurSector2 = timing.curS2;
    v.mLastSector1 = timing.lastS1;
    v.mLastSector2 = timing.lastS2;
    v.mLastLapTime = timing.lastLap;
    v.mBestSector1 = timing.bestS1;
    v.mBestSector2 = timing.bestS2;
    v.mBestLapTime = timing.bestLap;
    v.mBestLapSector1 = static_cast<float>(timing.bestLapS1);
    v.mBestLapSector2 = static_cast<float>(timing.bestLapS2);
    v.mNumPitstops = static_cast<std::int16_t>(s.pitStops);
    v.mInPits = s.inPits;
    v.mInGarageStall = s.inGarage;
    v.mPitState = static_cast<unsigned char>(s.pitState);
    v.mIndividualPhase = mInfo.mGamePhase;
    v.mTimeIntoLap = t - timing.lapStart;
    v.mEstimatedLapTime = timing.bestLap > 0.0 ? timing.bestLap : timing.lastLap;
    const double angle = fraction * 2.0 * M_PI;
    v.mPos = TelemVect3{radius * std::cos(angle), 0.0, radius * std::sin(angle)};
    v.mLocalVel = TelemVect3{0.0, 0.0, -s.speed};
  }
  for (std::size_t place = 0; place < mOrder.size(); ++place) {
    mVehicles[static_cast<std::size_t>(mOrder[place])].mPlace = static_cast<unsigned char>(place + 1);
  }
  if (mOrder.empty()) return;
  if (mPlan.kind == SessionKind::Race) {
    FillGapsRace(t, source);
  } else {
    FillGapsByBestLap();
  }
}

void Scoreboard::Take(const SessionSource& source) {
  const ScoringInfoV01& recorded = *source.TracedInfo();
  std::memcpy(mInfo.mTrackName, recorded.mTrackName, sizeof mInfo.mTrackName);
  mInfo.mSession = recorded.mSession;
  mInfo.mCurrentET = recorded.mCurrentET;
  mInfo.mEndET = recorded.mEndET;
  mInfo.mMaxLaps = recorded.mMaxLaps;
  mInfo.mLapDist = recorded.mLapDist;
  mInfo.mGamePhase = recorded.mGamePhase;
  mInfo.mYellowFlagState = recorded.mYellowFlagState;
  mInfo.mVehicle = mVehicles.data();
  mInfo.mNumVehicles = static_cast<std::int32_t>(mVehicles.size());
  for (std::size_t i = 0; i < mVehicles.size(); ++i) {
    const VehicleScoringInfoV01* car = source.TracedCar(static_cast<int>(i));
    if (car != nullptr) {
      mVehicles[i] = *car;
    } else {
      mVehicles[i].mPlace = 0;  // not in this snapshot
    }
  }
  // By place; cars without one last.
  std::stable_sort(mOrder.begin(), mOrder.end(), [&](int a, int b) {
    const int pa = mVehicles[static_cast<std::size_t>(a)].mPlace, pb = mVehicles[static_cast<std::size_t>(b)].mPlace;
    return (pa == 0 ? 1 << 20 : pa) < (pb == 0 ? 1 << 20 : pb);
  });
}

}  // namespace ksim
