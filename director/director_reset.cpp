#include "plugin/rF2kovrel.hpp"

void rF2kovrel::ResetDirector() {
  mActualVeh = -1;
  mPlayerVeh = -1;
  mLastCutTime = 0.0;
  mBestLap = 2147483640.0;
  mBestS1 = 2147483640.0;
  mBestS2 = 2147483640.0;
  mNextPlace = 0;
  mS1Place = 0;
  mS2Place = 0;
  mNextVeh = 0;
  mActualPlace = 0;
  mShownCount = 0;
  mLeaderLaps = 0;
  mPoleVeh = -1;
  mTimerFired = false;
  mInPit = false;
  mCamType = 4;
  mActualCamType = 0;
  mSbsCount = 0;
  mWtvCount = 0;
  mNextDriver.clear();
  mLeaderDriver.clear();
  mCarChosen = false;
  mClassStandings.clear();
  mClassNames.clear();
  mClassLeaderVeh.clear();
  mClassesGroupedAt = -1.0e9;

  mReplayPending = false;
  mReplayEndRequested = false;
  mReplayRunning = false;
  mReplayCamSet = false;
  mReplayId = -1;
  mReplayOtherId = -1;
  mIncidentId = -1;
  mIncidentOtherId = -1;
  mReplayIncidentTime = 0.0;
  mReplayStartTime = 0.0;
  mIncidentTime = 0.0;
  mIncidentSize = 0.0;
  mPrevResults.clear();
  mPrevResultsSet = false;
  ResetLiveDirector();
  ResetManual();
}
