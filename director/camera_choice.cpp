#include <cstdlib>

#include "director/snapshot.hpp"
#include "plugin/rF2kovrel.hpp"

void rF2kovrel::ChooseCamera(const ScoringInfoV01& info) {
  const int place = mNextPlace;
  const int count = VehicleCount(info);
  for (int i = 0; i < count; ++i) {
    const VehicleScoringInfoV01& v = info.mVehicle[i];
    const bool usable = (v.mPitState == 0 && v.mFinishStatus == 0) || mAllFinished || mInPit;
    if (v.mPlace == place) {
      mNextVeh = usable ? v.mID : mLeaderVeh;
      mCarChosen = true;
    }
    if (place > 1 && v.mPlace == place - 1 && usable) mAheadVeh = v.mID;
  }
  if (place <= 1) mAheadVeh = mLeaderVeh;

  const int threshold = (mActualCamType == 0 && mNextVeh == mActualVeh) ? 3 : 2;
  if (mMinBehind < 0.05 || mMinBehind > onboarddiff) {
    mCamType = 4;
    return;
  }
  const int closeShotDraw = std::rand() % 9 + 1;
  if (closeShotDraw > threshold) {
    mCamType = 4;
    return;
  }
  const int rearViewDraw = std::rand() % 99 + 1;
  if (rearViewDraw <= rearview) {
    // Look back from the car ahead at the chosen car.
    mNextVeh = mAheadVeh;
    mCamType = rearviewcam;
  } else {
    mCamType = onboardcam;
  }
}
