#include "outputs/trace_format.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

std::int64_t Scaled(double value, double scale) {
  if (!(value == value)) return 0;  // not a number
  const double clamped = std::clamp(value, -kTraceLargest, kTraceLargest) * scale;
  return static_cast<std::int64_t>(std::llround(clamped));
}

void AppendInt(std::string& out, std::int64_t value) {
  char digits[24];
  int n = 0;
  const bool negative = value < 0;
  std::uint64_t rest = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  do {
    digits[n++] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  } while (rest != 0);
  if (negative) out.push_back('-');
  while (n > 0) out.push_back(digits[--n]);
}

// A scaled whole number with its decimal point put back: 123456, 3 -> 123.456.
void AppendFixed(std::string& out, std::int64_t scaled, int decimals) {
  const std::int64_t unit = decimals == 3 ? 1000 : 100;
  if (scaled < 0) out.push_back('-');
  const std::uint64_t magnitude = scaled < 0 ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
  AppendInt(out, static_cast<std::int64_t>(magnitude / static_cast<std::uint64_t>(unit)));
  out.push_back('.');
  std::uint64_t fraction = magnitude % static_cast<std::uint64_t>(unit);
  char digits[3];
  for (int i = decimals - 1; i >= 0; --i) {
    digits[i] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  out.append(digits, static_cast<std::size_t>(decimals));
}

// Copies a fixed-size text field, zeroing everything after its end, so that
// two copies compare equal exactly when the texts are.
void CopyBounded(char* to, const char* from, std::size_t size) {
  const std::size_t length = strnlen(from, size);
  std::memcpy(to, from, length);
  std::memset(to + length, 0, size - length);
}

// Writes the members of one line that changed; knows whether anything was.
class LineWriter {
 public:
  LineWriter(std::string& out, bool all) : mOut(out), mAll(all) {}
  bool Any() const { return mAny; }

  void Int(char key, std::int32_t& before, std::int32_t now) {
    if (!mAll && before == now) return;
    before = now;
    Key(key);
    AppendInt(mOut, now);
  }
  void Fixed(char key, std::int64_t& before, std::int64_t now, int decimals) {
    if (!mAll && before == now) return;
    before = now;
    Key(key);
    AppendFixed(mOut, now, decimals);
  }
  template <std::size_t N>
  void Text(char key, char (&before)[N], const char (&now)[N]) {
    char bounded[N];
    CopyBounded(bounded, now, N);
    if (!mAll && std::memcmp(before, bounded, N) == 0) return;
    std::memcpy(before, bounded, N);
    Key(key);
    AppendTraceText(mOut, bounded, strnlen(bounded, N));
  }

 private:
  void Key(char key) {
    if (mAny) mOut.push_back(' ');
    mAny = true;
    mOut.push_back(key);
  }
  std::string& mOut;
  bool mAll;
  bool mAny = false;
};

}  // namespace

std::int64_t TraceMillis(double seconds) { return Scaled(seconds, 1000.0); }
std::int64_t TraceCentimetres(double metres) { return Scaled(metres, 100.0); }
double RoundedTraceTime(double seconds) { return static_cast<double>(TraceMillis(seconds)) / 1000.0; }
double RoundedTraceDistance(double metres) { return static_cast<double>(TraceCentimetres(metres)) / 100.0; }

void RoundToTrace(ScoringInfoV01& info) {
  info.mCurrentET = RoundedTraceTime(info.mCurrentET);
  info.mEndET = RoundedTraceTime(info.mEndET);
  info.mLapDist = RoundedTraceDistance(info.mLapDist);
  if (info.mVehicle == nullptr) return;
  for (std::int32_t i = 0; i < info.mNumVehicles; ++i) {
    VehicleScoringInfoV01& v = info.mVehicle[i];
    // Member by member: the records are packed, so a pointer to a double in
    // them may be misaligned.
    v.mLapDist = RoundedTraceDistance(v.mLapDist);
    v.mTimeBehindNext = RoundedTraceTime(v.mTimeBehindNext);
    v.mTimeBehindLeader = RoundedTraceTime(v.mTimeBehindLeader);
    v.mBestLapTime = RoundedTraceTime(v.mBestLapTime);
    v.mBestSector1 = RoundedTraceTime(v.mBestSector1);
    v.mBestSector2 = RoundedTraceTime(v.mBestSector2);
    v.mLastLapTime = RoundedTraceTime(v.mLastLapTime);
    v.mLastSector1 = RoundedTraceTime(v.mLastSector1);
    v.mLastSector2 = RoundedTraceTime(v.mLastSector2);
    v.mCurSector1 = RoundedTraceTime(v.mCurSector1);
    v.mCurSector2 = RoundedTraceTime(v.mCurSector2);
    v.mLapStartET = RoundedTraceTime(v.mLapStartET);
  }
}

