// Keeps the plug-in's snapshot trace: one file a session in the files folder,
// "trace-<YYYYMMDD-HHMMSS>-s<session>.kvt". Snapshots are kept in memory and
// appended at most once a second of session time, so a slow disk never holds
// up the simulator for more than one small write.
#pragma once

#include <cstdint>
#include <string>

#include "outputs/trace_format.hpp"
#include "sdk/InternalsPlugin.hpp"

class TraceRecorder {
 public:
  // Records the snapshot into the session's file, starting one for a new
  // session number or for a session clock that went back (a restart).
  // `stamp` names a new file ("20260529-143000"). False when a write failed
  // just now: the recording of this session stops there.
  bool Record(const ScoringInfoV01& info, const std::string& filesFolder, const std::string& stamp);
  // Appends what is kept; false when that write failed just now.
  bool Flush();
  // Writes what is kept and closes the session's file: the next snapshot
  // starts a new one.
  bool EndFile();

  // Whether the next snapshot starts a file (and so needs a stamp).
  bool StartsFile(const ScoringInfoV01& info) const {
    return !mActive || info.mSession != mSession || info.mCurrentET < mLastTime;
  }
  bool Active() const { return mActive; }
  bool Stopped() const { return mStopped; }
  const std::string& Path() const { return mPath; }

 private:
  void Start(const ScoringInfoV01& info, const std::string& filesFolder, const std::string& stamp);

  TraceWriter mWriter;
  std::string mBuffer;
  std::string mPath;
  std::string mLastStem;
  int mStemRepeats = 0;
  bool mActive = false;
  bool mStopped = false;
  std::int32_t mSession = 0;
  double mLastTime = 0.0;
  double mWrittenAt = 0.0;
};
