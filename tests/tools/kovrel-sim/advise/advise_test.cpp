// The settings advisor with the real plug-in: a search over a small
// synthetic season, the file it writes, and what it refuses.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <stdexcept>

#include "advise/advise.hpp"
#include "host/host.hpp"
#include "sessions/recorded_source.hpp"
#include "sessions/results_file.hpp"
#include "sessions/generator.hpp"
#include "sim_test_support.hpp"

namespace {

using ksim::AdviceSession;
using ksim::Candidate;
using ksim_test::TempDir;

ksim::GeneratorOptions ShortRace(std::uint64_t seed, int laps = 3) {
  ksim::GeneratorOptions options;
  options.cars = 8;
  options.laps = laps;
  options.seed = seed;
  options.lapTime = 45.0;
  options.trackLength = 2200.0;
  options.injectedContacts = {100.0};
  return options;
}

// Two short races, each played afresh for every evaluation, with the contact
// strengths their streams report.
std::vector<AdviceSession> SmallSeason() {
  std::vector<AdviceSession> season;
  for (const std::uint64_t seed : {11u, 12u}) {
    AdviceSession session;
    session.name = "race " + std::to_string(seed);
    session.make = [seed]() { return ksim::GenerateSession(ShortRace(seed)); };
    auto source = session.make();
    for (const ksim::Contact& c : ksim::RecordSession(*source, 5.0).contacts) session.strengths.push_back(c.strength);
    season.push_back(std::move(session));
  }
  return season;
}

std::vector<double> Pooled(const std::vector<AdviceSession>& season) {
  std::vector<double> all;
  for (const AdviceSession& s : season) all.insert(all.end(), s.strengths.begin(), s.strengths.end());
  return all;
}

class SmallSeasonAdvice : public ::testing::Test {
 protected:
  ksim::SearchOutcome Search(int budget, const Candidate& fixed = {}, int jobs = 2) {
    ksim::SearchInput input;
    input.knobs = ksim::BuildSearchSpace(Pooled(season), fixed);
    input.fixed = fixed;
    input.budget = budget;
    ksim::WorkerPool pool(season, Setup(), jobs);
    return ksim::SearchSettings(input, pool, nullptr);
  }
  ksim::EvaluationSetup Setup() const {
    ksim::EvaluationSetup setup;
    setup.pluginPath = KSIM_PLUGIN;
    setup.seeds = {1, 2};
    setup.workFolder = dir.File("scratch");
    return setup;
  }
  TempDir dir{true};
  std::vector<AdviceSession> season = SmallSeason();
};

TEST_F(SmallSeasonAdvice, NeverScoresBelowTheDefaultsAndScoresTheSameInThisProcess) {
  const ksim::SearchOutcome outcome = Search(8);
  ASSERT_EQ(outcome.evaluated.size(), 8u);
  const ksim::Broadcast& best = outcome.evaluated[outcome.best].broadcast;
  EXPECT_GE(best.score, outcome.evaluated[outcome.defaults].broadcast.score);
  ASSERT_EQ(best.fileScores.size(), 2u);
  EXPECT_GT(best.snapshots, 0);
  // A worker's figure is the one this process gets for the same candidate.
  ksim::EvaluationSetup setup = Setup();
  setup.workFolder += "/here";
  const ksim::Broadcast again = ksim::EvaluateCandidate(outcome.evaluated[outcome.best].candidate, season, setup);
  EXPECT_DOUBLE_EQ(again.score, best.score);
  EXPECT_DOUBLE_EQ(again.replays, best.replays);
  EXPECT_EQ(again.runScores, best.runScores) << "run by run, so candidates pair up whichever worker played them";
  EXPECT_EQ(best.runScores.size(), 4u) << "two seeds, two races";
}

TEST_F(SmallSeasonAdvice, TheSameSeedsGiveTheSameAdviceWhateverTheWorkers) {
  const ksim::SearchOutcome first = Search(6, {}, 2);
  const ksim::SearchOutcome second = Search(6, {}, 1);
  ASSERT_EQ(first.evaluated.size(), second.evaluated.size());
  for (std::size_t i = 0; i < first.evaluated.size(); ++i) {
    EXPECT_EQ(first.evaluated[i].candidate, second.evaluated[i].candidate) << i;
    EXPECT_DOUBLE_EQ(first.evaluated[i].broadcast.score, second.evaluated[i].broadcast.score) << i;
  }
  EXPECT_EQ(first.evaluated[first.best].candidate, second.evaluated[second.best].candidate);
}

TEST_F(SmallSeasonAdvice, PinnedKeysKeepTheirValues) {
  const Candidate fixed = {{"waitsec", "8"}, {"highinc", "0.9"}};
  const ksim::SearchOutcome outcome = Search(7, fixed);
  const Candidate& best = outcome.evaluated[outcome.best].candidate;
  EXPECT_EQ(best.at("waitsec"), "8");
  EXPECT_EQ(best.at("highinc"), "0.9");
  EXPECT_FALSE(outcome.evaluated[outcome.defaults].honoursFixes) << "the plain defaults are scored for comparison";
  for (const std::size_t i : outcome.Eligible()) EXPECT_EQ(outcome.evaluated[i].candidate.at("waitsec"), "8");
  const auto pinnedDefaults = std::find_if(outcome.evaluated.begin(), outcome.evaluated.end(),
                                           [](const ksim::Evaluated& e) { return e.origin == "defaults with --fix"; });
  ASSERT_NE(pinnedDefaults, outcome.evaluated.end());
  EXPECT_GE(outcome.evaluated[outcome.best].broadcast.score, pinnedDefaults->broadcast.score);
}

TEST_F(SmallSeasonAdvice, AnInterruptWhileWorkersRunEndsTheSearchAndLeavesNoWorker) {
  ksim::SearchInput input;
  input.knobs = ksim::BuildSearchSpace(Pooled(season), {});
  input.budget = 8;
  int heard = 0;
  {
    ksim::WorkerPool pool(season, Setup(), 2);
    try {
      ksim::SearchSettings(input, pool, [&](int done, int, double) {
        heard = done;
        if (done == 1) ksim::RaiseInterrupt();
      });
      ADD_FAILURE() << "the search ran to its end";
    } catch (const std::runtime_error& error) {
      EXPECT_STREQ(error.what(), "interrupted");
    }
  }
  // The interrupt was taken by the search, not left to end this process.
  EXPECT_LT(heard, 8);
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1) << "a worker is left";
  EXPECT_EQ(errno, ECHILD);
}

