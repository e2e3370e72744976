#include "sessions/recorded_source.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>

#include "common/text.hpp"
#include "sessions/grid_slots.hpp"
#include "sessions/stream_lines.hpp"
#include "sessions/trace.hpp"

namespace ksim {

namespace {

constexpr double kNever = std::numeric_limits<double>::infinity();
constexpr double kPitSpeed = 22.0;
constexpr double kPitEntry = 0.965;
constexpr double kParcFerme = 0.985;

double Median(std::vector<double> values, double fallback) {
  values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return !(v > 0.0); }), values.end());
  if (values.empty()) return fallback;
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2), values.end());
  return values[values.size() / 2];
}

struct TimedPoint {
  double time = 0.0;
  int laps = 0;
  int point = 0;
  bool valid = true;
};

struct PitVisit {
  double request = -1.0;  // pit request shown from here (races)
  double entry = 0.0;
  double box = 0.0;
  double go = kNever;
  double exitDone = kNever;
  bool garage = false;
  bool counts = false;    // a race pit stop
};

struct RecordedCar {
  Trace trace;
  std::vector<Crossing> crossings;
  std::size_t nextCrossing = 0;
  std::vector<PitVisit> visits;
  int status = kFinishNone;
  double statusTime = kNever;
  int finishLaps = 0;
  double intoPitLane = kNever;  // after the flag: the car drives into the pit lane
  double parked = kNever;       // and stops there
  double settled = 0.0;         // nothing changes for this car after this time
  double gridProgress = 0.0;    // races: where the car stands at the start
  double launchRate = 0.0;      // races: laps per second from the start to its first timing point
  CarState state;
};

class RecordedSource final : public SessionSource {
 public:
  explicit RecordedSource(const RecordedSession& session);

  const SessionPlan& Plan() const override { return mPlan; }
  void AdvanceTo(double t, std::string& stream, std::vector<Crossing>& crossings) override;
  const CarState& Car(int index) const override { return mCars[static_cast<std::size_t>(index)].state; }
  double TimeAtProgress(int index, double progress) const override;
  int Phase() const override { return mPhase; }
  int StartLights() const override;
  bool Over() const override { return mNow >= mOverAt; }

 private:
  bool IsRace() const { return mPlan.kind == SessionKind::Race; }
  double ProgressOf(int laps, int point) const {
    return laps + (point == 1 ? mPlan.split1 : point == 2 ? mPlan.split2 : 0.0);
  }
  void AssignIds();
  void RenumberStream();
  std::int32_t IdOfDriver(const std::string& name, std::int32_t written) const;
  void AssignGrid();
  std::vector<double> FirstCrossings() const;
  void BuildCar(std::size_t index);
  void DeriveCrossings(std::size_t index, const std::vector<TimedPoint>& points);
  std::vector<TimedPoint> TimingPoints(std::size_t index, std::vector<std::pair<double, double>>& formation) const;
  int PhaseAt(double t) const;

  RecordedSession mSession;
  SessionPlan mPlan;
  std::vector<RecordedCar> mCars;
  std::map<std::string, std::size_t> mDriverByName;
  std::vector<int> mSlots;  // races: grid slot of each car, 1 = pole
  double mGreen = 0.0;
  double mTypicalLap = 100.0;
  double mTypicalS[3] = {30.0, 35.0, 35.0};
  double mPitExit = 0.1;
  double mFormationStart = kNever;
  double mFormationEnd = -kNever;
  double mPhaseOverAt = kNever;
  double mOverAt = kNever;
  double mNow = 0.0;
  int mPhase = kPhaseBefore;
  std::size_t mNextLine = 0;
};

