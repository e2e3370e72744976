// The live director: in races, on top of the usual choice, it rates each car
// by the close fights it is in, picks the best of them when the wait runs
// out, switches early to a car clearly better worth watching, stays on a pass
// it has just shown, and cuts to a fresh strong contact or a mass report at
// once.
#include "director/live_director.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "director/battle_rules.hpp"
#include "director/snapshot.hpp"
#include "plugin/rF2kovrel.hpp"

namespace {

// Gaps are smoothed over about this long: timing between two timing points is
// noisy (a tenth or two of a second), and a switch on noise is a hop.
constexpr double kSmoothingSeconds = 0.5;
// A fight's worth falls by e for each this many seconds of gap: a 0.2 s fight
// is worth almost three of a 0.4 s one. Closer fights are decided far more
// often in the next half minute.
constexpr double kFightScale = 0.2;
// A fight further apart than this is not worth choosing a car for.
constexpr double kFarthestFight = 1.5;
// The better car must stay better this long before an early switch.
constexpr double kSwitchPersistSeconds = 1.0;
// And be better by this much besides `liveswitch` times: two cars both far
// from any fight are not worth a cut between them.
constexpr double kSwitchFloor = 0.1;
// After a pass on air the camera stays this long on it (a lead change longer):
// the answer of the passed car is part of it.
constexpr double kStayAfterPass = 10.0;
constexpr double kStayAfterLeadChange = 20.0;
// Within a class a little longer: measured on a race of three classes, fewer
// shots under 4 s and as many passes seen.
constexpr double kStayAfterClassPass = 16.0;
// After a cut to a contact, the next contact must wait this long for its own.
constexpr double kReactionGapSeconds = 10.0;
// So many cars reporting contact within a second are one scene.
constexpr int kSceneCars = 5;
constexpr double kSceneWindowSeconds = 1.0;
constexpr double kSceneSeconds = 10.0;
// A car losing this many seconds to the leader each second (running at about
// 60% of the pace or less) is in trouble: a spin, a crash, a wing gone. It is
// about to be passed by car after car and is worth as much as a fight with no
// gap at all. Time lost to the leader is measured at the same point of the
// track, so a slow corner is no trouble, as a car's speed there would be.
constexpr double kSlowLoss = 0.4;
constexpr double kSlowWorth = 1.0;
// The loss is smoothed over about this long: gaps are noisy.
constexpr double kLossSmoothing = 2.0;
// A gap to the leader cannot grow faster than time passes; a sample beyond
// this is a change of leader or a jump of the timing.
constexpr double kWildLoss = 1.5;
constexpr double kReadEverySeconds = 0.4;
// A contact whose car runs slow this soon after it cost the car its pace.
constexpr double kCostlyAfter = 1.0, kCostlyWithin = 6.0;
// Every class is seen: the fights of a class off the screen this long weigh
// this many times more, so that its best fight wins over all but far closer ones.
constexpr double kClassUnseenSeconds = 120.0;
constexpr double kUnseenClassWeight = 3.0;
// How far ahead a closing fight is rated (class fights).
constexpr double kLookAheadSeconds = 10.0;
// A wait that cannot run out this snapshot.
constexpr std::int32_t kHoldWait = std::numeric_limits<std::int32_t>::max();

// e to the power -x for x >= 0, to two parts in ten thousand: every
// fight's worth is worked out every snapshot, and the C library's exp cost as
// much as all the rest of the rating.
double ExpOfMinus(double x) {
  if (!(x < 700.0)) return 0.0;
  const double y = x * 1.4426950408889634;  // in powers of two
  const int whole = static_cast<int>(y);
  const double f = y - whole;
  // 2^-f on [0, 1), its series in f*ln 2 to the fifth power.
  const double l = 0.6931471805599453 * f;
  const double part = 1.0 - l * (1.0 - l * (0.5 - l * (1.0 / 6.0 - l * (1.0 / 24.0 - l / 120.0))));
  // 2^-whole built as a double: ldexp costs as much as exp.
  const std::uint64_t bits = static_cast<std::uint64_t>(1023 - whole) << 52;
  double scale = 0.0;
  std::memcpy(&scale, &bits, sizeof scale);
  return part * scale;
}

bool IsRacing(const rF2kovrel& d, const VehicleScoringInfoV01& v) { return IsRunning(v, d.mPlayerDriving); }

// The cars the pass-on-air check looks at, by index into the live cars: the
// one on air and the two that were beside it last snapshot; -1 for none.
struct Watched {
  int onAir = -1, wasAhead = -1, wasBehind = -1;
};

const rF2kovrel::LiveCar* CarAt(const rF2kovrel& d, int index) {
  return index < 0 || index >= static_cast<int>(d.mLiveCars.size()) ? nullptr
                                                                      : &d.mLiveCars[static_cast<std::size_t>(index)];
}

std::int32_t SlotOf(const rF2kovrel::LiveCar* car) { return car != nullptr ? car->id : -1; }

void TakeClassStanding(rF2kovrel::LiveCar& car, const rF2kovrel::ClassStanding& s) {
  car.classIndex = s.classIndex;
  car.classPlace = s.classPlace;
  car.classAhead = s.classAhead;
  car.classBehind = s.classBehind;
}

Watched SmoothGaps(rF2kovrel& d, const ScoringInfoV01& info) {
  Watched watched;
  const int count = VehicleCount(info);
  const double dt = d.mLiveLastUpdate < 0.0 ? 0.0 : std::max(0.0, d.mSessionTime - d.mLiveLastUpdate);
  const double blend = dt / (kSmoothingSeconds + dt);
  const double lossBlend = dt / (kLossSmoothing + dt);
  // With a new leader every gap to the leader jumps: no loss is read then.
  const bool sameLeader = d.mLiveLeader == d.mLeaderVeh;
  d.mLiveLeader = d.mLeaderVeh;
  d.mLiveLastUpdate = d.mSessionTime;
  d.mLiveCars.resize(static_cast<std::size_t>(count));
  d.mLiveByPlace.assign(static_cast<std::size_t>(count) + 2, -1);
  const bool byClass = d.ByClass();
  for (int i = 0; i < count; ++i) {
    const VehicleScoringInfoV01& v = info.mVehicle[i];
    rF2kovrel::LiveCar& car = d.mLiveCars[static_cast<std::size_t>(i)];
    const double gap = byClass ? StandingOf(d, i).classGap : std::fabs(v.mTimeBehindNext);
    car.rawGap = gap;
    const double behindLeader = v.mTimeBehindLeader;
    if (car.id != v.mID || (!byClass && !std::isfinite(car.gap))) {
      car.id = v.mID;
      car.gap = gap;
      car.loss = 0.0;
      car.lossKnown = false;
    } else {
      // With classes a car may have no fight for a while (a class leader): its
      // gap starts afresh, its loss to the leader is still read.
      const bool smooth = !byClass || (std::isfinite(gap) && std::isfinite(car.gap));
      car.gap = smooth ? car.gap + blend * (gap - car.gap) : gap;
      const double loss = dt > 0.0 ? (behindLeader - car.behindLeader) / dt : 0.0;
      if (dt > 0.0 && sameLeader && v.mPlace > 1 && std::fabs(loss) <= kWildLoss) {
        car.loss = car.lossKnown ? car.loss + lossBlend * (loss - car.loss) : loss;
        car.lossKnown = true;
      }
    }
    car.behindLeader = behindLeader;
    car.place = v.mPlace;
    if (byClass) TakeClassStanding(car, StandingOf(d, i));
    car.racing = IsRacing(d, v);
    if (v.mPlace >= 1 && v.mPlace <= count) d.mLiveByPlace[static_cast<std::size_t>(v.mPlace)] = i;
    if (v.mID == d.mActualVeh) watched.onAir = i;
    if (v.mID == d.mLiveOnAirAhead) watched.wasAhead = i;
    if (v.mID == d.mLiveOnAirBehind) watched.wasBehind = i;
  }
  return watched;
}

void AddFight(rF2kovrel& d, int attackerPlace, int defenderPlace, int interestPlace, const rF2kovrel::LiveCar& car,
              double gap) {
  const double worth = ExpOfMinus(GapAfterInterest(d, interestPlace, gap) / kFightScale);
  for (const int place : {attackerPlace, defenderPlace}) {
    if (place < 1 || place >= static_cast<int>(d.mLiveRatings.size())) continue;
    rF2kovrel::LiveRating& rating = d.mLiveRatings[static_cast<std::size_t>(place)];
    rating.worth += worth;
    rating.fightGap = std::min(rating.fightGap, car.rawGap);
  }
}

// The gap a fight will have in a few seconds, from how fast each car loses
// time to the leader: a car closing on its classmate is rated by the gap it
// is about to have, so that the camera is on the pair when the pass comes
// rather than after it. A fight coming apart is rated by today's gap.
double ComingGap(const rF2kovrel::LiveCar& car, const rF2kovrel::LiveCar& ahead) {
  if (!car.lossKnown || !ahead.lossKnown) return car.gap;
  const double closing = ahead.loss - car.loss;  // seconds of gap made up each second
  return closing > 0.0 ? std::max(0.0, car.gap - closing * kLookAheadSeconds) : car.gap;
}

// With classes, a fight is a racing car and its racing classmate ahead on its lap.
void RateClassFights(rF2kovrel& d) {
  for (const rF2kovrel::LiveCar& car : d.mLiveCars) {
    if (!car.racing || !std::isfinite(car.gap)) continue;
    const rF2kovrel::LiveCar* ahead = CarAt(d, car.classAhead);
    if (ahead == nullptr || !ahead->racing) continue;
    const double gap = ComingGap(car, *ahead);
    if (gap > kFarthestFight) continue;
    AddFight(d, car.place, ahead->place, car.classPlace, car, gap);
  }
}

// Each car's worth by place: every fight (a racing car and the racing car
// ahead of it) counts for both its cars, so the middle car of a train is
// worth both of its fights.
void RateFights(rF2kovrel& d) {
  const int places = static_cast<int>(d.mLiveByPlace.size()) - 2;
  d.mLiveRatings.assign(d.mLiveByPlace.size(), rF2kovrel::LiveRating{});
  if (d.ByClass()) {
    RateClassFights(d);
    return;
  }
  for (int place = 2; place <= places; ++place) {
    const int index = d.mLiveByPlace[static_cast<std::size_t>(place)];
    const int ahead = d.mLiveByPlace[static_cast<std::size_t>(place - 1)];
    if (index < 0 || ahead < 0) continue;
    const rF2kovrel::LiveCar& car = d.mLiveCars[static_cast<std::size_t>(index)];
    if (!car.racing || !d.mLiveCars[static_cast<std::size_t>(ahead)].racing) continue;
    if (car.gap > kFarthestFight) continue;
    const double worth = ExpOfMinus(FavouredGap(d, car.id, GapAfterInterest(d, place, car.gap)) / kFightScale);
    const double raw = car.rawGap;
    const std::size_t attacker = static_cast<std::size_t>(place), defender = attacker - 1;
    for (rF2kovrel::LiveRating* rating : {&d.mLiveRatings[attacker], &d.mLiveRatings[defender]}) {
      rating->worth += worth;
      rating->fightGap = std::min(rating->fightGap, raw);
    }
  }
}

bool InTrouble(const rF2kovrel::LiveCar& car) { return car.racing && car.lossKnown && car.loss >= kSlowLoss; }

// Cars far under the pace count as if in a fight of their own.
void RateSlowCars(rF2kovrel& d) {
  for (const rF2kovrel::LiveCar& car : d.mLiveCars) {
    if (!InTrouble(car)) continue;
    if (car.place >= 1 && car.place < static_cast<int>(d.mLiveRatings.size())) {
      d.mLiveRatings[static_cast<std::size_t>(car.place)].worth += kSlowWorth;
    }
  }
}

// The place best worth watching, the front-most of equals; 0 when no car is in a fight.
int BestPlace(const rF2kovrel& d) {
  int best = 0;
  double bestWorth = 0.0;
  for (std::size_t p = 1; p < d.mLiveRatings.size(); ++p) {
    if (d.mLiveRatings[p].worth > bestWorth) {
      bestWorth = d.mLiveRatings[p].worth;
      best = static_cast<int>(p);
    }
  }
  return best;
}

const rF2kovrel::LiveCar* CarOfSlot(const rF2kovrel& d, std::int32_t id) {
  for (const rF2kovrel::LiveCar& car : d.mLiveCars) {
    if (car.id == id) return &car;
  }
  return nullptr;
}

// The place of a car the camera can follow (racing: not in the pit lane, not
// retired or finished); 0 for any other.
int RacingPlaceOfSlot(const rF2kovrel& d, std::int32_t id) {
  const rF2kovrel::LiveCar* car = CarOfSlot(d, id);
  return car != nullptr && car->racing ? car->place : 0;
}

// The same from this snapshot's records, for a cut to make now: the field as
// last read may be a moment old, and a car that has just retired cannot be cut to.
int RacingPlaceNow(const rF2kovrel& d, const ScoringInfoV01& info, std::int32_t id) {
  const int count = VehicleCount(info);
  for (int i = 0; i < count; ++i) {
    if (info.mVehicle[i].mID == id) return IsRacing(d, info.mVehicle[i]) ? info.mVehicle[i].mPlace : 0;
  }
  return 0;
}

double WorthAt(const rF2kovrel& d, int place) {
  return place > 0 && place < static_cast<int>(d.mLiveRatings.size())
             ? d.mLiveRatings[static_cast<std::size_t>(place)].worth
             : 0.0;
}

const rF2kovrel::LiveCar* CarAtPlace(const rF2kovrel& d, int place) {
  if (place < 1 || place >= static_cast<int>(d.mLiveByPlace.size())) return nullptr;
  const int index = d.mLiveByPlace[static_cast<std::size_t>(place)];
  return index < 0 ? nullptr : &d.mLiveCars[static_cast<std::size_t>(index)];
}

std::int32_t SlotAtPlace(const rF2kovrel& d, int place) {
  const rF2kovrel::LiveCar* car = CarAtPlace(d, place);
  return car != nullptr ? car->id : -1;
}

bool LongUnseen(const rF2kovrel& d, std::size_t c) {
  return d.mSessionTime - d.mClassOnAirAt[c] >= kClassUnseenSeconds;
}

// When each class was last on air; a class that comes back on air after long
// away keeps its weight for that shot, so that an early switch does not take
// the camera straight back to the class always on screen.
void NoteClassOnAir(rF2kovrel& d) {
  const std::size_t classes = d.mClassNames.size();
  if (d.mClassOnAirAt.size() != classes) d.mClassOnAirAt.assign(classes, d.mSessionTime);
  const rF2kovrel::LiveCar* car = CarOfSlot(d, d.mActualVeh);
  if (car == nullptr || static_cast<std::size_t>(car->classIndex) >= classes) return;
  const std::size_t c = static_cast<std::size_t>(car->classIndex);
  if (LongUnseen(d, c)) {
    d.mLiveFavouredClass = car->classIndex;
    d.mLiveFavouredCut = d.mLastCutTime;
  }
  d.mClassOnAirAt[c] = d.mSessionTime;
}

void FavourUnseenClasses(rF2kovrel& d) {
  for (std::size_t p = 1; p < d.mLiveRatings.size(); ++p) {
    const rF2kovrel::LiveCar* car = CarAtPlace(d, static_cast<int>(p));
    if (car == nullptr || static_cast<std::size_t>(car->classIndex) >= d.mClassOnAirAt.size()) continue;
    const bool favouredShot = car->classIndex == d.mLiveFavouredClass && d.mLastCutTime == d.mLiveFavouredCut;
    if (favouredShot || LongUnseen(d, static_cast<std::size_t>(car->classIndex))) {
      d.mLiveRatings[p].worth *= kUnseenClassWeight;
    }
  }
}

void CutNowTo(rF2kovrel& d, int place, double gap, int reason) {
  d.mNextPlace = place;
  d.mMinBehind = gap;
  d.mCutWait = 0;
  d.mLiveReason = reason;
}

// A cut to a contact or a scene, seen from trackside; the next must wait.
void ReactWithCutTo(rF2kovrel& d, int place, int reason) {
  d.mLiveReactedAt = d.mSessionTime;
  CutNowTo(d, place, d.onboarddiff + 1.0, reason);
}


// A pass by or on the car on air: one of the cars beside it last snapshot is
// on its other side now, both still racing. The camera then stays on it.
void NotePassOnAir(rF2kovrel& d, const Watched& watched) {
  const rF2kovrel::LiveCar* onAir = CarAt(d, watched.onAir);
  const int place = onAir != nullptr ? onAir->place : 0;
  // With classes the cars beside it are its classmates: a prototype lapping
  // the GT car on air is no pass for the camera.
  const bool byClass = d.ByClass();
  const std::int32_t ahead = byClass ? (onAir != nullptr ? SlotOf(CarAt(d, onAir->classAhead)) : -1)
                                     : SlotAtPlace(d, place - 1);
  const std::int32_t behind = byClass ? (onAir != nullptr ? SlotOf(CarAt(d, onAir->classBehind)) : -1)
                                      : SlotAtPlace(d, place + 1);
  if (place > 0 && d.mActualVeh == d.mLiveOnAirVeh) {
    const rF2kovrel::LiveCar* wasAhead = d.mLiveOnAirAhead >= 0 ? CarAt(d, watched.wasAhead) : nullptr;
    const rF2kovrel::LiveCar* wasBehind = d.mLiveOnAirBehind >= 0 ? CarAt(d, watched.wasBehind) : nullptr;
    const bool passed = wasAhead != nullptr && wasAhead->place > place;
    const bool beenPassed = wasBehind != nullptr && wasBehind->place > 0 && wasBehind->place < place;
    const rF2kovrel::LiveCar* other = passed ? wasAhead : wasBehind;
    if ((passed || beenPassed) && onAir->racing && other->racing) {
      // The class's lead counts as the race's lead does.
      const bool forTheLead = byClass ? std::min(onAir->classPlace, other->classPlace) == 1
                                      : std::min(place, other->place) == 1;
      const double stay = byClass ? kStayAfterClassPass : kStayAfterPass;
      d.mLiveStayUntil = d.mSessionTime + (forTheLead ? kStayAfterLeadChange : stay);
      d.mLastPassId = passed ? onAir->id : other->id;  // the passing car, for the replay key
      d.mLastPassOtherId = passed ? other->id : onAir->id;
      d.mLastPassTime = d.mSessionTime;
    }
  }
  d.mLiveOnAirVeh = d.mActualVeh;
  d.mLiveOnAirAhead = ahead;
  d.mLiveOnAirBehind = behind;
}

// A contact after which its car runs at well under the pace (a spin,
// a crash, a wing gone): shown at once and replayed, within the budget.
bool ReactToCostlyContact(rF2kovrel& d, const ScoringInfoV01& info) {
  for (rF2kovrel::ContactReport& r : d.mRecentReports) {
    const double age = d.mSessionTime - r.time;
    if (r.costly || age < kCostlyAfter || age > kCostlyWithin) continue;
    const rF2kovrel::LiveCar* car = CarOfSlot(d, r.id);
    if (car == nullptr || !InTrouble(*car)) continue;
    const int place = RacingPlaceNow(d, info, r.id);
    if (place == 0) continue;
    // Every report of this car's contact is one contact.
    for (rF2kovrel::ContactReport& same : d.mRecentReports) same.costly = same.costly || same.id == r.id;
    const bool replayed = (d.mReplayId == r.id || d.mReplayOtherId == r.id) &&
                          std::fabs(d.mReplayIncidentTime - r.time) < kCostlyWithin;
    if (!replayed && !d.mReplayPending && !d.mReplayRunning && d.ReplayBudgetAllows()) {
      d.ScheduleLiveReplay(r.id, -1, r.time);
    }
    if (r.id == d.mActualVeh || d.mSessionTime - d.mLiveReactedAt < kReactionGapSeconds) return false;
    ReactWithCutTo(d, place, kLiveContact);
    return true;
  }
  return false;
}

// Five or more cars at once: one scene, shown from its front-most car.
bool ReactToScene(rF2kovrel& d, const ScoringInfoV01& info) {
  if (d.mSessionTime < d.mSceneUntil) return false;
  std::int32_t ids[kSceneCars];
  int distinct = 0;
  int front = 0;
  for (const rF2kovrel::ContactReport& r : d.mRecentReports) {
    if (d.mSessionTime - r.time > kSceneWindowSeconds) continue;
    if (std::find(ids, ids + distinct, r.id) != ids + distinct) continue;
    if (distinct < kSceneCars) ids[distinct] = r.id;
    ++distinct;
    const int place = RacingPlaceNow(d, info, r.id);
    if (place > 0 && (front == 0 || place < front)) front = place;
    if (distinct >= kSceneCars) break;
  }
  if (distinct < kSceneCars || front == 0) return false;
  d.mSceneUntil = d.mSessionTime + kSceneSeconds;
  ReactWithCutTo(d, front, kLiveScene);
  return true;
}

// The strongest contact of this snapshot, when strong for the session.
bool ReactToContact(rF2kovrel& d, const ScoringInfoV01& info) {
  if (ReactToScene(d, info)) return true;
  if (ReactToCostlyContact(d, info)) return true;
  if (d.mSessionTime < d.mSceneUntil) return false;
  if (d.mSessionTime - d.mLiveReactedAt < kReactionGapSeconds) return false;
  const rF2kovrel::ContactReport* strongest = nullptr;
  for (const rF2kovrel::ContactReport& r : d.mRecentReports) {
    if (r.time != d.mSessionTime || !(r.strength >= d.highinc)) continue;
    if (strongest == nullptr || r.strength > strongest->strength) strongest = &r;
  }
  if (strongest == nullptr || strongest->id == d.mActualVeh) return false;
  // A car out of the race is left to the replay: the camera would not find it.
  const int place = RacingPlaceNow(d, info, strongest->id);
  if (place == 0) return false;
  ReactWithCutTo(d, place, kLiveContact);
  return true;
}

// When the wait has run out and the usual choice is a battle (not a
// side-by-side group, the pit lane or a random place), the car best worth
// watching is taken instead.
void ChooseBestFight(rF2kovrel& d, int best) {
  const bool sideBySide = d.mSbsPlace != 0 && d.mSbsCount >= d.sbscount && d.mNextPlace == d.mSbsPlace;
  const bool pitLane = d.mInPit && d.mPitPlace != 0 && d.mNextPlace == d.mPitPlace;
  if (best == 0 || sideBySide || pitLane) return;
  d.mNextPlace = best;
  d.mMinBehind = d.mLiveRatings[static_cast<std::size_t>(best)].fightGap;
  d.mLiveReason = kLiveBestFight;
}

// After the shortest hold, to a car worth `liveswitch` times the one on air
// (and a little more) for a second on end: the margin and the wait keep timing
// noise from switching back and forth.
bool SwitchEarly(rF2kovrel& d, int best, double onAirWorth) {
  const bool better = best != 0 && WorthAt(d, best) > d.liveswitch * onAirWorth + kSwitchFloor;
  if (!better) {
    d.mLiveSwitchPlace = 0;
    return false;
  }
  if (d.mLiveSwitchPlace != best) {
    d.mLiveSwitchPlace = best;
    d.mLiveSwitchSince = d.mSessionTime;
  }
  if (d.mSessionTime - d.mLastCutTime < d.livemin) return false;
  if (d.mSessionTime - d.mLiveSwitchSince < kSwitchPersistSeconds) return false;
  d.mLiveSwitchPlace = 0;
  CutNowTo(d, best, d.mLiveRatings[static_cast<std::size_t>(best)].fightGap, kLiveCloserBattle);
  return true;
}

}  // namespace

