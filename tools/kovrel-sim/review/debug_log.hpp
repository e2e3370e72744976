// A whole debug log read as a stream, cut into the stretches that belong to one
// session each: a log is only ever appended to, across sessions, runs and
// days. Each stretch keeps what went on air when, compactly (one entry per
// change), so memory stays flat however long the log is.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace ksim {

using TimeSpan = std::pair<double, double>;

// A stretch of the picture on one slot id, live or in a replay.
struct LoggedShot {
  double start = 0.0, end = 0.0;
  std::int32_t slotId = -1;  // -1: the simulator's own picture before the first cut
  bool replay = false;
  bool manual = false;  // the broadcaster had the camera (the log's "Manual :" lines)
};

struct LoggedReplay {
  std::int32_t slotId = -1;
  double incident = -1.0;  // session time of the incident replayed; below 0 when the log does not give it
  double started = 0.0;    // first State line inside the replay
  double ended = -1.0;     // first State line after it; below 0 when the log stops inside it
  bool manual = false;     // the replay key's
};

struct LogSegment {
  int session = -1;
  long long firstLine = 0, lastLine = 0;  // line numbers in the file, from 1
  double first = 0.0, last = 0.0;         // session times of the first and the last State line
  long long states = 0;
  double interval = 0.2;                  // the usual time between two State lines
  bool offAtStart = false;                // the director was off when the stretch began
  bool offAtEnd = false;                  // and when it ended
  std::vector<LoggedShot> shots;
  std::vector<LoggedReplay> replays;
  std::vector<TimeSpan> autoOff;          // between an off line and the State line after the on line
  std::vector<TimeSpan> silent;           // no State line for longer than a few snapshots
  int waitsec = -1;
  double onboarddiff = -1.0;
  double lowinc = -1.0, highinc = -1.0;   // from the incident scan's lines; below 0 when none
  double firstLowinc = -1.0, firstHighinc = -1.0;  // the first such line's (automatic thresholds move)
  std::map<std::int32_t, std::string> names;  // slot id -> driver, as the incident lines name them
};

struct DebugLog {
  std::string path;
  std::vector<LogSegment> segments;
  long long lines = 0;
  long long stateLines = 0;
  long long brokenLines = 0;   // lines that begin like a State or scan line but do not read as one
  bool truncatedEnd = false;   // the last line has no line end (the file was cut or is being written)
  std::uint64_t bytes = 0;
  double seconds = 0.0;        // reading time
};

// Reads the log; `progress`, when given, gets a line every few seconds on a
// long file. Throws std::runtime_error when the file cannot be read.
DebugLog ReadDebugLog(const std::string& path, std::ostream* progress = nullptr);

// The same, from text already in memory (tests).
DebugLog ReadDebugLogText(const std::string& text);

}  // namespace ksim
