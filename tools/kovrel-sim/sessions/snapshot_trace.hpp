// Reads a snapshot trace (.kvt, written by the plug-in with recordtrace=1 or
// by kovrel-sim --record-trace): the scoring snapshots exactly as the plug-in
// was handed them. The format is described with its writer
// (outputs/trace_format.hpp) and in the README.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "sdk/InternalsPlugin.hpp"
#include "sessions/session.hpp"

namespace ksim {

// "<file>: line N: what is wrong".
class SnapshotTraceError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One snapshot as the plug-in was handed it. The record's vehicle and stream
// pointers point into this object.
struct TracedSnapshot {
  ScoringInfoV01 info{};
  std::vector<VehicleScoringInfoV01> cars;  // in the simulator's array order
  std::string stream;                       // the results-stream text added with it
  bool timingPointsOnly = false;            // the field was rebuilt from timing points
  int line = 0;                             // where the snapshot begins in the file
};

// Walks a trace's bytes snapshot by snapshot. Throws SnapshotTraceError for a
// trace of another version, a line that does not parse, snapshots out of
// order or an unknown member. A last snapshot cut short (the recording ended
// in the middle of a write) is not an error: Next stops before it and Torn
// says where it began.
class SnapshotTraceReader {
 public:
  SnapshotTraceReader(std::string name, const std::string& bytes);
  // Moves on to the next complete snapshot; false at the end.
  bool Next();
  const TracedSnapshot& Current() const { return mCurrent; }
  // After the end: the line of a torn last snapshot, 0 when none.
  int TornAt() const { return mTornAt; }

 private:
  [[noreturn]] void Fail(int line, const std::string& what) const;
  // A member's value, read in the form its key wants; any other form fails.
  struct Value {
    int line;
    const char* owner;  // "car member", "session member"
    char key;
    const char* begin;
    const char* end;
  };
  long long Whole(const Value& value) const;
  double Decimals(const Value& value, int decimals) const;
  bool ReadLine(std::size_t& begin, std::size_t& end, bool& lastWithoutFeed);
  void ParseSession(int line, const char* begin, const char* end);
  void ParseCar(int line, const char* begin, const char* end, int& expected);
  void Publish();

  std::string mName;
  const std::string& mBytes;
  std::size_t mPos = 0;
  int mLine = 0;
  int mTornAt = 0;
  bool mStarted = false;
  double mLastTime = -1.0e300;
  std::int32_t mSessionNumber = 0;
  bool mSessionKnown = false;
  // The state the change-only records build on.
  ScoringInfoV01 mSession{};
  std::int32_t mCount = 0;
  std::vector<VehicleScoringInfoV01> mCars;
  bool mPointsOnly = false;
  TracedSnapshot mCurrent;
};

// A whole trace file: its bytes, read at once, and what a first walk found.
struct SnapshotTrace {
  std::string path;
  std::string bytes;
  std::vector<double> times;  // of each complete snapshot
  int tornAt = 0;  // the line of a torn last snapshot, 0 when none
  // The session as the trace tells it: its cars (every slot id met, in the
  // order first met, named as then), track, length and the green flag.
  SessionPlan plan;
};

// Reads and checks the whole file. Throws SnapshotTraceError naming the file
// and line; a file that cannot be read, or holds no complete snapshot, is one too.
SnapshotTrace ReadSnapshotTrace(const std::string& path);

}  // namespace ksim
