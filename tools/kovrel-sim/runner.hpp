// The host's part in a run: sets the plug-in up, plays each session snapshot
// by snapshot with the host's calls between snapshots, carries out what the
// plug-in asks (camera, replay, notices) and records what went on air.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "director_view.hpp"
#include "ini_file.hpp"
#include "session.hpp"
#include "web_server.hpp"

namespace ksim {

struct RunOptions {
  std::string pluginPath;
  std::string workFolder;          // created when missing
  std::string settingsTemplate;    // an rF2kovrel.ini to start from
  std::vector<Setting> settings;   // written into the working folder's rF2kovrel.ini
  double scoringRate = 5.0;        // snapshots per second of session time
  double frameRate = 30.0;         // host frames per second, between snapshots
  bool realtime = false;
  double speed = 1.0;              // session seconds per wall second in real time
  std::vector<double> toggleAt;    // session times at which Ctrl + autokey is pressed
  bool serve = false;              // the simulator's web server on 127.0.0.1:6397
  std::ostream* live = nullptr;    // a line per event; null for none
  std::ostream* progress = nullptr;
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
};

// A span of the broadcast picture: one car, one camera, live or replay.
struct Shot {
  double start = 0.0;
  double end = 0.0;
  int car = -1;  // -1: the simulator's own picture before the director's first cut
  int camera = 4;
  bool replay = false;
  Reason reason = Reason::Unknown;
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
  long long snapshots = 0;
  double wallSeconds = 0.0;
  double scoringSeconds = 0.0;   // of it, inside the plug-in's UpdateScoring
  double callbackSeconds = 0.0;  // of it, inside its other callbacks
  std::vector<std::string> warnings;
};

// Runs the sessions in order through one plug-in object. Throws
// std::runtime_error for a plug-in that cannot be loaded or a working folder
// that cannot be made.
RunResult RunSessions(std::vector<std::unique_ptr<SessionSource>>& sessions, const RunOptions& options);

// Name of a camera type number as the simulator has it.
std::string CameraName(int type);

}  // namespace ksim
