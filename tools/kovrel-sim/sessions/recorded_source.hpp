// Plays a session read from a results file: each car's travel is rebuilt from
// its timing points (the stream's <Score> lines, filled in from its laps'
// sector times), with the formation lap, pit visits, the flag and retirements.
#pragma once

#include <memory>

#include "sessions/results_file.hpp"
#include "sessions/session.hpp"

namespace ksim {

std::unique_ptr<SessionSource> ReplaySession(const RecordedSession& session);

}  // namespace ksim