// A worker started afresh from the program (where the system cannot fork):
// its hidden command, given the arguments the pool builds, reads the same
// file and answers a candidate as this process scores it.
TEST(AdviseWorker, TheHiddenCommandAnswersAsThisProcessScores) {
  TempDir dir(true);
  const std::string path = ksim_test::ResultsFile("monza-race-pitstops-2014.xml");
  auto recorded = std::make_shared<const ksim::RecordedSession>(ksim::ReadResultsFile(path));
  AdviceSession session;
  session.name = "monza";
  session.path = path;
  session.make = [recorded]() { return ksim::ReplaySession(*recorded); };
  ksim::EvaluationSetup setup;
  setup.pluginPath = KSIM_PLUGIN;
  setup.seeds = {3};
  setup.workFolder = dir.File("worker folder");
  Candidate candidate = ksim::DefaultCandidate();
  candidate["lowinc"] = "1500";
  candidate["highinc"] = "3000";
  const std::string line = ksim::CandidateLine(candidate);
  ksim_test::WriteBytes(dir.File("in.txt"), line + "\n" + line + "\n");

  std::string command = std::string(KSIM_EXECUTABLE);
  for (const std::string& argument : ksim::WorkerArguments({session}, setup)) command += " '" + argument + "'";
  std::string errors;
  ASSERT_EQ(ksim_test::RunCommand(command + " < '" + dir.File("in.txt") + "' > '" + dir.File("out.txt") + "'", errors), 0)
      << errors;
  setup.workFolder = dir.File("here");
  const std::string expected = ksim::AnswerCandidate(line, {session}, setup);
  ASSERT_EQ(expected.rfind("ok ", 0), 0u) << expected;
  EXPECT_EQ(ksim_test::ReadBytes(dir.File("out.txt")), expected + "\n" + expected + "\n");
}

