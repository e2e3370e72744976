#include "plugin/boundary.hpp"
#include "plugin/rF2kovrel.hpp"
#include "plugin/text.hpp"

unsigned char rF2kovrel::WantsToViewVehicle(CameraControlInfoV01& camControl) {
  // Counters for the State line only: no order with other fields is needed,
  // and this runs between every two snapshots.
  mWtvCount.fetch_add(1, std::memory_order_relaxed);
  mWtvPath.store(0, std::memory_order_relaxed);
  mRepActive.store(camControl.mReplayActive ? 1 : 0, std::memory_order_relaxed);
  return RunGuarded<unsigned char>(0, [&] {
    std::unique_lock<std::mutex> lock(mCycleLock, std::try_to_lock);
    if (!lock.owns_lock() || mInUpdate || auto_ == 0) return static_cast<unsigned char>(0);
    // Filled in on a copy: a command cut short by an exception reaches the
    // simulator not even in part. Only a command (non-zero) writes anything.
    CameraControlInfoV01 command = camControl;
    const unsigned char answer = mReplayRunning ? ViewReplay(command) : ViewNormally(command);
    if (answer != 0) camControl = command;
    return answer;
  });
}

unsigned char rF2kovrel::ViewNormally(CameraControlInfoV01& camControl) {
  if (!mCarChosen) {
    // Nothing has been chosen since the reset: no command for a car nobody chose.
    mWtvPath.store(5, std::memory_order_relaxed);
    return 0;
  }
  if (mTimerFired) {
    mTimerFired = false;
    mActualVeh = -1;  // a due cut is sent even to the car already shown
  }
  if (mPlayerDriving && mPlayerVeh != -1 && mNextVeh == mPlayerVeh) {
    mWtvPath.store(3, std::memory_order_relaxed);
    return 0;
  }
  if (mNextVeh == mActualVeh && mCamType == mActualCamType) {
    mWtvPath.store(5, std::memory_order_relaxed);
    return 0;
  }
  mWtvPath.store(2, std::memory_order_relaxed);
  camControl.mID = mNextVeh;
  if (EqualsIgnoringCase(camtest, "ob")) {
    mCamType = onboardcam;
  } else if (EqualsIgnoringCase(camtest, "rv")) {
    mCamType = rearviewcam;
  }
  camControl.mCameraType = mCamType;
  mLastCutTime = mSessionTime;
  mActualVeh = mNextVeh;
  mActualPlace = mNextPlace;
  mActualCamType = mCamType;
  WriteDriverFile();
  NoteStandingsChange();
  return 1;
}
