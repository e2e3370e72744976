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

class StandInScorer : public ksim::CandidateScorer {
 public:
  explicit StandInScorer(std::function<double(const Candidate&)> score) : mScore(std::move(score)) {}
  std::vector<Broadcast> Evaluate(const std::vector<Candidate>& candidates, const Done& done) override {
    std::vector<Broadcast> out;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
      Broadcast b;
      b.score = mScore(candidates[i]);
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
  std::function<double(const Candidate&)> mScore;
};

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

TEST(Search, KeepsNoChangeThatBuysLessThanAThousandth) {
  StandInScorer scorer([](const Candidate& c) { return Landscape(c) + (c.at("interest") == "5" ? 0.0005 : 0.0); });
  const ksim::SearchOutcome outcome = ksim::SearchSettings(Input(500), scorer, nullptr);
  EXPECT_EQ(outcome.evaluated[outcome.best].candidate.at("interest"), "12");
  for (const ksim::Step& step : outcome.steps) {
    EXPECT_GE(outcome.evaluated[step.after].broadcast.score - outcome.evaluated[step.before].broadcast.score, 0.001);
  }
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
  for (const char* row : {"plug-in defaults", "your file", "recommended", "next 1", "next 4"}) {
    EXPECT_NE(text.find(row), std::string::npos) << row << "\n" << text;
  }
  EXPECT_EQ(text.find("next 5"), std::string::npos);
  const std::size_t mine = text.find("your file");
  EXPECT_NE(text.substr(mine, text.find('\n', mine) - mine).find(" 0.460 "), std::string::npos) << text;
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
  b.live[2] = 17.0 / 3.0;
  b.snapshots = 123456789;
  b.medianShot = 7.125;
  const Broadcast back = ksim::ParseBroadcastLine(ksim::BroadcastLine(b));
  EXPECT_EQ(back.score, b.score);
  EXPECT_EQ(back.fileScores, b.fileScores);
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