RecordedSource::RecordedSource(const RecordedSession& session) : mSession(session) {
  mPlan.kind = session.kind;
  mPlan.sessionNumber = session.sessionNumber;
  mPlan.trackName = session.track;
  mPlan.trackLength = session.trackLength;
  mPlan.maxLaps = session.maxLaps;

  // Where the splits lie and how long a lap takes, from the clean laps.
  std::vector<double> f1, f2, laps, s1, s2, s3;
  for (const auto& driver : session.drivers) {
    for (const auto& lap : driver.lapList) {
      if (lap.s1 > 0 && lap.s2 > 0 && lap.s3 > 0) {
        const double total = lap.s1 + lap.s2 + lap.s3;
        f1.push_back(lap.s1 / total);
        f2.push_back((lap.s1 + lap.s2) / total);
        s1.push_back(lap.s1);
        s2.push_back(lap.s2);
        s3.push_back(lap.s3);
      }
      if (lap.time > 0) laps.push_back(lap.time);
    }
  }
  mPlan.split1 = std::clamp(Median(f1, 0.33), 0.05, 0.9);
  mPlan.split2 = std::clamp(Median(f2, 0.66), mPlan.split1 + 0.02, 0.97);
  mTypicalLap = Median(laps, 100.0);
  mTypicalS[0] = Median(s1, mTypicalLap * mPlan.split1);
  mTypicalS[1] = Median(s2, mTypicalLap * (mPlan.split2 - mPlan.split1));
  mTypicalS[2] = Median(s3, mTypicalLap * (1.0 - mPlan.split2));
  const double boxLast = 0.006 + 0.0022 * static_cast<double>(session.drivers.size() - 1);
  mPitExit = std::min(boxLast + 0.012, 0.8 * mPlan.split1);

  for (std::size_t i = 0; i < session.drivers.size(); ++i) {
    mDriverByName.emplace(session.drivers[i].name, i);
    CarEntry car;
    car.driver = session.drivers[i].name;
    car.vehicle = session.drivers[i].vehicle;
    car.vehicleClass = session.drivers[i].vehicleClass;
    car.gridPlace = session.drivers[i].gridPlace;
    mPlan.cars.push_back(car);
  }
  AssignIds();
  RenumberStream();

  if (IsRace()) {
    mGreen = kNever;
    for (const auto& driver : session.drivers) {
      for (const auto& lap : driver.lapList) {
        if (lap.number == 1 && lap.start >= 0.0) mGreen = std::min(mGreen, lap.start);
      }
    }
    if (mGreen == kNever) mGreen = 60.0;
    mPlan.startTime = mGreen;
    mPlan.endTime = session.minutes > 0 ? mGreen + session.minutes * 60.0 : 0.0;
  } else {
    mPlan.endTime = session.minutes * 60.0;
  }

  if (IsRace()) AssignGrid();
  mCars.resize(session.drivers.size());
  for (std::size_t i = 0; i < mCars.size(); ++i) BuildCar(i);

  double lastChange = mPlan.endTime;
  for (const auto& car : mCars) {
    lastChange = std::max(lastChange, car.settled);
    if (IsRace()) lastChange = std::max(lastChange, car.statusTime == kNever ? 0.0 : car.statusTime);
  }
  mPhaseOverAt = lastChange;
  mOverAt = mPhaseOverAt + (IsRace() ? 60.0 : 30.0);
  mPlan.expectedDuration = mOverAt;
}

void RecordedSource::AssignIds() {
  // The stream names every car with its slot id: "Name(12)".
  std::vector<std::map<std::int32_t, int>> seen(mPlan.cars.size());
  const auto note = [&](const std::string& name, std::int32_t id) {
    const auto it = mDriverByName.find(name);
    if (it != mDriverByName.end()) ++seen[it->second][id];
  };
  for (const auto& line : mSession.stream) {
    if (line.tag == "Score") {
      TimingPoint point;
      if (ParseTimingPoint(line.text, point)) note(point.driver, point.id);
    } else if (line.tag == "Incident") {
      ContactReport report;
      if (ParseContactLine(line.line, report)) {
        note(report.reporter, report.reporterId);
        if (report.withVehicle) note(report.other, report.otherId);
      }
    }
  }
  std::set<std::int32_t> used;
  for (std::size_t i = 0; i < seen.size(); ++i) {
    std::int32_t best = -1;
    int count = 0;
    for (const auto& [id, times] : seen[i]) {
      if (times > count && used.count(id) == 0) {
        best = id;
        count = times;
      }
    }
    mPlan.cars[i].id = best;
    if (best >= 0) used.insert(best);
  }
  std::int32_t next = 0;
  for (auto& car : mPlan.cars) {
    if (car.id >= 0) continue;
    while (used.count(next) != 0) ++next;
    car.id = next;
    used.insert(next);
  }
}

