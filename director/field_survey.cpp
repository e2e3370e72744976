#include "director/snapshot.hpp"
#include "plugin/rF2kovrel.hpp"

void rF2kovrel::SurveyField(const ScoringInfoV01& info) {
  mBattleScore = 99999.0;
  mMinBehind = onboarddiff + 1.0;
  mNextPlace = 0;
  mS1Place = 0;
  mS2Place = 0;
  mSbsPlace = 0;
  mSbsCount = 0;
  mInPit = false;
  mPlayerDriving = false;

  const int count = VehicleCount(info);
  for (int i = 0; i < count; ++i) {
    const VehicleScoringInfoV01& v = info.mVehicle[i];
    if (v.mIsPlayer) {
      mPlayerVeh = v.mID;
      if (v.mFinishStatus == 0 && v.mPitState == 0) mPlayerDriving = true;
    }
    if (v.mPlace == 1) {
      mLeaderVeh = v.mID;
      mLeaderDriver = DriverNameOf(v);
      mLeaderLaps = v.mTotalLaps;
    }
    if (v.mFinishStatus == 0) mAllFinished = false;
    if (v.mBestLapTime > 0.0 && v.mBestLapTime < mBestLap) {
      mBestLap = v.mBestLapTime;
      mBestS1 = v.mBestSector1;
      mBestS2 = v.mBestSector2;
    }
  }
}
