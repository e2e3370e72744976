#include "outputs/trace_recorder.hpp"

#include "outputs/file_io.hpp"

namespace {

// About a second of a 44-car field: kept between writes without growing.
constexpr std::size_t kBufferBytes = 64 * 1024;

}  // namespace

void TraceRecorder::Start(const ScoringInfoV01& info, const std::string& filesFolder, const std::string& stamp) {
  std::string stem = filesFolder + "\\trace-" + stamp + "-s" + std::to_string(info.mSession);
  // Two sessions started within one second (a restart) get files of their own.
  if (stem == mLastStem) {
    mPath = stem + "-" + std::to_string(++mStemRepeats + 1) + ".kvt";
  } else {
    mLastStem = stem;
    mStemRepeats = 0;
    mPath = stem + ".kvt";
  }
  mWriter.Reset();
  mBuffer.clear();
  mBuffer.reserve(kBufferBytes);
  mBuffer += kTraceHeader;
  mActive = true;
  mStopped = false;
  mSession = info.mSession;
  mWrittenAt = info.mCurrentET;
}

bool TraceRecorder::Record(const ScoringInfoV01& info, const std::string& filesFolder, const std::string& stamp) {
  bool written = true;
  if (mActive && StartsFile(info)) written = EndFile();
  if (!mActive) Start(info, filesFolder, stamp);
  mLastTime = info.mCurrentET;
  if (mStopped) return written;
  mWriter.Append(info, mBuffer);
  if (info.mCurrentET - mWrittenAt >= 1.0) written = Flush() && written;
  return written;
}

bool TraceRecorder::Flush() {
  mWrittenAt = mLastTime;
  if (!mActive || mStopped || mBuffer.empty()) return true;
  const bool written = AppendToFile(mPath, mBuffer);
  mBuffer.clear();
  // A disk that refused once (full, gone) is not asked again this session: a
  // later write could only add a record torn from its beginning.
  if (!written) mStopped = true;
  return written;
}

bool TraceRecorder::EndFile() {
  const bool written = Flush();
  mActive = false;
  return written;
}
