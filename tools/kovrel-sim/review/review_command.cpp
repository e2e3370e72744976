// `kovrel-sim review`: the command line around the review.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <fstream>
#include <iostream>

#include "common/existing_file.hpp"
#include "common/replace_file.hpp"
#include "report/report.hpp"
#include "review/review.hpp"
#include "sessions/results_file.hpp"
#include "sessions/trace_results_view.hpp"
#include "sessions/trace_source.hpp"

namespace ksim {

ReviewCommand::ReviewCommand(CLI::App& app) {
  mCommand = app.add_subcommand(
      "review",
      "after a live broadcast: read the plug-in's debug log (debug=1) against the session's results file and "
      "report what the stream showed and what it missed");
  mCommand->add_option("--log", mLog, "the plug-in's debug.log from its files folder")->required()->check(ExistingFile());
  mCommand->add_option("--results", mResults,
                       "the session's results file (the simulator's XML); with --trace it names the cars and "
                       "gives the stream for what the trace lacks")
      ->check(ExistingFile());
  mCommand->add_option("--trace", mTrace,
                       "the session's snapshot trace (recordtrace=1): the field as the plug-in saw it, snapshot "
                       "for snapshot, instead of one rebuilt from the results file's timing points")
      ->check(ExistingFile());
  mCommand->add_option("--ini", mIni, "the rF2kovrel.ini the broadcast ran with (default: the plug-in's defaults)")
      ->check(ExistingFile());
  mCommand->add_option("--report", mReport, "HTML report to write")->capture_default_str();
  mCommand->add_option("--json", mJson, "JSON of the review to write");
  mCommand->add_option("--stretch", mStretch,
                       "of a log holding several broadcasts of the session, review the N-th (from 1, as the review "
                       "lists them; default: the latest)")
      ->check(CLI::PositiveNumber);
  mCommand->add_flag("--quiet", mQuiet, "no progress while reading a long log");
  mCommand->add_flag("--one-class", mOneClass, "judge the coverage as if the whole field were one class");
  mCommand->add_flag("--classes-by-name", mClassesByName, "judge every distinct class name as a class of its own");
  mReport = "review.html";
}

bool ReviewCommand::Chosen() const { return mCommand != nullptr && mCommand->parsed(); }

int ReviewCommand::Run() const {
  if (mOneClass && mClassesByName) {
    std::cerr << "kovrel-sim review: --one-class and --classes-by-name contradict each other: give one\n";
    return 2;
  }
  const ClassRule rule = mOneClass ? ClassRule::OneClass : mClassesByName ? ClassRule::ByName : ClassRule::ByPace;
  Review review;
  if (mResults.empty() && mTrace.empty()) {
    std::cerr << "kovrel-sim review: give the session's results file (--results FILE), its trace (--trace FILE) "
                 "or both\n";
    return 2;
  }
  try {
    std::shared_ptr<const SnapshotTrace> trace;
    if (!mTrace.empty()) {
      trace = std::make_shared<const SnapshotTrace>(ReadSnapshotTrace(mTrace));
      if (trace->tornAt > 0) {
        std::cerr << "kovrel-sim review: warning: " << mTrace << ": line " << trace->tornAt
                  << ": the last snapshot is cut short; reviewing the complete snapshots before it\n";
      }
    }
    const RecordedSession session = mResults.empty() ? ResultsViewOfTrace(*trace) : ReadResultsFile(mResults);
    const bool given = !mIni.empty();
    const DirectorSettings settings = given ? ReadDirectorSettings(mIni) : DirectorSettings{};
    const DebugLog log = ReadDebugLog(mLog, mQuiet ? nullptr : &std::cerr);
    review = trace ? ReviewLog(log, session, ReplayTrace(trace), settings, given, mStretch, rule)
                   : ReviewLog(log, session, settings, given, mStretch, rule);
    std::cout << "kovrel-sim review: read " << log.lines << " lines (" << log.bytes / 1024 << " KB) in "
              << log.seconds << " s\n";
  } catch (const ResultsFileError& error) {
    std::cerr << "kovrel-sim review: " << error.what() << '\n';
    return 2;
  } catch (const SnapshotTraceError& error) {
    std::cerr << "kovrel-sim review: " << error.what() << '\n';
    return 2;
  } catch (const ReviewError& error) {
    std::cerr << "kovrel-sim review: " << error.what() << '\n';
    return 2;
  } catch (const std::exception& error) {
    std::cerr << "kovrel-sim review: " << error.what() << '\n';
    return 1;
  }
  try {
    const std::vector<Coverage> coverage{review.coverage};
    ReplaceFile(mReport, HtmlReport(review.result, "kovrel-sim review: " + (mTrace.empty() ? mResults : mTrace) + " (log " + mLog + ")", &coverage),
                "the report");
    if (!mJson.empty()) ReplaceFile(mJson, ReviewJson(review), "the JSON export");
    PrintReviewNotes(std::cout, review);
    PrintSummary(std::cout, review.result, mReport, &coverage, SummaryParts::FromLog());
    if (!mJson.empty()) std::cout << "  json             " << mJson << '\n';
  } catch (const std::exception& error) {
    std::cerr << "kovrel-sim review: " << error.what() << '\n';
    return 1;
  }
  return 0;
}

std::unique_ptr<ReviewCommand> AddReviewCommand(CLI::App& app) { return std::make_unique<ReviewCommand>(app); }

}  // namespace ksim
