// A stand-in plug-in for the host's tests: by session time it asks for two
// cuts and the same shot again, runs one instant replay with a position, slow
// and normal play, shows one notice, takes one other control and sends one
// replay command outside a replay. It logs the host's calls in order.
#include <cstring>
#include <string>

#include "sdk/InternalsPlugin.hpp"

#define SCRIPTED_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::string gLog;

void Log(const char* what) {
  if (!gLog.empty()) gLog += ' ';
  gLog += what;
}

class Scripted final : public InternalsPluginV07 {
 public:
  void Startup(std::int32_t /*version*/) override { Log("Startup"); }
  void Shutdown() override { Log("Shutdown"); }
  void StartSession() override { Log("StartSession"); }
  void EndSession() override { Log("EndSession"); }
  void EnterRealtime() override { Log("EnterRealtime"); }
  void ExitRealtime() override { Log("ExitRealtime"); }
  bool WantsScoringUpdates() override { return true; }
  void UpdateScoring(const ScoringInfoV01& info) override {
    if (mSnapshots++ == 0) Log("UpdateScoring");
    mTime = info.mCurrentET;
    if (info.mNumVehicles >= 2 && info.mVehicle != nullptr) {
      mFirst = info.mVehicle[0].mID;
      mSecond = info.mVehicle[1].mID;
    }
    if (info.mResultsStream == nullptr && !mNoStream) {
      mNoStream = true;
      Log("no-results-stream");
    }
  }
  bool HasHardwareInputs() override { return true; }
  void EnableHardware() override { Log("EnableHardware"); }
  void DisableHardware() override { Log("DisableHardware"); }
  bool CheckHWControl(const char* const name, double& value) override {
    if (std::strcmp(name, "InstantReplay") == 0) {
      const bool start = !mReplay && !mReplayDone && mTime >= 40.0;
      const bool end = mReplay && mTime >= 60.0;
      if (!start && !end) return false;
      mReplay = start;
      mReplayDone = true;
      value = 1.0;
      return true;
    }
    if (std::strcmp(name, "ToggleMFDA") == 0 && !mTookControl && mTime >= 70.0) {
      mTookControl = true;
      value = 1.0;
      return true;
    }
    return false;
  }
  unsigned char WantsToViewVehicle(CameraControlInfoV01& camera) override {
    if (camera.mReplayActive != mReplay && !mReplayFlagWrong) {
      mReplayFlagWrong = true;
      Log("replay-active-wrong");
    }
    if (mReplay) {
      if (!mReplayCamera) {
        mReplayCamera = true;
        camera.mID = mSecond;
        camera.mCameraType = 4;
        camera.mReplaySetTime = true;
        camera.mReplaySeconds = 35.0f;
        return 3;
      }
      if (mTime >= 44.0 && mTime < 53.0) {
        camera.mReplayCommand = 8;
        return 2;
      }
      if (mTime >= 53.0) {
        camera.mReplayCommand = 9;
        return 2;
      }
      return 0;
    }
    if (mTime >= 5.0 && !mStrayCommand) {
      mStrayCommand = true;  // a replay command with no replay running
      camera.mReplayCommand = 8;
      return 2;
    }
    const struct {
      double time;
      bool second;
      int type;
    } cuts[] = {{10.0, false, 4}, {20.0, false, 4}, {30.0, true, 5}, {65.0, false, 4}};
    if (mCut < 4 && mTime >= cuts[mCut].time) {
      camera.mID = cuts[mCut].second ? mSecond : mFirst;
      camera.mCameraType = cuts[mCut].type;
      ++mCut;
      return 1;
    }
    return 0;
  }
  bool WantsToDisplayMessage(MessageInfoV01& message) override {
    if (mNoticeShown || mTime < 1.0) return false;
    mNoticeShown = true;
    std::strcpy(message.mText, "scripted notice");
    message.mDestination = 1;
    return true;
  }
  void SetEnvironment(const EnvironmentInfoV01& info) override {
    Log("SetEnvironment");
    if (info.mPath[1] != nullptr && std::strstr(info.mPath[1], "CustomPluginVariables.JSON") != nullptr) {
      Log("options-path");
    }
  }

 private:
  double mTime = 0.0;
  long mSnapshots = 0;
  std::int32_t mFirst = -1, mSecond = -1;
  bool mReplay = false, mReplayDone = false, mReplayCamera = false, mReplayFlagWrong = false;
  bool mTookControl = false, mStrayCommand = false, mNoticeShown = false, mNoStream = false;
  int mCut = 0;
};

}  // namespace

SCRIPTED_EXPORT const char* GetPluginName() { return "kovrel-sim scripted plug-in"; }
SCRIPTED_EXPORT PluginObjectType GetPluginType() { return PO_INTERNALS; }
SCRIPTED_EXPORT int GetPluginVersion() { return 7; }
SCRIPTED_EXPORT PluginObject* CreatePluginObject() {
  gLog.clear();
  Log("Create");
  return static_cast<PluginObject*>(new Scripted());
}
SCRIPTED_EXPORT void DestroyPluginObject(PluginObject* object) {
  if (object == nullptr) return;
  Log("Destroy");
  DeleteInternalsPlugin(static_cast<Scripted*>(object));
}
SCRIPTED_EXPORT const char* scripted_plugin_log() { return gLog.c_str(); }
