// Records what happened on track while a session plays, whoever watches: the
// field at every snapshot, the timing points and the contacts of the results
// stream. The runner uses it beside the plug-in; RecordSession uses it alone.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host/scoreboard.hpp"
#include "record/run_record.hpp"
#include "sessions/session.hpp"

namespace ksim {

class FieldRecorder {
 public:
  explicit FieldRecorder(SessionRun& run) : mRun(run) {}

  void Begin(const SessionSource& source);
  // After the scoreboard's update for time t.
  void Snapshot(double t, const SessionSource& source, const Scoreboard& board, const std::vector<Crossing>& crossings);
  // The same with the cars' states from elsewhere (a run that records a
  // trace reads the field as the trace will tell it).
  void Snapshot(double t, int phase, const std::function<const CarState&(int)>& carState, const Scoreboard& board,
                const std::vector<Crossing>& crossings);
  // Reads the contacts of the stream's lines from `from` on; the two reports
  // of one car-to-car contact become one contact with the greater strength.
  void NoteContacts(const std::string& stream, std::size_t from, const Scoreboard& board);
  // Once the session is over.
  void End(const SessionSource& source, const Scoreboard& board);

 private:
  SessionRun& mRun;
};

}  // namespace ksim
