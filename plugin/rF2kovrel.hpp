// The one plug-in object: every piece of the director's state is a field here,
// and every operation a member function defined in the folder of its subsystem.
#pragma once

#include <atomic>
#include <cstdint>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

#include "outputs/trace_recorder.hpp"
#include "sdk/InternalsPlugin.hpp"

class rF2kovrel final : public InternalsPluginV07 {
 public:
  rF2kovrel() = default;
  ~rF2kovrel() = default;
  RF2_SCALAR_DELETING_DESTRUCTOR(rF2kovrel)

  // Host callbacks, in slot order (plugin/).
  void Startup(std::int32_t version) override;
  void Shutdown() override;
  void StartSession() override;
  void EndSession() override;
  void EnterRealtime() override;
  void ExitRealtime() override;
  bool WantsScoringUpdates() override;
  void UpdateScoring(const ScoringInfoV01& info) override;              // director/
  std::int32_t WantsTelemetryUpdates() override;
  void UpdateTelemetry(const TelemInfoV01& info) override;
  bool WantsGraphicsUpdates() override;
  // The version-2 overload stays the interface's own (no slot changes).
  using InternalsPluginV07::UpdateGraphics;
  void UpdateGraphics(const GraphicsInfoV01& info) override;
  bool RequestCommentary(CommentaryRequestInfoV01& info) override;
  bool HasHardwareInputs() override;
  void UpdateHardware(const double fDT) override;
  void EnableHardware() override;
  void DisableHardware() override;
  bool CheckHWControl(const char* const controlName, double& fRetVal) override;  // incidents/
  bool ForceFeedback(double& forceValue) override;
  unsigned char WantsToViewVehicle(CameraControlInfoV01& camControl) override;  // director/
  bool WantsToDisplayMessage(MessageInfoV01& msgInfo) override;          // director/
  void SetEnvironment(const EnvironmentInfoV01& info) override;         // config/

  // director/
  int PollShortcut();  // +1 switched on, -1 switched off, 0 no change
  void ToggleAuto();
  void RunActiveCycle(const ScoringInfoV01& info);
  void ResetDirector();
  void SurveyField(const ScoringInfoV01& info);
  void ChooseCamera(const ScoringInfoV01& info);
  void HandOverToWebServer();
  void CopyFollowedDriver(const ScoringInfoV01& info);
  unsigned char ViewNormally(CameraControlInfoV01& camControl);
  void ChoosePractice(const ScoringInfoV01& info);
  void ChooseQualifying(const ScoringInfoV01& info);
  int PickRandomPlace(const ScoringInfoV01& info);
  void ChooseRace(const ScoringInfoV01& info);
  // The live director (races, opt-in): early switches, contact reactions and
  // replays of missed passes on top of the choice made above.
  void DirectLive(const ScoringInfoV01& info);
  void ResetLiveDirector();
  // The broadcaster's hand (opt-in keys): hold, next, previous, leader and
  // replay now, each Ctrl + a key; and the favourite cars.
  void PollManualKeys();
  void DirectByHand(const ScoringInfoV01& info);
  void ResetManual();
  void FindFavourites(const ScoringInfoV01& info);
  bool IsFavourite(std::int32_t id) const;
  int RotationShare(std::int32_t id) const;  // how often a car comes up in each rotation
  bool HandHoldsReplays() const { return mHeld || mManualVeh != -1; }
  // Who has the camera, for the outputs: "held" (the hold key), "manual" (a
  // manual cut or replay still holding), or null when the director has it.
  const char* ManualState() const;
  // A race of several classes (opt-in): which class each car is in and its
  // place, rival and leader within it.
  void SurveyClasses(const ScoringInfoV01& info);
  void GroupFieldClasses(const ScoringInfoV01& info);
  bool ByClass() const { return multiclass != 0 && mClassNames.size() > 1; }
  int FinishWalkPlace() const;

  // config/
  void ReadSettingsUpToFilesPath();
  void ReadSettingsFromDebug();
  void ReadOptInSettings();
  void ReadManualSettings();

  // incidents/
  void ScanIncidents(const ScoringInfoV01& info);
  void ScheduleReplay(int session);
  unsigned char ViewReplay(CameraControlInfoV01& camControl);
  void NoteContactReport(std::int32_t id, double strength);
  void DeriveContactThresholds();
  void ReplayMissedPass(const ScoringInfoV01& info);
  bool ReplayBudgetAllows() const;
  void ScheduleLiveReplay(std::int32_t id, std::int32_t otherId, double time);

