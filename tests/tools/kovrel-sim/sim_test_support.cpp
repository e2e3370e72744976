#include "sim_test_support.hpp"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

#include "host/host.hpp"

namespace ksim_test {

namespace fs = std::filesystem;

TempDir::TempDir(bool inMemory) {
  static std::atomic<int> counter{0};
  const char* root = std::getenv("KOVREL_TEST_TMP");
  fs::path base = root != nullptr ? fs::path(root) : fs::temp_directory_path() / "kovrel-sim-tests";
  if (inMemory && fs::is_directory("/dev/shm")) base = "/dev/shm/kovrel-sim-tests";
  const fs::path folder = base / ("sim" + std::to_string(static_cast<long>(::getpid())) + "-" + std::to_string(counter++));
  fs::remove_all(folder);
  fs::create_directories(folder);
  mPath = fs::absolute(folder).string();
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(mPath, ignored);
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

long long PlaySession(ksim::SessionSource& source, const SnapshotCheck& each, double rate) {
  ksim::Scoreboard board(source.Plan());
  std::string stream;
  std::vector<ksim::Crossing> crossings;
  long long count = 0;
  for (long long k = 0;; ++k) {
    const double t = static_cast<double>(k) / rate;
    crossings.clear();
    const std::size_t mark = stream.size();
    source.AdvanceTo(t, stream, crossings);
    board.Update(t, source, crossings);
    ++count;
    each(t, board, source, stream.substr(mark));
    if (source.Over() || t > 100000.0) break;
  }
  return count;
}

int RunCommand(const std::string& command, std::string& output) {
  output.clear();
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ResultsFile(const char* name) { return std::string(KSIM_RESULTS) + "/" + name; }

bool SimulatorPortTaken() { return !ksim::SimulatorWebServerProblem().empty(); }

}  // namespace ksim_test

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace ksim_test {

SnapshotInvariants::SnapshotInvariants(const ksim::SessionPlan& plan)
    : mPlan(plan), mStatus(plan.cars.size(), 0), mLaps(plan.cars.size(), 0), mLapStart(plan.cars.size(), -1e9) {}

bool SnapshotInvariants::Expect(bool condition, double t, int car, const std::string& what) {
  if (condition) return true;
  // One report per kind of fault is enough to see it; the count tells the rest.
  if (++mFailures <= 10) ADD_FAILURE() << "t=" << t << " car " << car << ": " << what;
  return false;
}

void SnapshotInvariants::Check(double t, const ksim::Scoreboard& board, const ksim::SessionSource& source) {
  const ScoringInfoV01& info = board.Info();
  const int n = static_cast<int>(mPlan.cars.size());
  Expect(info.mNumVehicles == n && info.mVehicle != nullptr, t, -1, "vehicle array");
  Expect(info.mCurrentET == t, t, -1, "session clock");
  Expect(info.mGamePhase <= 8, t, -1, "game phase " + std::to_string(info.mGamePhase));
  if (mPhases.empty() || mPhases.back() != info.mGamePhase) {
    Expect(mPhases.empty() || info.mGamePhase > mPhases.back(), t, -1,
           "game phase went back to " + std::to_string(info.mGamePhase));
    mPhases.push_back(info.mGamePhase);
  }
  std::vector<int> places;
  for (int i = 0; i < n; ++i) {
    const VehicleScoringInfoV01& v = info.mVehicle[i];
    const ksim::CarState& s = source.Car(i);
    places.push_back(v.mPlace);
    Expect(v.mLapDist >= 0.0 && v.mLapDist < mPlan.trackLength, t, i, "lap distance " + std::to_string(v.mLapDist));
    Expect(v.mTimeBehindNext >= 0.0 && v.mTimeBehindLeader >= 0.0, t, i, "negative gap");
    if (v.mPlace == 1) Expect(v.mTimeBehindNext == 0.0 && v.mTimeBehindLeader == 0.0, t, i, "leader's gap");
    Expect(v.mFinishStatus >= 0 && v.mFinishStatus <= 3, t, i, "finish status");
    if (mStatus[static_cast<std::size_t>(i)] != 0) {
      Expect(v.mFinishStatus == mStatus[static_cast<std::size_t>(i)], t, i, "finish status changed once set");
    }
    mStatus[static_cast<std::size_t>(i)] = v.mFinishStatus;
    Expect(v.mTotalLaps >= mLaps[static_cast<std::size_t>(i)], t, i, "completed laps went down");
    mLaps[static_cast<std::size_t>(i)] = v.mTotalLaps;
    const int travelled = s.progress < 0.0 ? 0 : static_cast<int>(std::floor(s.progress + 1e-9));
    Expect(v.mTotalLaps == travelled, t, i,
           "completed laps " + std::to_string(v.mTotalLaps) + " but travelled " + std::to_string(s.progress));
    const double fraction = v.mLapDist / mPlan.trackLength;
    const int sector = fraction < mPlan.split1 ? 1 : fraction < mPlan.split2 ? 2 : 0;
    Expect(v.mSector == sector, t, i, "sector " + std::to_string(v.mSector) + " at " + std::to_string(v.mLapDist));
    Expect(v.mLapStartET <= t + 1e-9 && v.mLapStartET >= mLapStart[static_cast<std::size_t>(i)], t, i, "lap start");
    mLapStart[static_cast<std::size_t>(i)] = v.mLapStartET;
    if (v.mCurSector1 > 0.0 && v.mCurSector2 > 0.0) Expect(v.mCurSector1 < v.mCurSector2, t, i, "current splits");
    if (v.mCurSector1 > 0.0) Expect(v.mCurSector1 <= t - v.mLapStartET + 1e-6, t, i, "split after now");
    if (v.mBestSector1 > 0.0 && v.mBestSector2 > 0.0) Expect(v.mBestSector1 < v.mBestSector2, t, i, "best splits");
    if (v.mBestSector2 > 0.0 && v.mBestLapTime > 0.0) Expect(v.mBestSector2 < v.mBestLapTime, t, i, "best lap");
    Expect(v.mPitState <= 4, t, i, "pit state");
    if (v.mPitState >= 2) Expect(v.mInPits, t, i, "in the pit lane without being in the pits");
  }
  std::sort(places.begin(), places.end());
  for (int k = 0; k < n; ++k) {
    if (!Expect(places[static_cast<std::size_t>(k)] == k + 1, t, -1, "places are not 1..N")) break;
  }
}

ksim::GeneratorOptions ShortRace(int cars, int laps, std::uint64_t seed) {
  ksim::GeneratorOptions options;
  options.kind = ksim::SessionKind::Race;
  options.cars = cars;
  options.laps = laps;
  options.seed = seed;
  options.lapTime = 80.0;
  options.trackLength = 4000.0;
  return options;
}

}  // namespace ksim_test
