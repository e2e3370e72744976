// What a run recorded, session by session: the plan of each session, the
// cuts and replays the director made, the shots that went on air, the
// contacts, and the cars' places snapshot by snapshot. The host writes it;
// the analysis, the reports and the review of a live log read it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sessions/session.hpp"

namespace ksim {

enum class Reason {
  Unknown,
  Battle,           // the closest fight on track
  SideBySide,       // cars running side by side
  PitLane,          // a car entering or leaving the pits
  Random,           // a place drawn at random
  FlagChase,        // the next car to take the chequered flag
  Leader,           // nothing better: the leader
  QualifyingSplit,  // a car improving at a split
  NewLeader,        // a new fastest car in qualifying
  Rotation,         // the practice rotation through the field
  GridWalk,         // down the grid on the formation lap
  FinishWalk,       // the top three in turn after the flag
  AfterReplay,      // back to the live picture after a replay
  CloserBattle,     // the live director: early to a car clearly better worth watching
  BestFight,        // the live director: at the wait's end, the car whose close fights are worth most
  Contact,          // the live director: a fresh strong contact
  ContactScene,     // the live director: five or more cars reporting contact at once
  Manual,           // the broadcaster's key: next, previous or leader
};

const char* ReasonName(Reason reason);

struct CutReason {
  Reason reason = Reason::Unknown;
  std::string detail;       // "0.31 s", "3 cars", "second split" ...
  int place = 0;            // the place the director chose
  bool rearView = false;    // the shot looks back from the car ahead
  bool leaderInstead = false;  // the chosen place was not usable: the leader is shown
};

// The settings the plug-in read from its INI file.
struct DirectorSettings {
  bool known = false;
  int autoOn = 0;
  int autokey = 0x41;
  int waitsec = 15;
  int interest = 12;
  int interestdiff = 3;
  double onboarddiff = 0.4;
  double lowinc = 0.4;
  double highinc = 0.8;
  int msessioninc = 10;
  double sbsdist = 1.5;
  int sbscount = 2;
  std::string showinpit = "interestdiff";
  int onboardcam = 0;
  int rearviewcam = 6;
  int replayduration = 20;
  double replayoffset = 5.0;
  std::string filespath;
  int livedirector = 0;
  double livemin = 8.0;
  double liveswitch = 1.5;
  int autoinc = 0;
  int multiclass = 0;
  // With autoinc, the thresholds the session ended with (the contacts' own scale).
  double lowincInForce = 0.4;
  double highincInForce = 0.8;
  // The broadcaster's keys as the plug-in reads them (0: off), in the order of
  // director/manual_keys.hpp, and the favourite cars.
  int manualKeys[5] = {0, 0, 0, 0, 0};
  double manualhold = 30.0;
  std::string favourites;
  double favourfactor = 2.0;
};

// A request the plug-in sent to the simulator's web server.
struct FocusRequest {
  double sessionTime = 0.0;  // the host's session clock when it came in
  std::int32_t slotId = 0;
};

// A change of picture that the director asked for.
struct Cut {
  double time = 0.0;
  int car = -1;            // index in the session's car list
  std::int32_t slotId = -1;
  int place = 0;
  int camera = 4;
  CutReason why;
};

// A replay the plug-in ran through the host's instant-replay control.
struct ReplayRun {
  double pressed = 0.0;      // host entered its replay
  double cameraSet = -1.0;   // camera and position sent
  int car = -1;
  std::int32_t slotId = -1;
  double seekTo = 0.0;       // replay position asked for
  double slowFrom = -1.0;    // first slow-play command
  double normalFrom = -1.0;  // first normal-play command
  double ended = -1.0;       // host left its replay
  // The stretch of the session the replay's picture went through (its replay
  // clock's lowest and highest time while the camera was on the car).
  double shownFrom = -1.0, shownTo = -1.0;
  // Of it, the stretch its picture went through played slowed.
  double slowShownFrom = -1.0, slowShownTo = -1.0;
  bool manual = false;       // asked for by the broadcaster's key
};

// A span of the broadcast picture: one car, one camera, live or replay.
struct Shot {
  double start = 0.0;
  double end = 0.0;
  int car = -1;  // -1: the simulator's own picture before the director's first cut
  int camera = 4;
  bool replay = false;
  Reason reason = Reason::Unknown;
  bool manual = false;  // the broadcaster had the camera (a key's cut, hold or replay)
};

struct Contact {
  double time = 0.0;
  int car = -1;
  int other = -1;  // -1: an object ("Immovable", "Wing" ...)
  double strength = 0.0;
  std::string target;
};

struct Notice {
  double time = 0.0;
  std::string text;
  int destination = 0;
};

struct KeyPress {
  double time = 0.0;
  int autoAfter = 0;  // the automatic camera after the press (-1: not known)
  std::string key = "autokey";  // the INI key of the key pressed with Ctrl
};

// Each car's place, travel and state at every snapshot, as the scoreboard had
// them: what happened on track, whatever the camera showed.
class FieldTimeline {
 public:
  enum Flags : std::uint8_t { kInPits = 1, kFinished = 2, kRetired = 4, kInGarage = 8 };