std::int32_t RecordedSource::IdOfDriver(const std::string& name, std::int32_t written) const {
  const auto it = mDriverByName.find(name);
  return it == mDriverByName.end() ? written : mPlan.cars[it->second].id;
}

// Online, a slot a car left is given to a car that joins later, so one slot
// id may name two drivers in the file. Each car keeps one id of its own here
// (AssignIds), and its lines in the stream are written with that id, so that
// the plug-in and the analysis never take one car's contacts for another's.
void RecordedSource::RenumberStream() {
  // Replaces the digits of the "(id)" that ends at `close`.
  const auto renumber = [](std::string& text, std::size_t close, std::int32_t id) {
    const std::size_t open = text.rfind('(', close);
    text.replace(open + 1, close - open - 1, std::to_string(id));
  };
  for (RecordedLine& line : mSession.stream) {
    std::string text = line.text;
    std::string name;
    std::int32_t id = -1;
    if (line.tag == "Score") {
      const std::size_t lap = text.find(" lap=");
      if (lap == std::string::npos || !SplitNameAndId(text.substr(0, lap), name, id)) continue;
      if (IdOfDriver(name, id) != id) renumber(text, lap - 1, IdOfDriver(name, id));
    } else if (line.tag == "Incident") {
      const std::size_t verb = text.find(" reported contact (");
      if (verb == std::string::npos || !SplitNameAndId(text.substr(0, verb), name, id)) continue;
      // The other car first: it lies behind, so the reporter's place stays put.
      const std::string vehicle = ") with another vehicle ";
      const std::size_t with = text.find(vehicle, verb);
      std::string other;
      std::int32_t otherId = -1;
      if (with != std::string::npos && SplitNameAndId(text.substr(with + vehicle.size()), other, otherId) &&
          IdOfDriver(other, otherId) != otherId) {
        renumber(text, text.find_last_of(')'), IdOfDriver(other, otherId));
      }
      if (IdOfDriver(name, id) != id) renumber(text, verb - 1, IdOfDriver(name, id));
    }
    if (text == line.text) continue;
    const std::string opening = line.line.substr(0, line.line.find('>') + 1);
    line.text = text;
    line.line = opening + EscapeMarkup(text, false) + "</" + line.tag + ">\n";
  }
}

void RecordedSource::AssignGrid() {
  std::vector<int> places;
  for (const auto& driver : mSession.drivers) places.push_back(driver.gridPlace);
  mSlots = AssignGridSlots(places, FirstCrossings());
  // The scoreboard ranks by grid until the start: it must see the same slots.
  for (std::size_t i = 0; i < mSlots.size(); ++i) mPlan.cars[i].gridPlace = mSlots[i];
}

std::vector<double> RecordedSource::FirstCrossings() const {
  // When each car first reached a timing point after the start; only the
  // order matters, to line up the cars the file gives no grid position.
  std::vector<double> first(mSession.drivers.size(), kNever);
  for (std::size_t i = 0; i < first.size(); ++i) {
    for (const auto& lap : mSession.drivers[i].lapList) {
      if (lap.start < 0.0) continue;
      const double leg = lap.s1 > 0.0 ? lap.s1 : lap.time > 0.0 ? lap.time : kNever;
      first[i] = std::min(first[i], lap.start + leg);
    }
  }
  for (const auto& line : mSession.stream) {
    TimingPoint point;
    if (line.tag != "Score" || !ParseTimingPoint(line.text, point) || point.et < mGreen - 0.5) continue;
    const auto it = mDriverByName.find(point.driver);
    if (it != mDriverByName.end()) first[it->second] = std::min(first[it->second], point.et);
  }
  return first;
}

