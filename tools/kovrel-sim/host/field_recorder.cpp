#include "host/field_recorder.hpp"

#include <algorithm>

#include "sessions/stream_lines.hpp"

namespace ksim {

void FieldRecorder::Begin(const SessionSource& source) {
  mRun.field.Reset(static_cast<int>(source.Plan().cars.size()));
}

void FieldRecorder::Snapshot(double t, const SessionSource& source, const Scoreboard& board,
                             const std::vector<Crossing>& crossings) {
  Snapshot(t, source.Phase(), [&](int i) -> const CarState& { return source.Car(i); }, board, crossings);
}

void FieldRecorder::Snapshot(double t, int phase, const std::function<const CarState&(int)>& carState,
                             const Scoreboard& board, const std::vector<Crossing>& crossings) {
  mRun.field.AddSnapshot(t, phase);
  for (int i = 0; i < board.Count(); ++i) {
    const CarState& car = carState(i);
    std::uint8_t flags = 0;
    if (car.inPits || car.pitState != kPitNone) flags |= FieldTimeline::kInPits;
    if (car.finishStatus == kFinished) flags |= FieldTimeline::kFinished;
    if (car.finishStatus == kRetired || car.finishStatus == kDisqualified) flags |= FieldTimeline::kRetired;
    if (car.inGarage) flags |= FieldTimeline::kInGarage;
    mRun.field.SetCar(i, board.Vehicle(i).mPlace, car.progress, flags);
  }
  for (const Crossing& crossing : crossings) mRun.timing.push_back(TimingMark{crossing.time, crossing.car, crossing.point, crossing.valid});
}

void FieldRecorder::NoteContacts(const std::string& stream, std::size_t from, const Scoreboard& board) {
  std::size_t start = stream.find("<Incident", from);
  while (start != std::string::npos) {
    const std::size_t end = stream.find('\n', start);
    const std::string line = stream.substr(start, end == std::string::npos ? std::string::npos : end - start);
    ContactReport report;
    if (ParseContactLine(line, report)) {
      const int car = board.IndexOfId(report.reporterId);
      const int other = report.withVehicle ? board.IndexOfId(report.otherId) : -1;
      // A car "in contact with itself" repeats its report of the pair.
      if (!(report.withVehicle && car == other)) {
        bool merged = false;
        for (auto it = mRun.contacts.rbegin(); it != mRun.contacts.rend() && report.et - it->time <= 0.5; ++it) {
          const bool samePair = report.withVehicle
                                    ? it->other >= 0 && ((it->car == car && it->other == other) ||
                                                         (it->car == other && it->other == car))
                                    : it->other < 0 && it->car == car && it->target == report.target;
          if (samePair) {
            it->strength = std::max(it->strength, report.strength);
            merged = true;
            break;
          }
        }
        if (!merged) mRun.contacts.push_back(Contact{report.et, car, other, report.strength, report.target});
      }
    }
    if (end == std::string::npos) break;
    start = stream.find("<Incident", end);
  }
}

void FieldRecorder::End(const SessionSource& source, const Scoreboard& board) {
  for (int place = 1; place <= board.Count(); ++place) mRun.finalOrder.push_back(board.IndexAtPlace(place));
  for (int i = 0; i < board.Count(); ++i) {
    mRun.pitStops.push_back(source.Car(i).pitStops);
    mRun.finishStatus.push_back(source.Car(i).finishStatus);
  }
}

SessionRun RecordSession(SessionSource& source, double scoringRate) {
  SessionRun run;
  run.plan = source.Plan();
  FieldRecorder recorder(run);
  recorder.Begin(source);
  Scoreboard board(run.plan);
  std::string stream;
  std::vector<Crossing> crossings;
  const double dt = 1.0 / (scoringRate > 0.0 ? scoringRate : 5.0);
  double t = 0.0;
  for (long long k = 0;; ++k) {
    // A trace keeps its own snapshots.
    if (!source.SnapshotTime(k, t)) t = static_cast<double>(k) * dt;
    crossings.clear();
    const std::size_t mark = stream.size();
    source.AdvanceTo(t, stream, crossings);
    if (source.TracedInfo() != nullptr) {
      board.Take(source);
    } else {
      board.Update(t, source, crossings);
    }
    recorder.Snapshot(t, source, board, crossings);
    if (stream.size() > mark) recorder.NoteContacts(stream, mark, board);
    ++run.snapshots;
    if (source.Over()) break;
  }
  run.endTime = t;
  recorder.End(source, board);
  return run;
}

}  // namespace ksim
