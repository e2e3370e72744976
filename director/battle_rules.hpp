// The rules a battle is rated by, shared by the usual choice and the live
// director so that both follow the same settings.
#pragma once

#include <cstddef>

#include "plugin/rF2kovrel.hpp"

// Cars in the pit lane, cars that have finished and the player's own car on
// track are never rated.
inline bool IsRunning(const VehicleScoringInfoV01& v, bool playerDriving) {
  return v.mPitState == 0 && v.mFinishStatus == 0 && !(v.mIsPlayer && playerDriving);
}

// Behind the first `interest` places a car that is not close to the car ahead
// counts as half a second further back.
inline double GapAfterInterest(const rF2kovrel& d, int place, double gap) {
  constexpr double kPenaltyGap = 0.5;
  return place > d.interest && gap > d.onboarddiff ? gap + kPenaltyGap : gap;
}

// A gap close enough to be a fight on air: the same window the camera and the
// status document use for an onboard shot (a gap below 0.05 s is a timing
// artefact, not a fight). False for NaN.
inline bool IsFightGap(double gap, double onboarddiff) { return gap >= 0.05 && gap <= onboarddiff; }
// A favourite car's gap to the car ahead counts as `favourfactor` times
// smaller: its fights are taken as closer than they are.
inline double FavouredGap(const rF2kovrel& d, std::int32_t id, double gap) {
  return d.favourfactor > 1.0 && !d.mFavouriteIds.empty() && d.IsFavourite(id) ? gap / d.favourfactor : gap;
}

// In a race of several classes (multiclass=1) a car's fight is with the
// classmate ahead of it on its lap, never with a car of another class it is
// lapping or stuck behind, and `interest` counts places within the class, so
// that no class's fight for its lead is penalised. `index` is the car's index
// in the snapshot's array.
inline const rF2kovrel::ClassStanding& StandingOf(const rF2kovrel& d, int index) {
  return d.mClassStandings[static_cast<std::size_t>(index)];
}

// `byClass` is d.ByClass(), asked once per snapshot by the caller.
// The place `interest` is measured by.
inline int InterestPlace(const rF2kovrel& d, bool byClass, int index, int place) {
  return byClass ? StandingOf(d, index).classPlace : place;
}

// The gap of the car's fight; infinity for a car with no rival.
inline double FightGapOf(const rF2kovrel& d, bool byClass, int index, const VehicleScoringInfoV01& v) {
  return byClass ? StandingOf(d, index).classGap : v.mTimeBehindNext;
}
