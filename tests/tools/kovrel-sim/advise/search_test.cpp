// The search and what is reported of it, over a made-up score landscape
// that a stand-in scorer computes, so that the best is known beforehand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>

#include "advise/advise.hpp"
#include "sim_test_support.hpp"

namespace {

using ksim::Broadcast;
using ksim::Candidate;
using ksim::Knob;

double Number(const Candidate& c, const char* key) { return std::atof(c.at(key).c_str()); }

// Best at waitsec 10 and onboarddiff 0.6; the other keys change nothing
// unless the test says so.
double Landscape(const Candidate& c) {
  return 0.6 - 0.01 * std::fabs(Number(c, "waitsec") - 10.0) - 0.2 * std::fabs(Number(c, "onboarddiff") - 0.6);
}

// A run's score: the candidate's, and how one run (file and seed) moves it.
using RunScore = std::function<double(const Candidate&, int run)>;
constexpr int kRuns = 6;  // two files, three seeds

class StandInScorer : public ksim::CandidateScorer {
 public:
  explicit StandInScorer(std::function<double(const Candidate&)> score)
      : mRun([score](const Candidate& c, int) { return score(c); }) {}
  explicit StandInScorer(RunScore run) : mRun(std::move(run)) {}
  std::vector<Broadcast> Evaluate(const std::vector<Candidate>& candidates, const Done& done) override {
    std::vector<Broadcast> out;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
      Broadcast b;
      for (int r = 0; r < kRuns; ++r) b.runScores.push_back(mRun(candidates[i], r));
      for (const double s : b.runScores) b.score += s / kRuns;
      b.fileScores = {b.score};
      b.replays = Number(candidates[i], "waitsec");
      b.hours = 1.0;
      scored.push_back(candidates[i]);
      out.push_back(b);
      if (done) done(i, b);
    }
    return out;
  }
  std::vector<Candidate> scored;

 private:
  RunScore mRun;
};

// A number in [-1, 1) fixed by a candidate and a run, as a director seed's
// luck is fixed by the settings it plays.
double Luck(const Candidate& c, int run) {
  std::size_t h = std::hash<std::string>()(ksim::CandidateLine(c)) ^ (static_cast<std::size_t>(run) * 0x9E3779B97F4A7C15ull);
  h ^= h >> 29;
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 32;
  return static_cast<double>(h % 2000001) / 1000000.0 - 1.0;
}

ksim::SearchInput Input(int budget, std::vector<Knob> knobs = {}) {
  ksim::SearchInput input;
  input.budget = budget;
  input.knobs = knobs.empty() ? ksim::BuildSearchSpace({}, {}) : knobs;
  return input;
}

TEST(Search, FindsTheBestValueOfEachKeyAndKeepsToItsBudget) {
  StandInScorer scorer(Landscape);
  const ksim::SearchOutcome wide = ksim::SearchSettings(Input(500), scorer, nullptr);
  const Candidate& best = wide.evaluated[wide.best].candidate;
  EXPECT_EQ(best.at("waitsec"), "10");
  EXPECT_EQ(best.at("onboarddiff"), "0.6");
  EXPECT_LT(wide.evaluated.size(), 100u) << "it stops once nothing gains";
  EXPECT_EQ(scorer.scored.size(), wide.evaluated.size()) << "no candidate is scored twice";

  StandInScorer tight(Landscape);
  int calls = 0;
  double lastBest = -1.0;
  const ksim::SearchOutcome cut = ksim::SearchSettings(Input(7), tight, [&](int done, int budget, double bestSoFar) {
    EXPECT_EQ(done, ++calls);
    EXPECT_EQ(budget, 7);
    EXPECT_GE(bestSoFar, lastBest);
    lastBest = bestSoFar;
  });
  EXPECT_EQ(cut.evaluated.size(), 7u);
  EXPECT_EQ(calls, 7);
}

