#include "host/director_view.hpp"

#include <cmath>
#include <cstdio>

#include "director/live_director.hpp"
#include "director/manual_keys.hpp"
#include "plugin/rF2kovrel.hpp"

namespace ksim {

namespace {

const VehicleScoringInfoV01* AtPlace(const ScoringInfoV01& info, int place) {
  for (int i = 0; i < info.mNumVehicles; ++i) {
    if (info.mVehicle[i].mPlace == place) return &info.mVehicle[i];
  }
  return nullptr;
}

std::string Seconds(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.2f s", value);
  return buffer;
}

}  // namespace

DirectorView::DirectorView(InternalsPluginV07* plugin, bool isDirector) {
  if (plugin != nullptr && isDirector) mDirector = static_cast<const rF2kovrel*>(plugin);
}

DirectorSettings DirectorView::Settings() const {
  DirectorSettings s;
  if (mDirector == nullptr) return s;
  const rF2kovrel& d = *mDirector;
  s.known = true;
  s.autoOn = d.auto_;
  s.autokey = d.autokey;
  s.waitsec = d.waitsec;
  s.interest = d.interest;
  s.interestdiff = d.interestdiff;
  s.onboarddiff = d.onboarddiff;
  s.lowinc = d.lowinc;
  s.highinc = d.highinc;
  s.msessioninc = d.msessioninc;
  s.sbsdist = d.sbsdist;
  s.sbscount = d.sbscount;
  s.showinpit = d.showinpit;
  s.onboardcam = d.onboardcam;
  s.rearviewcam = d.rearviewcam;
  s.replayduration = d.replayduration;
  s.replayoffset = d.replayoffset;
  s.filespath = d.filespath;
  s.livedirector = d.livedirector;
  s.livemin = d.livemin;
  s.liveswitch = d.liveswitch;
  s.autoinc = d.autoinc;
  s.multiclass = d.multiclass;
  s.lowincInForce = d.lowinc;
  s.highincInForce = d.highinc;
  const std::int32_t codes[kManualActions] = {d.holdkey, d.nextkey, d.prevkey, d.leaderkey, d.replaykey};
  for (int a = 0; a < kManualActions; ++a) s.manualKeys[a] = PolledKeyCode(codes, d.autokey, a);
  s.manualhold = d.manualhold;
  s.favourites = d.favourites;
  s.favourfactor = d.favourfactor;
  return s;
}

void DirectorView::TakeThresholdsInForce(DirectorSettings& settings) const {
  if (mDirector == nullptr) return;
  settings.lowincInForce = mDirector->lowinc;
  settings.highincInForce = mDirector->highinc;
}

int DirectorView::AutoOn() const { return mDirector != nullptr ? mDirector->auto_ : 0; }

bool DirectorView::ManualNow() const { return mDirector != nullptr && mDirector->ManualState() != nullptr; }

bool DirectorView::WebServerSeen() const { return mDirector != nullptr && mDirector->mWebServerUp; }

void DirectorView::BeforeScoring() {
  if (mDirector != nullptr) mPoleBefore = mDirector->mPoleVeh;
}

bool DirectorView::CutPrepared() const { return mDirector != nullptr && mDirector->mTimerFired; }

CutReason DirectorView::Explain(const ScoringInfoV01& info) const {
  CutReason why;
  if (mDirector == nullptr) return why;
  const rF2kovrel& d = *mDirector;
  const int place = d.mNextPlace;
  why.place = place;
  const VehicleScoringInfoV01* chosen = AtPlace(info, place);
  if (chosen != nullptr && d.mNextVeh != chosen->mID) {
    why.rearView = d.mCamType == d.rearviewcam && d.mNextVeh == d.mAheadVeh && d.rearviewcam != d.onboardcam;
    why.leaderInstead = !why.rearView && d.mNextVeh == d.mLeaderVeh;
  }
  if (d.mManualAction >= 0) {
    why.reason = Reason::Manual;
    why.detail = kManualKeyNames[d.mManualAction];
    return why;
  }
  const int session = info.mSession;
  const int phase = info.mGamePhase;

  if (session <= 4) {
    why.reason = (place == 1 && d.mCutWait == 2) ? Reason::Leader : Reason::Rotation;
    if (d.mAllFinished) why.reason = Reason::FinishWalk;
    return why;
  }
  if (session <= 9) {
    if (d.mAllFinished) {
      why.reason = Reason::FinishWalk;
    } else if (place == 1 && mPoleBefore != -1 && d.mPoleVeh != mPoleBefore) {
      why.reason = Reason::NewLeader;
    } else if (d.mS2Place != 0 && place == d.mS2Place) {
      why.reason = Reason::QualifyingSplit;
      why.detail = "second split";
    } else if (d.mS1Place != 0 && place == d.mS1Place) {
      why.reason = Reason::QualifyingSplit;
      why.detail = "first split";
    } else {
      why.reason = (place == 1 && d.mCutWait == 2) ? Reason::Leader : Reason::Rotation;
    }
    return why;
  }

  if (d.mAllFinished) {
    why.reason = Reason::FinishWalk;
    return why;
  }
  if (phase == 3) {
    why.reason = Reason::GridWalk;
    return why;
  }
  if (phase != 4 && phase != 5) {
    why.reason = Reason::Leader;
    return why;
  }
  if (d.mLiveReason == kLiveCloserBattle || d.mLiveReason == kLiveBestFight) {
    why.reason = d.mLiveReason == kLiveCloserBattle ? Reason::CloserBattle : Reason::BestFight;
    why.detail = Seconds(d.mMinBehind);
    return why;
  }
  if (d.mLiveReason == kLiveContact || d.mLiveReason == kLiveScene) {
    why.reason = d.mLiveReason == kLiveContact ? Reason::Contact : Reason::ContactScene;
    return why;
  }
  if (chosen != nullptr && d.mCutWait == 2 && chosen->mFinishStatus == 0 && chosen->mSector == 0 &&
      chosen->mPlace == d.mMaxFinishedPlace + 1 &&
      (chosen->mTotalLaps == info.mMaxLaps - 1 || (info.mEndET > 0.0 && info.mEndET - info.mCurrentET < 20.0))) {
    why.reason = Reason::FlagChase;
    return why;
  }
  if (d.mInPit && d.mPitPlace == place) {
    why.reason = Reason::PitLane;
    return why;
  }
  if (d.mSbsCount >= d.sbscount && d.mSbsPlace == place) {
    why.reason = Reason::SideBySide;
    why.detail = std::to_string(d.mSbsCount) + " cars";
    return why;
  }
  if (chosen != nullptr && d.mBattleScore < 99999.0 && std::fabs(chosen->mTimeBehindNext) == d.mMinBehind) {
    why.reason = Reason::Battle;
    why.detail = Seconds(d.mMinBehind);
    return why;
  }
  why.reason = (place == 1 && d.mCutWait == 2) ? Reason::Leader : Reason::Random;
  return why;
}

}  // namespace ksim
