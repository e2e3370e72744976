// The broadcaster's hand on the director: hold the car on air, cut to the
// car ahead or behind or to the leader, replay the last contact now. Each
// action is a key held with Ctrl, polled where the on/off shortcut is and
// carried out by the next scoring cycle, which has the field to act on.
#include <algorithm>
#include <cstring>
#include <locale>
#include <sstream>

#include "director/battle_rules.hpp"
#include "director/class_groups.hpp"
#include "director/keyboard.hpp"
#include "director/manual_keys.hpp"
#include "director/snapshot.hpp"
#include "plugin/rF2kovrel.hpp"
#include "plugin/text.hpp"

namespace {

constexpr int kVirtualKeyControl = 17;
// A second leader press this soon after the first shows the next class's leader.
constexpr double kLeaderCycleSeconds = 5.0;
// As for the scan's own replays: an older contact is no longer worth one.
constexpr double kReplayWindowSeconds = 180.0;

void KeyCodes(const rF2kovrel& d, std::int32_t (&codes)[kManualActions]) {
  codes[kManualHold] = d.holdkey;
  codes[kManualNext] = d.nextkey;
  codes[kManualPrevious] = d.prevkey;
  codes[kManualLeader] = d.leaderkey;
  codes[kManualReplay] = d.replaykey;
}

int IndexOfSlot(const ScoringInfoV01& info, std::int32_t id) {
  const int count = VehicleCount(info);
  for (int i = 0; i < count; ++i) {
    if (info.mVehicle[i].mID == id) return i;
  }
  return -1;
}

bool RunningAt(const rF2kovrel& d, const ScoringInfoV01& info, int index) {
  return index >= 0 && IsRunning(info.mVehicle[index], d.mPlayerDriving);
}

std::string DriverOfSlot(const ScoringInfoV01& info, std::int32_t id) {
  const int index = IndexOfSlot(info, id);
  return index >= 0 ? DriverNameOf(info.mVehicle[index]) : std::string();
}

ClassGroups ClassesOf(const rF2kovrel& d, const ScoringInfoV01& info) {
  std::vector<ClassMember> members;
  const int count = VehicleCount(info);
  for (int i = 0; i < count; ++i) {
    const VehicleScoringInfoV01& v = info.mVehicle[i];
    members.push_back({TextOfField(v.mVehicleClass, sizeof(v.mVehicleClass)), v.mBestLapTime, RunningAt(d, info, i)});
  }
  return GroupClasses(members);
}

// The running car nearest to the car on air in place order, ahead (step -1)
// or behind (+1); within its class when asked. -1 when there is none.
int NeighbourOnAir(const rF2kovrel& d, const ScoringInfoV01& info, int step) {
  const int onAir = IndexOfSlot(info, d.mActualVeh);
  if (onAir < 0) return -1;
  const ClassGroups classes = d.mManualWithinClass ? ClassesOf(d, info) : ClassGroups{};
  const int from = info.mVehicle[onAir].mPlace;
  int best = -1, bestDistance = 0;
  const int count = VehicleCount(info);
  for (int i = 0; i < count; ++i) {
    if (i == onAir || !RunningAt(d, info, i)) continue;
    if (d.mManualWithinClass && classes.classOf[static_cast<std::size_t>(i)] != classes.classOf[static_cast<std::size_t>(onAir)]) {
      continue;
    }
    const int distance = (info.mVehicle[i].mPlace - from) * step;
    if (distance > 0 && (best < 0 || distance < bestDistance)) {
      best = i;
      bestDistance = distance;
    }
  }
  return best;
}

// The best-placed running car, of one class (an index into the classes) or
// of any (-1).
int LeaderOf(const rF2kovrel& d, const ScoringInfoV01& info, const ClassGroups& classes, int cls) {
  int best = -1;
  const int count = VehicleCount(info);
  for (int i = 0; i < count; ++i) {
    if (!RunningAt(d, info, i)) continue;
    if (cls >= 0 && classes.classOf[static_cast<std::size_t>(i)] != cls) continue;
    if (best < 0 || info.mVehicle[i].mPlace < info.mVehicle[best].mPlace) best = i;
  }
  return best;
}

// The leader; pressed again soon, the next class's leader (classes fastest
// first), round to the first class again: in a one-class field the leader.
int LeaderForPress(rF2kovrel& d, const ScoringInfoV01& info) {
  const bool again = d.mSessionTime >= d.mLeaderPressedAt && d.mSessionTime - d.mLeaderPressedAt < kLeaderCycleSeconds;
  d.mLeaderPressedAt = d.mSessionTime;
  const ClassGroups classes = ClassesOf(d, info);
  if (!again || classes.Count() == 0) {
    const int leader = LeaderOf(d, info, classes, -1);
    if (leader >= 0) d.mLeaderClass = classes.classOf[static_cast<std::size_t>(leader)];
    return leader;
  }
  for (int k = 1; k <= classes.Count(); ++k) {
    const int cls = (d.mLeaderClass + k) % classes.Count();
    const int leader = LeaderOf(d, info, classes, cls);
    if (leader >= 0) {
      d.mLeaderClass = cls;
      return leader;
    }
  }
  return -1;
}

// Manual notices go to the message centre, whether the web server answered or not.
void PostByHand(rF2kovrel& d, const std::string& text) {
  const std::size_t length = std::min(text.size(), sizeof(d.mPendingMessage.mText) - 1);
  std::memcpy(d.mPendingMessage.mText, text.data(), length);
  d.mPendingMessage.mText[length] = '\0';
  d.mNoticeByHand = true;
}

void LogByHand(rF2kovrel& d, const char* action, std::int32_t id) {
  if (d.debug == 0) return;
  std::ostringstream line;
  line.imbue(std::locale::classic());
  line.setf(std::ios::fixed, std::ios::floatfield);
  line.precision(3);
  line << "Manual : " << action << " t=" << d.mSessionTime << " id=" << id << "\n";
  d.AppendDebugText(line.str());
}

// A replay that waited for the hand and is by now too old is dropped.
void DropStaleReplay(rF2kovrel& d) {
  if (d.mReplayPending && !d.mReplayRunning && !d.mManualReplay &&
      d.mSessionTime - d.mReplayIncidentTime >= kReplayWindowSeconds) {
    d.mReplayPending = false;
  }
}

void Release(rF2kovrel& d) {
  LogByHand(d, "release", d.mHeldVeh);
  d.mHeld = false;
  d.mHeldVeh = -1;
  PostByHand(d, "Camera released");
  DropStaleReplay(d);
}

void Resume(rF2kovrel& d) {
  LogByHand(d, "resume", d.mManualVeh);
  d.mManualVeh = -1;
  PostByHand(d, "Director resumed");
  DropStaleReplay(d);
}

void Hold(rF2kovrel& d, const ScoringInfoV01& info) {
  if (d.mHeld) {
    Release(d);
    return;
  }
  if (d.mActualVeh == -1) return;  // nothing on air yet
  d.mHeld = true;
  d.mHeldVeh = d.mActualVeh;
  d.mManualVeh = -1;
  LogByHand(d, "hold", d.mHeldVeh);
  PostByHand(d, "Camera held: " + DriverOfSlot(info, d.mHeldVeh));
}

// A cut by hand: trackside, sent even to the car already shown. Under a hold
// the hold moves to the new car; otherwise it holds for `manualhold`.
void CutByHand(rF2kovrel& d, const ScoringInfoV01& info, int action, int index) {
  if (index < 0 || d.mReplayRunning) return;
  const VehicleScoringInfoV01& v = info.mVehicle[index];
  if (d.mHeld) {
    d.mHeldVeh = v.mID;
  } else {
    d.mManualVeh = v.mID;
    d.mManualUntil = d.mSessionTime + d.manualhold;
  }
  d.mManualAction = action;
  d.mNextVeh = v.mID;
  d.mNextPlace = v.mPlace;
  d.mCamType = 4;
  d.mMinBehind = d.onboarddiff + 1.0;
  d.mTimerFired = true;
  d.mCarChosen = true;
  static const char* const kWords[kManualActions] = {"hold", "next", "previous", "leader", "replay"};
  LogByHand(d, kWords[action], v.mID);
  PostByHand(d, "Manual: " + DriverNameOf(v));
}

// The last contact the scan took as a candidate (or scheduled), or the live
// director's last pass, whichever is later, when younger than 180 s.
void ReplayNow(rF2kovrel& d, const ScoringInfoV01& info) {
  if (d.mReplayPending || d.mReplayRunning) return;
  const bool contact = d.mIncidentId != -1;
  const bool pass = d.livedirector != 0 && d.mLastPassId != -1;
  if (!contact && !pass) return;
  const bool takePass = pass && (!contact || d.mLastPassTime > d.mIncidentTime);
  const double time = takePass ? d.mLastPassTime : d.mIncidentTime;
  if (!(d.mSessionTime - time < kReplayWindowSeconds)) return;
  d.mReplayId = takePass ? d.mLastPassId : d.mIncidentId;
  d.mReplayOtherId = takePass ? d.mLastPassOtherId : d.mIncidentOtherId;
  d.mReplayIncidentTime = time;
  d.mReplayPending = true;
  d.mManualReplay = true;
  if (!takePass) d.mIncidentSize = 0.0;  // shown now: the scan does not replay it again
  LogByHand(d, "replay", d.mReplayId);
  PostByHand(d, "Manual replay: " + DriverOfSlot(info, d.mReplayId));
}

void ApplyPressed(rF2kovrel& d, const ScoringInfoV01& info) {
  const unsigned pressed = d.mManualPressed;
  d.mManualPressed = 0;
  const auto was = [&](int action) { return (pressed & (1u << action)) != 0; };
  if (was(kManualHold)) Hold(d, info);
  if (was(kManualNext)) CutByHand(d, info, kManualNext, NeighbourOnAir(d, info, -1));
  if (was(kManualPrevious)) CutByHand(d, info, kManualPrevious, NeighbourOnAir(d, info, +1));
  if (was(kManualLeader) && !d.mReplayRunning) CutByHand(d, info, kManualLeader, LeaderForPress(d, info));
  if (was(kManualReplay)) ReplayNow(d, info);
}

}  // namespace

