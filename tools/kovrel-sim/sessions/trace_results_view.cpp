#include "sessions/trace_results_view.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace ksim {

namespace {

const char* FinishStatusName(int status) {
  switch (status) {
    case kFinished: return "Finished Normally";
    case kRetired: return "DNF";
    case kDisqualified: return "DQ";
    default: return "None";
  }
}

// The element's tag and text of one stream line; false for a line of no element.
bool SplitElement(const std::string& line, std::string& tag, std::string& text) {
  const std::size_t tagEnd = line.find_first_of(" >", 1);
  const std::size_t textStart = line.find('>');
  const std::size_t textEnd = line.rfind("</");
  if (line.empty() || line[0] != '<' || tagEnd == std::string::npos || textStart == std::string::npos ||
      textEnd == std::string::npos || textEnd <= textStart) {
    return false;
  }
  tag = line.substr(1, tagEnd - 1);
  text = line.substr(textStart + 1, textEnd - textStart - 1);
  return true;
}

struct CarSoFar {
  int laps = -1;
  double lapStart = 0.0;
  bool pitted = false;  // in the pit lane during the lap under way
  int finish = kFinishNone;
};

}  // namespace

RecordedSession ResultsViewOfTrace(const SnapshotTrace& trace) {
  const SessionPlan& plan = trace.plan;
  RecordedSession session;
  session.path = trace.path;
  session.sessionNumber = plan.sessionNumber;
  session.kind = plan.kind;
  session.element = plan.kind == SessionKind::Race ? "Race" : plan.kind == SessionKind::Qualifying ? "Qualify" : "Practice1";
  session.track = plan.trackName;
  session.trackLength = plan.trackLength;
  session.maxLaps = plan.maxLaps;
  const double start = plan.kind == SessionKind::Race ? plan.startTime : 0.0;
  if (plan.maxLaps >= 2147483647 && plan.endTime > start) session.minutes = (plan.endTime - start) / 60.0;
  for (const CarEntry& car : plan.cars) {
    RecordedDriver driver;
    driver.name = car.driver;
    driver.vehicle = car.vehicle;
    driver.vehicleClass = car.vehicleClass;
    driver.gridPlace = car.gridPlace;
    session.drivers.push_back(driver);
  }
  std::vector<CarSoFar> cars(plan.cars.size());
  SnapshotTraceReader reader(trace.path, trace.bytes);
  while (reader.Next()) {
    const TracedSnapshot& s = reader.Current();
    const double t = s.info.mCurrentET;
    if (s.info.mGamePhase == kPhaseFormation) session.formationAndStart = true;
    for (const VehicleScoringInfoV01& v : s.cars) {
      const auto found = std::find_if(plan.cars.begin(), plan.cars.end(), [&](const CarEntry& c) { return c.id == v.mID; });
      if (found == plan.cars.end()) continue;
      const std::size_t i = static_cast<std::size_t>(found - plan.cars.begin());
      RecordedDriver& driver = session.drivers[i];
      CarSoFar& car = cars[i];
      if (v.mPitState != kPitNone || v.mInPits) car.pitted = true;
      if (car.laps >= 0 && v.mTotalLaps > car.laps) {
        RecordedLap lap;
        lap.number = v.mTotalLaps;
        lap.start = car.lapStart;
        lap.time = v.mLastLapTime;
        lap.s1 = v.mLastSector1;
        lap.s2 = v.mLastSector1 > 0.0 && v.mLastSector2 > 0.0 ? v.mLastSector2 - v.mLastSector1 : -1.0;
        lap.s3 = v.mLastSector2 > 0.0 && v.mLastLapTime > 0.0 ? v.mLastLapTime - v.mLastSector2 : -1.0;
        lap.place = v.mPlace;
        lap.pit = car.pitted;
        driver.lapList.push_back(lap);
        car.pitted = false;
      }
      if (car.finish == kFinishNone && v.mFinishStatus == kFinished) driver.finishTime = v.mLapStartET - start;
      car.finish = v.mFinishStatus;
      car.laps = v.mTotalLaps;
      car.lapStart = v.mLapStartET;
      driver.laps = v.mTotalLaps;
      driver.place = v.mPlace;
      driver.pitStops = v.mNumPitstops;
      driver.finishStatus = FinishStatusName(v.mFinishStatus);
    }
    const std::string& added = s.stream;
    for (std::size_t at = 0; at < added.size();) {
      std::size_t end = added.find('\n', at);
      end = end == std::string::npos ? added.size() : end + 1;
      RecordedLine line;
      line.line = added.substr(at, end - at);
      // The line's own time, as a results file keeps it; else the snapshot's.
      const std::size_t et = line.line.find(" et=\"");
      line.et = et != std::string::npos ? std::strtod(line.line.c_str() + et + 5, nullptr) : t;
      if (SplitElement(line.line, line.tag, line.text)) session.stream.push_back(line);
      at = end;
    }
  }
  return session;
}

}  // namespace ksim
