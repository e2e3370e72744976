// Producing sessions: a synthetic practice, qualifying or race with a seed, or
// a session rebuilt from a results file the simulator wrote. Either way the
// host plays a SessionSource snapshot by snapshot.
#pragma once

#include "sessions/generator.hpp"
#include "sessions/recorded_source.hpp"
#include "sessions/results_file.hpp"
#include "sessions/session.hpp"
#include "sessions/snapshot_trace.hpp"
#include "sessions/trace_results_view.hpp"
#include "sessions/trace_source.hpp"
#include "sessions/stream_lines.hpp"
