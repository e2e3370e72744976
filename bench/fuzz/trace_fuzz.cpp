// The snapshot trace reader on arbitrary bytes: it hands out snapshots or
// names a line, never crashes; and what it hands out, written again and read
// back, is the same snapshot.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "outputs/trace_format.hpp"
#include "sessions/snapshot_trace.hpp"

namespace {

bool SameCar(const VehicleScoringInfoV01& a, const VehicleScoringInfoV01& b) {
  return a.mID == b.mID && std::memcmp(a.mDriverName, b.mDriverName, sizeof a.mDriverName) == 0 &&
         std::memcmp(a.mVehicleName, b.mVehicleName, sizeof a.mVehicleName) == 0 &&
         std::memcmp(a.mVehicleClass, b.mVehicleClass, sizeof a.mVehicleClass) == 0 && a.mPlace == b.mPlace &&
         a.mTotalLaps == b.mTotalLaps && a.mLapDist == b.mLapDist && a.mSector == b.mSector &&
         a.mTimeBehindNext == b.mTimeBehindNext && a.mTimeBehindLeader == b.mTimeBehindLeader &&
         a.mPitState == b.mPitState && a.mFinishStatus == b.mFinishStatus && a.mLapStartET == b.mLapStartET &&
         a.mBestLapTime == b.mBestLapTime && a.mCurSector1 == b.mCurSector1 && a.mCurSector2 == b.mCurSector2;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::vector<ksim::TracedSnapshot> read;
  try {
    ksim::SnapshotTraceReader reader("fuzz.kvt", bytes);
    while (reader.Next()) read.push_back(reader.Current());
  } catch (const ksim::SnapshotTraceError&) {
    return 0;
  }
  TraceWriter writer;
  std::string again = kTraceHeader;
  for (ksim::TracedSnapshot& s : read) {
    s.info.mVehicle = s.cars.empty() ? nullptr : s.cars.data();
    s.info.mResultsStream = s.stream.data();
    writer.Append(s.info, again, s.timingPointsOnly);
  }
  ksim::SnapshotTraceReader reader("again.kvt", again);
  for (const ksim::TracedSnapshot& s : read) {
    if (!reader.Next()) std::abort();
    const ksim::TracedSnapshot& t = reader.Current();
    if (t.info.mCurrentET != s.info.mCurrentET || t.stream != s.stream || t.cars.size() != s.cars.size()) std::abort();
    for (std::size_t i = 0; i < s.cars.size(); ++i) {
      if (!SameCar(s.cars[i], t.cars[i])) std::abort();
    }
  }
  return 0;
}
