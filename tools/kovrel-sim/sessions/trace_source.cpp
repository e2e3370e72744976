#include "sessions/trace_source.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>

#include "sessions/stream_lines.hpp"
#include "sessions/traced_field.hpp"

namespace ksim {

namespace {

class TraceSource final : public SessionSource {
 public:
  explicit TraceSource(std::shared_ptr<const SnapshotTrace> trace)
      : mKept(std::move(trace)), mTrace(*mKept), mReader(mTrace.path, mTrace.bytes),
        mField(mTrace.plan.cars.size(), mTrace.plan.trackLength), mByCar(mTrace.plan.cars.size(), nullptr) {
    for (const CarEntry& car : mTrace.plan.cars) mIds.push_back(car.id);
  }

  const SessionPlan& Plan() const override { return mTrace.plan; }

  bool SnapshotTime(long long k, double& t) const override {
    if (k < 0 || static_cast<std::size_t>(k) >= mTrace.times.size()) return false;
    t = mTrace.times[static_cast<std::size_t>(k)];
    return true;
  }

  void AdvanceTo(double t, std::string& stream, std::vector<Crossing>& crossings) override {
    while (mHanded < mTrace.times.size() && mTrace.times[mHanded] <= t) {
      if (!mReader.Next()) break;  // checked before: cannot happen
      ++mHanded;
      const TracedSnapshot& s = mReader.Current();
      stream += s.stream;
      MapCars(s);
      mField.Update(s.info.mCurrentET, s.info.mGamePhase, mByCar, crossings);
    }
  }

  const CarState& Car(int index) const override { return mField.Car(index); }
  // Only the travel so far is known; nothing of the host asks more of a trace.
  double TimeAtProgress(int index, double progress) const override {
    return Car(index).progress >= progress ? mReader.Current().info.mCurrentET : std::numeric_limits<double>::infinity();
  }
  int Phase() const override { return mHanded == 0 ? 0 : mReader.Current().info.mGamePhase; }
  bool Over() const override { return mHanded >= mTrace.times.size(); }
  const ScoringInfoV01* TracedInfo() const override { return mHanded == 0 ? nullptr : &mReader.Current().info; }
  const VehicleScoringInfoV01* TracedCar(int index) const override {
    return index >= 0 && static_cast<std::size_t>(index) < mByCar.size() ? mByCar[static_cast<std::size_t>(index)] : nullptr;
  }

 private:
  // Which record of the snapshot's array is which car of the plan; the array
  // usually keeps its order, so the last mapping is tried first.
  void MapCars(const TracedSnapshot& s) {
    std::fill(mByCar.begin(), mByCar.end(), nullptr);
    if (mPlanIndexOf.size() < s.cars.size()) mPlanIndexOf.resize(s.cars.size(), 0);
    for (std::size_t k = 0; k < s.cars.size(); ++k) {
      std::size_t& car = mPlanIndexOf[k];
      if (car >= mIds.size() || mIds[car] != s.cars[k].mID) {
        car = static_cast<std::size_t>(std::find(mIds.begin(), mIds.end(), s.cars[k].mID) - mIds.begin());
      }
      if (car < mByCar.size() && mByCar[car] == nullptr) mByCar[car] = &s.cars[k];
    }
  }

  std::shared_ptr<const SnapshotTrace> mKept;
  const SnapshotTrace& mTrace;
  SnapshotTraceReader mReader;
  TracedField mField;
  std::vector<std::int32_t> mIds;
  std::vector<std::size_t> mPlanIndexOf;  // by array position
  std::vector<const VehicleScoringInfoV01*> mByCar;
  std::size_t mHanded = 0;
};

}  // namespace

std::unique_ptr<SessionSource> ReplayTrace(std::shared_ptr<const SnapshotTrace> trace) {
  return std::make_unique<TraceSource>(std::move(trace));
}

bool LooksLikeSnapshotTrace(const std::string& path) {
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  char start[4] = {};
  return in.read(start, 4) && std::string(start, 4) == "KVT ";
}

std::vector<double> TraceContactStrengths(const SnapshotTrace& trace) {
  std::vector<double> strengths;
  SnapshotTraceReader reader(trace.path, trace.bytes);
  while (reader.Next()) {
    const std::string& added = reader.Current().stream;
    for (std::size_t at = added.find("<Incident"); at != std::string::npos; at = added.find("<Incident", at + 1)) {
      const std::size_t end = added.find('\n', at);
      ContactReport report;
      if (ParseContactLine(added.substr(at, end == std::string::npos ? std::string::npos : end - at), report)) {
        strengths.push_back(report.strength);
      }
    }
  }
  return strengths;
}

}  // namespace ksim