TEST(AdvisedIni, KeepsTheUsersKeysTheAdviceDoesNotSearch) {
  TempDir dir(true);
  ksim_test::WriteBytes(dir.File("mine.ini"), "[KOVREL]\r\nwebport=5397\r\nstandings=1\r\nscoring=1\r\n");
  const ksim::IniValues user = ksim::ReadIniValues(dir.File("mine.ini"));
  ksim::WriteAdvisedIni(dir.File("advised.ini"), {}, user, ksim::CandidateFromIni(user), {});
  const ksim::IniValues written = ksim::ReadIniValues(dir.File("advised.ini"));
  for (const auto& [key, value] : {std::pair<const char*, const char*>{"webport", "5397"}, {"standings", "1"}}) {
    EXPECT_EQ(written.count(key) == 1 ? written.at(key) : "", value) << key;
  }
  EXPECT_EQ(written.count("scoring"), 0u) << "no key the plug-in does not know";
}

TEST(AdvisedIni, IsCompleteAndThePluginReadsItAsWritten) {
  TempDir dir(true);
  ksim_test::WriteBytes(dir.File("mine.ini"), "[KOVREL]\r\nonboardcam=3\r\nfilespath=" + dir.File("stream") +
                                                  "\r\nwaitsec=15\r\n");
  const ksim::IniValues user = ksim::ReadIniValues(dir.File("mine.ini"));
  Candidate advice = ksim::CandidateFromIni(user);
  advice["waitsec"] = "9";
  advice["interest"] = "7";
  advice["interestdiff"] = "2";
  advice["onboarddiff"] = "0.65";
  advice["showinpit"] = "always";
  advice["lowinc"] = "0.31";
  advice["highinc"] = "0.77";
  advice["msessioninc"] = "14";
  advice["sbsdist"] = "2.5";
  advice["sbscount"] = "3";
  advice["replayduration"] = "15";
  advice["replayoffset"] = "4.0";
  advice["livedirector"] = "1";
  advice["livemin"] = "10";
  const std::string path = dir.File("work/rF2kovrel-advised.ini");
  std::filesystem::create_directories(dir.File("work"));
  ksim::WriteAdvisedIni(path, {"advised, a = b"}, user, advice, {{"waitsec", "15", "score +0.1"}});
  const ksim::IniValues written = ksim::ReadIniValues(path);
  // Opt-in keys appear only when advised away from their default.
  std::size_t leftOut = 0;
  for (const ksim::IniKey& key : ksim::PluginKeys()) {
    const bool left = key.optIn && advice.at(key.key) == key.fallback;
    leftOut += left ? 1 : 0;
    EXPECT_EQ(written.count(key.key), left ? 0u : 1u) << key.key;
  }
  EXPECT_EQ(written.at("onboardcam"), "3");
  EXPECT_EQ(written.at("livedirector"), "1");
  EXPECT_EQ(written.count("autoinc"), 0u);
  EXPECT_EQ(leftOut, 3u) << "autoinc, liveswitch and multiclass stay at their defaults";
  EXPECT_EQ(written.size(), ksim::PluginKeys().size() - leftOut) << "the comments hold no key";
  const std::string bytes = ksim_test::ReadBytes(path);
  EXPECT_NE(bytes.find("; waitsec was 15: score +0.1"), std::string::npos);

  ksim::RunOptions options;
  options.pluginPath = KSIM_PLUGIN;
  options.workFolder = dir.File("work");
  options.settingsTemplate = path;
  std::vector<std::unique_ptr<ksim::SessionSource>> sessions;
  sessions.push_back(ksim::GenerateSession(ShortRace(5, 1)));
  const ksim::RunResult result = ksim::RunSessions(sessions, options);
  const ksim::DirectorSettings& s = result.settings;
  EXPECT_EQ(s.waitsec, 9);
  EXPECT_EQ(s.interest, 7);
  EXPECT_EQ(s.interestdiff, 2);
  EXPECT_DOUBLE_EQ(s.onboarddiff, 0.65);
  EXPECT_EQ(s.showinpit, "always");
  EXPECT_DOUBLE_EQ(s.lowinc, 0.31);
  EXPECT_DOUBLE_EQ(s.highinc, 0.77);
  EXPECT_EQ(s.msessioninc, 14);
  EXPECT_DOUBLE_EQ(s.sbsdist, 2.5);
  EXPECT_EQ(s.sbscount, 3);
  EXPECT_EQ(s.replayduration, 15);
  EXPECT_DOUBLE_EQ(s.replayoffset, 4.0);
  EXPECT_EQ(s.onboardcam, 3);
  EXPECT_EQ(s.livedirector, 1);
  EXPECT_DOUBLE_EQ(s.livemin, 10.0);
  EXPECT_EQ(ksim::ReadIniValues(result.settingsPath), written) << "the plug-in found nothing to add or replace";
}

