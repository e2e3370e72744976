// The simulator's internals plug-in interface, version 7: the base classes the
// plug-in derives from and the records the simulator hands over. The layout is
// the simulator's (built with Microsoft's compiler): 4-byte packing, 32-bit
// "long", and the virtual slots in the order below. Never reorder anything here.
#pragma once

#include <cstddef>
#include <cstdint>

// Microsoft's compiler gives a virtual destructor one slot (the scalar deleting
// destructor); the Itanium ABI that GCC and clang use on MinGW gives it two and
// would shift every later slot by one. Builds for the simulator's ABI define
// RF2_ONE_SLOT_DESTRUCTOR and get a single slot-0 entry with MSVC's behaviour;
// native builds keep an ordinary virtual destructor.
#if defined(RF2_ONE_SLOT_DESTRUCTOR)
#define RF2_SCALAR_DELETING_DESTRUCTOR(Class)                                  \
  void* ScalarDeletingDestructor(unsigned int flags) override {               \
    if (flags & 1u) {                                                          \
      delete this;                                                             \
    } else {                                                                   \
      this->~Class();                                                          \
    }                                                                          \
    return this;                                                               \
  }
// Each interface class keeps its destructor out of reach (protected), so that
// no one deletes through a base pointer without going through slot 0.
#define RF2_PROTECTED_DESTRUCTOR(Class) \
 protected:                             \
  ~Class() = default;                   \
                                        \
 public:
#else
#define RF2_SCALAR_DELETING_DESTRUCTOR(Class)
#define RF2_PROTECTED_DESTRUCTOR(Class)
#endif

#pragma pack(push, 4)

struct PluginInfo;

class PluginObject {
 public:
  void SetInfo(PluginInfo* p) { mInfo = p; }
  PluginInfo* GetInfo() { return mInfo; }

 private:
  PluginInfo* mInfo = nullptr;
};

enum PluginObjectType : std::int32_t {
  PO_INVALID = -1,
  PO_GAMESTATS = 0,
  PO_NCPLUGIN = 1,
  PO_IVIBE = 2,
  PO_INTERNALS = 3,
  PO_RFONLINE = 4,
  PO_MAXIMUM
};

struct TelemInfoV01;
struct GraphicsInfoV01;
struct GraphicsInfoV02;
struct CommentaryRequestInfoV01;
struct PhysicsOptionsV01;
struct ScreenInfoV01;
struct CustomControlInfoV01;
struct WeatherControlInfoV01;
struct CustomVariableV01;
struct CustomSettingV01;
struct MultiSessionRulesV01;
struct TrackRulesV01;
struct PitMenuV01;

struct TelemVect3 {
  double x, y, z;
};

struct VehicleScoringInfoV01 {
  std::int32_t mID;
  char mDriverName[32];
  char mVehicleName[64];
  std::int16_t mTotalLaps;
  signed char mSector;
  signed char mFinishStatus;
  double mLapDist;
  double mPathLateral;
  double mTrackEdge;
  double mBestSector1;
  double mBestSector2;
  double mBestLapTime;
  double mLastSector1;
  double mLastSector2;
  double mLastLapTime;
  double mCurSector1;
  double mCurSector2;
  std::int16_t mNumPitstops;
  std::int16_t mNumPenalties;
  bool mIsPlayer;
  signed char mControl;
  bool mInPits;
  unsigned char mPlace;
  char mVehicleClass[32];
  double mTimeBehindNext;
  std::int32_t mLapsBehindNext;
  double mTimeBehindLeader;
  std::int32_t mLapsBehindLeader;
  double mLapStartET;
  TelemVect3 mPos;
  TelemVect3 mLocalVel;
  TelemVect3 mLocalAccel;
  TelemVect3 mOri[3];
  TelemVect3 mLocalRot;
  TelemVect3 mLocalRotAccel;
  unsigned char mHeadlights;
  unsigned char mPitState;
  unsigned char mServerScored;
  unsigned char mIndividualPhase;
  std::int32_t mQualification;
  double mTimeIntoLap;
  double mEstimatedLapTime;
  char mPitGroup[24];
  unsigned char mFlag;
  bool mUnderYellow;
  unsigned char mCountLapFlag;
  bool mInGarageStall;
  unsigned char mUpgradePack[16];
  float mPitLapDist;
  float mBestLapSector1;
  float mBestLapSector2;
  unsigned char mExpansion[48];
};