double RecordedSource::TimeAtProgress(int index, double progress) const {
  const RecordedCar& car = mCars[static_cast<std::size_t>(index)];
  if (!IsRace() || progress > car.gridProgress) return car.trace.TimeAt(progress);
  // Behind a car's grid slot its trace holds the formation lap, minutes
  // before the start. Timing counts from the start: carry the car's launch
  // back behind its slot instead, so a car gridded behind it is a fraction
  // of a second back, not a whole formation lap.
  if (car.launchRate <= 0.0) return mGreen;
  return mGreen - (car.gridProgress - progress) / car.launchRate;
}

std::vector<TimedPoint> RecordedSource::TimingPoints(std::size_t index,
                                                     std::vector<std::pair<double, double>>& formation) const {
  const RecordedDriver& driver = mSession.drivers[index];
  std::map<std::pair<int, int>, TimedPoint> points;
  for (const auto& line : mSession.stream) {
    if (line.tag != "Score") continue;
    TimingPoint point;
    if (!ParseTimingPoint(line.text, point) || point.driver != driver.name) continue;
    if (IsRace() && point.et < mGreen - 0.5) {
      if (point.lapsCompleted == 0 && point.point > 0) formation.emplace_back(point.et, -1.0 + ProgressOf(0, point.point));
      continue;
    }
    const auto key = std::make_pair(point.lapsCompleted, point.point);
    if (points.count(key) == 0) points[key] = TimedPoint{point.et, point.lapsCompleted, point.point, point.splitTime >= 0.0};
  }
  // Laps fill in what the stream does not hold: a lap's start is the previous
  // lap's line crossing, its splits follow from its sector times.
  std::map<int, const RecordedLap*> byNumber;
  for (const auto& lap : driver.lapList) byNumber[lap.number] = &lap;
  const auto add = [&](int laps, int point, double time, bool valid) {
    const auto key = std::make_pair(laps, point);
    if (time >= 0.0 && points.count(key) == 0) points[key] = TimedPoint{time, laps, point, valid};
  };
  for (const auto& lap : driver.lapList) {
    const int n = lap.number;
    if (lap.start < 0.0) continue;
    if (n >= 2) {
      const auto previous = byNumber.find(n - 1);
      add(n - 1, 0, lap.start, previous != byNumber.end() && previous->second->time > 0.0);
    }
    if (lap.s1 > 0.0) add(n - 1, 1, lap.start + lap.s1, true);
    if (lap.s1 > 0.0 && lap.s2 > 0.0) add(n - 1, 2, lap.start + lap.s1 + lap.s2, true);
    if (lap.time > 0.0) add(n, 0, lap.start + lap.time, true);
  }
  if (IsRace() && driver.finishStatus == "Finished Normally" && driver.finishTime > 0.0 && driver.laps > 0) {
    add(driver.laps, 0, mGreen + driver.finishTime, true);
  }
  std::vector<TimedPoint> ordered;
  for (const auto& [key, point] : points) ordered.push_back(point);
  std::sort(ordered.begin(), ordered.end(), [](const TimedPoint& a, const TimedPoint& b) { return a.time < b.time; });
  // Keep a travel that only goes forwards.
  std::vector<TimedPoint> kept;
  for (const auto& point : ordered) {
    if (!kept.empty()) {
      const TimedPoint& last = kept.back();
      if (ProgressOf(point.laps, point.point) <= ProgressOf(last.laps, last.point) || point.time <= last.time) continue;
    }
    kept.push_back(point);
  }
  std::sort(formation.begin(), formation.end());
  return kept;
}

