// The callbacks that answer with a constant or only flip a flag: nothing in
// them can throw, so they need no guard against exceptions (plugin/boundary.hpp).
#include "plugin/rF2kovrel.hpp"

void rF2kovrel::EnterRealtime() {}
void rF2kovrel::ExitRealtime() {}
bool rF2kovrel::WantsScoringUpdates() { return true; }
std::int32_t rF2kovrel::WantsTelemetryUpdates() { return 0; }
void rF2kovrel::UpdateTelemetry(const TelemInfoV01& /*info*/) {}
bool rF2kovrel::WantsGraphicsUpdates() { return false; }
void rF2kovrel::UpdateGraphics(const GraphicsInfoV01& /*info*/) {}
bool rF2kovrel::RequestCommentary(CommentaryRequestInfoV01& /*info*/) { return false; }
bool rF2kovrel::HasHardwareInputs() { return true; }
void rF2kovrel::UpdateHardware(const double /*fDT*/) {}
void rF2kovrel::EnableHardware() { mHardwareEnabled = true; }
void rF2kovrel::DisableHardware() { mHardwareEnabled = false; }
bool rF2kovrel::ForceFeedback(double& /*forceValue*/) { return false; }
