#include "sessions/traced_field.hpp"

#include <algorithm>

namespace ksim {

TracedField::TracedField(std::size_t cars, double trackLength)
    : mTrackLength(trackLength > 0.0 ? trackLength : 1.0), mCars(cars), mSeen(cars) {}

void TracedField::Update(double t, int phase, const std::vector<const VehicleScoringInfoV01*>& byCar,
                         std::vector<Crossing>& crossings) {
  const bool green = phase >= kPhaseGreen && phase != 9;
  const double dt = t - mLastTime;
  for (std::size_t i = 0; i < mCars.size() && i < byCar.size(); ++i) {
    const VehicleScoringInfoV01* v = byCar[i];
    CarState& car = mCars[i];
    Seen& seen = mSeen[i];
    if (v == nullptr) {
      car.speed = 0.0;
      car.inGarage = true;  // not in the field: not running
      continue;
    }
    const int laps = v->mTotalLaps;
    const double fraction = std::clamp(v->mLapDist / mTrackLength, 0.0, 1.0);
    // Before its first lap a car on the far half of the lap stands on the
    // grid (or runs the formation lap) behind the line: travel below 0.
    if (green && laps == 0 && fraction < 0.5) seen.pastLineSinceGreen = true;
    if (!green) seen.pastLineSinceGreen = false;
    double progress = laps + fraction;
    if (laps == 0 && fraction >= 0.5 && !seen.pastLineSinceGreen) progress = fraction - 1.0;
    // Travel never runs backwards once the race is on.
    if (green && seen.known) progress = std::max(progress, car.progress);
    if (seen.known && dt > 0.0) car.speed = std::max(0.0, (progress - car.progress) * mTrackLength / dt);
    car.progress = progress;
    car.pitState = v->mPitState;
    car.inPits = v->mInPits;
    car.inGarage = v->mInGarageStall;
    car.pitStops = v->mNumPitstops;
    if (v->mFinishStatus != kFinishNone && car.finishStatus == kFinishNone) {
      car.finishTime = t;
      car.finishLaps = laps;
    }
    car.finishStatus = v->mFinishStatus;

    if (seen.known) {
      const int c = static_cast<int>(i);
      const auto at = [&](double exact) { return exact > mLastTime && exact <= t ? exact : t; };
      if (laps > seen.laps) {
        crossings.push_back(Crossing{c, at(v->mLapStartET), laps, 0, v->mLastLapTime > 0.0});
      } else if (seen.sector == 1 && v->mSector == 2) {
        const bool timed = v->mCurSector1 > 0.0;
        crossings.push_back(Crossing{c, timed ? at(v->mLapStartET + v->mCurSector1) : t, laps, 1, timed});
      } else if (seen.sector == 2 && v->mSector == 0) {
        const bool timed = v->mCurSector2 > 0.0;
        crossings.push_back(Crossing{c, timed ? at(v->mLapStartET + v->mCurSector2) : t, laps, 2, timed});
      }
    }
    seen.known = true;
    seen.laps = laps;
    seen.sector = v->mSector;
  }
  mLastTime = t;
}

}  // namespace ksim
