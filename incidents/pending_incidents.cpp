// PENDING: replaced by incident detection and replay control.
#include "plugin/rF2kovrel.hpp"

void rF2kovrel::ScanIncidents(const ScoringInfoV01& /*info*/) {}
void rF2kovrel::ScheduleReplay(int /*session*/) {}
unsigned char rF2kovrel::ViewReplay(CameraControlInfoV01& /*camControl*/) { return 0; }
bool rF2kovrel::CheckHWControl(const char* const /*controlName*/, double& /*fRetVal*/) {
  return false;
}
