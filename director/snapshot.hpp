// Safe reading of a scoring snapshot: the host's counts and names are not trusted.
#pragma once

#include <string>

#include "sdk/InternalsPlugin.hpp"

// The number of vehicle records to read: 0 for a negative count or no array.
int VehicleCount(const ScoringInfoV01& info);

// The driver's name, read within its 32 bytes even without a terminating NUL.
std::string DriverNameOf(const VehicleScoringInfoV01& vehicle);