void rF2kovrel::DirectLive(const ScoringInfoV01& info) {
  mLiveReason = kLiveNone;
  const bool green = info.mGamePhase == 4 || info.mGamePhase == 5;
  if (!green || mAllFinished) {
    mLiveLastUpdate = -1.0;
    return;
  }
  if (mGreenSince < 0.0) mGreenSince = mSessionTime;
  // The field is read a few times a second: its gaps and losses are smoothed
  // over half a second and more, and an early switch waits a second anyway.
  const bool fresh = mLiveLastUpdate < 0.0 || mSessionTime < mLiveLastUpdate ||
                     mSessionTime - mLiveLastUpdate >= kReadEverySeconds - 1e-9;
  if (fresh) {
    const Watched watched = SmoothGaps(*this, info);
    NotePassOnAir(*this, watched);
    if (ByClass()) NoteClassOnAir(*this);
    ReplayMissedPass(info);
  }
  // The flag chase and the leader under a short wait keep their cut, and the
  // broadcaster's hand keeps the camera.
  if (mCutWait == 2 || mReplayRunning || HandHoldsReplays()) return;
  if (mCarChosen) {
    if (ReactToContact(*this, info)) return;
    if (mSessionTime < mLiveStayUntil) {
      mCutWait = kHoldWait;
      return;
    }
  }
  // The cars are rated only when a choice can come of it: the first shot, the
  // wait's end, or (a second ahead, for the switch to hold) an early switch.
  const double held = mSessionTime - mLastCutTime;
  const bool waitOver = held > mCutWait;
  if (mCarChosen && !waitOver && held < livemin - kSwitchPersistSeconds) {
    mLiveSwitchPlace = 0;
    return;
  }
  if (mLiveRatedAt != mLiveLastUpdate) {
    RateFights(*this);
    RateSlowCars(*this);
    if (ByClass()) FavourUnseenClasses(*this);
    mLiveBest = BestPlace(*this);
    mLiveRatedAt = mLiveLastUpdate;
  }
  if (!mCarChosen) {
    ChooseBestFight(*this, mLiveBest);  // the first shot
    return;
  }
  if (SwitchEarly(*this, mLiveBest, WorthAt(*this, RacingPlaceOfSlot(*this, mActualVeh)))) return;
  if (waitOver) ChooseBestFight(*this, mLiveBest);
}

