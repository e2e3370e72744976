// Reads the director's state out of the plug-in object (its class is part of
// this project) to tell why a cut was made. Only reads; the host drives the
// plug-in through its interface alone.
#pragma once

#include <string>

#include "sdk/InternalsPlugin.hpp"

class rF2kovrel;

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
  double onboarddiff = 0.4;
  double lowinc = 0.4;
  double highinc = 0.8;
  int msessioninc = 10;
  int sbscount = 2;
  int onboardcam = 0;
  int rearviewcam = 6;
  int replayduration = 20;
  double replayoffset = 5.0;
  std::string filespath;
};

class DirectorView {
 public:
  // `plugin` is the object; `isDirector` says it really is this project's
  // director (by its name), otherwise nothing is read.
  DirectorView(InternalsPluginV07* plugin, bool isDirector);

  bool Available() const { return mDirector != nullptr; }
  DirectorSettings Settings() const;
  int AutoOn() const;

  // Around each UpdateScoring.
  void BeforeScoring();
  // True when the snapshot just handled made a cut due (the camera choice ran).
  bool CutPrepared() const;
  CutReason Explain(const ScoringInfoV01& info) const;

 private:
  const rF2kovrel* mDirector = nullptr;
  int mPoleBefore = -1;
};

}  // namespace ksim
