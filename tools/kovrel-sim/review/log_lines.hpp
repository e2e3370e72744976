// The lines of the plug-in's debug log, one at a time: the State line written
// for every snapshot the director handled, the on/off lines of the automatic
// camera and the lines of the incident scan. The log has no timestamps of its
// own; everything but the State line is placed by the State line that follows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ksim {

struct StateLine {
  double t = 0.0;            // session time of the snapshot
  int session = -1;          // the simulator's session number
  int phase = 0;
  int waitsec = -1;
  double onboarddiff = -1.0;
  std::int32_t onAir = -1;   // aveh: slot id on air since the last cut (the replay car during a replay)
  std::int32_t replayCar = -1;  // rveh
  int replayActive = -1;     // rep: the host's replay flag at the last camera call
  int cameraPath = -1;       // wpath: 4 while the director runs a replay
  bool InReplay() const { return cameraPath == 4; }
};

enum class LogLineKind {
  State,
  AutoOn,
  AutoOff,
  IncidentText,    // "Incident : " or a later line of the raw stream text it copied
  IncidentValues,  // "lowinc=..., highinc=..., pincsize=..., sincsize=..."
  ReplayScheduled, // "<strength> >= highinc ..." or ">= lowinc ..."
  LiveReplay,      // "Live replay : t=<moment> id=<slot>": the live director's replay of a pass or contact
  Manual,          // "Manual : <action> t=<time> id=<slot>": the broadcaster's key
  Other,           // the lines of the raw stream text after the first, and anything else
  Broken,          // starts as a State line but does not read as one (a cut-off line)
};

struct IncidentValues {
  double lowinc = 0.0, highinc = 0.0;
  double candidate = 0.0;  // pincsize: the candidate's strength after the scan
};

struct LogLine {
  LogLineKind kind = LogLineKind::Other;
  StateLine state;
  IncidentValues values;
  double liveReplayMoment = -1.0;  // LiveReplay: the session time it shows
  std::string manualAction;        // Manual: hold, release, next, previous, leader, replay or resume
};

// Reads one line, without its line end (a carriage return left at its end is
// ignored).
LogLine ReadLogLine(std::string_view line);

}  // namespace ksim