void RecordedSource::BuildCar(std::size_t index) {
  RecordedCar& car = mCars[index];
  const RecordedDriver& driver = mSession.drivers[index];
  const double length = mPlan.trackLength;
  const double box = 0.006 + 0.0022 * static_cast<double>(index);
  std::vector<double> laps;
  for (const auto& lap : driver.lapList) laps.push_back(lap.time);
  const double typicalLap = Median(laps, mTypicalLap);
  std::map<int, bool> pitLap;
  for (const auto& lap : driver.lapList) pitLap[lap.number] = lap.pit;

  std::vector<std::pair<double, double>> formation;
  const std::vector<TimedPoint> points = TimingPoints(index, formation);
  Trace& trace = car.trace;
  struct Finally {
    RecordedSource* source;
    std::size_t index;
    const std::vector<TimedPoint>& points;
    ~Finally() { source->DeriveCrossings(index, points); }
  } deriveCrossings{this, index, points};

  if (IsRace()) {
    const double offset = SlotDistance(mSlots[index]) / length;
    car.gridProgress = -offset;
    if (!points.empty() && points.front().time > mGreen) {
      const TimedPoint& first = points.front();
      car.launchRate = (ProgressOf(first.laps, first.point) + offset) / (first.time - mGreen);
    }
    if (mSession.formationAndStart && !formation.empty()) {
      double rate = 1.0 / (1.6 * typicalLap);
      if (formation.size() >= 2 && formation.back().first > formation.front().first) {
        rate = (formation.back().second - formation.front().second) / (formation.back().first - formation.front().first);
      }
      const double start = std::clamp(formation.front().first - (formation.front().second + 1.0 + offset) / rate, 0.0,
                                      formation.front().first);
      const double arrive = std::clamp(formation.back().first + (-offset - formation.back().second) / rate,
                                       formation.back().first, mGreen - 2.0);
      trace.Add(0.0, -1.0 - offset);
      trace.Add(start, -1.0 - offset);
      for (const auto& [time, progress] : formation) trace.Add(time, progress);
      trace.Add(arrive, -offset);
      mFormationStart = std::min(mFormationStart, start);
      mFormationEnd = std::max(mFormationEnd, arrive);
    } else {
      trace.Add(0.0, -offset);
    }
    trace.Add(mGreen, -offset);
    if (points.empty()) {
      car.status = kRetired;  // never took the start
      car.statusTime = mGreen;
    }
  } else {
    trace.Add(0.0, box);
    if (points.empty()) {
      car.visits.push_back(PitVisit{-1.0, -kNever, -kNever, kNever, kNever, true, false});
    } else {
      const TimedPoint& first = points.front();
      const double firstProgress = ProgressOf(first.laps, first.point);
      const double leave = std::max(0.0, first.time - (firstProgress - box) * typicalLap * 1.25);
      const double outOfLane = leave + (mPitExit - box) * length / kPitSpeed;
      trace.Add(leave, box);
      if (outOfLane < first.time && mPitExit < firstProgress) trace.Add(outOfLane, mPitExit);
      car.visits.push_back(PitVisit{-1.0, -kNever, -kNever, leave, outOfLane, true, false});
    }
  }

  double lapStartTime = IsRace() ? mGreen : 0.0;
  for (std::size_t k = 0; k < points.size(); ++k) {
    const TimedPoint& a = points[k];
    const double progress = ProgressOf(a.laps, a.point);
    // A stop: the segment from the line to the first split takes far longer
    // than usual, after a lap that ended in the pits (or much longer still).
    bool stop = false;
    double boxTime = 0.0, go = 0.0, exitDone = 0.0, entry = 0.0;
    if (k + 1 < points.size() && a.point == 0) {
      const TimedPoint& b = points[k + 1];
      if (b.point == 1 && b.laps == a.laps) {
        const double excess = (b.time - a.time) - mTypicalS[0];
        const bool flagged = pitLap.count(a.laps) != 0 && pitLap[a.laps];
        if ((flagged && excess > 8.0) || excess > 40.0) {
          boxTime = a.time + box * length / kPitSpeed;
          const double laneOut = (mPitExit - box) * length / kPitSpeed;
          go = b.time - laneOut - (mPlan.split1 - mPitExit) * typicalLap;
          exitDone = go + laneOut;
          entry = a.time - (1.0 - kPitEntry) * length / kPitSpeed;
          stop = go > boxTime + 1.0 && entry > trace.LastTime();
        }
      }
    }
    if (stop) trace.Add(entry, a.laps - (1.0 - kPitEntry));
    trace.Add(a.time, progress);
    if (stop) {
      trace.Add(boxTime, a.laps + box);
      trace.Add(go, a.laps + box);
      trace.Add(exitDone, a.laps + mPitExit);
      const bool garage = !IsRace() || go - boxTime > 90.0;
      car.visits.push_back(PitVisit{IsRace() ? lapStartTime : -1.0, entry, boxTime, go, exitDone, garage, IsRace()});
    }
    if (a.point == 0) lapStartTime = a.time;
  }

  // After the last timing point: the flag, a retirement or the garage.
  if (points.empty()) {
    car.settled = IsRace() ? mGreen : 0.0;
    return;
  }
  const TimedPoint& last = points.back();
  const double lastProgress = ProgressOf(last.laps, last.point);
  const auto coolDown = [&](double from, double fromProgress) {
    const double lap = std::floor(fromProgress + 1e-9);
    const double seconds = typicalLap / 0.55;
    car.intoPitLane = from + (lap + kPitEntry - fromProgress) * seconds;
    car.parked = from + (lap + kParcFerme - fromProgress) * seconds;
    trace.Add(car.parked, lap + kParcFerme);
    car.settled = car.parked;
  };
  if (IsRace()) {
    if (driver.finishStatus == "Finished Normally") {
      car.status = kFinished;
      car.statusTime = last.time;
      car.finishLaps = last.laps;
      coolDown(last.time, lastProgress);
    } else {
      const double stopAt = last.time + 15.0;
      trace.Add(stopAt, lastProgress + 0.5 * 15.0 / typicalLap);
      car.status = driver.finishStatus == "DQ" || driver.finishStatus == "Disqualified" ? kDisqualified : kRetired;
      car.statusTime = stopAt;
      car.finishLaps = last.laps;
      car.settled = stopAt;
    }
    return;
  }
  if (last.point == 0 && last.time >= mPlan.endTime) {
    car.status = kFinished;
    car.statusTime = last.time;
    car.finishLaps = last.laps;
    coolDown(last.time, lastProgress);
    return;
  }
  // Back to the garage for good.
  double lineTime = last.time;
  double lineProgress = lastProgress;
  if (last.point != 0) {
    const double lap = std::floor(lastProgress);
    const double entry = last.time + (lap + kPitEntry - lastProgress) * typicalLap * 1.15;
    lineTime = entry + (1.0 - kPitEntry) * length / kPitSpeed;
    lineProgress = lap + 1.0;
    trace.Add(entry, lap + kPitEntry);
    trace.Add(lineTime, lineProgress);
    car.visits.push_back(PitVisit{-1.0, entry, lineTime + box * length / kPitSpeed, kNever, kNever, true, false});
  } else {
    car.visits.push_back(PitVisit{-1.0, last.time - (1.0 - kPitEntry) * length / kPitSpeed,
                                  last.time + box * length / kPitSpeed, kNever, kNever, true, false});
  }
  const double boxTime = lineTime + box * length / kPitSpeed;
  trace.Add(boxTime, lineProgress + box);
  car.settled = boxTime;
}

