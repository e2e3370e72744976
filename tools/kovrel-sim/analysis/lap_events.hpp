// The events of practice and qualifying, where nobody passes on track: the
// laps that go top of the times, and late in qualifying the laps that move a
// car up the order.
#pragma once

#include <vector>

#include "analysis/analysis.hpp"

namespace ksim {

// Appends the session's pole laps and (qualifying only) improving laps, each
// with its window on the lap's last sector.
void FindLapEvents(const SessionRun& run, std::vector<Event>& events);

}  // namespace ksim
