// The session clock or lap counter as "time.txt" and the overlay documents
// show it.
#pragma once

#include <cstdint>
#include <string>

#include "sdk/InternalsPlugin.hpp"

// The clock text of the snapshot. leaderLaps is the count of the leader's
// completed laps; a count of 0 is raised to 1 here (the director's next field
// survey sets it again).
std::string ClockText(const ScoringInfoV01& info, bool replayRunning, std::int32_t& leaderLaps);
