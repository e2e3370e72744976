// Plays a session from a snapshot trace: the recorded snapshots at their
// recorded times, with the recorded results-stream additions, and the field
// as those snapshots tell it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sessions/session.hpp"
#include "sessions/snapshot_trace.hpp"

namespace ksim {

// The trace is one a ReadSnapshotTrace has checked; several sources may
// play it at once (the advisor's evaluations).
std::unique_ptr<SessionSource> ReplayTrace(std::shared_ptr<const SnapshotTrace> trace);

// Whether the file begins as a snapshot trace does ("KVT ").
bool LooksLikeSnapshotTrace(const std::string& path);

// The contact strengths of the trace's results-stream incident lines.
std::vector<double> TraceContactStrengths(const SnapshotTrace& trace);

}  // namespace ksim
