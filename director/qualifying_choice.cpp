#include "director/cut_wait.hpp"
#include "director/snapshot.hpp"
#include "plugin/rF2kovrel.hpp"

namespace {

// Below Camera choice's floor, so a car on an improving lap is always shown
// with the trackside camera.
constexpr double kImprovingLapGap = 0.01;

// Split times of 0 or less are not set. The second split is the cumulative
// time (sector 1 plus sector 2), and so is the best-lap holder's mBestS2: the
// two compare as they stand.
bool UpAtSecondSplit(const rF2kovrel& d, const VehicleScoringInfoV01& v) {
  return v.mCurSector2 > 0.0 && v.mCurSector2 < d.mBestS2;
}

// Between the first and second splits, ahead of the best-lap holder's sector 1.
bool UpAtFirstSplit(const rF2kovrel& d, const VehicleScoringInfoV01& v) {
  return v.mCurSector1 > 0.0 && v.mCurSector2 <= 0.0 && v.mCurSector1 < d.mBestS1;
}

bool BetterThan(int chosenPlace, const VehicleScoringInfoV01& v) {
  return chosenPlace == 0 || chosenPlace > v.mPlace;
}

// The best-placed car improving at each split; it is taken only once the wait
// has run out, but any such car keeps the camera trackside.
void ScanSplits(rF2kovrel& d, const ScoringInfoV01& info) {
  const bool waitOver = WaitHasRunOut(d);
  const int count = VehicleCount(info);
  for (int i = 0; i < count; ++i) {
    const VehicleScoringInfoV01& v = info.mVehicle[i];
    if (v.mIsPlayer && d.mPlayerDriving) continue;
    if (UpAtSecondSplit(d, v) && BetterThan(d.mS2Place, v)) {
      if (waitOver) d.mS2Place = v.mPlace;
      d.mMinBehind = kImprovingLapGap;
    }
    if (UpAtFirstSplit(d, v) && BetterThan(d.mS1Place, v)) {
      if (waitOver) d.mS1Place = v.mPlace;
      d.mMinBehind = kImprovingLapGap;
    }
  }
}

// The first look after a reset only records the leader. A leader of slot id 0
// never counts as new: 0 is also what the leader field holds before any car
// has been seen in place 1.
bool CutToNewLeader(rF2kovrel& d) {
  if (d.mPoleVeh == -1) {
    d.mPoleVeh = d.mLeaderVeh;
    return false;
  }
  if (d.mLeaderVeh == d.mPoleVeh || d.mLeaderVeh == 0) return false;
  d.mPoleVeh = d.mLeaderVeh;
  d.mNextPlace = 1;
  d.mLastCutTime = d.mSessionTime - d.mCutWait - 1.0;  // due in this very snapshot
  return true;
}

}  // namespace

// Qualifying and warm-up: a new leader first, then the second split before
// the first, then the rotation.
void rF2kovrel::ChooseQualifying(const ScoringInfoV01& info) {
  ScanSplits(*this, info);
  if (CutToNewLeader(*this)) return;
  if (mS2Place != 0) {
    mNextPlace = mS2Place;
  } else if (mS1Place != 0) {
    mNextPlace = mS1Place;
  } else if (WaitHasRunOut(*this)) {
    const int place = PickRandomPlace(info);
    if (place != 0) mNextPlace = place;
  } else {
    mNextPlace = mActualPlace;
  }
}
