// Shared by the host simulator's tests: temporary folders, playing a session
// without the plug-in, and the checks every snapshot must pass.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host/scoreboard.hpp"
#include "sessions/generator.hpp"
#include "sessions/session.hpp"

namespace ksim_test {

// A fresh folder under the test build folder, removed afterwards. A folder
// in memory (/dev/shm, where there is one) spares runs with the plug-in its
// disk writes: it replaces its stream files at every snapshot.
class TempDir {
 public:
  explicit TempDir(bool inMemory = false);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return mPath; }
  std::string File(const std::string& name) const { return mPath + "/" + name; }

 private:
  std::string mPath;
};

// A short synthetic race on an 80 s, 4 km circuit, as the runs with the
// plug-in play it.
ksim::GeneratorOptions ShortRace(int cars, int laps, std::uint64_t seed);

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

// Plays a session snapshot by snapshot through a scoreboard, without a
// plug-in; `each` sees every snapshot with the stream text it gained.
using SnapshotCheck =
    std::function<void(double t, const ksim::Scoreboard& board, const ksim::SessionSource& source, const std::string& added)>;
long long PlaySession(ksim::SessionSource& source, const SnapshotCheck& each, double rate = 5.0);

// Runs a shell command; its exit status, and its standard output and error together.
int RunCommand(const std::string& command, std::string& output);

std::string ResultsFile(const char* name);

// Something on this computer (another program, another checkout's tests)
// holds 127.0.0.1:6397, so kovrel-sim refuses to load the plug-in here.
bool SimulatorPortTaken();

}  // namespace ksim_test

namespace ksim_test {

// Checks that a snapshot is one the simulator could send, and that what may
// only grow (completed laps, lap start times, finish statuses, the game
// phase) only grows from one snapshot to the next. Reports through gtest.
class SnapshotInvariants {
 public:
  explicit SnapshotInvariants(const ksim::SessionPlan& plan);
  void Check(double t, const ksim::Scoreboard& board, const ksim::SessionSource& source);
  int Failures() const { return mFailures; }
  const std::vector<int>& Phases() const { return mPhases; }

 private:
  bool Expect(bool condition, double t, int car, const std::string& what);

  ksim::SessionPlan mPlan;
  std::vector<int> mStatus;
  std::vector<int> mLaps;
  std::vector<double> mLapStart;
  std::vector<int> mPhases;  // each phase once, in the order first seen
  int mFailures = 0;
};

}  // namespace ksim_test
