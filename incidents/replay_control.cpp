// The instant replay of a scheduled incident: the simulator's own
// "InstantReplay" control is pressed to start and to end it, and camera control
// puts the replay camera on the car, slows the replay down and speeds it up.
#include <cfloat>
#include <cstdint>
#include <mutex>

#include "plugin/boundary.hpp"
#include "plugin/rF2kovrel.hpp"
#include "plugin/text.hpp"

namespace {

// The replay starts only once the incident is this far in the past, so that
// the simulator has recorded it and a little of what followed.
constexpr double kStartDelaySeconds = 10.0;
// Seconds after the start: slow play strictly between the two, normal play after.
constexpr double kSlowPlayFrom = 4.0;
constexpr double kNormalPlayFrom = 13.0;

constexpr std::int32_t kReplayCameraType = 4;  // the director's trackside camera
constexpr unsigned char kSlowPlay = 8;
constexpr unsigned char kNormalPlay = 9;
constexpr unsigned char kAnswerNothing = 0;
constexpr unsigned char kAnswerReplayCommand = 2;
constexpr unsigned char kAnswerCameraAndReplayTime = 3;

// The host takes a float; a wild offset setting must not overflow it.
float ReplaySecondsOf(double seconds) {
  if (seconds > FLT_MAX) return FLT_MAX;
  if (seconds < -FLT_MAX) return -FLT_MAX;
  return static_cast<float>(seconds);
}

}  // namespace

bool rF2kovrel::CheckHWControl(const char* const controlName, double& fRetVal) {
  if (!mHardwareEnabled) return false;
  return RunGuarded(false, [&] {
    // The host may poll its controls while a snapshot is processed on another
    // thread; the next poll comes soon enough.
    std::unique_lock<std::mutex> lock(mCycleLock, std::try_to_lock);
    if (!lock.owns_lock()) return false;

    PollShortcut();  // switched on here, the next cut is timed from the last one
    PollManualKeys();
    if (controlName == nullptr || !EqualsIgnoringCase(controlName, "InstantReplay")) return false;

    // A replay asked for by hand starts at once; the director's own wait
    // for the broadcaster's hold to end.
    const bool due = mManualReplay || (mSessionTime > mReplayIncidentTime + kStartDelaySeconds && !HandHoldsReplays());
    if (mReplayPending && !mReplayRunning && due) {
      fRetVal = 1.0;
      mReplayRunning = true;
      mReplayPending = false;
      mReplayStartTime = mSessionTime;
      mReplayCamSet = false;
      NoteStandingsChange();
      return true;
    }
    if (mReplayRunning && mReplayEndRequested) {
      fRetVal = 1.0;
      mReplayEndRequested = false;
      mReplayRunning = false;
      mReplayCamSet = false;
      mReplayPending = false;
      NoteStandingsChange();
      mManualReplay = false;
      return true;
    }
    return false;
  });
}

unsigned char rF2kovrel::ViewReplay(CameraControlInfoV01& camControl) {
  mWtvPath.store(4, std::memory_order_relaxed);
  const double start = mReplayStartTime;
  const double now = mSessionTime;
  if (now > start + replayduration) {
    mReplayPending = false;
    mReplayEndRequested = true;
    mReplayCamSet = false;
  }
  if (!mReplayCamSet && !mReplayEndRequested) {
    camControl.mID = mReplayId;
    camControl.mCameraType = kReplayCameraType;
    camControl.mReplaySetTime = true;
    camControl.mReplaySeconds = ReplaySecondsOf(mReplayIncidentTime - replayoffset);
    mActualVeh = mReplayId;
    mReplayCamSet = true;
    WriteDriverFile();
    return kAnswerCameraAndReplayTime;
  }
  if (now > start + kSlowPlayFrom && now < start + kNormalPlayFrom) {
    camControl.mReplayCommand = kSlowPlay;
    return kAnswerReplayCommand;
  }
  if (now > start + kNormalPlayFrom) {
    camControl.mReplayCommand = kNormalPlay;
    return kAnswerReplayCommand;
  }
  return kAnswerNothing;
}
