// A car's number as viewers know it: the digits after the last "#" of its
// vehicle name ("Oreca 07 #23" is 23). Leagues reuse numbers across classes
// and some names carry none, so a number that is not the session's only one
// names no car.
#pragma once

#include <string>
#include <vector>

#include "sdk/InternalsPlugin.hpp"

// The digits after the last '#' of a vehicle name (at most 63 bytes read);
// empty when there is no '#' or no digit follows it.
std::string NumberInName(const char* vehicleName);

// Per vehicle of the snapshot's array, its number when no other vehicle has
// the same; empty otherwise.
std::vector<std::string> UniqueCarNumbers(const VehicleScoringInfoV01* vehicles, int count);