struct ScoringInfoV01 {
  char mTrackName[64];
  std::int32_t mSession;
  double mCurrentET;
  double mEndET;
  std::int32_t mMaxLaps;
  double mLapDist;
  char* mResultsStream;
  std::int32_t mNumVehicles;
  unsigned char mGamePhase;
  signed char mYellowFlagState;
  signed char mSectorFlag[3];
  unsigned char mStartLight;
  unsigned char mNumRedLights;
  bool mInRealtime;
  char mPlayerName[32];
  char mPlrFileName[64];
  double mDarkCloud;
  double mRaining;
  double mAmbientTemp;
  double mTrackTemp;
  TelemVect3 mWind;
  double mMinPathWetness;
  double mMaxPathWetness;
  unsigned char mGameMode;
  bool mIsPasswordProtected;
  std::uint16_t mServerPort;
  std::uint32_t mServerPublicIP;
  std::int32_t mMaxPlayers;
  char mServerName[32];
  float mStartET;
  double mAvgPathWetness;
  unsigned char mExpansion[200];
  VehicleScoringInfoV01* mVehicle;
};

struct CameraControlInfoV01 {
  std::int32_t mID;
  std::int32_t mCameraType;
  bool mReplayActive;
  bool mReplayUnused;
  unsigned char mReplayCommand;
  bool mReplaySetTime;
  float mReplaySeconds;
  unsigned char mExpansion[120];
};

struct MessageInfoV01 {
  char mText[128];
  unsigned char mDestination;
  unsigned char mTranslate;
  unsigned char mExpansion[126];
};

struct EnvironmentInfoV01 {
  const char* mPath[16];
  unsigned char mExpansion[256];
};

// Slot 0 is the destructor; the comments give each function's slot number.
class InternalsPlugin : public PluginObject {
 public:
  InternalsPlugin() = default;
#if defined(RF2_ONE_SLOT_DESTRUCTOR)
  virtual void* ScalarDeletingDestructor(unsigned int flags) = 0;  // 0
#else
  virtual ~InternalsPlugin() = default;  // 0
#endif
  virtual void Startup(std::int32_t /*version*/) {}                    // 1
  virtual void Shutdown() {}                                           // 2
  virtual void Load() {}                                               // 3
  virtual void Unload() {}                                             // 4
  virtual void StartSession() {}                                       // 5
  virtual void EndSession() {}                                         // 6
  virtual void EnterRealtime() {}                                      // 7
  virtual void ExitRealtime() {}                                       // 8
  virtual bool WantsScoringUpdates() { return false; }                 // 9
  virtual void UpdateScoring(const ScoringInfoV01& /*info*/) {}        // 10
  virtual std::int32_t WantsTelemetryUpdates() { return 0; }           // 11
  virtual void UpdateTelemetry(const TelemInfoV01& /*info*/) {}        // 12
  virtual bool WantsGraphicsUpdates() { return false; }                // 13
  virtual void UpdateGraphics(const GraphicsInfoV01& /*info*/) {}      // 14
  virtual bool RequestCommentary(CommentaryRequestInfoV01& /*info*/) { // 15
    return false;
  }
  virtual bool HasHardwareInputs() { return false; }                   // 16
  virtual void UpdateHardware(const double /*fDT*/) {}                 // 17
  virtual void EnableHardware() {}                                     // 18
  virtual void DisableHardware() {}                                    // 19
  virtual bool CheckHWControl(const char* const /*controlName*/,       // 20
                              double& /*fRetVal*/) {
    return false;
  }
  virtual bool ForceFeedback(double& /*forceValue*/) { return false; } // 21
  virtual void Error(const char* const /*msg*/) {}                     // 22

  float mET = 0.0f;
  bool mEnabled = false;

 protected:
#if defined(RF2_ONE_SLOT_DESTRUCTOR)
  ~InternalsPlugin() = default;
#endif
};

class InternalsPluginV01 : public InternalsPlugin {
  RF2_PROTECTED_DESTRUCTOR(InternalsPluginV01)
};

class InternalsPluginV02 : public InternalsPluginV01 {
  RF2_PROTECTED_DESTRUCTOR(InternalsPluginV02)

 public:
  virtual void SetPhysicsOptions(PhysicsOptionsV01& /*options*/) {}    // 23
};

class InternalsPluginV03 : public InternalsPluginV02 {
  RF2_PROTECTED_DESTRUCTOR(InternalsPluginV03)

 public:
  virtual unsigned char WantsToViewVehicle(CameraControlInfoV01& /*camControl*/) {  // 24
    return 0;
  }
  virtual void UpdateGraphics(const GraphicsInfoV02& /*info*/) {}      // 25
  virtual bool WantsToDisplayMessage(MessageInfoV01& /*msgInfo*/) {    // 26
    return false;
  }

