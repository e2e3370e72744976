#include "record/run_record.hpp"

#include <algorithm>

namespace ksim {

const char* ReasonName(Reason reason) {
  switch (reason) {
    case Reason::Unknown: return "unknown";
    case Reason::Battle: return "battle";
    case Reason::SideBySide: return "side by side";
    case Reason::PitLane: return "pit lane";
    case Reason::Random: return "random";
    case Reason::FlagChase: return "flag chase";
    case Reason::Leader: return "leader";
    case Reason::QualifyingSplit: return "qualifying split";
    case Reason::NewLeader: return "new leader";
    case Reason::Rotation: return "rotation";
    case Reason::GridWalk: return "grid walk";
    case Reason::FinishWalk: return "finish walk";
    case Reason::AfterReplay: return "after replay";
    case Reason::CloserBattle: return "closer battle";
    case Reason::BestFight: return "best fight";
    case Reason::Contact: return "contact";
    case Reason::ContactScene: return "contact scene";
    case Reason::Manual: return "manual";
  }
  return "unknown";
}

void FieldTimeline::AddSnapshot(double time, int phase) {
  mTime.push_back(time);
  mPhase.push_back(static_cast<std::int16_t>(phase));
  const std::size_t size = mTime.size() * static_cast<std::size_t>(mCars);
  mPlace.resize(size, 0);
  mProgress.resize(size, 0.0f);
  mFlags.resize(size, 0);
}

void FieldTimeline::SetCar(int car, int place, double progress, std::uint8_t flags) {
  const std::size_t at = At(mTime.size() - 1, car);
  mPlace[at] = static_cast<std::int16_t>(place);
  mProgress[at] = static_cast<float>(progress);
  mFlags[at] = flags;
}

std::size_t FieldTimeline::SnapshotAt(double t) const {
  const auto it = std::upper_bound(mTime.begin(), mTime.end(), t);
  return it == mTime.begin() ? 0 : static_cast<std::size_t>(it - mTime.begin() - 1);
}

std::string CameraName(int type) {
  switch (type) {
    case 0: return "TV cockpit";
    case 1: return "cockpit";
    case 2: return "nosecam";
    case 3: return "swingman";
    case 4: return "trackside";
    default: break;
  }
  return type >= 5 ? "onboard " + std::to_string(type - 4) : "camera " + std::to_string(type);
}

}  // namespace ksim
