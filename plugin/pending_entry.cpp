// PENDING: replaced by the start-up sequence and the configuration.
#include "plugin/rF2kovrel.hpp"

void rF2kovrel::Startup(std::int32_t /*version*/) {}
void rF2kovrel::StartSession() {}
void rF2kovrel::SetEnvironment(const EnvironmentInfoV01& /*info*/) {}
void rF2kovrel::ReadSettingsUpToFilesPath() {}
void rF2kovrel::ReadSettingsFromDebug() {}