  // Last on purpose: Microsoft's ABI groups overloads in the table at the first
  // place their name appears in the class, a using-declaration included, and
  // would move UpdateGraphics(GraphicsInfoV02) ahead of WantsToViewVehicle.
  using InternalsPlugin::UpdateGraphics;
};

class InternalsPluginV04 : public InternalsPluginV03 {
  RF2_PROTECTED_DESTRUCTOR(InternalsPluginV04)

 public:
  virtual void SetEnvironment(const EnvironmentInfoV01& /*info*/) {}   // 27
};

class InternalsPluginV05 : public InternalsPluginV04 {
  RF2_PROTECTED_DESTRUCTOR(InternalsPluginV05)

 public:
  virtual void InitScreen(const ScreenInfoV01& /*info*/) {}                   // 28
  virtual void UninitScreen(const ScreenInfoV01& /*info*/) {}                 // 29
  virtual void DeactivateScreen(const ScreenInfoV01& /*info*/) {}             // 30
  virtual void ReactivateScreen(const ScreenInfoV01& /*info*/) {}             // 31
  virtual void RenderScreenBeforeOverlays(const ScreenInfoV01& /*info*/) {}   // 32
  virtual void RenderScreenAfterOverlays(const ScreenInfoV01& /*info*/) {}    // 33
  virtual void PreReset(const ScreenInfoV01& /*info*/) {}                     // 34
  virtual void PostReset(const ScreenInfoV01& /*info*/) {}                    // 35
  virtual bool InitCustomControl(CustomControlInfoV01& /*info*/) {            // 36
    return false;
  }
};

class InternalsPluginV06 : public InternalsPluginV05 {
  RF2_PROTECTED_DESTRUCTOR(InternalsPluginV06)

 public:
  virtual bool WantsWeatherAccess() { return false; }                  // 37
  virtual bool AccessWeather(double /*trackNodeSize*/,                 // 38
                             WeatherControlInfoV01& /*info*/) {
    return false;
  }
  virtual void ThreadStarted(std::int32_t /*type*/) {}                 // 39
  virtual void ThreadStopping(std::int32_t /*type*/) {}                // 40
};

class InternalsPluginV07 : public InternalsPluginV06 {
  RF2_PROTECTED_DESTRUCTOR(InternalsPluginV07)

 public:
  bool CheckHWControl(const char* const /*controlName*/,               // 20 again
                      double& /*fRetVal*/) override {
    return false;
  }
  virtual bool GetCustomVariable(std::int32_t /*i*/,                   // 41
                                 CustomVariableV01& /*var*/) {
    return false;
  }
  virtual void AccessCustomVariable(CustomVariableV01& /*var*/) {}     // 42
  virtual void GetCustomVariableSetting(CustomVariableV01& /*var*/,    // 43
                                        std::int32_t /*i*/,
                                        CustomSettingV01& /*setting*/) {}
  virtual bool WantsMultiSessionRulesAccess() { return false; }        // 44
  virtual bool AccessMultiSessionRules(MultiSessionRulesV01& /*info*/) {  // 45
    return false;
  }
  virtual bool WantsTrackRulesAccess() { return false; }               // 46
  virtual bool AccessTrackRules(TrackRulesV01& /*info*/) { return false; }  // 47
  virtual bool WantsPitMenuAccess() { return false; }                  // 48
  virtual bool AccessPitMenu(PitMenuV01& /*info*/) { return false; }   // 49
};

#pragma pack(pop)

// Deletes a plug-in object through slot 0, whichever form slot 0 has.
inline void DeleteInternalsPlugin(InternalsPlugin* plugin) {
#if defined(RF2_ONE_SLOT_DESTRUCTOR)
  plugin->ScalarDeletingDestructor(1u);
#else
  delete plugin;
#endif
}

// The records' layout, as the simulator lays them out.
static_assert(sizeof(TelemVect3) == 24, "vector3");
static_assert(sizeof(PluginObject) == 8, "PluginObject");

