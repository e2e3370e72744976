// The simulator's results-stream lines: writing the ones a generated session
// produces, reading the contacts and timing points back.
#pragma once

#include <cstdint>
#include <string>

#include "sessions/session.hpp"

namespace ksim {

// <Incident et="483.0">Heigo Poom(38) reported contact (0.06) with another vehicle Tom Parker(24)</Incident>
// with a line feed; `other` null gives "with Immovable".
std::string ContactLine(double et, const CarEntry& reporter, double strength, const CarEntry* other);

// <Score et="352.5">Kevin Karas(47) lap=1 point=0 t=111.922 et=352.429</Score>; a split
// time below 0 is written -1.000 as the simulator does for an invalid lap.
std::string ScoreLine(double et, const CarEntry& car, int lapsCompleted, int point, double splitTime);

struct ContactReport {
  double et = 0.0;
  std::string reporter;   // driver name, as in the line
  std::int32_t reporterId = -1;
  double strength = 0.0;
  bool withVehicle = false;
  std::string other;      // the other driver, when withVehicle
  std::int32_t otherId = -1;
  std::string target;     // "Immovable", "Wing", ... or "another vehicle"
};

// Reads one <Incident ...>...</Incident> line; false for any other line.
bool ParseContactLine(const std::string& line, ContactReport& out);

struct TimingPoint {
  std::string driver;
  std::int32_t id = -1;
  int lapsCompleted = 0;
  int point = 0;
  double splitTime = -1.0;  // below 0: not a valid time
  double et = 0.0;          // the exact time of the crossing
};

// Reads the text of a <Score> element ("Name(12) lap=3 point=1 t=22.4 et=123.456");
// false for other texts (the chequered-flag notes, for example).
bool ParseTimingPoint(const std::string& text, TimingPoint& out);

// Splits "Name(12)" at its last bracketed number; false when there is none.
bool SplitNameAndId(const std::string& text, std::string& name, std::int32_t& id);

}  // namespace ksim