void RecordedSource::DeriveCrossings(std::size_t index, const std::vector<TimedPoint>& points) {
  // Every timing point the rebuilt travel passes, at the time it passes it:
  // the recorded ones keep their validity, the others (filled in where the
  // file is silent) count as invalid.
  RecordedCar& car = mCars[index];
  std::map<std::pair<int, int>, bool> valid;
  for (const TimedPoint& point : points) valid[{point.laps, point.point}] = point.valid;
  const double splits[3] = {mPlan.split1, mPlan.split2, 1.0};
  const Trace& trace = car.trace;
  for (std::size_t k = 1; k < trace.Size(); ++k) {
    const double p0 = trace.ProgressOf(k - 1), p1 = trace.ProgressOf(k);
    if (p1 <= p0) continue;
    const double t0 = trace.TimeOf(k - 1), t1 = trace.TimeOf(k);
    for (double lap = std::floor(p0); lap <= std::floor(p1); lap += 1.0) {
      for (int s = 0; s < 3; ++s) {
        const double boundary = lap + splits[s];
        if (boundary <= 0.0 || boundary <= p0 || boundary > p1) continue;
        const int point = s == 2 ? 0 : s + 1;
        const int laps = static_cast<int>(lap) + (point == 0 ? 1 : 0);
        const double time = t0 + (t1 - t0) * (boundary - p0) / (p1 - p0);
        const auto known = valid.find({laps, point});
        car.crossings.push_back(
            Crossing{static_cast<int>(index), time, laps, point, known != valid.end() && known->second});
      }
    }
  }
}