static_assert(offsetof(ScoringInfoV01, mTrackName) == 0, "");
static_assert(offsetof(ScoringInfoV01, mSession) == 64, "");
static_assert(offsetof(ScoringInfoV01, mCurrentET) == 68, "");
static_assert(offsetof(ScoringInfoV01, mEndET) == 76, "");
static_assert(offsetof(ScoringInfoV01, mMaxLaps) == 84, "");
static_assert(offsetof(ScoringInfoV01, mLapDist) == 88, "");
static_assert(offsetof(ScoringInfoV01, mResultsStream) == 96, "");
static_assert(offsetof(ScoringInfoV01, mNumVehicles) == 104, "");
static_assert(offsetof(ScoringInfoV01, mGamePhase) == 108, "");
static_assert(offsetof(ScoringInfoV01, mYellowFlagState) == 109, "");
static_assert(offsetof(ScoringInfoV01, mSectorFlag) == 110, "");
static_assert(offsetof(ScoringInfoV01, mStartLight) == 113, "");
static_assert(offsetof(ScoringInfoV01, mNumRedLights) == 114, "");
static_assert(offsetof(ScoringInfoV01, mInRealtime) == 115, "");
static_assert(offsetof(ScoringInfoV01, mPlayerName) == 116, "");
static_assert(offsetof(ScoringInfoV01, mPlrFileName) == 148, "");
static_assert(offsetof(ScoringInfoV01, mDarkCloud) == 212, "");
static_assert(offsetof(ScoringInfoV01, mRaining) == 220, "");
static_assert(offsetof(ScoringInfoV01, mAmbientTemp) == 228, "");
static_assert(offsetof(ScoringInfoV01, mTrackTemp) == 236, "");
static_assert(offsetof(ScoringInfoV01, mWind) == 244, "");
static_assert(offsetof(ScoringInfoV01, mMinPathWetness) == 268, "");
static_assert(offsetof(ScoringInfoV01, mMaxPathWetness) == 276, "");
static_assert(offsetof(ScoringInfoV01, mGameMode) == 284, "");
static_assert(offsetof(ScoringInfoV01, mIsPasswordProtected) == 285, "");
static_assert(offsetof(ScoringInfoV01, mServerPort) == 286, "");
static_assert(offsetof(ScoringInfoV01, mServerPublicIP) == 288, "");
static_assert(offsetof(ScoringInfoV01, mMaxPlayers) == 292, "");
static_assert(offsetof(ScoringInfoV01, mServerName) == 296, "");
static_assert(offsetof(ScoringInfoV01, mStartET) == 328, "");
static_assert(offsetof(ScoringInfoV01, mAvgPathWetness) == 332, "");
static_assert(offsetof(ScoringInfoV01, mExpansion) == 340, "");
static_assert(offsetof(ScoringInfoV01, mVehicle) == 540, "");
static_assert(sizeof(ScoringInfoV01) == 548, "");

