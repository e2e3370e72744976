// A lead change or a pass for the podium that the camera missed is replayed
// through the instant replay, when no contact replay is waiting and (for a
// podium pass) the budget of replays for the race so far allows.
#include <algorithm>
#include <cstdint>
#include <locale>
#include <sstream>
#include <vector>

#include "director/snapshot.hpp"
#include "plugin/rF2kovrel.hpp"

namespace {

constexpr int kWatchedPlaces = 3;
// About eight replays a race hour, contacts and passes together: the first
// may come at once, the n-th once (n - 1) eighths of an hour have gone.
constexpr double kReplaysPerHour = 8.0;
// A pass missed while another replay was due or on screen waits this long for
// its own; a lead change made during a replay would otherwise be lost.
constexpr double kLongestPassWait = 60.0;
// A class lead change counts as seen when one of its cars was on air this long.
constexpr double kSeenForSeconds = 5.0;

bool IsAmong(std::int32_t id, const std::int32_t* ids, int count) {
  return std::find(ids, ids + count, id) != ids + count;
}

bool InPitOrDone(const ScoringInfoV01& info, std::int32_t id) {
  const int count = VehicleCount(info);
  for (int i = 0; i < count; ++i) {
    const VehicleScoringInfoV01& v = info.mVehicle[i];
    if (v.mID == id) return v.mPitState != 0 || v.mFinishStatus != 0;
  }
  return true;  // gone from the field
}

// With classes, a class's new leader that took the lead from the car now
// behind it, unseen: it waits for its replay as a podium pass does. The
// race's own lead change (the fastest class's) is watched with the podium and
// goes first; a class lead goes before a podium pass and keeps to the budget.
void WatchClassLeads(rF2kovrel& d, const ScoringInfoV01& info, std::int32_t raceLeader) {
  const std::vector<std::int32_t>& now = d.mClassLeaderVeh;
  if (d.mLiveClassLeaders.size() == now.size()) {
    for (std::size_t c = 0; c < now.size(); ++c) {
      const std::int32_t passer = now[c];
      const std::int32_t passed = d.mLiveClassLeaders[c];
      if (passer < 0 || passed < 0 || passer == passed || passer == raceLeader) continue;
      if (InPitOrDone(info, passer) || InPitOrDone(info, passed)) continue;
      // Seen when one of the pair had been on air a while: a cut to it a moment
      // ago (a contact nearby) has not shown the fight for the lead.
      const bool onAir = d.mActualVeh == passer || d.mActualVeh == passed;
      if (!d.mReplayRunning && onAir && d.mSessionTime - d.mLastCutTime >= kSeenForSeconds) continue;
      const bool waitingLeadChange = d.mWaitingPasser >= 0 && d.mWaitingPassPlace == 1;
      if (waitingLeadChange) break;
      d.mWaitingPasser = passer;
      d.mWaitingPassed = passed;
      d.mWaitingPassPlace = 1;
      d.mWaitingClassLead = true;
      d.mWaitingPassTime = d.mSessionTime;
      break;
    }
  }
  d.mLiveClassLeaders = now;
}

}  // namespace

// Every replay the live director asks for goes through here; with debug=1 the
// log says which moment it shows (the usual "... >= highinc" line is the scan's).
void rF2kovrel::ScheduleLiveReplay(std::int32_t id, std::int32_t otherId, double time) {
  mReplayId = id;
  mReplayOtherId = otherId;
  mReplayIncidentTime = time;
  mReplayPending = true;
  ++mReplaysScheduled;
  if (debug == 0) return;
  std::ostringstream line;
  line.imbue(std::locale::classic());
  line.setf(std::ios::fixed, std::ios::floatfield);
  line.precision(3);
  line << "Live replay : t=" << time << " id=" << id << "\n";
  AppendDebugText(line.str());
}

bool rF2kovrel::ReplayBudgetAllows() const {
  if (mGreenSince < 0.0) return true;
  const double hours = std::max(0.0, mSessionTime - mGreenSince) / 3600.0;
  return mReplaysScheduled <= kReplaysPerHour * hours;
}

void rF2kovrel::ReplayMissedPass(const ScoringInfoV01& info) {
  std::int32_t now[kWatchedPlaces] = {-1, -1, -1};
  for (int k = 0; k < kWatchedPlaces && k + 1 < static_cast<int>(mLiveByPlace.size()); ++k) {
    const int index = mLiveByPlace[static_cast<std::size_t>(k + 1)];
    if (index >= 0) now[k] = info.mVehicle[index].mID;
  }
  for (int k = 0; k < kWatchedPlaces; ++k) {
    const std::int32_t passer = now[k];
    const std::int32_t passed = mLivePodium[k];
    if (passer < 0 || passed < 0 || passer == passed) continue;
    // The new car came from behind and the old one is now behind it: a pass,
    // not a car that dropped out or a pit stop.
    if (IsAmong(passer, mLivePodium, k + 1) || IsAmong(passed, now, k + 1)) continue;
    if (InPitOrDone(info, passer) || InPitOrDone(info, passed)) continue;
    // Noted for the replay key, seen live or not.
    mLastPassId = passer;
    mLastPassOtherId = passed;
    mLastPassTime = mSessionTime;
    // Seen as it happened, unless the car was on screen in a replay.
    if (!mReplayRunning && (mActualVeh == passer || mActualVeh == passed)) continue;
    // The pass for the best place of this snapshot waits for its replay,
    // unless one for a better place already does.
    if (mWaitingPasser < 0 || k + 1 <= mWaitingPassPlace) {
      mWaitingPasser = passer;
      mWaitingPassed = passed;
      mWaitingPassPlace = k + 1;
      mWaitingClassLead = false;
      mWaitingPassTime = mSessionTime;
    }
    break;
  }
  std::copy(now, now + kWatchedPlaces, mLivePodium);
  if (ByClass()) WatchClassLeads(*this, info, now[0]);

  if (mWaitingPasser < 0) return;
  if (mSessionTime - mWaitingPassTime > kLongestPassWait) {
    mWaitingPasser = -1;
    return;
  }
  // A lead change is rare and always worth its replay; podium passes keep to the budget.
  const bool leadChange = mWaitingPassPlace == 1 && !mWaitingClassLead;
  if (mReplayPending || mReplayRunning || !(leadChange || ReplayBudgetAllows())) return;
  ScheduleLiveReplay(mWaitingPasser, mWaitingPassed, mWaitingPassTime);
  mWaitingPasser = -1;
}
