// A snapshot trace as a results file of its session would tell it: each
// driver's laps with their sector times and places, the finish, and the
// results-stream lines. Replayed (ReplaySession), the race is known only at
// its timing points, as a results file knows it: what the trace shows beyond
// them is measured by the difference.
#pragma once

#include "sessions/results_file.hpp"
#include "sessions/snapshot_trace.hpp"

namespace ksim {

RecordedSession ResultsViewOfTrace(const SnapshotTrace& trace);

}  // namespace ksim
