// What every session the host plays is made of, whether generated or read
// from a results file: the cars, the track and, moment by moment, where each
// car is, what it does and which lines the results stream gains.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ScoringInfoV01;
struct VehicleScoringInfoV01;

namespace ksim {

enum class SessionKind { Practice, Qualifying, Race };

const char* SessionKindName(SessionKind kind);
// The simulator's session numbers: 0 test day, 1-4 practice, 5-8 qualifying,
// 9 warm-up, 10-13 race.
SessionKind KindOfSessionNumber(int session);

// Game phases as the simulator numbers them.
enum GamePhase : int {
  kPhaseBefore = 0,
  kPhaseRecon = 1,
  kPhaseGridWalk = 2,
  kPhaseFormation = 3,
  kPhaseCountdown = 4,
  kPhaseGreen = 5,
  kPhaseFullCourseYellow = 6,
  kPhaseStopped = 7,
  kPhaseOver = 8,
};

enum PitState : int { kPitNone = 0, kPitRequest = 1, kPitEntering = 2, kPitStopped = 3, kPitExiting = 4 };

enum FinishStatus : int { kFinishNone = 0, kFinished = 1, kRetired = 2, kDisqualified = 3 };

struct CarEntry {
  std::int32_t id = 0;      // the simulator's slot id
  std::string driver;       // bytes as the simulator has them
  std::string vehicle;
  std::string vehicleClass;
  int gridPlace = 0;        // place on a race's grid; 0 when not known
};

// One car at the source's current time.
struct CarState {
  // Laps travelled: 0 is the start line at the beginning of the first lap of
  // a race (the grid lies just behind it, the formation lap before it) or of
  // the first lap of a practice or qualifying session. Never decreases.
  double progress = 0.0;
  double speed = 0.0;  // metres per second
  int pitState = kPitNone;
  bool inPits = false;
  bool inGarage = false;
  int finishStatus = kFinishNone;
  double finishTime = 0.0;  // when the finish status was set
  int finishLaps = 0;       // laps completed then
  int pitStops = 0;
};

// A car crossing a timing point: the start/finish line (point 0) or the end of
// sector 1 (point 1) or sector 2 (point 2).
struct Crossing {
  int car = 0;
  double time = 0.0;
  int lapsCompleted = 0;  // after the crossing
  int point = 0;
  bool valid = true;      // the time since the lap began counts as a lap or split time
};

struct SessionPlan {
  SessionKind kind = SessionKind::Race;
  int sessionNumber = 10;
  std::string trackName;
  double trackLength = 5000.0;  // metres
  double split1 = 0.3;          // end of sector 1, fraction of the lap
  double split2 = 0.65;         // end of sector 2
  std::int32_t maxLaps = 2147483647;
  double endTime = 0.0;    // the simulator's session end time (mEndET)
  double startTime = 0.0;  // the green flag of a race; 0 otherwise
  std::vector<CarEntry> cars;
  double expectedDuration = 0.0;  // of the whole session, for progress reports
  // True when every car's travel is known at every moment (a generated
  // session); false when it is known only at timing points and rebuilt in
  // between (a results file).
  bool progressExact = false;
};

// A session as the host plays it, moved on snapshot by snapshot.
class SessionSource {
 public:
  virtual ~SessionSource() = default;
  virtual const SessionPlan& Plan() const = 0;
  // Moves the session on to time t (never backwards). Appends to `stream` the
  // results-stream lines up to t, each ending in a line feed, and to
  // `crossings` the timing points passed since the previous call, in time order.
  virtual void AdvanceTo(double t, std::string& stream, std::vector<Crossing>& crossings) = 0;
  virtual const CarState& Car(int index) const = 0;
  // The earliest time at which the car had travelled `progress` laps.
  virtual double TimeAtProgress(int index, double progress) const = 0;
  virtual int Phase() const = 0;
  virtual int StartLights() const { return 0; }
  // True once the session has ended and its last scenes are played.
  virtual bool Over() const = 0;

  // A source that replays recorded snapshots (a trace) gives their times and
  // hands them over as they were; the others are stepped at the scoring rate
  // and the scoreboard builds their snapshots.
  virtual bool SnapshotTime(long long /*k*/, double& /*t*/) const { return false; }
  // Once AdvanceTo has reached it: the snapshot as the plug-in is handed it.
  virtual const ScoringInfoV01* TracedInfo() const { return nullptr; }
  // Car `index` of the plan in that snapshot; null when it is not in it.
  virtual const VehicleScoringInfoV01* TracedCar(int /*index*/) const { return nullptr; }
};

}  // namespace ksim