TEST(Search, KeepsNoChangeThatBuysLessThanFiveThousandths) {
  StandInScorer scorer([](const Candidate& c) { return Landscape(c) + (c.at("interest") == "5" ? 0.004 : 0.0); });
  const ksim::SearchOutcome outcome = ksim::SearchSettings(Input(500), scorer, nullptr);
  EXPECT_EQ(outcome.evaluated[outcome.best].candidate.at("interest"), "12");
  for (const ksim::Step& step : outcome.steps) {
    EXPECT_GE(outcome.evaluated[step.after].broadcast.score - outcome.evaluated[step.before].broadcast.score, 0.005);
  }
}

// The seeds move every candidate's score by up to 0.1 together, and each
// candidate's own luck by up to 0.006: what the old rule (a mean gain of
// 0.001) took for advice.
TEST(Search, KeepsTheDefaultsWhenEveryAlternativeIsWithinNoise) {
  const auto seedLuck = [](int run) { return 0.1 * std::sin(3.0 * run); };
  StandInScorer noise([&](const Candidate& c, int run) { return 0.4 + seedLuck(run) + 0.006 * Luck(c, run); });
  const ksim::SearchOutcome kept = ksim::SearchSettings(Input(48), noise, nullptr);
  EXPECT_EQ(kept.best, kept.defaults);
  EXPECT_TRUE(kept.steps.empty());
  std::size_t meanAbove = 0;
  for (const ksim::Evaluated& e : kept.evaluated) {
    meanAbove += e.broadcast.score > kept.evaluated[kept.defaults].broadcast.score + 0.001;
  }
  EXPECT_GT(meanAbove, 0u) << "the landscape does tempt a rule on means";

  // A real gain of 0.02 for waitsec 10, under luck of up to 0.004 of its own,
  // stands out of the same seed noise.
  StandInScorer signal([&](const Candidate& c, int run) {
    return 0.4 + seedLuck(run) + 0.004 * Luck(c, run) + (c.at("waitsec") == "10" ? 0.02 : 0.0);
  });
  const ksim::SearchOutcome moved = ksim::SearchSettings(Input(48), signal, nullptr);
  EXPECT_EQ(moved.evaluated[moved.best].candidate.at("waitsec"), "10");
  ASSERT_EQ(moved.steps.size(), 1u);
  const ksim::PairedGain gain =
      ksim::PairedGainOf(moved.evaluated[moved.best].broadcast, moved.evaluated[moved.defaults].broadcast);
  EXPECT_NEAR(gain.mean, 0.02, 0.01);
  EXPECT_LT(gain.se, 0.01) << "paired: the seeds' shared luck cancels";
  EXPECT_GT(gain.se, 0.0);

  const std::vector<ksim::KeyChange> changes = ksim::ChangesFrom(moved, ksim::DefaultCandidate(), {});
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_NE(changes[0].note.bought.find("paired gain +0.0"), std::string::npos) << changes[0].note.bought;
}

TEST(Search, StartsFromTheUsersFileWhenItScoresBetter) {
  StandInScorer scorer(Landscape);
  ksim::SearchInput input = Input(500);
  Candidate mine = ksim::DefaultCandidate();
  mine["onboarddiff"] = "0.6";
  mine["waitsec"] = "13";  // not among the values tried
  input.user = mine;
  const ksim::SearchOutcome outcome = ksim::SearchSettings(input, scorer, nullptr);
  EXPECT_EQ(outcome.evaluated[outcome.defaults].origin, "plug-in defaults");
  EXPECT_EQ(outcome.evaluated[outcome.user].origin, "your file");
  ASSERT_FALSE(outcome.steps.empty());
  EXPECT_EQ(outcome.steps.front().before, outcome.user);
  EXPECT_EQ(outcome.steps.front().from, "13");
  EXPECT_EQ(outcome.evaluated[outcome.best].candidate.at("waitsec"), "10");
}

