#include <cstdint>
#include <cstring>
#include <locale>
#include <sstream>
#include <string>

#include "outputs/text_mode.hpp"
#include "plugin/rF2kovrel.hpp"

namespace {

// Bytes of the snapshot's results-stream text; a missing text counts as empty.
std::size_t StreamLength(const ScoringInfoV01& info) {
  return info.mResultsStream == nullptr ? 0 : std::strlen(info.mResultsStream);
}

// One line of the director's state for the debug log; wtvCount is the number of
// camera-control calls it reports.
std::string StateLine(const rF2kovrel& d, const ScoringInfoV01& info, std::int32_t wtvCount) {
  std::ostringstream line;
  line.imbue(std::locale::classic());  // a full stop as decimal mark whatever the host set
  line.setf(std::ios::fixed, std::ios::floatfield);
  line.precision(3);
  line << "t=" << d.mSessionTime << " ses=" << info.mSession
       << " ph=" << static_cast<int>(info.mGamePhase) << " sip=" << d.showinpit
       << " intdiff=" << d.interestdiff << " obdiff=" << d.onboarddiff << " wait=" << d.waitsec
       << " pmb=" << d.mMinBehind << " mb=" << d.mBattleScore << " npos=" << d.mNextPlace
       << " apos=" << d.mActualPlace << " nveh=" << d.mNextVeh << " aveh=" << d.mActualVeh
       << " rveh=" << d.mReplayId << " inpit=" << (d.mInPit ? 1 : 0) << " sbs=" << d.mSbsCount
       << " pdrv=" << (d.mPlayerDriving ? 1 : 0) << " psid=" << d.mPlayerVeh
       << " tfired=" << (d.mTimerFired ? 1 : 0) << " wtvN=" << wtvCount
       << " rep=" << d.mRepActive.load() << " wpath=" << d.mWtvPath.load()
       << " stream_len=" << StreamLength(info) << "\n";
  return line.str();
}

}  // namespace

void rF2kovrel::ResetStreamFiles() {
  RewriteTextFile(mTimeFilePath, "-");
  RewriteTextFile(mDriverFilePath, "rF2kovrel");
  RewriteTextFile(mInfoFilePath, "");
  RewriteTextFile(mStatusFilePath, "");
  WriteInfoPage(0);
  ResetStandings();
}

void rF2kovrel::RefreshStreamFiles(const ScoringInfoV01& info) {
  mLastGamePhase = info.mGamePhase;
  const std::string clockText = WriteTimeFile(info);
  WriteInfoPage(info.mSession);
  WriteStatusFile(info.mSession, clockText);
  if (debug == 0) return;
  // Camera control counts on its own thread; take away only the calls this
  // line reports, so one arriving meanwhile is counted in the next line.
  const std::int32_t reported = mWtvCount.load();
  if (AppendDebugText(StateLine(*this, info, reported))) mWtvCount -= reported;
}
