// A results file the simulator wrote (UserData/Log/Results/*.xml): the session,
// each driver's laps with their sector times and places, and the <Stream>
// lines with their times. Names are kept byte for byte: such files may hold
// bytes that are not valid UTF-8.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "sessions/session.hpp"

namespace ksim {

// "<file>: line L, column C: what is wrong".
class ResultsFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct RecordedLap {
  int number = 0;
  double start = -1.0;   // session time at which the lap began; below 0 when not recorded
  double s1 = -1.0, s2 = -1.0, s3 = -1.0;
  double time = -1.0;    // lap time; below 0 for an invalid lap ("--.----")
  int place = 0;         // at the end of the lap
  bool pit = false;      // the car came into the pits at the end of this lap
};

struct RecordedDriver {
  std::string name;
  std::string vehicle;
  std::string vehicleClass;
  int gridPlace = 0;
  int place = 0;          // final classification
  int laps = 0;
  int pitStops = 0;
  double finishTime = -1.0;  // after the start of the race; below 0 when none
  std::string finishStatus;  // "Finished Normally", "DNF", "DQ", "None"
  std::vector<RecordedLap> lapList;
};

struct RecordedLine {
  double et = 0.0;
  std::string tag;   // "Score", "Incident", "Sector", "Chat" ...
  std::string text;  // the element's text, entities resolved
  std::string line;  // as the simulator writes it to the stream, line feed included
};

struct RecordedSession {
  std::string path;
  std::string element;   // "Race", "Qualify", "Practice1", ...
  int sessionNumber = 10;
  SessionKind kind = SessionKind::Race;
  std::string track;
  std::string gameVersion;
  // "Le Mans Ultimate" or "rFactor 2" where the file says which (the track's
  // installed path, or a <Mod>, which only rFactor 2 writes); empty otherwise.
  std::string game;
  double trackLength = 0.0;
  int maxLaps = 2147483647;
  double minutes = 0.0;
  bool formationAndStart = false;
  std::vector<RecordedDriver> drivers;
  std::vector<RecordedLine> stream;  // in time order
};

// Throws ResultsFileError, naming the file and the position, for a file that
// cannot be read, is not well-formed XML or lacks what a session needs.
RecordedSession ReadResultsFile(const std::string& path);

// The session number the simulator gives a session element ("Practice2" 2,
// "Qualify" 5, "Warmup" 9, "Race" 10 ...); -1 for other element names.
int SessionNumberOfElement(const std::string& element);

}  // namespace ksim
