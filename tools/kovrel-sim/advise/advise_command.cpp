#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <thread>

#include "advise/advise.hpp"
#include "advise/progress.hpp"
#include "common/console.hpp"
#include "common/existing_file.hpp"
#include "common/process.hpp"
#include "common/text.hpp"
#include "host/host.hpp"
#include "sessions/sessions.hpp"

namespace ksim {

namespace {

namespace fs = std::filesystem;

// A refusal: the message goes out as it is, nothing is written.
struct Refusal {
  std::string message;
};

std::vector<double> ContactStrengths(const RecordedSession& session) {
  std::vector<double> strengths;
  for (const RecordedLine& line : session.stream) {
    ContactReport report;
    if (line.tag == "Incident" && ParseContactLine(line.line, report)) strengths.push_back(report.strength);
  }
  return strengths;
}

Candidate ParseFixes(const std::vector<std::string>& fixes) {
  Candidate fixed;
  for (const std::string& text : fixes) {
    std::string key, value;
    const std::string problem = CheckFix(text, key, value);
    if (!problem.empty()) throw Refusal{problem};
    fixed[key] = value;
  }
  return fixed;
}

std::vector<AdviceSession> LoadSessions(const std::vector<std::string>& paths, std::vector<double>& pooled) {
  std::vector<AdviceSession> sessions;
  std::vector<StrengthScale> scales;
  for (const std::string& path : paths) {
    if (LooksLikeSnapshotTrace(path)) {
      std::shared_ptr<const SnapshotTrace> trace;
      try {
        trace = std::make_shared<const SnapshotTrace>(ReadSnapshotTrace(path));
      } catch (const SnapshotTraceError& error) {
        throw Refusal{error.what()};
      }
      AdviceSession session;
      session.name = fs::u8path(path).filename().u8string();
      session.path = path;
      session.make = [trace]() { return ReplayTrace(trace); };
      session.strengths = TraceContactStrengths(*trace);
      scales.push_back(ScaleOf(session.strengths));
      pooled.insert(pooled.end(), session.strengths.begin(), session.strengths.end());
      sessions.push_back(std::move(session));
      continue;
    }
    std::shared_ptr<const RecordedSession> recorded;
    try {
      recorded = std::make_shared<const RecordedSession>(ReadResultsFile(path));
    } catch (const ResultsFileError& error) {
      throw Refusal{std::string(error.what()) + " (not a results file the simulator wrote)"};
    }
    AdviceSession session;
    session.name = fs::u8path(path).filename().u8string();
    session.path = path;
    session.make = [recorded]() { return ReplaySession(*recorded); };
    session.strengths = ContactStrengths(*recorded);
    scales.push_back(ScaleOf(session.strengths));
    pooled.insert(pooled.end(), session.strengths.begin(), session.strengths.end());
    sessions.push_back(std::move(session));
  }
  const bool old = std::count(scales.begin(), scales.end(), StrengthScale::Old) > 0;
  const bool current = std::count(scales.begin(), scales.end(), StrengthScale::Current) > 0;
  if (old && current) {
    std::string message =
        "these files come from simulator builds with different contact-strength scales, and advice for one "
        "league's build only makes sense on that build:";
    for (std::size_t i = 0; i < paths.size(); ++i) message += "\n  " + paths[i] + ": " + ScaleName(scales[i]);
    throw Refusal{message};
  }
  return sessions;
}

// A folder of its own for the settings file each evaluation writes, in
// memory where there is such a place; removed when the search ends.
class ScratchFolder {
 public:
  ScratchFolder() {
    const fs::path folder = ScratchRoot() / ("kovrel-advise-" + std::to_string(ProcessId()));
    mPath = folder.u8string();
    fs::create_directories(folder);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(fs::u8path(mPath), ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& Path() const { return mPath; }

 private:
  std::string mPath;
};

std::vector<std::string> IniHeader(const SearchOutcome& outcome, const std::vector<AdviceSession>& sessions,
                                   int seeds, bool userFile, const std::vector<KeyChange>& changes) {
  std::string files;
  for (const AdviceSession& s : sessions) files += (files.empty() ? "" : ", ") + s.name;
  const auto score = [&](std::size_t i) { return Fixed(outcome.evaluated[i].broadcast.score, 3); };
  std::vector<std::string> header = {
      "rF2kovrel settings advised by kovrel-sim advise from " + files,
      "coverage score " + score(outcome.best) + " (defaults " + score(outcome.defaults) +
          (userFile ? ", your file " + score(outcome.user) : std::string()) + "), mean over the files and " +
          std::to_string(seeds) + " director seeds; " + std::to_string(outcome.evaluated.size()) +
          " candidates evaluated",
      "Copy it to UserData\\player\\rF2kovrel.ini. Every setting is described in user-guide.md."};
  // The changes by what they bought, largest first, as the table's gain column measures them.
  if (changes.empty()) header.push_back("no change buys more than the director seeds alone move the score");
  for (const KeyChange& c : changes) {
    header.push_back("  " + c.note.key + " " + c.note.was + " -> " + c.to + ": " +
                     (c.measured ? "paired gain " + std::string(c.gain >= 0.0 ? "+" : "") + Fixed(c.gain, 3) +
                                       " (SE " + Fixed(c.gainSe, 3) + ")"
                                 : c.note.bought));
  }
  return header;
}

int Advise(const AdviseOptions& given, std::ostream& out, std::ostream& err, bool terminal) {
  AdviseOptions options = given;
  // "--results" with nothing after it reads as one empty name.
  options.results.erase(std::remove(options.results.begin(), options.results.end(), std::string()), options.results.end());
  // Traces and results files are told apart by their contents.
  options.traces.erase(std::remove(options.traces.begin(), options.traces.end(), std::string()), options.traces.end());
  options.results.insert(options.results.end(), options.traces.begin(), options.traces.end());
  if (options.results.empty()) {
    throw Refusal{"advise needs at least one results file or trace: --results FILE... or --trace FILE..."};
  }
  const Candidate fixed = ParseFixes(options.fixes);
  for (const std::string* path : {&options.out, &options.report}) {
    const std::string problem = CheckWritable(*path);
    if (!problem.empty()) throw Refusal{problem};
  }
  IniValues user;
  if (!options.ini.empty()) {
    try {
      user = ReadIniValues(options.ini);
    } catch (const std::runtime_error& error) {
      throw Refusal{error.what()};
    }
  }
  std::vector<double> strengths;
  const std::vector<AdviceSession> sessions = LoadSessions(options.results, strengths);

  SearchInput input;
  input.knobs = BuildSearchSpace(strengths, fixed);
  input.fixed = fixed;
  input.budget = options.budget;
  if (!options.ini.empty()) input.user = CandidateFromIni(user);
  const Candidate start = input.user ? *input.user : DefaultCandidate();

  // The workers load the plug-in, which would find the simulator's web server.
  const auto webport = user.find("webport");
  const std::string busy = SimulatorWebServerProblem(webport == user.end() ? WebPortOf("") : WebPortOf(webport->second));
  if (!busy.empty()) throw Refusal{"stopped before loading the plug-in: " + busy};
  ScratchFolder scratch;
  EvaluationSetup setup;
  setup.pluginPath = options.pluginPath;
  setup.settingsTemplate = options.ini;
  setup.workFolder = scratch.Path();
  for (int s = 1; s <= std::max(1, options.seeds); ++s) setup.seeds.push_back(static_cast<std::uint64_t>(s));

  out << "advise: " << sessions.size() << " file(s), contact strengths " << ScaleName(ScaleOf(strengths)) << ", "
      << input.knobs.size() << " keys searched, up to " << options.budget << " evaluations of "
      << setup.seeds.size() << " seed(s) each on " << std::max(1, options.jobs) << " worker(s)\n"
      << std::flush;
  const auto started = std::chrono::steady_clock::now();
  WorkerPool pool(sessions, setup, options.jobs);
  ProgressLine progress(err, terminal);
  const SearchOutcome outcome =
      SearchSettings(input, pool, [&](int done, int budget, double best) {
        progress.Update(done, budget, best);
        if (options.interruptAfter > 0 && done >= options.interruptAfter) RaiseInterrupt();
      });
  progress.Finish();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  long long snapshots = 0;
  for (const Evaluated& e : outcome.evaluated) snapshots += e.broadcast.snapshots;

  out << '\n';
  PrintAdviceTable(out, outcome, input.user.has_value());
  out << '\n';
  std::vector<std::string> names;
  for (const AdviceSession& s : sessions) names.push_back(s.name);
  PrintLeaveOneOut(out, outcome, names, input.user.has_value());

  const std::vector<KeyChange> changes = ChangesFrom(outcome, start, fixed);
  std::vector<KeyNote> notes;
  for (const KeyChange& c : changes) notes.push_back(c.note);
  WriteAdvisedIni(options.out,
                  IniHeader(outcome, sessions, static_cast<int>(setup.seeds.size()), input.user.has_value(), changes),
                  user, outcome.evaluated[outcome.best].candidate, notes);
  WriteAdviceHtml(options.report, "kovrel-sim advise", outcome, changes, names, input.user.has_value());
  out << '\n' << outcome.evaluated.size() << " evaluations in " << Fixed(seconds, 1) << " s ("
      << snapshots / std::max(1e-9, seconds) / std::max(1, pool.Jobs()) << " snapshots/s per worker)\n"
      << "settings written to " << options.out << "\npage written to " << options.report << '\n';
  return 0;
}

int RunWorker(const WorkerOptions& options) {
  try {
    std::vector<double> strengths;
    const std::vector<AdviceSession> sessions = LoadSessions(options.results, strengths);
    EvaluationSetup setup;
    setup.pluginPath = options.pluginPath;
    setup.settingsTemplate = options.settingsTemplate;
    setup.workFolder = options.workFolder;
    setup.seeds = options.seeds;
    ServeCandidates(std::cin, std::cout, sessions, setup);
    return 0;
  } catch (const Refusal& refusal) {
    std::cerr << "kovrel-sim advise-worker: " << refusal.message << '\n';
  } catch (const std::exception& error) {
    std::cerr << "kovrel-sim advise-worker: " << error.what() << '\n';
  }
  return 1;
}

}  // namespace

int RunAdvice(const AdviseOptions& options, std::ostream& out, std::ostream& err, bool terminal) {
  try {
    return Advise(options, out, err, terminal);
  } catch (const Refusal& refusal) {
    err << "kovrel-sim advise: " << refusal.message << '\n';
    return 2;
  } catch (const std::exception& error) {
    err << "kovrel-sim advise: " << error.what() << '\n';
    return 1;
  }
}

AdviseCommand::AdviseCommand(CLI::App& app, const std::string& defaultPlugin) {
  mOptions.pluginPath = defaultPlugin;
  mOptions.jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  mCommand = app.add_subcommand(
      "advise",
      "search the plug-in's settings on your own results files and write the rF2kovrel.ini that covers them best");
  mCommand->add_option("--results", mOptions.results, "results files (races, qualifying or practice sessions of one simulator build) to learn from, each session scored on its own")
      ->expected(0, -1);
  mCommand->add_option("--trace", mOptions.traces,
                       "snapshot traces (.kvt, recorded with recordtrace=1) to learn from beside or instead of "
                       "results files: each replayed exactly as the plug-in saw it")
      ->expected(0, -1);
  mCommand->add_option("--ini", mOptions.ini, "your rF2kovrel.ini: its values are a start point and are kept for "
                                              "the keys not searched")
      ->check(ExistingFile());
  mCommand->add_option("--fix", mOptions.fixes, "pin a searched key, KEY=VALUE; repeatable");
  mCommand->add_option("--jobs", mOptions.jobs, "worker processes")->check(CLI::Range(1, 256))->capture_default_str();
  mCommand->add_option("--budget", mOptions.budget, "most candidates to evaluate")
      ->check(CLI::Range(2, 100000))
      ->capture_default_str();
  mCommand->add_option("--seeds", mOptions.seeds, "director seeds each candidate is played with")
      ->check(CLI::Range(1, 100))
      ->capture_default_str();
  mCommand->add_option("--out", mOptions.out, "the settings file to write")->capture_default_str();
  mCommand->add_option("--report", mOptions.report, "the HTML page to write")->capture_default_str();
  mCommand->add_option("--plugin", mOptions.pluginPath, "plug-in library to load")->capture_default_str();
  // For the tests: Ctrl-C as if pressed after so many evaluations (hidden).
  mCommand->add_option("--interrupt-after", mOptions.interruptAfter)->group("");

  // A worker process of the search where the system cannot fork: started by
  // the search itself, never by a person (no help, no group).
  mWorker = app.add_subcommand("advise-worker", "")->group("");
  mWorker->add_option("--plugin", mWorkerOptions.pluginPath)->required();
  mWorker->add_option("--workdir", mWorkerOptions.workFolder)->required();
  mWorker->add_option("--ini", mWorkerOptions.settingsTemplate);
  mWorker->add_option("--seed", mWorkerOptions.seeds)->required();
  mWorker->add_option("--results", mWorkerOptions.results)->required()->expected(1, -1);
}

bool AdviseCommand::Chosen() const { return mCommand->parsed() || mWorker->parsed(); }

int AdviseCommand::Run() const {
  if (mWorker->parsed()) return RunWorker(mWorkerOptions);
  return RunAdvice(mOptions, std::cout, std::cerr, ErrorOutputIsTerminal());
}

}  // namespace ksim