static_assert(offsetof(VehicleScoringInfoV01, mID) == 0, "");
static_assert(offsetof(VehicleScoringInfoV01, mDriverName) == 4, "");
static_assert(offsetof(VehicleScoringInfoV01, mVehicleName) == 36, "");
static_assert(offsetof(VehicleScoringInfoV01, mTotalLaps) == 100, "");
static_assert(offsetof(VehicleScoringInfoV01, mSector) == 102, "");
static_assert(offsetof(VehicleScoringInfoV01, mFinishStatus) == 103, "");
static_assert(offsetof(VehicleScoringInfoV01, mLapDist) == 104, "");
static_assert(offsetof(VehicleScoringInfoV01, mPathLateral) == 112, "");
static_assert(offsetof(VehicleScoringInfoV01, mTrackEdge) == 120, "");
static_assert(offsetof(VehicleScoringInfoV01, mBestSector1) == 128, "");
static_assert(offsetof(VehicleScoringInfoV01, mBestSector2) == 136, "");
static_assert(offsetof(VehicleScoringInfoV01, mBestLapTime) == 144, "");
static_assert(offsetof(VehicleScoringInfoV01, mLastSector1) == 152, "");
static_assert(offsetof(VehicleScoringInfoV01, mLastSector2) == 160, "");
static_assert(offsetof(VehicleScoringInfoV01, mLastLapTime) == 168, "");
static_assert(offsetof(VehicleScoringInfoV01, mCurSector1) == 176, "");
static_assert(offsetof(VehicleScoringInfoV01, mCurSector2) == 184, "");
static_assert(offsetof(VehicleScoringInfoV01, mNumPitstops) == 192, "");
static_assert(offsetof(VehicleScoringInfoV01, mNumPenalties) == 194, "");
static_assert(offsetof(VehicleScoringInfoV01, mIsPlayer) == 196, "");
static_assert(offsetof(VehicleScoringInfoV01, mControl) == 197, "");
static_assert(offsetof(VehicleScoringInfoV01, mInPits) == 198, "");
static_assert(offsetof(VehicleScoringInfoV01, mPlace) == 199, "");
static_assert(offsetof(VehicleScoringInfoV01, mVehicleClass) == 200, "");
static_assert(offsetof(VehicleScoringInfoV01, mTimeBehindNext) == 232, "");
static_assert(offsetof(VehicleScoringInfoV01, mLapsBehindNext) == 240, "");
static_assert(offsetof(VehicleScoringInfoV01, mTimeBehindLeader) == 244, "");
static_assert(offsetof(VehicleScoringInfoV01, mLapsBehindLeader) == 252, "");
static_assert(offsetof(VehicleScoringInfoV01, mLapStartET) == 256, "");
static_assert(offsetof(VehicleScoringInfoV01, mPos) == 264, "");
static_assert(offsetof(VehicleScoringInfoV01, mLocalVel) == 288, "");
static_assert(offsetof(VehicleScoringInfoV01, mLocalAccel) == 312, "");
static_assert(offsetof(VehicleScoringInfoV01, mOri) == 336, "");
static_assert(offsetof(VehicleScoringInfoV01, mLocalRot) == 408, "");
static_assert(offsetof(VehicleScoringInfoV01, mLocalRotAccel) == 432, "");
static_assert(offsetof(VehicleScoringInfoV01, mHeadlights) == 456, "");
static_assert(offsetof(VehicleScoringInfoV01, mPitState) == 457, "");
static_assert(offsetof(VehicleScoringInfoV01, mServerScored) == 458, "");
static_assert(offsetof(VehicleScoringInfoV01, mIndividualPhase) == 459, "");
static_assert(offsetof(VehicleScoringInfoV01, mQualification) == 460, "");
static_assert(offsetof(VehicleScoringInfoV01, mTimeIntoLap) == 464, "");
static_assert(offsetof(VehicleScoringInfoV01, mEstimatedLapTime) == 472, "");
static_assert(offsetof(VehicleScoringInfoV01, mPitGroup) == 480, "");
static_assert(offsetof(VehicleScoringInfoV01, mFlag) == 504, "");
static_assert(offsetof(VehicleScoringInfoV01, mUnderYellow) == 505, "");
static_assert(offsetof(VehicleScoringInfoV01, mCountLapFlag) == 506, "");
static_assert(offsetof(VehicleScoringInfoV01, mInGarageStall) == 507, "");
static_assert(offsetof(VehicleScoringInfoV01, mUpgradePack) == 508, "");
static_assert(offsetof(VehicleScoringInfoV01, mPitLapDist) == 524, "");
static_assert(offsetof(VehicleScoringInfoV01, mBestLapSector1) == 528, "");
static_assert(offsetof(VehicleScoringInfoV01, mBestLapSector2) == 532, "");
static_assert(offsetof(VehicleScoringInfoV01, mExpansion) == 536, "");
static_assert(sizeof(VehicleScoringInfoV01) == 584, "");

static_assert(offsetof(CameraControlInfoV01, mID) == 0, "");
static_assert(offsetof(CameraControlInfoV01, mCameraType) == 4, "");
static_assert(offsetof(CameraControlInfoV01, mReplayActive) == 8, "");
static_assert(offsetof(CameraControlInfoV01, mReplayUnused) == 9, "");
static_assert(offsetof(CameraControlInfoV01, mReplayCommand) == 10, "");
static_assert(offsetof(CameraControlInfoV01, mReplaySetTime) == 11, "");
static_assert(offsetof(CameraControlInfoV01, mReplaySeconds) == 12, "");
static_assert(offsetof(CameraControlInfoV01, mExpansion) == 16, "");
static_assert(sizeof(CameraControlInfoV01) == 136, "");

static_assert(offsetof(MessageInfoV01, mText) == 0, "");
static_assert(offsetof(MessageInfoV01, mDestination) == 128, "");
static_assert(offsetof(MessageInfoV01, mTranslate) == 129, "");
static_assert(offsetof(MessageInfoV01, mExpansion) == 130, "");
static_assert(sizeof(MessageInfoV01) == 256, "");

static_assert(offsetof(EnvironmentInfoV01, mPath) == 0, "");
static_assert(offsetof(EnvironmentInfoV01, mExpansion) == 128, "");
static_assert(sizeof(EnvironmentInfoV01) == 384, "");

static_assert(sizeof(InternalsPlugin) == 24, "vtable pointer, PluginObject, mET, mEnabled");
