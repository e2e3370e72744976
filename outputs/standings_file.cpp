// "standings.json" for the overlay's tower, switched on by the opt-in key
// standings. It follows the field whether or not the automatic camera is on,
// since the broadcaster may drive the camera while the tower runs.

#include "director/snapshot.hpp"
#include "outputs/standings_document.hpp"
#include "outputs/text_mode.hpp"
#include "plugin/rF2kovrel.hpp"

namespace {

// Snapshots come a fifth of a second apart, and five fifths may sum to a hair
// under a second.
constexpr double kWriteEvery = 1.0 - 1e-6;

}  // namespace

// The one place that names the director's state for the overlay.
const char* rF2kovrel::DirectorWord() const {
  if (auto_ == 0) return "off";
  const char* hand = ManualState();  // the broadcaster's hold or manual cut
  return hand != nullptr ? hand : "auto";
}

void rF2kovrel::ResetStandings() {
  mStandingsKept = false;
  mStandingsDue = false;
  mStandingsWrittenAt = -1.0e9;
  if (standings != 0) RewriteTextFile(mStandingsFilePath, "");
}

void rF2kovrel::KeepStandingsField(const ScoringInfoV01& info) {
  const int count = VehicleCount(info);
  mStandingsCars.assign(info.mVehicle, info.mVehicle + count);
  mStandingsInfo = info;
  mStandingsInfo.mVehicle = mStandingsCars.data();
  mStandingsInfo.mNumVehicles = count;
  mStandingsInfo.mResultsStream = nullptr;  // the host's text, gone after the call
  mStandingsKept = true;
}

void rF2kovrel::RefreshStandings(const ScoringInfoV01& info) {
  KeepStandingsField(info);
  const double now = info.mCurrentET;
  // A session time before the last write is a new or restarted session.
  const bool secondPassed = now - mStandingsWrittenAt >= kWriteEvery || now < mStandingsWrittenAt;
  if (secondPassed) mStandingsWrittenAt = now;
  if (secondPassed || mStandingsDue) WriteStandingsFile();
}

// A cut within the scoring cycle is written once the cycle has kept its
// snapshot; one between snapshots at once, from the last snapshot.
void rF2kovrel::NoteStandingsChange() {
  if (standings == 0) return;
  if (mInUpdate) {
    mStandingsDue = true;
  } else {
    WriteStandingsFile();
  }
}

void rF2kovrel::WriteStandingsFile() {
  mStandingsDue = false;
  if (!mStandingsKept) return;
  StandingsContext context;
  context.director = DirectorWord();
  context.onAirId = auto_ != 0 && mCarChosen ? mActualVeh : -1;
  context.replayId = mReplayRunning ? mReplayId : -1;
  context.fightGap = onboarddiff;
  RewriteTextFile(mStandingsFilePath, StandingsDocument(mStandingsInfo, context));
}