void rF2kovrel::ResetLiveDirector() {
  if (autoinc != 0) {
    lowinc = mIniLowinc;
    highinc = mIniHighinc;
  }
  mContactStrengths.clear();
  mRecentReports.clear();
  mLiveCars.clear();
  mLiveByPlace.clear();
  mLiveRatings.clear();
  mLiveRatedAt = -2.0;
  mLiveBest = 0;
  mLiveLeader = -1;
  mLiveLastUpdate = -1.0;
  mLiveSwitchSince = -1.0;
  mLiveSwitchPlace = 0;
  mLiveReactedAt = -1.0e9;
  mSceneUntil = -1.0e9;
  mLiveStayUntil = -1.0e9;
  mLiveOnAirVeh = -1;
  mLiveOnAirAhead = -1;
  mLiveOnAirBehind = -1;
  for (std::int32_t& id : mLivePodium) id = -1;
  mWaitingPasser = -1;
  mWaitingPassed = -1;
  mWaitingPassPlace = 0;
  mWaitingPassTime = 0.0;
  mWaitingClassLead = false;
  mClassOnAirAt.clear();
  mLiveFavouredClass = -1;
  mLiveFavouredCut = -1.0;
  mLiveClassLeaders.clear();
  mGreenSince = -1.0;
  mReplaysScheduled = 0;
  mLiveReason = kLiveNone;
}
