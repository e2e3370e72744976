#include <cstdlib>

#include "director/cut_wait.hpp"
#include "director/snapshot.hpp"
#include "plugin/boundary.hpp"
#include "plugin/rF2kovrel.hpp"

namespace {

// Clears the cycle's flag however the cycle ends: left set, camera control
// would stay idle for good.
class CycleFlag {
 public:
  explicit CycleFlag(bool& flag) : mFlag(flag) { mFlag = true; }
  ~CycleFlag() { mFlag = false; }
  CycleFlag(const CycleFlag&) = delete;
  CycleFlag& operator=(const CycleFlag&) = delete;

 private:
  bool& mFlag;
};

}  // namespace

void rF2kovrel::UpdateScoring(const ScoringInfoV01& info) {
  RunGuarded([&] {
    std::lock_guard<std::mutex> lock(mCycleLock);
    RecordSnapshot(info);
    if (PollShortcut() > 0) {
      // Switched on here: put the last cut far enough back that a cut is due now.
      mLastCutTime = info.mCurrentET - waitsec - 5.0;
    }
    PollManualKeys();
    if (auto_ == 0) mManualPressed = 0;  // the keys act only while the director is on
    if (auto_ != 0) RunActiveCycle(info);
    if (standings != 0) RefreshStandings(info);
  });
}

void rF2kovrel::RunActiveCycle(const ScoringInfoV01& info) {
  const CycleFlag inUpdate(mInUpdate);
  mSessionTime = info.mCurrentET;
  if (info.mSession != mLastSession || mSessionTime < mLastCutTime) {
    ResetDirector();
    mLastSession = info.mSession;
  }
  mMaxFinishedPlace = 0;
  mAllFinished = true;
  mCutWait = WaitAfterCut(waitsec, std::rand() % 5);

  if (VehicleCount(info) > 0) {
    SurveyField(info);
    FindFavourites(info);
    if (multiclass != 0 && info.mSession > 9) SurveyClasses(info);
    if (info.mSession <= 4) {
      ChoosePractice(info);
    } else if (info.mSession <= 9) {
      ChooseQualifying(info);
    } else {
      ChooseRace(info);
    }
    if (mAllFinished) {
      // Everyone has taken the flag: show the top three in turn (or the winner).
      mCutWait = WaitAfterCut(waitsec, std::rand() % 10);
      if (ByClass()) {
        mNextPlace = FinishWalkPlace();
      } else {
        mNextPlace = (mActualPlace < 3 && walkthrough == 1) ? mActualPlace + 1 : 1;
      }
      mMinBehind = onboarddiff + 1.0;
    }
    if (mNextPlace == 0) {
      mCutWait = 2;
      mNextPlace = 1;
    }
    ScanIncidents(info);
    if (livedirector != 0 && info.mSession > 9) DirectLive(info);
    mTimerFired = (mSessionTime - mLastCutTime) > mCutWait;
    if (mTimerFired) {
      ChooseCamera(info);
    } else {
      mNextVeh = mActualVeh;
    }
    mManualAction = -1;
    if (mManualPressed != 0 || mHeld || mManualVeh != -1) DirectByHand(info);
    CopyFollowedDriver(info);
  }
  HandOverToWebServer();
  RefreshStreamFiles(info);
}

void rF2kovrel::CopyFollowedDriver(const ScoringInfoV01& info) {
  const int count = VehicleCount(info);
  for (int i = 0; i < count; ++i) {
    const VehicleScoringInfoV01& v = info.mVehicle[i];
    if (v.mID == mReplayId) mReplayDriverName = DriverNameOf(v);
    if (v.mID == mNextVeh) {
      mNextDriver = DriverNameOf(v);
      mNextLapTime = info.mCurrentET - v.mLapStartET;
    }
  }
}

void rF2kovrel::HandOverToWebServer() {
  if (!mWebServerUp || mPlayerDriving || mNextVeh == mActualVeh || !mCarChosen) return;
  mActualVeh = mNextVeh;
  mActualPlace = mNextPlace;
  mActualCamType = mCamType;
  mLastCutTime = mSessionTime;
  WriteDriverFile();
  NoteStandingsChange();
  RequestFocus(mNextVeh);
}