  // webclient/
  void ProbeWebServer();
  void RequestFocus(std::int32_t slotId);
  // The worker's own body; `port` is the web server's (webport).
  static void SendFocus(std::int32_t slotId, std::int32_t port = 6397);

  // outputs/
  void ResetStreamFiles();
  void RefreshStreamFiles(const ScoringInfoV01& info);
  std::string WriteTimeFile(const ScoringInfoV01& info);
  void WriteDriverFile();
  void WriteStatusFile(int session, const std::string& clockText);
  void WriteInfoPage(int session);
  bool AppendDebugText(const std::string& text);  // false when the log was not written
  // The standings tower (opt-in key standings): "standings.json", written
  // whether or not the automatic camera is on.
  void RefreshStandings(const ScoringInfoV01& info);
  void KeepStandingsField(const ScoringInfoV01& info);
  void NoteStandingsChange();  // a cut, or a replay's start or end
  void WriteStandingsFile();
  void ResetStandings();
  const char* DirectorWord() const;
  // The snapshot trace (opt-in recordtrace): every snapshot handed to the
  // plug-in, kept in memory and appended to the session's file once a second.
  void RecordSnapshot(const ScoringInfoV01& info);
  void FlushTrace();

  // The director state, in its declared order.
  // Switched by the hardware callbacks, read by CheckHWControl before it tries
  // the cycle's lock: the host may call them on different threads.
  std::atomic<bool> mHardwareEnabled{false};
  std::int32_t waitsec = 0;
  std::int32_t interest = 0;
  double onboarddiff = 0.0;
  std::int32_t interestdiff = 0;
  std::int32_t auto_ = 0;  // the INI key "auto" (a C++ keyword)
  std::int32_t walkthrough = 0;
  std::string showinpit;
  std::int32_t mShowInPitNum = 0;
  std::string camtest;
  std::int32_t onboardcam = 0;
  std::int32_t rearviewcam = 0;
  std::int32_t rearview = 0;
  std::string mIniPath;
  std::string filespath;
  double lowinc = 0.0;
  double highinc = 0.0;
  std::int32_t msessioninc = 0;
  std::int32_t debug = 0;
  double sbsdist = 1.5;
  std::int32_t sbscount = 2;
  std::int32_t replayduration = 20;
  double replayoffset = 5.0;
  std::string mNewResults;
  MessageInfoV01 mPendingMessage{};
  // Camera-control calls may come on another thread than the scoring cycle
  // while the cycle runs; these three are updated before the cycle's lock is tried.
  std::atomic<std::int32_t> mWtvCount{0};
  std::atomic<std::int32_t> mRepActive{-1};
  std::atomic<std::int32_t> mWtvPath{-1};
  std::int32_t mCutWait = 0;
  bool mInUpdate = false;
  std::int32_t mNextPlace = 0;
  std::int32_t mS1Place = 0;
  std::int32_t mS2Place = 0;
  std::int32_t mPitPlace = 0;
  std::int32_t mNextVeh = 0;
  std::int32_t mAheadVeh = 0;
  std::int32_t mLeaderVeh = 0;
  std::int32_t mCamType = 4;
  std::int32_t mActualCamType = 0;
  std::int32_t mActualVeh = -1;
  std::int32_t mPlayerVeh = -1;
  std::int32_t mActualPlace = 0;
  bool mTimerFired = false;
  std::int32_t mShownList[64] = {};
  std::int32_t mShownCount = 0;
  std::int32_t mPoleVeh = -1;
  std::int32_t mLastSession = -1;
  std::int32_t mSbsPlace = 0;
  std::int32_t mSbsCount = 0;
  double mBattleScore = 99999.0;
  double mMinBehind = 0.0;
  double mSessionTime = 0.0;
  double mLastCutTime = 0.0;
  bool mAllFinished = false;
  std::int32_t mMaxFinishedPlace = 0;
  bool mInPit = false;
  double mBestLap = 2147483640.0;
  double mBestS1 = 2147483640.0;
  double mBestS2 = 2147483640.0;
  double mNextLapTime = 0.0;
  std::int32_t autokey = 190;
  bool mKeyLatch = false;
  bool mWebServerUp = false;
  bool mWebProbeDone = false;
  bool mReplayPending = false;
  bool mReplayEndRequested = false;
  bool mReplayRunning = false;
  double mReplayIncidentTime = 0.0;
  std::int32_t mReplayId = -1;
  std::int32_t mReplayOtherId = -1;  // the other car of the scheduled contact; -1 for an object
  double mIncidentTime = 0.0;
  double mIncidentSize = 0.0;
  std::int32_t mIncidentId = -1;
  std::int32_t mIncidentOtherId = -1;
  double mReplayStartTime = 0.0;
  bool mReplayCamSet = false;
  std::string mIncidentSizeText;
  std::string mPrevResults;
  bool mPrevResultsSet = false;
  std::string mDriverFilePath;
  std::string mTimeFilePath;
  std::string mInfoFilePath;
  std::string mStatusFilePath;
  std::string mNextDriver;
  std::string mReplayDriverName;
  std::string mLeaderDriver;
  std::int32_t mLeaderLaps = 0;
  std::int32_t mLastGamePhase = 0;
  bool mPlayerDriving = false;