struct Refused {
  const char* what;
  std::string arguments;
  const char* message;
  const char* alsoSaid = "";
};

TEST(AdviseCommand, RefusesBadInputWithAMessageAndWritesNothing) {
  TempDir dir;
  ksim_test::WriteBytes(dir.File("notes.xml"), "these are my notes, not a results file\n");
  const std::string race = ksim_test::ResultsFile("hockenheim-race-2023.xml");
  const std::vector<Refused> cases = {
      {"not a results file", "--results " + dir.File("notes.xml"), "not a results file"},
      {"empty list", "--results", "at least one results file"},
      {"mixed scales", "--results " + ksim_test::ResultsFile("istanbul-race-2019.xml") + " " + race,
       "different contact-strength scales", "istanbul-race-2019.xml: 0-1"},
      {"unwritable report", "--results " + race + " --report " + dir.File("missing/page.html"), "cannot write"},
      {"unknown key", "--results " + race + " --fix camtest=1", "not a key the advisor searches"},
      {"not a number", "--results " + race + " --fix waitsec=ten", "does not read as a number"},
  };
  for (const Refused& c : cases) {
    const std::string out = dir.File(std::string("out-") + c.what + ".ini");
    std::string output;
    std::string command = std::string(KSIM_EXECUTABLE) + " advise " + c.arguments + " --out '" + out + "'";
    if (c.arguments.find("--report") == std::string::npos) command += " --report '" + dir.File("page.html") + "'";
    const int status = ksim_test::RunCommand(command + " 2>&1", output);
    EXPECT_NE(status, 0) << c.what;
    EXPECT_NE(output.find(c.message), std::string::npos) << c.what << ":\n" << output;
    EXPECT_NE(output.find(c.alsoSaid), std::string::npos) << c.what << ":\n" << output;
    EXPECT_FALSE(std::filesystem::exists(out)) << c.what;
    EXPECT_FALSE(std::filesystem::exists(dir.File("page.html"))) << c.what;
  }
  std::string output;
  EXPECT_NE(ksim_test::RunCommand(std::string(KSIM_EXECUTABLE) + " advise --results " + race + " --out " +
                                      dir.File("missing/advised.ini") + " --report " + dir.File("page.html") + " 2>&1",
                                  output),
            0);
  EXPECT_NE(output.find("cannot write " + dir.File("missing/advised.ini")), std::string::npos) << output;
  EXPECT_FALSE(std::filesystem::exists(dir.File("page.html")));
}

}  // namespace