  void Reset(int cars) { mCars = cars; mTime.clear(); mPhase.clear(); mPlace.clear(); mProgress.clear(); mFlags.clear(); }
  // Appends a snapshot; the caller fills its cars with SetCar.
  void AddSnapshot(double time, int phase);
  void SetCar(int car, int place, double progress, std::uint8_t flags);

  int Cars() const { return mCars; }
  std::size_t Snapshots() const { return mTime.size(); }
  double Time(std::size_t k) const { return mTime[k]; }
  int Phase(std::size_t k) const { return mPhase[k]; }
  int Place(std::size_t k, int car) const { return mPlace[At(k, car)]; }
  double Progress(std::size_t k, int car) const { return mProgress[At(k, car)]; }
  std::uint8_t Flags(std::size_t k, int car) const { return mFlags[At(k, car)]; }
  bool Running(std::size_t k, int car) const { return mFlags[At(k, car)] == 0; }
  // The last snapshot at or before t (0 before the first).
  std::size_t SnapshotAt(double t) const;

 private:
  std::size_t At(std::size_t k, int car) const { return k * static_cast<std::size_t>(mCars) + static_cast<std::size_t>(car); }
  int mCars = 0;
  std::vector<double> mTime;
  std::vector<std::int16_t> mPhase;
  std::vector<std::int16_t> mPlace;
  std::vector<float> mProgress;
  std::vector<std::uint8_t> mFlags;
};

// A car at a timing point, where a recorded session's travel is known exactly.
struct TimingMark {
  double time = 0.0;
  int car = -1;
  int point = 0;       // 0 the line, 1 and 2 the sector ends
  bool valid = false;  // at the line: the lap counts for a lap time
};

struct SessionRun {
  SessionPlan plan;
  std::vector<Cut> cuts;
  int repeatedCuts = 0;          // camera commands that changed nothing on screen
  std::vector<ReplayRun> replays;
  std::vector<Shot> shots;
  std::vector<Contact> contacts;
  std::vector<Notice> notices;
  std::vector<KeyPress> keyPresses;
  std::vector<std::pair<double, double>> battleOnAir;  // live spans showing a fight within onboarddiff
  std::vector<std::pair<double, double>> autoOff;      // spans with the automatic camera off
  std::vector<int> finalOrder;   // car indices by final place
  std::vector<int> pitStops;     // per car
  std::vector<int> finishStatus; // per car
  FieldTimeline field;
  std::vector<TimingMark> timing;  // in time order
  std::uint64_t directorSeed = 0;  // the C library's seed after Startup; 0 when the plug-in's own
  double greenStart = -1.0, greenEnd = -1.0;
  double raceTime = 0.0;         // green-flag racing, seconds
  double battleTime = 0.0;       // of it, on air on a fight within onboarddiff
  double battleAvailable = 0.0;  // of it, with such a fight somewhere on track
  double endTime = 0.0;
  long long snapshots = 0;
  long long frames = 0;
  int ignoredReplayCommands = 0;
  int controlsTaken = 0;         // other hardware controls the plug-in answered
};

struct RunResult {
  std::string pluginName;
  std::string workFolder;
  std::string settingsPath;
  std::string filesFolder;       // where the plug-in writes its stream files
  DirectorSettings settings;
  std::vector<SessionRun> sessions;
  std::vector<FocusRequest> focusRequests;
  int sessionInfoRequests = 0;
  bool served = false;
  bool webServerSeen = false;    // the plug-in found a web server at set-up (its own probe)
  long long snapshots = 0;
  double wallSeconds = 0.0;
  double scoringSeconds = 0.0;   // of it, inside the plug-in's UpdateScoring
  double callbackSeconds = 0.0;  // of it, inside its other callbacks
  std::vector<std::string> warnings;
  std::vector<std::string> traceFiles;  // written by a run that records traces
};

// Name of a camera type number as the simulator has it.
std::string CameraName(int type);

}  // namespace ksim
