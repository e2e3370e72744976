// The host simulator with the real plug-in library.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <regex>

#include <nlohmann/json.hpp>

#include "sessions/generator.hpp"
#include "sessions/recorded_source.hpp"
#include "sessions/results_file.hpp"
#include "host/host.hpp"
#include "sim_test_support.hpp"
#include "sessions/stream_lines.hpp"
#include "analysis/analysis.hpp"
#include "report/summary.hpp"
#include "common/text.hpp"

namespace {

using ksim::GeneratorOptions;
using ksim::SessionKind;
using ksim_test::TempDir;

using Sessions = std::vector<std::unique_ptr<ksim::SessionSource>>;

class WithThePlugin : public ::testing::Test {
 protected:
  ksim::RunResult Run(Sessions sessions, std::vector<ksim::Setting> settings = {}, std::vector<double> toggles = {},
                      std::uint64_t directorSeed = 0) {
    ksim::RunOptions options;
    options.directorSeed = directorSeed;
    options.pluginPath = KSIM_PLUGIN;
    options.workFolder = dir.File("work");
    options.settings = std::move(settings);
    options.toggleAt = std::move(toggles);
    return ksim::RunSessions(sessions, options);
  }
  static Sessions One(const GeneratorOptions& options) {
    Sessions sessions;
    sessions.push_back(ksim::GenerateSession(options));
    return sessions;
  }
  static GeneratorOptions Race(int cars, int laps, std::uint64_t seed) { return ksim_test::ShortRace(cars, laps, seed); }
  TempDir dir{true};
};

TEST_F(WithThePlugin, TheShortcutSwitchesTheAutomaticCameraOn) {
  const ksim::RunResult result = Run(One(Race(10, 4, 3)), {{"auto", "0"}}, {300.0});
  const ksim::SessionRun& run = result.sessions.at(0);
  ASSERT_EQ(run.keyPresses.size(), 1u);
  EXPECT_DOUBLE_EQ(run.keyPresses[0].time, 300.0);
  EXPECT_EQ(run.keyPresses[0].autoAfter, 1);
  ASSERT_FALSE(run.cuts.empty());
  EXPECT_GE(run.cuts.front().time, 300.0) << "nothing is sent while the automatic camera is off";
  bool noticed = false;
  for (const ksim::Notice& notice : run.notices) {
    if (notice.time >= 300.0 && notice.text.find("Auto camera: on") != std::string::npos) noticed = true;
  }
  EXPECT_TRUE(noticed);
  ASSERT_EQ(run.autoOff.size(), 1u);
  EXPECT_DOUBLE_EQ(run.autoOff[0].first, 0.0);
  EXPECT_DOUBLE_EQ(run.autoOff[0].second, 300.0);
}

// What an overlay read at 100 s: the files folder copied then, the standings
// tower's document among them, with the car the director showed marked.
TEST_F(WithThePlugin, TheFilesFolderIsCopiedAtTheAskedTimeWithTheStandings) {
  ksim::RunOptions options;
  options.pluginPath = KSIM_PLUGIN;
  options.workFolder = dir.File("work");
  options.settings = {{"standings", "1"}};
  options.copyFilesAt = {100.0};
  Sessions sessions = One(Race(6, 3, 4));
  const ksim::RunResult result = ksim::RunSessions(sessions, options);
  EXPECT_TRUE(result.warnings.empty()) << result.warnings.front();
  const std::string copy = dir.File("work/files-race-100s");
  const nlohmann::json doc = nlohmann::json::parse(ksim_test::ReadBytes(copy + "/standings.json"));
  EXPECT_EQ(doc["version"], 1);
  EXPECT_EQ(doc["cars"].size(), 6u);
  EXPECT_NEAR(doc["cars"][0]["laps"].get<int>(), 1, 1) << "the race of 100 s, not its end";
  EXPECT_FALSE(doc["on_air_id"].is_null());
  EXPECT_FALSE(ksim_test::ReadBytes(copy + "/status.json").empty());
}

TEST_F(WithThePlugin, AWeekendPlaysItsSessionsThroughOneObject) {
  Sessions sessions;
  for (const SessionKind kind : {SessionKind::Practice, SessionKind::Qualifying, SessionKind::Race}) {
    GeneratorOptions options = Race(8, 3, 4);
    options.kind = kind;
    options.minutes = 5.0;
    sessions.push_back(ksim::GenerateSession(options));
  }
  const ksim::RunResult result = Run(std::move(sessions));
  ASSERT_EQ(result.sessions.size(), 3u);
  EXPECT_EQ(result.sessions[0].plan.sessionNumber, 1);
  EXPECT_EQ(result.sessions[1].plan.sessionNumber, 5);
  EXPECT_EQ(result.sessions[2].plan.sessionNumber, 10);
  for (const ksim::SessionRun& run : result.sessions) EXPECT_FALSE(run.cuts.empty());
}

TEST_F(WithThePlugin, PracticeShowsEveryCar) {
  GeneratorOptions options;
  options.kind = SessionKind::Practice;
  options.cars = 12;
  options.minutes = 15.0;
  options.seed = 5;
  const ksim::RunResult result = Run(One(options));
  const ksim::SessionRun& run = result.sessions.at(0);
  const ksim::SessionSummary summary = ksim::Summarise(run, result.settings);
  EXPECT_TRUE(summary.neverShown.empty()) << summary.neverShown.size() << " cars never shown";
  int rotation = 0;
  for (const ksim::Cut& cut : run.cuts) rotation += cut.why.reason == ksim::Reason::Rotation ? 1 : 0;
  EXPECT_GE(rotation, 12);
}

// The time of a contact injected at `from` or a little later, chosen so that no
// other line comes into the results stream in the same snapshot before it:
// the plug-in reads the slot id at the first bracket of the new text.
double QuietMoment(const GeneratorOptions& options, double from) {
  auto source = ksim::GenerateSession(options);
  std::vector<double> lines;
  ksim_test::PlaySession(*source, [&](double t, const ksim::Scoreboard&, const ksim::SessionSource&,
                                      const std::string& added) {
    if (!added.empty()) lines.push_back(t);
  });
  for (double t = from;; t += 1.0) {
    if (std::find(lines.begin(), lines.end(), t) == lines.end()) return t;
  }
}

TEST_F(WithThePlugin, ARaceFollowsBattlesAndReplaysAnInjectedContact) {
  GeneratorOptions options = Race(16, 10, 12);
  options.randomContacts = false;
  const double contactAt = QuietMoment(options, 500.0);
  options.injectedContacts = {contactAt};
  const ksim::RunResult result = Run(One(options));
  const ksim::SessionRun& run = result.sessions.at(0);

  int battles = 0;
  for (const ksim::Cut& cut : run.cuts) battles += cut.why.reason == ksim::Reason::Battle ? 1 : 0;
  EXPECT_GE(battles, 3);
  EXPECT_GT(run.battleTime, 0.0);

  ASSERT_EQ(run.contacts.size(), 1u);
  const ksim::Contact& contact = run.contacts[0];
  EXPECT_NEAR(contact.time, contactAt, 0.051);
  ASSERT_EQ(run.replays.size(), 1u);
  const ksim::ReplayRun& replay = run.replays[0];
  // Pressed at the first poll after the clock passed the contact by 10 s.
  EXPECT_GT(replay.pressed, contactAt + 10.0);
  EXPECT_LE(replay.pressed, contactAt + 10.4);
  EXPECT_DOUBLE_EQ(replay.cameraSet, replay.pressed);
  EXPECT_NEAR(replay.seekTo, contactAt - 5.0, 0.01);
  EXPECT_TRUE(replay.car == contact.car || replay.car == contact.other) << "the replay shows a car of the contact";
  EXPECT_GT(replay.slowFrom - replay.pressed, 4.0);
  EXPECT_LE(replay.slowFrom - replay.pressed, 4.4);
  EXPECT_GT(replay.normalFrom - replay.pressed, 13.0);
  EXPECT_LE(replay.normalFrom - replay.pressed, 13.4);
  EXPECT_GT(replay.ended - replay.pressed, 20.0);
  EXPECT_LE(replay.ended - replay.pressed, 20.6);
  const ksim::SessionSummary summary = ksim::Summarise(run, result.settings);
  EXPECT_EQ(summary.replaysComplete, 1);
  EXPECT_EQ(summary.replayWorthyReplayed, 1);

  // The replay went through the moment of the contact, and the analysis says so.
  EXPECT_LT(replay.shownFrom, contactAt);
  EXPECT_GT(replay.shownTo, contactAt);
  const ksim::Coverage coverage = ksim::AnalyseSession(run, result.settings);
  ASSERT_EQ(coverage.Of(ksim::EventKind::Contact).count, 1);
  EXPECT_EQ(coverage.Of(ksim::EventKind::Contact).missed, 0);
  EXPECT_GT(coverage.Of(ksim::EventKind::Overtake).count, 0);
  EXPECT_EQ(coverage.Of(ksim::EventKind::Finish).count, 3);
  // Slowed from about a second before the contact (the commands come at the
  // plug-in's polls, up to 0.4 s late): the slow play went through it.
  EXPECT_NEAR(replay.slowShownFrom, contactAt - 1.0 + 0.2, 0.25);
  EXPECT_NEAR(replay.slowShownTo, contactAt + 1.25 + 0.2, 0.25);
  for (const ksim::Event& e : coverage.events) {
    if (e.kind == ksim::EventKind::Contact) {
      EXPECT_GE(e.credit, ksim::kReplayCredit);
    }
  }
}

TEST_F(WithThePlugin, TheReferenceOfAFileIsTheSameWhateverTheDirectorsWait) {
  const ksim::RecordedSession session = ksim::ReadResultsFile(ksim_test::ResultsFile("hockenheim-race-2023.xml"));
  const auto analyse = [&](const char* waitsec) {
    Sessions sessions;
    sessions.push_back(ksim::ReplaySession(session));
    const ksim::RunResult result = Run(std::move(sessions), {{"lowinc", "2000"}, {"highinc", "4000"}, {"waitsec", waitsec}}, {}, 1);
    return ksim::AnalyseSession(result.sessions.at(0), result.settings);
  };
  const ksim::Coverage patient = analyse("15");
  const ksim::Coverage quick = analyse("6");
  EXPECT_NE(patient.score, quick.score) << "the directors differ";
  EXPECT_DOUBLE_EQ(patient.reference, quick.reference);
  EXPECT_DOUBLE_EQ(patient.referenceBound, quick.referenceBound);
  EXPECT_GT(patient.reference, patient.score);
}

TEST_F(WithThePlugin, TheSameDirectorSeedMakesTheSameBroadcast) {
  const auto cuts = [&](std::uint64_t seed) {
    std::vector<std::pair<double, int>> out;
    const ksim::RunResult result = Run(One(Race(12, 3, 5)), {}, {}, seed);
    for (const ksim::Cut& cut : result.sessions.at(0).cuts) out.emplace_back(cut.time, cut.car);
    return out;
  };
  const auto first = cuts(42);
  EXPECT_GT(first.size(), 5u);
  EXPECT_EQ(cuts(42), first);
  EXPECT_NE(cuts(43), first) << "another seed draws other random places and waits";
}

// The timing error reaches the director, not the record the analysis reads.
TEST_F(WithThePlugin, TimingNoiseMovesTheDirectorButNotTheRecord) {
  const auto play = [&](double noise, const char* folder) {
    ksim::RunOptions options;
    options.pluginPath = KSIM_PLUGIN;
    options.workFolder = dir.File(folder);
    options.directorSeed = 42;
    options.timingNoise = noise;
    options.noiseSeed = 9;
    Sessions sessions = One(Race(12, 3, 5));
    return ksim::RunSessions(sessions, options);
  };
  const ksim::RunResult exact = play(0.0, "exact");
  const ksim::RunResult noisy = play(0.8, "noisy");
  const ksim::SessionRun& a = exact.sessions.at(0);
  const ksim::SessionRun& b = noisy.sessions.at(0);
  ASSERT_EQ(a.field.Snapshots(), b.field.Snapshots());
  for (std::size_t k = 0; k < a.field.Snapshots(); ++k) {
    for (int c = 0; c < a.field.Cars(); ++c) {
      ASSERT_EQ(a.field.Place(k, c), b.field.Place(k, c)) << k << " " << c;
      ASSERT_EQ(a.field.Progress(k, c), b.field.Progress(k, c)) << k << " " << c;
    }
  }
  EXPECT_EQ(a.timing.size(), b.timing.size());
  EXPECT_EQ(a.contacts.size(), b.contacts.size());
  EXPECT_EQ(a.finalOrder, b.finalOrder);
  const auto cuts = [](const ksim::SessionRun& run) {
    std::vector<std::pair<double, int>> out;
    for (const ksim::Cut& cut : run.cuts) out.emplace_back(cut.time, cut.car);
    return out;
  };
  EXPECT_NE(cuts(a), cuts(b)) << "the director chose from gaps that were off";
  EXPECT_EQ(cuts(play(0.8, "again").sessions.at(0)), cuts(b)) << "one noise seed, one broadcast";
}

TEST_F(WithThePlugin, TheHockenheimRaceReplaysItsRealContacts) {
  const ksim::RecordedSession session = ksim::ReadResultsFile(ksim_test::ResultsFile("hockenheim-race-2023.xml"));
  std::vector<ksim::ContactReport> heavy;
  for (const auto& line : session.stream) {
    ksim::ContactReport report;
    if (line.tag == "Incident" && ksim::ParseContactLine(line.line, report) && report.strength >= 1400.0) {
      heavy.push_back(report);
    }
  }
  Sessions sessions;
  sessions.push_back(ksim::ReplaySession(session));
  // Current builds report contacts in the thousands: the thresholds follow.
  const ksim::RunResult result = Run(std::move(sessions), {{"lowinc", "1000"}, {"highinc", "1400"}});
  EXPECT_DOUBLE_EQ(result.settings.highinc, 1400.0);
  const ksim::SessionRun& run = result.sessions.at(0);
  ASSERT_GE(run.replays.size(), 4u);
  for (const ksim::ReplayRun& replay : run.replays) {
    ASSERT_GE(replay.cameraSet, 0.0);
    const double incident = replay.seekTo + result.settings.replayoffset;
    const bool real = std::any_of(heavy.begin(), heavy.end(), [&](const ksim::ContactReport& r) {
      return r.et >= incident - 0.3 && r.et <= incident + 0.05;
    });
    EXPECT_TRUE(real) << "a replay of " << incident << " s matches no contact of 1400 or more";
    EXPECT_GT(replay.ended, replay.pressed);
  }
  EXPECT_NEAR(run.replays[0].seekTo + 5.0, 289.4, 0.3) << "the first heavy contact";
}

// A real file's stream, where timing lines share a snapshot's addition with
// the contacts the plug-in reads, played both ways with the same seed.
TEST_F(WithThePlugin, ThePluginDecidesTheSameWhenGivenOnlyTheIncidentAdditions) {
  const ksim::RecordedSession session = ksim::ReadResultsFile(ksim_test::ResultsFile("hockenheim-race-2023.xml"));
  const auto play = [&](bool incidentsOnly) {
    Sessions sessions;
    sessions.push_back(ksim::ReplaySession(session));
    ksim::RunOptions options;
    options.pluginPath = KSIM_PLUGIN;
    options.workFolder = dir.File(incidentsOnly ? "incidents" : "whole");
    options.settings = {{"lowinc", "300"}, {"highinc", "900"}, {"msessioninc", "14"}};
    options.directorSeed = 7;
    options.incidentAdditionsOnly = incidentsOnly;
    return ksim::RunSessions(sessions, options);
  };
  const ksim::RunResult whole = play(false);
  const ksim::RunResult incidents = play(true);
  const ksim::SessionRun& a = whole.sessions.at(0);
  const ksim::SessionRun& b = incidents.sessions.at(0);
  ASSERT_GE(a.replays.size(), 4u);
  ASSERT_EQ(a.replays.size(), b.replays.size());
  for (std::size_t i = 0; i < a.replays.size(); ++i) {
    EXPECT_DOUBLE_EQ(a.replays[i].pressed, b.replays[i].pressed) << i;
    EXPECT_EQ(a.replays[i].slotId, b.replays[i].slotId) << i;
    EXPECT_DOUBLE_EQ(a.replays[i].seekTo, b.replays[i].seekTo) << i;
  }
  ASSERT_EQ(a.cuts.size(), b.cuts.size());
  for (std::size_t i = 0; i < a.cuts.size(); ++i) {
    EXPECT_DOUBLE_EQ(a.cuts[i].time, b.cuts[i].time) << i;
    EXPECT_EQ(a.cuts[i].slotId, b.cuts[i].slotId) << i;
    EXPECT_EQ(a.cuts[i].camera, b.cuts[i].camera) << i;
  }
  EXPECT_EQ(a.contacts.size(), b.contacts.size()) << "the host's own record reads the whole stream";
}

// The advisor maximises the score: settings a viewer would call broken must
// not beat the example settings for current builds on a real race.
TEST_F(WithThePlugin, DegenerateSettingsScoreBelowTheExampleSettings) {
  const ksim::RecordedSession session = ksim::ReadResultsFile(ksim_test::ResultsFile("hockenheim-race-2023.xml"));
  const auto score = [&](std::vector<ksim::Setting> settings) {
    settings.insert(settings.begin(), {{"lowinc", "2000"}, {"highinc", "4000"}});
    Sessions sessions;
    sessions.push_back(ksim::ReplaySession(session));
    const ksim::RunResult result = Run(std::move(sessions), settings, {}, 1);
    return ksim::AnalyseSession(result.sessions.at(0), result.settings).score;
  };
  const double example = score({});
  EXPECT_GT(example, 0.2);
  EXPECT_LT(score({{"auto", "0"}}), example) << "no cuts at all";
  EXPECT_LT(score({{"waitsec", "0"}}), example) << "a cut at every chance";
  EXPECT_LT(score({{"waitsec", "1"}}), example) << "a cut every second or two";
  EXPECT_LT(score({{"lowinc", "0"}, {"highinc", "0"}}), example) << "a replay of every touch";
}

TEST(KovrelSimProgram, AMalformedResultsFileStopsBeforeAnythingHappens) {
  TempDir dir;
  const std::string broken = dir.File("broken.xml");
  ksim_test::WriteBytes(broken, "<?xml version=\"1.0\"?>\n<rFactorXML>\n<RaceResults>\n<Race>\n</RaceResults>\n");
  std::string output;
  const int status = ksim_test::RunCommand(std::string(KSIM_EXECUTABLE) + " --results " + broken + " --workdir " +
                                               dir.File("work"), output);
  EXPECT_EQ(status, 2) << output;
  EXPECT_NE(output.find(broken + ": line 5,"), std::string::npos) << output;
  EXPECT_FALSE(std::filesystem::exists(dir.File("work"))) << "nothing made for a file that cannot be played";
}

TEST(KovrelSimProgram, WithNoArgumentsRunsARaceAndWritesTheReport) {
  if (ksim_test::SimulatorPortTaken()) GTEST_SKIP() << "another program holds 127.0.0.1:6397: kovrel-sim will not run next to it";
  TempDir dir(true);
  std::string output;
  const int status = ksim_test::RunCommand("cd " + dir.Path() + " && " + KSIM_EXECUTABLE + " 2>/dev/null", output);
  ASSERT_EQ(status, 0) << output;
  EXPECT_NE(output.find("== race (session 10) at Kovrel Park GP, 20 cars, 20 laps"), std::string::npos) << output;
  EXPECT_NE(output.find("== Summary: race"), std::string::npos);
  const std::string report = dir.File("kovrel-sim-run/report.html");
  EXPECT_NE(output.find("report           " + report), std::string::npos) << output;
  EXPECT_TRUE(std::filesystem::exists(report));
  EXPECT_NE(output.find("stream files     " + dir.File("kovrel-sim-run/rF2stream")), std::string::npos) << output;
}

// A short synthetic race through the program, with the options given.
int RunProgram(const TempDir& dir, const std::string& options, std::string& output) {
  return ksim_test::RunCommand(std::string(KSIM_EXECUTABLE) + " --quiet --cars 12 --laps 5 --seed 7 --workdir " +
                                   dir.File("work") + " " + options, output);
}

TEST(KovrelSimProgram, TheJsonExportAgreesWithThePrintedSummary) {
  if (ksim_test::SimulatorPortTaken()) GTEST_SKIP() << "another program holds 127.0.0.1:6397: kovrel-sim will not run next to it";
  TempDir dir(true);
  const std::string path = dir.File("run.json");
  std::string output;
  ASSERT_EQ(RunProgram(dir, "--director-seed 3 --json " + path, output), 0) << output;
  EXPECT_NE(output.find("  json             " + path), std::string::npos) << output;
  const nlohmann::json document = nlohmann::json::parse(ksim_test::ReadBytes(path));
  EXPECT_EQ(document.at("director_seed"), 3);
  ASSERT_EQ(document.at("sessions").size(), 1u);
  const nlohmann::json& session = document["sessions"][0];
  const nlohmann::json& coverage = session.at("coverage");

  std::smatch line;
  const std::regex scoreLine(
      R"(  coverage +score ([0-9.]+), reference ([0-9.]+) \(the hindsight director; live at most ([0-9.]+) holding 4 s shots\); (\d+) events)");
  ASSERT_TRUE(std::regex_search(output, line, scoreLine)) << output;
  EXPECT_EQ(line[1].str(), ksim::Fixed(coverage.at("score").get<double>(), 2));
  EXPECT_EQ(line[2].str(), ksim::Fixed(coverage.at("reference").get<double>(), 2));
  EXPECT_EQ(line[3].str(), ksim::Fixed(coverage.at("reference_bound").get<double>(), 2));
  EXPECT_EQ(std::stoul(line[4].str()), session.at("events").size());
  ASSERT_TRUE(std::regex_search(output, line, std::regex(R"(\n  cuts +(\d+))")));
  EXPECT_EQ(std::stoi(line[1].str()), session.at("cuts").get<int>());

  const std::regex kindLine(
      R"(\n  (\w+) +shown (\d+) of (\d+) [a-z ]+ live(, (\d+) late)?(, (\d+) in a replay)?; with hindsight (\d+))");
  std::size_t printed = 0;
  for (auto it = std::sregex_iterator(output.begin(), output.end(), kindLine); it != std::sregex_iterator(); ++it) {
    const std::smatch& m = *it;
    ++printed;
    const nlohmann::json& kind = coverage.at("kinds").at(m[1].str());
    EXPECT_EQ(std::stoi(m[2].str()), kind.at("live").get<int>()) << m[1];
    EXPECT_EQ(std::stoi(m[3].str()), kind.at("count").get<int>()) << m[1];
    EXPECT_EQ(m[5].matched ? std::stoi(m[5].str()) : 0, kind.at("late").get<int>()) << m[1];
    EXPECT_EQ(m[7].matched ? std::stoi(m[7].str()) : 0, kind.at("replay").get<int>()) << m[1];
    EXPECT_EQ(std::stoi(m[8].str()), kind.at("hindsight").get<int>()) << m[1];
  }
  std::size_t withEvents = 0;
  for (const auto& kind : coverage.at("kinds")) withEvents += kind.at("count").get<int>() > 0 ? 1 : 0;
  EXPECT_GT(printed, 0u);
  EXPECT_EQ(printed, withEvents) << output;
}

// What a script reading the export would do: judge every event again from
// its moment, the shots and the replays, by the rules the README gives.
TEST(KovrelSimProgram, TheJsonExportAloneGivesEveryEventsVerdict) {
  TempDir dir(true);
  const std::string path = dir.File("run.json");
  std::string output;
  ASSERT_EQ(RunProgram(dir, "--director-seed 3 --set lowinc=0.2 --set highinc=0.3 --json " + path, output), 0) << output;
  const nlohmann::json session = nlohmann::json::parse(ksim_test::ReadBytes(path)).at("sessions").at(0);
  const nlohmann::json& shots = session.at("shots");
  const nlohmann::json& replays = session.at("replays");
  ASSERT_GT(replays.size(), 0u) << output;
  const auto overlap = [](double a0, double a1, double b0, double b1) { return std::max(0.0, std::min(a1, b1) - std::max(a0, b0)); };
  const auto involves = [](const nlohmann::json& e, const nlohmann::json& id) {
    return !id.is_null() && std::find(e.at("car_ids").begin(), e.at("car_ids").end(), id) != e.at("car_ids").end();
  };
  std::map<std::string, int> verdicts;
  for (const nlohmann::json& e : session.at("events")) {
    const double from = e.at("moment_start_s"), to = e.at("moment_end_s");
    const std::string kind = e.at("kind");
    double onAir = 0.0, after = 0.0;
    for (const nlohmann::json& shot : shots) {
      if (shot.at("replay").get<bool>() || !involves(e, shot.at("car_id"))) continue;
      onAir += overlap(shot.at("start_s"), shot.at("end_s"), from, to);
      after += overlap(shot.at("start_s"), shot.at("end_s"), to, to + 5.0);
    }
    const double share = kind == "pit_stop" ? std::min(1.0, onAir / 5.0) : onAir / (to - from);
    const bool pass = kind == "overtake" || kind == "lead_change";
    const double late = after >= 2.0 - 1e-3 ? (pass ? 0.25 : kind == "contact" ? 0.5 : 0.0) : 0.0;
    double replay = 0.0;
    const double need = std::min(1.0, to - from) - 1e-3;
    for (const nlohmann::json& r : replays) {
      if (r.at("shows_from_s").is_null() || !involves(e, r.at("car_id"))) continue;
      if (overlap(r.at("shows_from_s"), r.at("shows_to_s"), from, to) < need) continue;
      const bool slowed = !r.at("slow_from_s").is_null() && overlap(r.at("slow_from_s"), r.at("slow_to_s"), from, to) >= need;
      replay = std::max(replay, slowed ? 0.75 : 0.4);
    }
    const std::string verdict = share >= 0.5                                        ? "live"
                                : replay > 0.0 && replay >= late && replay > share ? "replay"
                                : late > 0.0 && late > share                        ? "late"
                                                                                    : "missed";
    // Times are written to the millisecond: a share within a few thousandths.
    EXPECT_NEAR(e.at("live_share").get<double>(), share, 5e-3) << e.dump();
    EXPECT_NEAR(e.at("credit").get<double>(), std::max({share, late, replay}), 5e-3) << e.dump();
    if (std::fabs(share - 0.5) > 5e-3) {
      EXPECT_EQ(e.at("verdict"), verdict) << e.dump();
    }
    ++verdicts[e.at("verdict").get<std::string>()];
  }
  EXPECT_GT(verdicts["live"], 0);
  EXPECT_GT(verdicts["missed"], 0);
  EXPECT_GT(verdicts["replay"] + verdicts["late"], 0);
}

TEST(KovrelSimProgram, AJsonExportThatCannotBeWrittenStopsWithAMessage) {
  TempDir dir(true);
  std::string output;
  // A missing folder is found before the run.
  const std::string missing = dir.File("no/run.json");
  EXPECT_EQ(RunProgram(dir, "--json " + missing, output), 2) << output;
  EXPECT_NE(output.find("kovrel-sim: cannot write the JSON export " + missing), std::string::npos) << output;
  EXPECT_FALSE(std::filesystem::exists(dir.File("work"))) << "nothing played";

  // A folder in the way only when writing: the summary stays, the error comes last.
  if (ksim_test::SimulatorPortTaken()) GTEST_SKIP() << "another program holds 127.0.0.1:6397: kovrel-sim will not run next to it";
  const std::string taken = dir.File("taken.json");
  std::filesystem::create_directory(taken);
  EXPECT_EQ(RunProgram(dir, "--json " + taken, output), 1) << output;
  EXPECT_NE(output.find("== Summary: race"), std::string::npos) << output;
  EXPECT_NE(output.find("kovrel-sim: cannot write the JSON export " + taken + ": "), std::string::npos) << output;
  EXPECT_TRUE(std::filesystem::is_directory(taken));
  EXPECT_FALSE(std::filesystem::exists(taken + ".part"));
}

}  // namespace
