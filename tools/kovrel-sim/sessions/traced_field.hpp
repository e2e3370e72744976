// The field as the scoring snapshots alone tell it: each car's travel, state
// and timing points, from the members a snapshot trace holds. A replayed
// trace and a run that records one both read the field this way, so that the
// two are judged on the same field.
#pragma once

#include <vector>

#include "sdk/InternalsPlugin.hpp"
#include "sessions/session.hpp"

namespace ksim {

class TracedField {
 public:
  TracedField(std::size_t cars, double trackLength);

  // Takes the snapshot at time t: `byCar[i]` is car i's record, null when the
  // car is not in this snapshot. Appends the timing points passed since the
  // previous snapshot (the line where a car's lap count rises, the sector
  // ends where its sector changes), at their times when the record has them.
  void Update(double t, int phase, const std::vector<const VehicleScoringInfoV01*>& byCar,
              std::vector<Crossing>& crossings);
  const CarState& Car(int index) const { return mCars[static_cast<std::size_t>(index)]; }

 private:
  struct Seen {
    bool known = false;
    int laps = 0;
    int sector = 0;
    bool pastLineSinceGreen = false;  // seen on the first half of lap 1 since the start
  };
  double mTrackLength;
  double mLastTime = 0.0;
  std::vector<CarState> mCars;
  std::vector<Seen> mSeen;
};

}  // namespace ksim