TEST(Search, ThresholdsOffTheFilesScaleGiveWayOnATie) {
  const std::vector<Knob> current = {{"lowinc", {"600", "1100", "2500"}}, {"highinc", {"2400", "4500", "9000"}}};
  StandInScorer flat([](const Candidate&) { return 0.5; });
  const ksim::SearchOutcome moved = ksim::SearchSettings(Input(50, current), flat, nullptr);
  EXPECT_EQ(moved.evaluated[moved.best].candidate.at("lowinc"), "600");
  EXPECT_EQ(moved.evaluated[moved.best].candidate.at("highinc"), "2400");
  EXPECT_GE(moved.evaluated[moved.best].broadcast.score, moved.evaluated[moved.defaults].broadcast.score);

  const std::vector<Knob> old = {{"lowinc", {"0.1", "0.3", "0.6"}}, {"highinc", {"0.5", "0.7", "0.9"}}};
  StandInScorer flatAgain([](const Candidate&) { return 0.5; });
  const ksim::SearchOutcome kept = ksim::SearchSettings(Input(50, old), flatAgain, nullptr);
  EXPECT_EQ(kept.evaluated[kept.best].candidate.at("lowinc"), "0.4") << "on the files' scale: the start stays";
  EXPECT_EQ(kept.best, kept.defaults);
}

TEST(Search, PinnedValuesHoldInEveryCandidateItMayRecommend) {
  const Candidate fixed = {{"onboarddiff", "1.0"}};
  StandInScorer scorer(Landscape);
  ksim::SearchInput input = Input(500);
  input.knobs = ksim::BuildSearchSpace({}, fixed);
  input.fixed = fixed;
  const ksim::SearchOutcome outcome = ksim::SearchSettings(input, scorer, nullptr);
  EXPECT_NE(outcome.best, outcome.defaults);
  EXPECT_FALSE(outcome.evaluated[outcome.defaults].honoursFixes);
  for (const std::size_t i : outcome.Eligible()) EXPECT_EQ(outcome.evaluated[i].candidate.at("onboarddiff"), "1.0");
  EXPECT_EQ(outcome.evaluated[outcome.best].candidate.at("waitsec"), "10");

  const std::vector<ksim::KeyChange> changes = ksim::ChangesFrom(outcome, ksim::DefaultCandidate(), fixed);
  ASSERT_EQ(changes.size(), 2u);
  for (const ksim::KeyChange& change : changes) {
    if (change.note.key == "onboarddiff") {
      EXPECT_EQ(change.note.bought, "pinned with --fix");
    } else {
      EXPECT_EQ(change.note.key, "waitsec");
      EXPECT_NEAR(change.score, 0.05, 1e-9) << "15 to 10, summed over the steps on the key";
      EXPECT_NE(change.note.bought.find("score +0.050"), std::string::npos) << change.note.bought;
    }
  }
}

TEST(AdviceTable, ShowsTheStartsTheRecommendationAndTheNextFour) {
  StandInScorer scorer(Landscape);
  ksim::SearchInput input = Input(500);
  input.user = ksim::DefaultCandidate();
  input.user->at("waitsec") = "20";
  const ksim::SearchOutcome outcome = ksim::SearchSettings(input, scorer, nullptr);
  std::ostringstream out;
  ksim::PrintAdviceTable(out, outcome, true);
  const std::string text = out.str();
  for (const char* row : {"defaults", "your file", "recommended", "also tried"}) {
    EXPECT_NE(text.find(row), std::string::npos) << row << "\n" << text;
  }
  std::size_t tried = 0;
  for (std::size_t at = text.find("also tried"); at != std::string::npos; at = text.find("also tried", at + 1)) ++tried;
  EXPECT_EQ(tried, 4u);
  const std::size_t mine = text.find("your file");
  EXPECT_NE(text.substr(mine, text.find('\n', mine) - mine).find(" 0.460 "), std::string::npos) << text;
  EXPECT_EQ(text.find("class "), std::string::npos) << "a race of one class has no class lines";

  // A race of several classes: each class's credit share before and after.
  ksim::SearchOutcome classed = outcome;
  classed.evaluated[classed.user].broadcast.classes["GT3"] = {10.0, 100.0, 4.0};
  classed.evaluated[classed.best].broadcast.classes["GT3"] = {15.0, 100.0, 6.5};
  std::ostringstream perClass;
  ksim::PrintAdviceTable(perClass, classed, true);
  EXPECT_NE(perClass.str().find("class GT3: credit share 0.100 -> 0.150 (+0.050), events live 4.0 -> 6.5"), std::string::npos)
      << perClass.str();
  std::ostringstream check;
  ksim::PrintLeaveOneOut(check, outcome, {"race.xml"}, true);
  EXPECT_NE(check.str().find("nothing could be checked"), std::string::npos);
}

