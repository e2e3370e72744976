// The plug-in's side of the snapshot trace (opt-in recordtrace): every
// snapshot it is handed, whether the automatic camera is on or not.
#include <ctime>

#include "plugin/rF2kovrel.hpp"

namespace {

// Local wall-clock time, as the file names carry it.
std::string FileStamp() {
  const std::time_t now = std::time(nullptr);
  char text[32] = "00000000-000000";
  if (const std::tm* local = std::localtime(&now)) std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", local);
  return text;
}

}  // namespace

void rF2kovrel::RecordSnapshot(const ScoringInfoV01& info) {
  if (recordtrace == 0) return;
  const std::string stamp = mTraceRecorder.StartsFile(info) ? FileStamp() : std::string();
  if (!mTraceRecorder.Record(info, filespath, stamp)) {
    AppendDebugText("Trace recording stopped for this session: cannot write " + mTraceRecorder.Path() + "\n");
  }
}

void rF2kovrel::FlushTrace() {
  if (recordtrace == 0) return;
  if (!mTraceRecorder.EndFile()) {
    AppendDebugText("Trace recording stopped for this session: cannot write " + mTraceRecorder.Path() + "\n");
  }
}
