#include "sessions/snapshot_trace.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "common/text.hpp"
#include "outputs/trace_format.hpp"

namespace ksim {

namespace {

// More than any simulator's grid: a count beyond it is a broken file.
constexpr std::int32_t kMostCars = 1024;

bool ParseWhole(const char* begin, const char* end, long long& out) {
  const char* p = begin;
  const bool negative = p < end && *p == '-';
  if (negative) ++p;
  if (p == end || end - p > 18) return false;
  long long value = 0;
  for (; p < end; ++p) {
    if (*p < '0' || *p > '9') return false;
    value = value * 10 + (*p - '0');
  }
  out = negative ? -value : value;
  return true;
}

// "-12.345" with exactly `decimals` digits after the point.
bool ParseFixed(const char* begin, const char* end, int decimals, double& out) {
  // At most 15 whole digits: scaled to thousandths it still fits.
  if (end - begin < decimals + 2 || end - begin > decimals + 17 || end[-decimals - 1] != '.') return false;
  long long whole = 0;
  long long fraction = 0;
  if (!ParseWhole(begin, end - decimals - 1, whole) || !ParseWhole(end - decimals, end, fraction)) return false;
  if (end[-decimals] == '-' || fraction < 0) return false;
  const long long unit = decimals == 3 ? 1000 : 100;
  const bool negative = *begin == '-';
  const long long scaled = (negative ? -whole : whole) * unit + fraction;
  // The same division the writer's rounding makes, so values compare equal.
  out = static_cast<double>(negative ? -scaled : scaled) / static_cast<double>(unit);
  return std::fabs(out) <= kTraceLargest;  // the writer holds anything larger at the bound
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Undoes the %XX escaping; false for a broken escape or a byte the writer
// would have escaped. The texts are C strings where the plug-in reads them:
// they end at an escaped zero byte, as the plug-in would see them.
bool Unescape(const char* begin, const char* end, std::string& out) {
  out.clear();
  for (const char* p = begin; p < end; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c != '%') {
      if (c <= ' ' || c > '~') return false;
      out.push_back(*p);
      continue;
    }
    if (end - p < 3 || HexDigit(p[1]) < 0 || HexDigit(p[2]) < 0) return false;
    out.push_back(static_cast<char>(HexDigit(p[1]) * 16 + HexDigit(p[2])));
    p += 2;
  }
  out.resize(strnlen(out.c_str(), out.size()));
  return true;
}

std::string Shown(const char* begin, const char* end) {
  std::string text(begin, static_cast<std::size_t>(std::min<std::ptrdiff_t>(end - begin, 40)));
  return "\"" + ValidUtf8(text) + (end - begin > 40 ? "...\"" : "\"");
}

// Reads the members of one line: calls `member(key, begin, end)` for each.
template <typename Member>
void ForEachMember(const char* begin, const char* end, Member member) {
  const char* p = begin;
  while (p < end) {
    const char* stop = static_cast<const char*>(std::memchr(p, ' ', static_cast<std::size_t>(end - p)));
    if (stop == nullptr) stop = end;
    member(p, stop);
    p = stop + 1;
  }
}

}  // namespace

SnapshotTraceReader::SnapshotTraceReader(std::string name, const std::string& bytes)
    : mName(std::move(name)), mBytes(bytes) {}

void SnapshotTraceReader::Fail(int line, const std::string& what) const {
  throw SnapshotTraceError(mName + ": line " + std::to_string(line) + ": " + what);
}

long long SnapshotTraceReader::Whole(const Value& v) const {
  long long whole = 0;
  if (!ParseWhole(v.begin, v.end, whole)) {
    Fail(v.line, std::string(v.owner) + " '" + v.key + "' wants a whole number, not " + Shown(v.begin, v.end));
  }
  return whole;
}

double SnapshotTraceReader::Decimals(const Value& v, int decimals) const {
  double number = 0.0;
  if (!ParseFixed(v.begin, v.end, decimals, number)) {
    Fail(v.line, std::string(v.owner) + " '" + v.key + "' wants a number with " + std::to_string(decimals) +
                     " decimals, at most 10^12 either way, not " + Shown(v.begin, v.end));
  }
  return number;
}

bool SnapshotTraceReader::ReadLine(std::size_t& begin, std::size_t& end, bool& lastWithoutFeed) {
  if (mPos >= mBytes.size()) return false;
  begin = mPos;
  const std::size_t feed = mBytes.find('\n', mPos);
  lastWithoutFeed = feed == std::string::npos;
  end = lastWithoutFeed ? mBytes.size() : feed;
  mPos = lastWithoutFeed ? mBytes.size() : feed + 1;
  ++mLine;
  return true;
}

void SnapshotTraceReader::ParseSession(int line, const char* begin, const char* end) {
  ForEachMember(begin, end, [&](const char* p, const char* stop) {
    if (p == stop) Fail(line, "an empty member (two blanks in a row)");
    const char key = *p;
    const Value value{line, "session member", key, p + 1, stop};
    long long whole = 0;
    std::string text;
    switch (key) {
      case 'n': mSession.mSession = static_cast<std::int32_t>(Whole(value)); break;
      case 'p': mSession.mGamePhase = static_cast<unsigned char>(Whole(value)); break;
      case 'e': mSession.mEndET = Decimals(value, 3); break;
      case 'm': mSession.mMaxLaps = static_cast<std::int32_t>(Whole(value)); break;
      case 'd': mSession.mLapDist = Decimals(value, 2); break;
      case 'y': mSession.mYellowFlagState = static_cast<signed char>(Whole(value)); break;
      case 'x': mPointsOnly = Whole(value) != 0; break;
      case 'v':
        whole = Whole(value);
        if (whole < 0 || whole > kMostCars) Fail(line, "a field of " + std::to_string(whole) + " cars");
        mCount = static_cast<std::int32_t>(whole);
        break;
      case 't':
        if (!Unescape(p + 1, stop, text)) Fail(line, "a broken %XX escape or a byte left unescaped in the track name");
        if (text.size() > sizeof mSession.mTrackName - 1) Fail(line, "a track name longer than 63 bytes");
        std::memset(mSession.mTrackName, 0, sizeof mSession.mTrackName);
        std::memcpy(mSession.mTrackName, text.data(), text.size());
        break;
      default: Fail(line, std::string("unknown session member '") + key + "'");
    }
  });
  // Positions beyond the field are forgotten, as the writer forgets them.
  mCars.resize(static_cast<std::size_t>(mCount), VehicleScoringInfoV01{});
}

void SnapshotTraceReader::ParseCar(int line, const char* begin, const char* end, int& expected) {
  int index = expected;
  if (*begin == '@') {
    const char* stop = static_cast<const char*>(std::memchr(begin, ' ', static_cast<std::size_t>(end - begin)));
    if (stop == nullptr) stop = end;
    long long at = 0;
    if (!ParseWhole(begin + 1, stop, at)) Fail(line, "a car position wants a whole number, not " + Shown(begin + 1, stop));
    if (at < expected) Fail(line, "car position " + std::to_string(at) + " comes after position " + std::to_string(expected - 1));
    if (at >= mCount) Fail(line, "a record for car position " + std::to_string(at) + " in a field of " + std::to_string(mCount));
    index = static_cast<int>(at);
    begin = stop == end ? end : stop + 1;
  }
  if (index >= mCount) {
    Fail(line, "a record for car position " + std::to_string(index) + " in a field of " + std::to_string(mCount));
  }
  VehicleScoringInfoV01& v = mCars[static_cast<std::size_t>(index)];
  ForEachMember(begin, end, [&](const char* p, const char* stop) {
    if (p == stop) Fail(line, "an empty member (two blanks in a row)");
    const char key = *p;
    const Value value{line, "car member", key, p + 1, stop};
    const auto wantWhole = [&] { return Whole(value); };
    const auto wantFixed = [&](int decimals) { return Decimals(value, decimals); };
    const auto wantText = [&](char* field, std::size_t size) {
      std::string text;
      if (!Unescape(p + 1, stop, text)) Fail(line, std::string("a broken %XX escape or a byte left unescaped in car member '") + key + "'");
      if (text.size() > size) Fail(line, std::string("car member '") + key + "' is longer than " + std::to_string(size) + " bytes");
      std::memset(field, 0, size);
      std::memcpy(field, text.data(), text.size());
    };
    switch (key) {
      case 'i': v.mID = static_cast<std::int32_t>(wantWhole()); break;
      case 'n': wantText(v.mDriverName, sizeof v.mDriverName); break;
      case 'v': wantText(v.mVehicleName, sizeof v.mVehicleName); break;
      case 'c': wantText(v.mVehicleClass, sizeof v.mVehicleClass); break;
      case 'p': v.mPlace = static_cast<unsigned char>(wantWhole()); break;
      case 'l': v.mTotalLaps = static_cast<std::int16_t>(wantWhole()); break;
      case 'd': v.mLapDist = wantFixed(2); break;
      case 's': v.mSector = static_cast<signed char>(wantWhole()); break;
      case 'a': v.mTimeBehindNext = wantFixed(3); break;
      case 'b': v.mTimeBehindLeader = wantFixed(3); break;
      case 'e': v.mLapsBehindNext = static_cast<std::int32_t>(wantWhole()); break;
      case 'f': v.mLapsBehindLeader = static_cast<std::int32_t>(wantWhole()); break;
      case 'q': v.mPitState = static_cast<unsigned char>(wantWhole()); break;
      case 'y': v.mInPits = wantWhole() != 0; break;
      case 'z': v.mFinishStatus = static_cast<signed char>(wantWhole()); break;
      case 'x': v.mBestLapTime = wantFixed(3); break;
      case 'u': v.mBestSector1 = wantFixed(3); break;
      case 'w': v.mBestSector2 = wantFixed(3); break;
      case 'm': v.mLastLapTime = wantFixed(3); break;
      case 'g': v.mLastSector1 = wantFixed(3); break;
      case 'h': v.mLastSector2 = wantFixed(3); break;
      case 'U': v.mCurSector1 = wantFixed(3); break;
      case 'W': v.mCurSector2 = wantFixed(3); break;
      case 'r': v.mLapStartET = wantFixed(3); break;
      case 'o': v.mControl = static_cast<signed char>(wantWhole()); break;
      case 'j': v.mIsPlayer = wantWhole() != 0; break;
      case 'k': v.mNumPitstops = static_cast<std::int16_t>(wantWhole()); break;
      case 't': v.mInGarageStall = wantWhole() != 0; break;
      default: Fail(line, std::string("unknown car member '") + key + "'");
    }
  });
  expected = index + 1;
}

void SnapshotTraceReader::Publish() {
  mCurrent.info = mSession;
  mCurrent.cars.assign(mCars.begin(), mCars.end());
  mCurrent.info.mNumVehicles = mCount;
  mCurrent.info.mVehicle = mCurrent.cars.empty() ? nullptr : mCurrent.cars.data();
  mCurrent.info.mResultsStream = mCurrent.stream.data();
  mCurrent.timingPointsOnly = mPointsOnly;
}

bool SnapshotTraceReader::Next() {
  std::size_t begin = 0, end = 0;
  bool lastWithoutFeed = false;
  if (!mStarted) {
    mStarted = true;
    if (!ReadLine(begin, end, lastWithoutFeed)) Fail(1, "an empty file, not a snapshot trace");
    const std::string header = mBytes.substr(begin, end - begin);
    long long version = 0;
    if (header.rfind("KVT ", 0) != 0 || !ParseWhole(header.data() + 4, header.data() + header.size(), version)) {
      Fail(1, "not a snapshot trace (it does not begin with \"KVT 1\")");
    }
    if (version != kTraceVersion) {
      Fail(1, "a trace of version " + std::to_string(version) + "; this kovrel-sim reads version " +
                  std::to_string(kTraceVersion));
    }
    if (lastWithoutFeed) {
      mTornAt = 1;  // cut short within its header
      return false;
    }
  }
  // A snapshot is handed out only at its end line: a torn one, whose lines
  // are applied to the state as they come, is never handed out, and nothing
  // follows it.
  int snapshotLine = 0;
  int expected = 0;
  bool sessionSeen = false;
  mCurrent.stream.clear();
  std::string text;
  while (ReadLine(begin, end, lastWithoutFeed)) {
    const char* b = mBytes.data() + begin;
    const char* e = mBytes.data() + end;
    const int line = mLine;
    if (lastWithoutFeed) {
      // The recording stopped in the middle of this line.
      mTornAt = snapshotLine != 0 ? snapshotLine : line;
      break;
    }
    if (snapshotLine == 0) {
      if (b == e || *b != 'T') Fail(line, "a snapshot begins with its time (T...), not " + Shown(b, e));
      double time = 0.0;
      if (!ParseFixed(b + 1, e, 3, time)) Fail(line, "a snapshot time wants 3 decimals, not " + Shown(b + 1, e));
      if (time < mLastTime) {
        Fail(line, "the snapshot at " + Fixed(time, 3) + " s comes after one at " + Fixed(mLastTime, 3) +
                       " s: snapshots out of order");
      }
      snapshotLine = line;
      mCurrent.info.mCurrentET = time;
      mCurrent.line = line;
      continue;
    }
    if (b == e) Fail(line, "an empty line");
    switch (*b) {
      case 'S':
        if (sessionSeen || expected != 0 || e - b < 2 || b[1] != ' ') Fail(line, "a session line out of place or without members");
        sessionSeen = true;
        ParseSession(line, b + 2, e);
        break;
      case 'R':
        if (!Unescape(b + 1, e, text)) Fail(line, "a broken %XX escape or a byte left unescaped in the results stream");
        mCurrent.stream += text;
        break;
      case 'E':
        if (e - b != 1) Fail(line, "an end line with something after the E");
        if (!mSessionKnown) {
          if (!sessionSeen) Fail(snapshotLine, "the first snapshot has no session line");
          mSessionKnown = true;
          mSessionNumber = mSession.mSession;
        } else if (mSession.mSession != mSessionNumber) {
          Fail(snapshotLine, "the session number changes from " + std::to_string(mSessionNumber) + " to " +
                                 std::to_string(mSession.mSession) + " within one trace");
        }
        {
          const double time = mCurrent.info.mCurrentET;
          mLastTime = time;
          Publish();
          mCurrent.info.mCurrentET = time;
          mCurrent.line = snapshotLine;
        }
        return true;
      case 'T':
        Fail(line, "a new snapshot before the end (E) of the one at line " + std::to_string(snapshotLine));
      default:
        if (*b == '@' || (*b >= 'a' && *b <= 'z') || (*b >= 'A' && *b <= 'Z')) {
          if (!mSessionKnown && !sessionSeen) Fail(line, "a car line before the first session line");
          ParseCar(line, b, e, expected);
        } else {
          Fail(line, "a line that does not parse: " + Shown(b, e));
        }
    }
  }
  // The file ends inside a snapshot: torn.
  if (snapshotLine != 0 && mTornAt == 0) mTornAt = snapshotLine;
  mPos = mBytes.size();
  return false;
}

SnapshotTrace ReadSnapshotTrace(const std::string& path) {
  SnapshotTrace trace;
  trace.path = path;
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  if (!in) throw SnapshotTraceError(path + ": cannot be read");
  trace.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  SnapshotTraceReader reader(path, trace.bytes);
  SessionPlan& plan = trace.plan;
  std::vector<std::int32_t> ids;
  while (reader.Next()) {
    const TracedSnapshot& s = reader.Current();
    if (trace.times.empty()) {
      plan.sessionNumber = s.info.mSession;
      plan.kind = KindOfSessionNumber(s.info.mSession);
      plan.trackName = std::string(s.info.mTrackName, strnlen(s.info.mTrackName, sizeof s.info.mTrackName));
      plan.trackLength = s.info.mLapDist > 0.0 ? s.info.mLapDist : 1.0;
      plan.maxLaps = s.info.mMaxLaps;
      plan.endTime = s.info.mEndET;
      plan.progressExact = !s.timingPointsOnly;
    }
    const double time = s.info.mCurrentET;  // a copy: the record is packed
    trace.times.push_back(time);
    if (plan.kind == SessionKind::Race && plan.startTime <= 0.0 && s.info.mGamePhase == 5) plan.startTime = time;
    for (const VehicleScoringInfoV01& v : s.cars) {
      if (std::find(ids.begin(), ids.end(), v.mID) != ids.end()) continue;
      ids.push_back(v.mID);
      CarEntry car;
      car.id = v.mID;
      car.driver = std::string(v.mDriverName, strnlen(v.mDriverName, sizeof v.mDriverName));
      car.vehicle = std::string(v.mVehicleName, strnlen(v.mVehicleName, sizeof v.mVehicleName));
      car.vehicleClass = std::string(v.mVehicleClass, strnlen(v.mVehicleClass, sizeof v.mVehicleClass));
      car.gridPlace = trace.times.size() == 1 && plan.kind == SessionKind::Race ? v.mPlace : 0;
      plan.cars.push_back(car);
    }
  }
  trace.tornAt = reader.TornAt();
  if (trace.times.empty()) throw SnapshotTraceError(path + ": no complete snapshot");
  plan.expectedDuration = trace.times.back();
  return trace;
}

}  // namespace ksim