TEST(WorkerLines, CarryCandidatesAndFiguresExactly) {
  Candidate c = ksim::DefaultCandidate();
  c["lowinc"] = "1130";
  EXPECT_EQ(ksim::ParseCandidateLine(ksim::CandidateLine(c)), c);
  Broadcast b;
  b.score = 0.1 + 0.2;
  b.fileScores = {1.0 / 3.0, 2.0 / 3.0};
  b.runScores = {0.1, 1.0 / 7.0, 0.3, 0.9};
  b.live[2] = 17.0 / 3.0;
  b.snapshots = 123456789;
  b.medianShot = 7.125;
  // Class names as files give them: spaces, a per cent sign, none at all.
  b.classes["LMP2"] = {12.5, 80.0, 7.0};
  b.classes["GT3 Pro 100%"] = {1.0 / 3.0, 90.0, 2.0};
  b.classes[""] = {0.5, 1.0, 1.0};
  const Broadcast back = ksim::ParseBroadcastLine(ksim::BroadcastLine(b));
  ASSERT_EQ(back.classes.size(), 3u);
  for (const auto& [name, figures] : b.classes) {
    ASSERT_EQ(back.classes.count(name), 1u) << name;
    EXPECT_EQ(back.classes.at(name).shown, figures.shown);
    EXPECT_EQ(back.classes.at(name).total, figures.total);
    EXPECT_EQ(back.classes.at(name).live, figures.live);
  }
  EXPECT_EQ(back.score, b.score);
  EXPECT_EQ(back.fileScores, b.fileScores);
  EXPECT_EQ(back.runScores, b.runScores);
  EXPECT_EQ(back.live, b.live);
  EXPECT_EQ(back.snapshots, b.snapshots);
  EXPECT_EQ(back.medianShot, b.medianShot);
  EXPECT_THROW(ksim::ParseBroadcastLine("0.5 oops"), std::runtime_error);
}

TEST(WorkerPool, AWorkerThatCannotLoadThePluginStopsTheSearchWithItsReason) {
  ksim_test::TempDir dir(true);
  const std::vector<ksim::AdviceSession> none;
  ksim::EvaluationSetup setup;
  setup.pluginPath = dir.File("no-such-plugin.so");
  setup.seeds = {1};
  setup.workFolder = dir.File("scratch");
  for (const int jobs : {1, 2}) {
    ksim::WorkerPool pool(none, setup, jobs);
    try {
      pool.Evaluate({ksim::DefaultCandidate(), ksim::DefaultCandidate()}, nullptr);
      ADD_FAILURE() << "no error with " << jobs << " jobs";
    } catch (const std::runtime_error& error) {
      EXPECT_NE(std::string(error.what()).find("no-such-plugin.so"), std::string::npos) << error.what();
    }
  }
}

TEST(AdvisedIni, AFileThatCannotBeWrittenLeavesNothingBehind) {
  ksim_test::TempDir dir;
  const std::string path = dir.File("missing/advised.ini");
  EXPECT_THROW(ksim::WriteAdvisedIni(path, {}, {}, ksim::DefaultCandidate(), {}), std::runtime_error);
  EXPECT_NE(ksim::CheckWritable(path).find("cannot write " + path), std::string::npos);
  EXPECT_EQ(ksim::CheckWritable(dir.File("advised.ini")), "");
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << "the check's own file is removed";
}

}  // namespace