  // Opt-in keys: read only when present in the file and never written back, so
  // a file without them directs exactly as before.
  std::int32_t livedirector = 0;
  double livemin = 8.0;      // seconds a shot is held before an early switch
  double liveswitch = 1.5;   // how many times the car on air another must be worth to switch early
  std::int32_t autoinc = 0;  // contact thresholds from the session's own strengths
  double mIniLowinc = 0.4;   // the file's thresholds, restored each session
  double mIniHighinc = 0.8;
  std::int32_t webport = 6397;  // the web server's port for the probe and the focus requests

  // The standings tower (opt-in key standings).
  std::int32_t standings = 0;
  std::string mStandingsFilePath;
  double mStandingsWrittenAt = -1.0e9;  // session time of the last once-a-second write
  bool mStandingsDue = false;           // a cut or a replay change during this snapshot
  // The last snapshot, kept whole: a cut between snapshots rewrites the
  // document from it, and the host's own records are gone by then.
  bool mStandingsKept = false;
  ScoringInfoV01 mStandingsInfo{};
  std::vector<VehicleScoringInfoV01> mStandingsCars;

  // The live director's state, reset with the session.
  struct LiveCar {
    std::int32_t id = -1;
    std::int32_t place = 0;
    bool racing = false;  // on track and in the race: not in the pit lane, retired or finished
    double gap = 0.0;  // smoothed time behind the car ahead
    double rawGap = 0.0;  // as this snapshot has it
    double behindLeader = 0.0;  // time behind the leader at the last read
    double loss = 0.0;          // smoothed: seconds lost to the leader each second
    bool lossKnown = false;
    // With classes, as the class standings had them at the read: the gaps
    // above are then to the classmate ahead.
    std::int32_t classIndex = 0;
    std::int32_t classPlace = 0;
    std::int32_t classAhead = -1;  // array index; -1 none
    std::int32_t classBehind = -1;
  };
  std::vector<LiveCar> mLiveCars;  // by array index: the records themselves lie hundreds of bytes apart
  std::vector<int> mLiveByPlace;   // array index by place, -1 where none
  struct LiveRating {
    double worth = 0.0;  // what the close fights of the car (and its lack of pace) are worth
    double fightGap = std::numeric_limits<double>::infinity();  // the gap of its closest fight
  };
  std::vector<LiveRating> mLiveRatings;  // by place
  double mLiveRatedAt = -2.0;  // the read of the field the ratings come from
  int mLiveBest = 0;           // the place best worth watching at that read
  std::int32_t mLiveLeader = -1;  // the leader at the last read of the field
  std::vector<double> mContactStrengths;  // this session's reports, for autoinc
  struct ContactReport {
    double time;
    std::int32_t id;
    double strength;
    bool costly = false;  // its car ran slow afterwards: shown and replayed once
  };
  std::vector<ContactReport> mRecentReports;  // the last few seconds' reports
  double mLiveLastUpdate = -1.0;
  double mLiveSwitchSince = -1.0;  // the closer battle has been closer since then
  std::int32_t mLiveSwitchPlace = 0;
  double mLiveReactedAt = -1.0e9;  // the last cut to a contact or a scene
  double mSceneUntil = -1.0e9;     // a mass report is one scene until then
  double mLiveStayUntil = -1.0e9;  // after a pass on air the camera stays until then
  std::int32_t mLiveOnAirVeh = -1;  // the car on air last snapshot and the cars beside it
  std::int32_t mLiveOnAirAhead = -1;
  std::int32_t mLiveOnAirBehind = -1;
  std::int32_t mLivePodium[3] = {-1, -1, -1};
  // A missed pass waiting for the replay on screen (or pending) to end.
  std::int32_t mWaitingPasser = -1;
  std::int32_t mWaitingPassed = -1;
  std::int32_t mWaitingPassPlace = 0;
  double mWaitingPassTime = 0.0;
  double mGreenSince = -1.0;
  std::int32_t mReplaysScheduled = 0;
  std::int32_t mLiveReason = 0;  // why the live director overruled this snapshot's choice (LiveReason)