int RecordedSource::PhaseAt(double t) const {
  if (t >= mPhaseOverAt) return kPhaseOver;
  if (!IsRace()) return kPhaseGreen;
  if (t >= mGreen) return kPhaseGreen;
  if (mFormationStart < kNever) {
    if (t >= mFormationEnd) return kPhaseCountdown;
    if (t >= mFormationStart) return kPhaseFormation;
    return kPhaseGridWalk;
  }
  return t >= mGreen - 10.0 ? kPhaseCountdown : kPhaseGridWalk;
}

int RecordedSource::StartLights() const {
  if (mPhase != kPhaseCountdown) return 0;
  const double from = mFormationStart < kNever ? mFormationEnd : mGreen - 10.0;
  const double share = (mNow - from) / std::max(1e-6, mGreen - from);
  return std::clamp(1 + static_cast<int>(share * 5.0), 1, 5);
}

void RecordedSource::AdvanceTo(double t, std::string& stream, std::vector<Crossing>& crossings) {
  mNow = t;
  mPhase = PhaseAt(t);
  const double length = mPlan.trackLength;
  const std::size_t firstNew = crossings.size();
  for (auto& car : mCars) {
    CarState& s = car.state;
    s.progress = car.trace.ProgressAt(t);
    s.speed = std::max(0.0, (s.progress - car.trace.ProgressAt(t - 0.2)) * length / 0.2);
    s.pitState = kPitNone;
    s.inPits = s.inGarage = false;
    int stops = 0;
    for (const PitVisit& visit : car.visits) {
      if (visit.counts && t >= visit.box) ++stops;
      if (t >= visit.entry && t < visit.exitDone) {
        s.inPits = true;
        s.pitState = t < visit.box ? kPitEntering : t < visit.go ? kPitStopped : kPitExiting;
        s.inGarage = visit.garage && s.pitState == kPitStopped;
      } else if (visit.request >= 0.0 && t >= visit.request && t < visit.entry && s.pitState == kPitNone) {
        s.pitState = kPitRequest;
      }
    }
    s.pitStops = stops;
    if (t >= car.statusTime) {
      s.finishStatus = car.status;
      s.finishTime = car.statusTime;
      s.finishLaps = car.finishLaps;
    }
    if (t >= car.intoPitLane) s.inPits = true;
    if (t >= car.parked) s.pitState = kPitStopped;
    while (car.nextCrossing < car.crossings.size() && car.crossings[car.nextCrossing].time <= t) {
      crossings.push_back(car.crossings[car.nextCrossing++]);
    }
  }
  std::sort(crossings.begin() + static_cast<std::ptrdiff_t>(firstNew), crossings.end(),
            [](const Crossing& a, const Crossing& b) { return a.time < b.time; });
  while (mNextLine < mSession.stream.size() && mSession.stream[mNextLine].et <= t) {
    stream += mSession.stream[mNextLine++].line;
  }
}

}  // namespace

std::unique_ptr<SessionSource> ReplaySession(const RecordedSession& session) {
  return std::make_unique<RecordedSource>(session);
}

}  // namespace ksim
