// kovrel-sim: plays the simulator around the plug-in library and shows how the
// director covers a session.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "advise/advise.hpp"
#include "analysis/analysis.hpp"
#include "check/check.hpp"
#include "common/console.hpp"
#include "common/existing_file.hpp"
#include "common/process.hpp"
#include "host/host.hpp"
#include "report/report.hpp"
#include "review/review.hpp"
#include "sessions/sessions.hpp"

namespace {

// The folder a file would go into; the current one for a bare name.
bool FolderExists(const std::string& path) {
  const std::filesystem::path folder = std::filesystem::u8path(path).parent_path();
  std::error_code error;
  return folder.empty() || std::filesystem::is_directory(folder, error);
}

// The plug-in this build makes; a bare file name is looked for beside this
// program (where the release puts them both).
std::string DefaultPlugin() {
  const std::filesystem::path built = std::filesystem::u8path(KOVREL_SIM_DEFAULT_PLUGIN);
  if (built.has_parent_path()) return built.u8string();
  return (std::filesystem::u8path(ksim::ProgramFile()).parent_path() / built).u8string();
}

}  // namespace

int main(int argc, char** argv) {
  ksim::PrepareConsole();
  // CLI11 reads C strings: the arguments again, as UTF-8.
  std::vector<std::string> arguments = ksim::ProgramArguments(argc, argv);
  std::vector<char*> utf8Argv;
  for (std::string& argument : arguments) utf8Argv.push_back(argument.data());
  utf8Argv.push_back(nullptr);
  argc = static_cast<int>(arguments.size());
  argv = utf8Argv.data();

  CLI::App app{
      "kovrel-sim plays the simulator's part around the rF2kovrel plug-in: it loads the library, feeds it "
      "scoring snapshots of a synthetic session or of a real results file, carries out the cuts, replays and "
      "notices it asks for, and reports how the director covered the session."};
  ksim::RunOptions run;
  run.pluginPath = DefaultPlugin();
  run.workFolder = "kovrel-sim-run";
  ksim::GeneratorOptions generated;
  std::string sessionName = "race";
  std::string resultsFile;
  std::string reportPath;
  std::string jsonPath;
  std::vector<std::string> settings;
  bool quiet = false;
  bool noContacts = false;
  std::string classList;
  bool oneClass = false, classesByName = false;

  app.add_option("--plugin", run.pluginPath, "plug-in library to load")->capture_default_str();
  app.add_option("--workdir", run.workFolder,
                 "working folder: the simulator's user folder, with rF2kovrel.ini, the stream files folder and "
                 "the report")
      ->capture_default_str();
  app.add_option("--results", resultsFile, "replay this results file (the simulator's XML) instead of a synthetic session")
      ->check(ksim::ExistingFile());
  app.add_option("--session", sessionName, "synthetic session: race, qualifying, practice or weekend (all three)")
      ->check(CLI::IsMember({"race", "qualifying", "practice", "weekend"}))
      ->capture_default_str();
  CLI::Option* carsOption =
      app.add_option("--cars", generated.cars, "cars in a synthetic session")->check(CLI::Range(1, 100))->capture_default_str();
  app.add_option("--classes", classList,
                 "classes of a synthetic field instead of --cars: NAME:CARS:LAP-FACTOR,... (the lap time as a factor of "
                 "--lap-time), e.g. \"LMP2:13:1.00,LMP3:10:1.05,GT3:21:1.10\"");
  app.add_flag("--one-class", oneClass, "judge the coverage as if the whole field were one class");
  app.add_flag("--classes-by-name", classesByName,
               "judge every distinct class name as a class of its own (no merging of small or equally fast classes)");
  app.add_option("--laps", generated.laps, "laps of a synthetic race; 0 for a race of --minutes")
      ->check(CLI::Range(0, 500))
      ->capture_default_str();
  app.add_option("--minutes", generated.minutes,
                 "length of a timed race, of practice (default 20) and of qualifying (default 15)")
      ->check(CLI::Range(0.0, 1440.0));
  app.add_option("--seed", generated.seed, "seed of the synthetic session")->capture_default_str();
  app.add_option("--lap-time", generated.lapTime, "the fastest car's lap time, seconds")
      ->check(CLI::Range(20.0, 600.0))
      ->capture_default_str();
  app.add_option("--track-length", generated.trackLength, "length of the synthetic circuit, metres")
      ->check(CLI::Range(500.0, 30000.0))
      ->capture_default_str();
  app.add_option("--inject-contact", generated.injectedContacts,
                 "session time (s) of a heavy contact (0.95) between the two closest cars of the race; repeatable");
  app.add_flag("--no-random-contacts", noContacts, "no contacts by chance, only the injected ones");
  app.add_option("--set", settings, "plug-in setting KEY=VALUE written into rF2kovrel.ini; repeatable");
  app.add_option("--ini", run.settingsTemplate, "rF2kovrel.ini to start from")->check(ksim::ExistingFile());
  app.add_option("--toggle-at", run.toggleAt,
                 "session time (s) at which the host presses Ctrl + autokey, in every session; repeatable");
  app.add_option("--copy-files-at", run.copyFilesAt,
                 "session time (s) at which the plug-in's files folder (status.json, standings.json ...) is copied "
                 "into files-<session>-<time>s in the working folder, in every session; repeatable");
  std::vector<std::string> presses;
  app.add_option("--press", presses,
                 "KEY@TIME: the host presses Ctrl + the plug-in's key of that action (holdkey, nextkey, prevkey, "
                 "leaderkey or replaykey) at that session time (s), in every session; repeatable");
  app.add_flag("--realtime", run.realtime, "play at the session's own pace instead of as fast as possible");
  app.add_option("--speed", run.speed, "with --realtime: session seconds per second")->check(CLI::Range(0.01, 1000.0));
  app.add_option("--scoring-hz", run.scoringRate, "scoring snapshots per second of session time")
      ->check(CLI::Range(0.5, 100.0))
      ->capture_default_str();
  app.add_option("--fps", run.frameRate, "host frames per second (camera, message and hardware calls)")
      ->check(CLI::Range(1.0, 1000.0))
      ->capture_default_str();
  app.add_option("--results-stream", run.resultsStream,
                 "how the plug-in is handed the results stream: additions (each snapshot the lines added since "
                 "the previous one, as the simulator does) or whole (the whole stream so far)")
      ->transform(CLI::CheckedTransformer(
          std::map<std::string, ksim::ResultsStream>{{"additions", ksim::ResultsStream::Additions},
                                                     {"whole", ksim::ResultsStream::Whole}}))
      ->capture_default_str();
  app.add_flag("--serve", run.serve, "serve the simulator's web server on 127.0.0.1:6397 (or the settings' webport) and count "
               "focus requests (without it a run stops when anything answers on 6397, 5397 or that port: the plug-in "
               "must not reach a running simulator)");
  app.add_option("--report", reportPath, "HTML report to write (default: report.html in the working folder)");
  app.add_option("--json", jsonPath,
                 "also write the run as JSON to this file: every session's events with their verdicts, its "
                 "coverage, the settings and the run's figures");
  app.add_option("--director-seed", run.directorSeed,
                 "re-seed the C library's random generator after the plug-in's Startup, so that runs with the same "
                 "seed make the same random choices (0: the plug-in's own seed from the clock)");
  app.add_option("--timing-noise", run.timingNoise,
                 "seconds of running by which each car's lap distance and gaps, as the plug-in reads them, may be "
                 "off: a random walk that forgets itself over about 3 s; places and the analysis stay true")
      ->check(CLI::Range(0.0, 10.0))
      ->capture_default_str();
  app.add_option("--noise-seed", run.noiseSeed, "seed of the --timing-noise error")->capture_default_str();
  std::vector<std::string> traceFiles;
  app.add_option("--trace", traceFiles,
                 "replay this snapshot trace (.kvt, recorded by the plug-in with recordtrace=1 or by "
                 "--record-trace): every snapshot as the plug-in was handed it, at its recorded time; repeatable, "
                 "one session each")
      ->check(ksim::ExistingFile());
  bool timingPointsOnly = false;
  app.add_flag("--timing-points-only", timingPointsOnly,
               "with --trace: judge the trace as its results file would know it, each car's travel rebuilt from "
               "its timing points (what they hide is the difference to a plain --trace run)");
  app.add_option("--record-trace", run.recordTrace,
                 "write the run's snapshot trace to this file as the plug-in would record it (several sessions: "
                 "-s<session number> before the extension); the plug-in is handed the values as the trace holds "
                 "them, so that replaying the trace gives the same cuts and verdicts");
  app.add_flag("--quiet", quiet, "no line per event and no progress, only the summary");
  const auto review = ksim::AddReviewCommand(app);
  const auto checkIni = ksim::AddCheckIniCommand(app);
  const ksim::AdviseCommand advise(app, run.pluginPath);
  CLI11_PARSE(app, argc, argv);
  if (review->Chosen()) return review->Run();
  if (checkIni->Chosen()) return checkIni->Run();
  if (advise.Chosen()) return advise.Run();

  for (const std::string& text : settings) {
    ksim::Setting setting;
    if (!ksim::ParseSetting(text, setting)) {
      std::cerr << "kovrel-sim: --set wants KEY=VALUE, not \"" << text << "\"\n";
      return 2;
    }
    const std::string unknown = ksim::UnknownKeyProblem(setting.first);
    if (!unknown.empty()) {
      std::cerr << "kovrel-sim: --set " << text << ": " << unknown << '\n';
      return 2;
    }
    run.settings.push_back(setting);
  }
  for (const std::string& text : presses) {
    ksim::TimedPress press;
    const std::string problem = ksim::ParseTimedPress(text, press);
    if (!problem.empty()) {
      std::cerr << "kovrel-sim: --press " << text << ": " << problem << '\n';
      return 2;
    }
    run.presses.push_back(press);
  }
  if (!jsonPath.empty() && !FolderExists(jsonPath)) {
    // Found out now, not after the whole run.
    std::cerr << "kovrel-sim: cannot write the JSON export " << jsonPath << ": its folder does not exist\n";
    return 2;
  }
  if (!reportPath.empty() && !FolderExists(reportPath)) {
    std::cerr << "kovrel-sim: cannot write the report " << reportPath << ": its folder does not exist\n";
    return 2;
  }
  if (oneClass && classesByName) {
    std::cerr << "kovrel-sim: --one-class and --classes-by-name contradict each other: give one\n";
    return 2;
  }
  if (!classList.empty() && !resultsFile.empty()) {
    std::cerr << "kovrel-sim: --classes makes a synthetic field; a results file brings its own (leave out --results or --classes)\n";
    return 2;
  }
  if (!classList.empty() && carsOption->count() > 0) {
    std::cerr << "kovrel-sim: --classes gives the field's cars class by class; leave out --cars\n";
    return 2;
  }
  if (!classList.empty()) {
    std::string problem;
    if (!ksim::ParseFieldClasses(classList, generated.classes, problem)) {
      std::cerr << "kovrel-sim: --classes: " << problem << '\n';
      return 2;
    }
  }
  const ksim::ClassRule classRule =
      oneClass ? ksim::ClassRule::OneClass : classesByName ? ksim::ClassRule::ByName : ksim::ClassRule::ByPace;
  if (!traceFiles.empty()) {
    // A trace is the whole field as recorded: nothing may change it.
    for (const char* option : {"--results", "--session", "--cars", "--classes", "--timing-noise"}) {
      if (app.get_option_no_throw(option) != nullptr && app.count(option) > 0) {
        std::cerr << "kovrel-sim: --trace replays the field as recorded: it cannot be used with " << option << '\n';
        return 2;
      }
    }
  }
  if (timingPointsOnly && traceFiles.empty()) {
    std::cerr << "kovrel-sim: --timing-points-only judges a --trace: give one\n";
    return 2;
  }
  if (!run.recordTrace.empty() && app.count("--timing-noise") > 0) {
    std::cerr << "kovrel-sim: --record-trace with --timing-noise would record the noisy field, and its replay would "
                 "judge the director against it: record without the noise\n";
    return 2;
  }
  if (!run.recordTrace.empty() && !FolderExists(run.recordTrace)) {
    std::cerr << "kovrel-sim: cannot write the trace " << run.recordTrace << ": its folder does not exist\n";
    return 2;
  }
  generated.randomContacts = !noContacts;
  if (!quiet) {
    run.live = &std::cout;
    run.progress = &std::cerr;
  }

  std::vector<std::unique_ptr<const ksim::RecordedSession>> views;  // played by the sessions below
  std::vector<std::unique_ptr<ksim::SessionSource>> sessions;
  std::string title;
  ksim::CheckContext checkContext;
  try {
    if (!traceFiles.empty()) {
      for (const std::string& file : traceFiles) {
        ksim::SnapshotTrace trace = ksim::ReadSnapshotTrace(file);
        if (trace.tornAt > 0) {
          std::cerr << "kovrel-sim: warning: " << file << ": line " << trace.tornAt
                    << ": the last snapshot is cut short (the recording stopped in the middle of a write); "
                       "replaying the "
                    << trace.times.size() << " complete snapshots before it\n";
        }
        if (timingPointsOnly) {
          views.push_back(std::make_unique<const ksim::RecordedSession>(ksim::ResultsViewOfTrace(trace)));
          sessions.push_back(ksim::ReplaySession(*views.back()));
        } else {
          sessions.push_back(ksim::ReplayTrace(std::make_shared<const ksim::SnapshotTrace>(std::move(trace))));
        }
      }
      title = "kovrel-sim: " + traceFiles.front() + (traceFiles.size() > 1 ? " and more" : "");
    } else if (!resultsFile.empty()) {
      // Read the whole file before anything else: a broken one stops the run here.
      const ksim::RecordedSession recorded = ksim::ReadResultsFile(resultsFile);
      ksim::AddResultsToContext(checkContext, recorded);
      const double strongest = ksim::StrongestContact(recorded);
      checkContext.strongestContact = strongest;
      checkContext.carNumbers = ksim::CarNumbersOf(recorded);
      checkContext.carNumbersKnown = true;
      // With settings given, the settings check below says it.
      const std::string note = ksim::DefaultThresholdsNote(checkContext.files.back());
      if (!note.empty() && run.settingsTemplate.empty() && run.settings.empty()) std::cerr << "kovrel-sim: " << note << '\n';
      sessions.push_back(ksim::ReplaySession(recorded));
      title = "kovrel-sim: " + resultsFile;
    } else {
      std::vector<ksim::SessionKind> kinds;
      if (sessionName == "weekend") {
        kinds = {ksim::SessionKind::Practice, ksim::SessionKind::Qualifying, ksim::SessionKind::Race};
      } else if (sessionName == "practice") {
        kinds = {ksim::SessionKind::Practice};
      } else if (sessionName == "qualifying") {
        kinds = {ksim::SessionKind::Qualifying};
      } else {
        kinds = {ksim::SessionKind::Race};
      }
      for (const ksim::SessionKind kind : kinds) {
        ksim::GeneratorOptions options = generated;
        options.kind = kind;
        if (kind != ksim::SessionKind::Race) {
          options.injectedContacts.clear();
          if (sessionName == "weekend") options.minutes = 0.0;
        }
        sessions.push_back(ksim::GenerateSession(options));
      }
      title = "kovrel-sim: synthetic " + sessionName + " (seed " + std::to_string(generated.seed) + ")";
    }
  } catch (const ksim::ResultsFileError& error) {
    std::cerr << "kovrel-sim: " << error.what() << '\n';
    return 2;
  } catch (const ksim::SnapshotTraceError& error) {
    std::cerr << "kovrel-sim: " << error.what() << '\n';
    return 2;
  }
  if (!ksim::WarnAboutRunSettings(std::cerr, run.settingsTemplate, run.settings, checkContext)) return 2;
  // The file was readable just now: the check above said so.
  run.webPort = ksim::WebPortOf(ksim::FirstValueOf(ksim::RunSettings(run.settingsTemplate, run.settings), "webport"));
  const std::string busy = run.serve ? std::string() : ksim::SimulatorWebServerProblem(run.webPort);
  if (!busy.empty()) {
    std::cerr << "kovrel-sim: stopped before loading the plug-in: " << busy << '\n';
    return 2;
  }

  try {
    const ksim::RunResult result = ksim::RunSessions(sessions, run);
    const std::string report = reportPath.empty() ? result.workFolder + "/report.html" : reportPath;
    const auto analysisStart = std::chrono::steady_clock::now();
    std::vector<ksim::Coverage> coverage;
    for (const ksim::SessionRun& session : result.sessions) coverage.push_back(ksim::AnalyseSession(session, result.settings, classRule));
    const double analysisSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - analysisStart).count();
    ksim::WriteHtmlReport(result, title, report, &coverage);
    ksim::PrintSummary(std::cout, result, report, &coverage);
    std::printf("  %-16s %.3f s for %lld snapshots (events, verdicts, the hindsight director)\n", "analysis",
                analysisSeconds, static_cast<long long>(result.snapshots));
    // After the summary, so that a failed write loses nothing of the run but this file.
    if (!jsonPath.empty()) {
      ksim::WriteJsonReport(result, coverage, jsonPath);
      std::cout << "  json             " << jsonPath << '\n';
    }
    for (const std::string& trace : result.traceFiles) std::cout << "  trace            " << trace << '\n';
  } catch (const std::exception& error) {
    std::cerr << "kovrel-sim: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