void AppendTraceText(std::string& out, const char* bytes, std::size_t size) {
  static const char kHex[] = "0123456789ABCDEF";
  for (std::size_t i = 0; i < size; ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c > ' ' && c <= '~' && c != '%') {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
}

void TraceWriter::Reset() {
  mSession = SessionMembers{};
  for (CarMembers& car : mCars) car.known = false;
}

void TraceWriter::Append(const ScoringInfoV01& info, std::string& out, bool timingPointsOnly) {
  out.push_back('T');
  AppendFixed(out, TraceMillis(info.mCurrentET), 3);
  out.push_back('\n');

  const std::int32_t count = info.mVehicle == nullptr ? 0 : std::max<std::int32_t>(0, info.mNumVehicles);
  const std::size_t sessionStart = out.size();
  out.push_back('S');
  out.push_back(' ');
  {
    LineWriter line(out, !mSession.known);
    line.Int('n', mSession.session, info.mSession);
    line.Int('p', mSession.phase, info.mGamePhase);
    line.Fixed('e', mSession.endTime, TraceMillis(info.mEndET), 3);
    line.Int('m', mSession.maxLaps, info.mMaxLaps);
    line.Text('t', mSession.track, info.mTrackName);
    line.Fixed('d', mSession.trackLength, TraceCentimetres(info.mLapDist), 2);
    line.Int('y', mSession.yellow, info.mYellowFlagState);
    line.Int('v', mSession.vehicles, count);
    if (timingPointsOnly || mSession.pointsOnly != 0) line.Int('x', mSession.pointsOnly, timingPointsOnly ? 1 : 0);
    if (line.Any()) {
      out.push_back('\n');
    } else {
      out.resize(sessionStart);
    }
  }
  mSession.known = true;

  if (mCars.size() < static_cast<std::size_t>(count)) mCars.resize(static_cast<std::size_t>(count));
  // Positions the field no longer fills are forgotten, as the reader forgets them.
  for (std::size_t i = static_cast<std::size_t>(count); i < mCars.size(); ++i) mCars[i].known = false;
  std::int32_t expected = 0;
  for (std::int32_t i = 0; i < count; ++i) {
    const VehicleScoringInfoV01& v = info.mVehicle[i];
    CarMembers& car = mCars[static_cast<std::size_t>(i)];
    const std::size_t lineStart = out.size();
    if (i != expected) {
      out.push_back('@');
      AppendInt(out, i);
      out.push_back(' ');
    }
    const std::size_t membersStart = out.size();
    LineWriter line(out, !car.known);
    car.known = true;
    line.Int('i', car.id, v.mID);
    line.Text('n', car.driver, v.mDriverName);
    line.Text('v', car.vehicle, v.mVehicleName);
    line.Text('c', car.vehicleClass, v.mVehicleClass);
    line.Int('p', car.place, v.mPlace);
    line.Int('l', car.laps, v.mTotalLaps);
    line.Fixed('d', car.lapDist, TraceCentimetres(v.mLapDist), 2);
    line.Int('s', car.sector, v.mSector);
    line.Fixed('a', car.behindNext, TraceMillis(v.mTimeBehindNext), 3);
    line.Fixed('b', car.behindLeader, TraceMillis(v.mTimeBehindLeader), 3);
    line.Int('e', car.lapsBehindNext, v.mLapsBehindNext);
    line.Int('f', car.lapsBehindLeader, v.mLapsBehindLeader);
    line.Int('q', car.pitState, v.mPitState);
    line.Int('y', car.inPits, v.mInPits ? 1 : 0);
    line.Int('z', car.finish, v.mFinishStatus);
    line.Fixed('x', car.best, TraceMillis(v.mBestLapTime), 3);
    line.Fixed('u', car.bestS1, TraceMillis(v.mBestSector1), 3);
    line.Fixed('w', car.bestS2, TraceMillis(v.mBestSector2), 3);
    line.Fixed('m', car.last, TraceMillis(v.mLastLapTime), 3);
    line.Fixed('g', car.lastS1, TraceMillis(v.mLastSector1), 3);
    line.Fixed('h', car.lastS2, TraceMillis(v.mLastSector2), 3);
    line.Fixed('U', car.curS1, TraceMillis(v.mCurSector1), 3);
    line.Fixed('W', car.curS2, TraceMillis(v.mCurSector2), 3);
    line.Fixed('r', car.lapStart, TraceMillis(v.mLapStartET), 3);
    line.Int('o', car.control, v.mControl);
    line.Int('j', car.player, v.mIsPlayer ? 1 : 0);
    line.Int('k', car.pitStops, v.mNumPitstops);
    line.Int('t', car.garage, v.mInGarageStall ? 1 : 0);
    if (line.Any()) {
      out.push_back('\n');
      expected = i + 1;
    } else {
      out.resize(lineStart);
    }
    (void)membersStart;
  }

  if (info.mResultsStream != nullptr && info.mResultsStream[0] != '\0') {
    out.push_back('R');
    AppendTraceText(out, info.mResultsStream, std::strlen(info.mResultsStream));
    out.push_back('\n');
  }
  out += "E\n";
}
