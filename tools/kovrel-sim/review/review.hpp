// Reviewing a live broadcast after the race: the plug-in's own debug log read
// against the session's results file gives who was on air when (live, in a
// replay, or with the director off), and from that the same coverage, summary
// and report as a kovrel-sim run of that session. Where the log is silent the
// review says so instead of guessing.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "analysis/analysis.hpp"
#include "record/run_record.hpp"
#include "review/debug_log.hpp"
#include "sessions/results_file.hpp"
#include "sessions/snapshot_trace.hpp"

namespace CLI {
class App;
}

namespace ksim {

// Nothing usable is left: the log has no State line, no stretch of the
// session, or only one that is plainly another session.
class ReviewError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What the review found beside the coverage.
struct Review {
  RunResult result;                 // one SessionRun, rebuilt from the log
  Coverage coverage;
  LogSegment chosen;                // without its shots and replays (they are in the run)
  std::vector<std::string> notes;   // which stretch was taken and why, settings, odd lines
  std::vector<TimeSpan> silent;     // parts of the session the log says nothing of
  double silentSeconds = 0.0, offSeconds = 0.0;
  std::vector<std::int32_t> unknownSlots;  // slot ids on air that the results file does not name
  double unknownSeconds = 0.0;
  std::vector<std::size_t> silentEvents;   // indices into coverage.events that fell where the log is silent
};

// The plug-in's settings from an rF2kovrel.ini ([KOVREL] section); keys not
// there keep the plug-in's defaults. Throws std::runtime_error when unreadable.
DirectorSettings ReadDirectorSettings(const std::string& path);

// The stretch of the log that belongs to the recorded session, which lasts
// until `sessionEnd` at least (its last line or the end of its replay): the
// latest that fits, or the `stretch`-th of the session's stretches (from 1,
// in the log's order) when given. Throws ReviewError when none fits or the
// one asked for does not. `notes` gains every stretch and which was taken.
const LogSegment& ChooseSegment(const DebugLog& log, const RecordedSession& session, double sessionEnd,
                                std::vector<std::string>& notes, int stretch = 0);

// Fills `run` (a session recorded without a plug-in) with what the stretch
// says went on air: live and replay shots, replays, director-off spans.
// Returns the silent spans of the session.
std::vector<TimeSpan> FillRunFromLog(const LogSegment& segment, const DirectorSettings& settings, SessionRun& run);

// The whole review. `settingsGiven`: `settings` came from a file (else the
// log's own values of waitsec, onboarddiff, lowinc and highinc are taken).
// `stretch` as for ChooseSegment; `rule` says which cars race each other.
Review ReviewLog(const DebugLog& log, const RecordedSession& session, DirectorSettings settings, bool settingsGiven,
                 int stretch = 0, ClassRule rule = ClassRule::ByPace);
// The same with the field played from `source` (a snapshot trace of the
// session); `session` names its cars and holds its stream for fitting the log.
Review ReviewLog(const DebugLog& log, const RecordedSession& session, std::unique_ptr<SessionSource> source,
                 DirectorSettings settings, bool settingsGiven, int stretch = 0, ClassRule rule = ClassRule::ByPace);


// The review's own lines: the stretch taken, what the log did not cover.
void PrintReviewNotes(std::ostream& out, const Review& review);

// Minimal JSON of the review (the stretch, the silent spans, every event with its verdict).
std::string ReviewJson(const Review& review);

// `kovrel-sim review`: call after parsing; `Run` only when the command was given.
class ReviewCommand {
 public:
  explicit ReviewCommand(CLI::App& app);
  bool Chosen() const;
  int Run() const;

 private:
  CLI::App* mCommand = nullptr;
  std::string mLog, mResults, mTrace, mIni, mReport, mJson;
  int mStretch = 0;
  bool mQuiet = false;
  bool mOneClass = false, mClassesByName = false;
};

std::unique_ptr<ReviewCommand> AddReviewCommand(CLI::App& app);

}  // namespace ksim