void rF2kovrel::PollManualKeys() {
  std::int32_t codes[kManualActions];
  KeyCodes(*this, codes);
  bool ctrlAsked = false, ctrl = false;
  for (int action = 0; action < kManualActions; ++action) {
    const std::int32_t code = PolledKeyCode(codes, autokey, action);
    if (code == 0) {
      mManualLatch[action] = false;
      continue;
    }
    if (!ctrlAsked) {
      ctrl = IsVirtualKeyDown(kVirtualKeyControl);
      ctrlAsked = true;
    }
    const bool down = ctrl && IsVirtualKeyDown(code);
    // One action per press, however long held; only while the director is on.
    if (down && !mManualLatch[action] && auto_ != 0) mManualPressed |= 1u << action;
    mManualLatch[action] = down;
  }
}

void rF2kovrel::DirectByHand(const ScoringInfoV01& info) {
  ApplyPressed(*this, info);
  if (mHeld && !RunningAt(*this, info, IndexOfSlot(info, mHeldVeh))) Release(*this);
  if (mManualVeh != -1 && (mSessionTime >= mManualUntil || !RunningAt(*this, info, IndexOfSlot(info, mManualVeh)))) {
    Resume(*this);
  }
  const std::int32_t kept = mHeld ? mHeldVeh : mManualVeh;
  if (kept == -1) return;
  // The director's own choice of this snapshot does not go on air.
  if (mManualAction < 0) {
    mTimerFired = false;
    mCamType = kept == mActualVeh ? mActualCamType : 4;
  }
  mNextVeh = kept;
  mNextPlace = info.mVehicle[IndexOfSlot(info, kept)].mPlace;
}

void rF2kovrel::ResetManual() {
  if (mHeld) Release(*this);
  if (mManualVeh != -1) Resume(*this);
  mManualAction = -1;
  mLeaderPressedAt = -1.0e9;
  mLeaderClass = 0;
  mManualReplay = false;
  mLastPassId = -1;
  mLastPassOtherId = -1;
  mLastPassTime = 0.0;
}

const char* rF2kovrel::ManualState() const {
  if (mHeld) return "held";
  if (mManualVeh != -1 || mManualReplay) return "manual";
  return nullptr;
}
