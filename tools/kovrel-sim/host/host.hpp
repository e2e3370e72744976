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

#include "host/ini_file.hpp"
#include "record/run_record.hpp"
#include "sessions/session.hpp"

namespace ksim {

enum class ResultsStream { Additions, Whole };

// A broadcaster's key pressed with Ctrl at a session time: "holdkey@620".
struct TimedPress {
  std::string key;  // holdkey, nextkey, prevkey, leaderkey or replaykey
  double time = 0.0;
};

// Reads "key@time"; empty when it reads, else what is wrong with it.
std::string ParseTimedPress(const std::string& text, TimedPress& press);

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
  bool serve = false;              // the simulator's web server on 127.0.0.1:webPort
  int webPort = 6397;              // the port the settings' webport gives the plug-in
  std::vector<double> copyFilesAt;  // session times at which the files folder is copied (files_copy.hpp)
  std::vector<TimedPress> presses; // the broadcaster's keys, pressed in every session
  std::ostream* live = nullptr;    // a line per event; null for none
  std::ostream* progress = nullptr;
  std::uint64_t directorSeed = 0;  // re-seeds the C library's generator after Startup; 0 leaves the plug-in's seed
  // How the plug-in is handed the results stream: as the simulator does, each
  // snapshot only the lines added since the previous one (an empty text when
  // none), or, to compare with hosts of the past, the whole stream so far.
  ResultsStream resultsStream = ResultsStream::Additions;
  // Of the snapshots' additions the plug-in is handed only those its incident
  // scan acts on, holding "Incident" and "Immovable" or "vehicle" (it reads any
  // other addition and drops it), so it decides the same for less work.
  bool incidentAdditionsOnly = false;
  // Times each of the plug-in's callbacks (RunResult's scoring and callback
  // seconds): two clock reads a call, some forty calls a snapshot.
  bool timeCallbacks = true;
  // Seconds of running by which each car's lap distance and gaps, as the
  // plug-in reads them, may be off (0: exact), and the seed of that error.
  double timingNoise = 0.0;
  std::uint64_t noiseSeed = 1;
  // Writes each session's snapshot trace as the plug-in would record it
  // (several sessions: "-s<session number>" before the extension), handing
  // the plug-in and the analysis the values rounded as the trace holds them.
  std::string recordTrace;
};

// The trace file of one session of a run that records traces.
std::string TraceFileOfSession(const std::string& path, int sessionNumber, bool severalSessions);

// Runs the sessions in order through one plug-in object. Throws
// std::runtime_error for a plug-in that cannot be loaded or a working folder
// that cannot be made.
RunResult RunSessions(std::vector<std::unique_ptr<SessionSource>>& sessions, const RunOptions& options);

// Empty when nothing answers on 127.0.0.1 at 6397 (Le Mans Ultimate's web
// server), 5397 (rFactor 2's web UI) or `webPort` (the settings' webport);
// otherwise why a run that loads the plug-in must not start there, and what to
// do. Asked before the plug-in is loaded: its set-up would find that server
// and use it.
std::string SimulatorWebServerProblem(int webPort = 6397);

// The port a webport value gives the plug-in: 1 to 65535, otherwise (or
// empty, for a file without the key) 6397.
int WebPortOf(const std::string& value);

// Plays a session with no plug-in: the field, the timing points and the
// contacts, with nothing on air.
SessionRun RecordSession(SessionSource& source, double scoringRate);

}  // namespace ksim
