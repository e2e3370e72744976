// Plays a session from a snapshot trace: the recorded snapshots at their
// recorded times, with the recorded results-stream additions, and the field
// as those snapshots tell it.
#pragma once

#include <memory>

#include "sessions/session.hpp"
#include "sessions/snapshot_trace.hpp"

namespace ksim {

// The trace is one a ReadSnapshotTrace has checked.
std::unique_ptr<SessionSource> ReplayTrace(SnapshotTrace trace);

}  // namespace ksim
