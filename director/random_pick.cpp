#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

#include "director/snapshot.hpp"
#include "plugin/rF2kovrel.hpp"

namespace {

constexpr int kMaxCandidates = 64;

struct Candidate {
  std::int32_t id;
  int place;
};

using Candidates = std::array<Candidate, kMaxCandidates>;

// The car on screen is never picked again at once, nor the player's car on track.
bool IsEligible(const rF2kovrel& d, const VehicleScoringInfoV01& v) {
  return v.mPitState == 0 && v.mFinishStatus == 0 && v.mID != d.mActualVeh &&
         !(v.mIsPlayer && d.mPlayerDriving);
}

// A favourite may come up more than once in a rotation.
bool ShownInThisRotation(const rF2kovrel& d, std::int32_t id) {
  const int shown = std::clamp(d.mShownCount, 0, kMaxCandidates);
  return std::count(d.mShownList, d.mShownList + shown, id) >= d.RotationShare(id);
}

// Array order, at most 64; returns how many were collected.
int CollectCandidates(const rF2kovrel& d, const ScoringInfoV01& info, Candidates& out) {
  const int count = VehicleCount(info);
  int held = 0;
  for (int i = 0; i < count && held < kMaxCandidates; ++i) {
    const VehicleScoringInfoV01& v = info.mVehicle[i];
    if (IsEligible(d, v) && !ShownInThisRotation(d, v.mID)) out[held++] = {v.mID, v.mPlace};
  }
  return held;
}

}  // namespace

// A random order over the eligible cars that repeats none until every one has
// been shown; the rotation's memory holds 64 slot ids.
int rF2kovrel::PickRandomPlace(const ScoringInfoV01& info) {
  Candidates candidates{};
  int held = CollectCandidates(*this, info, candidates);
  if (held == 0) {
    mShownCount = 0;  // everyone eligible has been shown: a new rotation
    held = CollectCandidates(*this, info, candidates);
  }
  if (held == 0) return 0;
  const Candidate& picked = candidates[static_cast<std::size_t>(std::rand() % held)];
  if (mShownCount >= 0 && mShownCount < kMaxCandidates) mShownList[mShownCount++] = picked.id;
  return picked.place;
}