  // The broadcaster's hand (opt-in keys, read when present, never written).
  // Each key a Windows virtual-key code held with Ctrl; 0 leaves it off.
  std::int32_t holdkey = 0;
  std::int32_t nextkey = 0;
  std::int32_t prevkey = 0;
  std::int32_t leaderkey = 0;
  std::int32_t replaykey = 0;
  double manualhold = 30.0;    // seconds a manual cut holds before the director goes on
  std::string favourites;      // car numbers, as "7,23,50"
  double favourfactor = 2.0;   // a favourite's fight counts as this many times closer
  std::vector<std::string> mFavouriteNumbers;  // the list read from `favourites`
  std::vector<std::int32_t> mFavouriteIds;     // this snapshot's cars of those numbers
  // Next and previous stay within the car's class (off until a setting asks).
  bool mManualWithinClass = false;
  bool mManualLatch[5] = {};       // per action: its keys were down at the last poll
  unsigned mManualPressed = 0;     // actions pressed since the last cycle, a bit each
  bool mHeld = false;              // the hold key holds mHeldVeh on air
  std::int32_t mHeldVeh = -1;
  std::int32_t mManualVeh = -1;    // a manual cut's car, held until mManualUntil; -1 none
  double mManualUntil = 0.0;
  int mManualAction = -1;          // the action that made this snapshot's cut; -1 none
  double mLeaderPressedAt = -1.0e9;
  int mLeaderClass = 0;            // the class whose leader the last leader press showed
  bool mManualReplay = false;      // the replay pending or running was asked for by hand
  bool mNoticeByHand = false;      // the pending notice is a manual one: message centre
  std::int32_t mLastPassId = -1;   // the live director's last pass noted, for replay now
  std::int32_t mLastPassOtherId = -1;
  double mLastPassTime = 0.0;
  // Opt-in: a race of several classes is directed class by class.
  std::int32_t multiclass = 0;
  // The classes of a race's field (with multiclass), grouped again when the
  // cars change and every few seconds; the standings afresh each snapshot.
  struct ClassStanding {
    std::int32_t id = -1;          // slot id
    std::int32_t place = 0;        // overall place
    std::int32_t classIndex = 0;   // into mClassNames
    std::int32_t classPlace = 0;   // 1-based place within the class; 0 without a place
    std::int32_t classAhead = -1;  // array index of the classmate one class place ahead; -1 for the leader
    std::int32_t classBehind = -1;  // and one behind
    // Seconds behind classAhead when both are on the same lap; infinity: no fight.
    double classGap = std::numeric_limits<double>::infinity();
  };
  std::vector<ClassStanding> mClassStandings;  // by array index of the last snapshot
  std::vector<std::string> mClassNames;        // fastest class first
  std::vector<std::int32_t> mClassLeaderVeh;   // slot id of each class's leader; -1 none
  double mClassesGroupedAt = -1.0e9;
  std::vector<int> mClassByPlace;      // array index by overall place, for the standings
  std::vector<std::int32_t> mClassLast;  // working space: per class for the standings, per car for side by side
  // The live director: when each class was last on air, and each class's
  // leader at the last read (a missed class lead change is replayed).
  std::vector<double> mClassOnAirAt;
  // A shot of a class long off the screen keeps the weight that won it till its end.
  std::int32_t mLiveFavouredClass = -1;
  double mLiveFavouredCut = -1.0;  // mLastCutTime of that shot
  std::vector<std::int32_t> mLiveClassLeaders;
  bool mWaitingClassLead = false;  // the pass waiting for its replay is for a class lead
  // recordtrace (opt-in): the snapshots handed to the plug-in, one file a session.
  std::int32_t recordtrace = 0;
  TraceRecorder mTraceRecorder;

  // Camera choice has resolved a car since the last Director reset; until then
  // nothing is sent to the simulator or the web server for the reset's slot id 0.
  bool mCarChosen = false;
  // Held by the scoring cycle; camera control only tries it, so it never waits
  // for a snapshot and never reads a half-made choice.
  std::mutex mCycleLock;
};
