#include "bench/fuzz/fuzz_formats.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "director/favourites.hpp"
#include "director/keyboard.hpp"
#include "support/director_fixture.hpp"

const char kUnopenableFolder[] = "/nonexistent-kovrel-fuzz/rF2stream";

void SetUpFuzzPlugin(rF2kovrel& plugin, unsigned seed) {
  ReleaseAllKeys();
  std::srand(seed);
  ApplyDefaultSettings(plugin, kUnopenableFolder);
}

namespace {

std::int32_t ShowInPitNumber(const std::string& text) {
  const long long number = std::strtoll(text.c_str(), nullptr, 0);
  return static_cast<std::int32_t>(std::clamp<long long>(number, INT32_MIN, INT32_MAX));
}

}  // namespace

void ReadSettings(ByteReader& in, rF2kovrel& p) {
  const int count = in.U8();
  for (int i = 0; i < count && !in.Empty(); ++i) {
    switch (static_cast<Setting>(in.U8() % kSettingCount)) {
      case Setting::kAuto: p.auto_ = in.Integer(); break;
      case Setting::kAutokey: p.autokey = in.Integer(); break;
      case Setting::kWaitsec: p.waitsec = in.Integer(); break;
      case Setting::kInterest: p.interest = in.Integer(); break;
      case Setting::kInterestdiff: p.interestdiff = in.Integer(); break;
      case Setting::kOnboarddiff: p.onboarddiff = in.Real(); break;
      case Setting::kOnboardcam: p.onboardcam = in.Integer(); break;
      case Setting::kRearview: p.rearview = in.Integer(); break;
      case Setting::kRearviewcam: p.rearviewcam = in.Integer(); break;
      case Setting::kCamtest: p.camtest = in.ShortText(); break;
      case Setting::kWalkthrough: p.walkthrough = in.Integer(); break;
      case Setting::kShowinpit:
        p.showinpit = in.ShortText();
        p.mShowInPitNum = ShowInPitNumber(p.showinpit);
        break;
      case Setting::kLowinc: p.lowinc = in.Real(); break;
      case Setting::kHighinc: p.highinc = in.Real(); break;
      case Setting::kMsessioninc: p.msessioninc = in.Integer(); break;
      case Setting::kDebug: p.debug = in.Integer(); break;
      case Setting::kSbsdist: p.sbsdist = in.Real(); break;
      case Setting::kSbscount: p.sbscount = in.Integer(); break;
      case Setting::kReplayduration: p.replayduration = in.Integer(); break;
      case Setting::kReplayoffset: p.replayoffset = in.Real(); break;
      case Setting::kStandings: p.standings = in.Integer(); break;
      case Setting::kHoldkey: p.holdkey = in.Integer(); break;
      case Setting::kNextkey: p.nextkey = in.Integer(); break;
      case Setting::kPrevkey: p.prevkey = in.Integer(); break;
      case Setting::kLeaderkey: p.leaderkey = in.Integer(); break;
      case Setting::kReplaykey: p.replaykey = in.Integer(); break;
      case Setting::kManualhold: p.manualhold = in.Real(); break;
      case Setting::kFavourites:
        p.favourites = in.ShortText();
        ReadCarNumberList(p.favourites, p.mFavouriteNumbers);
        break;
      case Setting::kFavourfactor: p.favourfactor = in.Real(); break;
      case Setting::kCount: break;
    }
  }
}

namespace {

void ReadVehicle(ByteReader& in, VehicleScoringInfoV01& v) {
  std::memset(&v, 0, sizeof(v));
  v.mID = in.Integer();
  v.mPlace = in.U8();
  const std::uint8_t nameCode = in.U8();
  if (nameCode < sizeof(v.mDriverName) + 1) {
    const std::string name = in.Bytes(nameCode < sizeof(v.mDriverName) ? nameCode : 31);
    std::memcpy(v.mDriverName, name.data(), name.size());
  } else {
    const std::string name = in.Bytes(sizeof(v.mDriverName));
    std::memset(v.mDriverName, 'N', sizeof(v.mDriverName));  // no NUL, whatever is left
    std::memcpy(v.mDriverName, name.data(), name.size());
  }
  v.mFinishStatus = static_cast<signed char>(in.U8());
  v.mPitState = in.U8();
  const std::uint8_t flags = in.U8();
  v.mIsPlayer = (flags & 1) != 0;
  v.mInPits = (flags & 2) != 0;
  v.mTotalLaps = static_cast<std::int16_t>(in.Integer());
  v.mSector = static_cast<signed char>(in.U8());
  v.mLapDist = in.Real();
  v.mTimeBehindNext = in.Real();
  v.mBestLapTime = in.Real();
  v.mBestSector1 = in.Real();
  v.mBestSector2 = in.Real();
  v.mCurSector1 = in.Real();
  v.mCurSector2 = in.Real();
  v.mLapStartET = in.Real();
}

}  // namespace

void ReadSnapshot(ByteReader& in, FuzzSnapshot& s) {
  std::memset(&s.info, 0, sizeof(s.info));
  s.info.mSession = in.Integer();
  s.info.mGamePhase = in.U8();
  s.info.mCurrentET = in.Real();
  s.info.mEndET = in.Real();
  s.info.mMaxLaps = in.Integer();
  s.nullStream = false;
  switch (in.U8() % 4) {
    case 0: s.nullStream = true; break;
    case 1: s.stream += in.ShortText(); break;
    case 2: s.stream = in.ShortText(); break;
    case 3: s.stream.resize(std::min<std::size_t>(s.stream.size(), in.U8() * 4u)); break;
  }
  const std::uint8_t countCode = in.U8();
  int count = 0;
  s.nullVehicles = false;
  if (countCode < 200) {
    count = countCode;
  } else if (countCode < 250) {
    count = countCode - 199;
    s.nullVehicles = true;
  } else {
    count = 249 - countCode;
  }
  s.info.mNumVehicles = count;
  const std::size_t records = count > 0 && !s.nullVehicles ? static_cast<std::size_t>(count) : 1;
  s.vehicles.assign(records, VehicleScoringInfoV01{});
  if (count > 0 && !s.nullVehicles) {
    for (VehicleScoringInfoV01& v : s.vehicles) ReadVehicle(in, v);
  }
}

const ScoringInfoV01& FuzzSnapshot::Info() {
  info.mResultsStream = nullStream ? nullptr : &stream[0];
  info.mVehicle = nullVehicles ? nullptr : vehicles.data();
  return info;
}
