// The events of practice and qualifying, where nobody passes on track: the
// laps that go top of the times, and late in qualifying the laps that move a
// car up the order.
#pragma once

#include <vector>

#include "analysis/analysis.hpp"

namespace ksim {

struct TimedLap {
  int car = -1;
  double end = 0.0;         // at the line
  double time = 0.0;
  double lastSector = 0.0;  // when the lap's last sector began
};

// Every counted lap of every car, in the order they ended.
std::vector<TimedLap> TimedLaps(const SessionRun& run);

// Appends the session's pole laps and (qualifying only) improving laps, each
// with its window on the lap's last sector; a class's provisional pole is a
// pole lap, and an improving lap gains a place within its class.
void FindLapEvents(const SessionRun& run, const SessionClasses& classes, std::vector<Event>& events);

}  // namespace ksim
