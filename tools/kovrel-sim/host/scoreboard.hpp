// Turns a session source's car states into the simulator's scoring snapshot:
// places, gaps to the car ahead and the leader, lap distance and sector, and
// the lap and split times that the timing points give.
#pragma once

#include <string>
#include <vector>

#include "sdk/InternalsPlugin.hpp"
#include "sessions/session.hpp"

namespace ksim {

class Scoreboard {
 public:
  explicit Scoreboard(const SessionPlan& plan);

  // Builds the snapshot for time t; the crossings are those since the previous update.
  void Update(double t, const SessionSource& source, const std::vector<Crossing>& crossings);

  // Takes a source's recorded snapshot (a trace) as it stands instead of
  // building one: its session members and each car's record.
  void Take(const SessionSource& source);

  // The record to hand to the plug-in. Its results-stream pointer is the caller's to set.
  ScoringInfoV01& Info() { return mInfo; }
  const ScoringInfoV01& Info() const { return mInfo; }
  const VehicleScoringInfoV01& Vehicle(int index) const { return mVehicles[static_cast<std::size_t>(index)]; }
  int Count() const { return static_cast<int>(mVehicles.size()); }
  // Car index of a slot id or of a place; -1 when no car has it.
  int IndexOfId(std::int32_t id) const;
  int IndexAtPlace(int place) const;

 private:
  struct Timing {
    int laps = 0;
    double lapStart = 0.0;
    double curS1 = -1.0, curS2 = -1.0;
    double lastS1 = -1.0, lastS2 = -1.0, lastLap = -1.0;
    double bestS1 = -1.0, bestS2 = -1.0, bestLap = -1.0;
    double bestLapS1 = -1.0, bestLapS2 = -1.0;
    bool splitValid = true;
  };

  void ApplyCrossing(const Crossing& crossing);
  void RankRace(double t, const SessionSource& source);
  void RankByBestLap();
  void FillGapsRace(double t, const SessionSource& source);
  void FillGapsByBestLap();

  SessionPlan mPlan;
  ScoringInfoV01 mInfo{};
  std::vector<VehicleScoringInfoV01> mVehicles;
  std::vector<Timing> mTiming;
  std::vector<int> mOrder;         // car indices by place
  std::vector<bool> mGapFrozen;    // finished cars keep the gaps they finished with
  bool mStarted = false;
};

}  // namespace ksim
