#include "record/run_record.hpp"

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
  }
  return "unknown";
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
