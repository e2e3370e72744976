// The incident scan on arbitrary results-stream text: each line of the input
// arrives with its own snapshot, handed as the simulator hands it (only what
// was added since the previous snapshot) or as the whole stream so far.
//
// Input: U8 random seed, Integer session number, U8 flags (1 debug log on,
// 2 through UpdateScoring rather than ScanIncidents alone, 4 thresholds of
// the current contact scale, 8 the whole stream rather than additions), then
// the stream text, where three bytes steer the host instead of joining the text:
//   0x01  the stream shrinks to half its length (a new results stream); with
//         additions, the addition is cut to half its length
//   0x02  one snapshot with no stream at all (a null pointer)
//   0x03  eleven seconds pass and the host polls "InstantReplay" and asks
//         for the camera, so that scheduled replays run and end
// After every scan the plug-in must remember exactly the text it was shown
// and have taken as new what that text adds to the previous one: the part
// beyond it when the text begins with it, nothing when the two are the same,
// the whole text otherwise.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/fuzz/byte_reader.hpp"
#include "bench/fuzz/fuzz_formats.hpp"
#include "support/snapshot_builder.hpp"

namespace {

void Check(bool holds) {
  if (!holds) __builtin_trap();
}

class Host {
 public:
  Host(rF2kovrel& plugin, int session, bool throughScoring)
      : mPlugin(plugin), mThroughScoring(throughScoring) {
    mSnapshot.Session(session).Phase(5).MaxLaps(30).EndTime(3600.0);
    mSnapshot.Car(3, 1).LapDist(900.0);
    mSnapshot.Car(7, 2).Behind(0.3).LapDist(880.0);
    mSnapshot.Car(12, 3).Behind(0.9).LapDist(840.0);
    mInfo = mSnapshot.Info();
  }

  void Snapshot(const std::string* stream) {
    mTime += 0.2;
    mInfo.mCurrentET = mTime;
    mPlugin.mSessionTime = mTime;
    mInfo.mResultsStream = stream != nullptr ? const_cast<char*>(stream->c_str()) : nullptr;
    const std::string shown = stream != nullptr ? std::string(stream->c_str()) : std::string();
    if (mThroughScoring) {
      mPlugin.UpdateScoring(mInfo);
    } else {
      mPlugin.ScanIncidents(mInfo);
    }
    // The first scan after a reset takes everything as seen.
    Check(mPlugin.mPrevResultsSet);
    Check(mPlugin.mPrevResults == shown);
    if (!mScanned || shown == mSeen) {
      Check(mPlugin.mNewResults.empty());
    } else if (shown.size() > mSeen.size() && shown.compare(0, mSeen.size(), mSeen) == 0) {
      Check(mPlugin.mNewResults == shown.substr(mSeen.size()));
    } else {
      Check(mPlugin.mNewResults == shown);
    }
    Check(mPlugin.mIncidentSizeText.size() <= 10);
    Check(!(mPlugin.mReplayPending && mPlugin.mReplayRunning));
    mSeen = shown;
    mScanned = true;
  }

  void RunReplay() {
    mTime += 11.0;
    mPlugin.mSessionTime = mTime;
    double value = 0.0;
    mPlugin.CheckHWControl("InstantReplay", value);
    CameraControlInfoV01 camera{};
    mPlugin.WantsToViewVehicle(camera);
  }

 private:
  rF2kovrel& mPlugin;
  bool mThroughScoring;
  ::Snapshot mSnapshot;
  ScoringInfoV01 mInfo{};
  double mTime = 100.0;
  std::string mSeen;
  bool mScanned = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteReader in(data, size);
  rF2kovrel plugin;
  SetUpFuzzPlugin(plugin, in.U8());
  const int session = in.Integer();
  const std::uint8_t flags = in.U8();
  plugin.debug = flags & 1;
  if ((flags & 4) != 0) {
    plugin.lowinc = 1000.0;
    plugin.highinc = 5000.0;
  }
  Host host(plugin, session, (flags & 2) != 0);

  const bool whole = (flags & 8) != 0;
  std::string stream;
  const std::string text = in.Rest();
  std::size_t at = 0;
  while (at < text.size()) {
    const char c = text[at];
    if (c == '\x01') {
      stream.resize(stream.size() / 2);
      host.Snapshot(&stream);
      ++at;
    } else if (c == '\x02') {
      host.Snapshot(nullptr);
      ++at;
    } else if (c == '\x03') {
      host.RunReplay();
      ++at;
    } else {
      std::size_t end = text.find_first_of("\n\x01\x02\x03", at);
      end = end == std::string::npos ? text.size() : (text[end] == '\n' ? end + 1 : end);
      if (!whole) stream.clear();
      stream.append(text, at, end - at);
      host.Snapshot(&stream);
      at = end;
    }
  }
  return 0;
}
