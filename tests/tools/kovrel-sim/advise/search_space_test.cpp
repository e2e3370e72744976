// The advisor's parts that need no plug-in: what it searches, how it reads
// a user's file and --fix, and the leave-one-file-out choice.
#include <gtest/gtest.h>

#include <cstdlib>

#include "advise/advise.hpp"
#include "sim_test_support.hpp"

namespace {

using ksim::Candidate;

const ksim::Knob* Find(const std::vector<ksim::Knob>& knobs, const std::string& key) {
  for (const ksim::Knob& k : knobs) {
    if (k.key == key) return &k;
  }
  return nullptr;
}

TEST(SearchSpace, ContactThresholdsComeFromTheSessionsOwnStrengths) {
  std::vector<double> strengths;
  for (int i = 1; i <= 200; ++i) strengths.push_back(40.0 * i);  // 40 to 8000
  const std::vector<ksim::Knob> knobs = ksim::BuildSearchSpace(strengths, {});
  for (const char* key : {"lowinc", "highinc"}) {
    const ksim::Knob* knob = Find(knobs, key);
    ASSERT_NE(knob, nullptr) << key;
    ASSERT_GE(knob->values.size(), 4u) << key;
    for (const std::string& v : knob->values) {
      const double value = std::atof(v.c_str());
      EXPECT_GE(value, 40.0) << key << " " << v;
      EXPECT_LE(value, 8000.0) << key << " " << v;
      EXPECT_EQ(v.find('e'), std::string::npos) << "written out in full: " << v;
    }
  }
  EXPECT_EQ(Find(knobs, "highinc")->values[1], "6410") << "the 0.8 quantile, to three digits";
}

TEST(SearchSpace, PinnedKeysAndSessionsWithoutContactsLeaveKeysOut) {
  const std::vector<ksim::Knob> knobs = ksim::BuildSearchSpace({}, {{"waitsec", "9"}});
  EXPECT_EQ(Find(knobs, "waitsec"), nullptr);
  EXPECT_EQ(Find(knobs, "lowinc"), nullptr);
  EXPECT_EQ(Find(knobs, "highinc"), nullptr);
  EXPECT_NE(Find(knobs, "replayoffset"), nullptr);
  EXPECT_NE(Find(knobs, "multiclass"), nullptr) << "an opt-in key the advisor tries both ways";
}

TEST(SearchSpace, TheScaleIsToldByTheStrongestContact) {
  EXPECT_EQ(ksim::ScaleOf({}), ksim::StrengthScale::None);
  EXPECT_EQ(ksim::ScaleOf({0.02, 0.4, 1.0}), ksim::StrengthScale::Old);
  EXPECT_EQ(ksim::ScaleOf({0.9, 12.0, 6632.0}), ksim::StrengthScale::Current);
}

TEST(SearchSpace, FixWantsASearchedKeyAndANumber) {
  std::string key, value;
  EXPECT_EQ(ksim::CheckFix("waitsec = 12", key, value), "");
  EXPECT_EQ(key, "waitsec");
  EXPECT_EQ(value, "12");
  EXPECT_EQ(ksim::CheckFix("showinpit=always", key, value), "");
  EXPECT_EQ(ksim::CheckFix("showinpit=5", key, value), "");
  EXPECT_NE(ksim::CheckFix("camtest=1", key, value).find("not a key the advisor searches"), std::string::npos);
  EXPECT_NE(ksim::CheckFix("waitsec=12s", key, value).find("does not read as a number"), std::string::npos);
  EXPECT_NE(ksim::CheckFix("showinpit=sometimes", key, value).find("does not read"), std::string::npos);
  EXPECT_NE(ksim::CheckFix("waitsec", key, value).find("KEY=VALUE"), std::string::npos);
}

TEST(UserSettingsFile, ValuesAreReadAsThePluginReadsThem) {
  ksim_test::TempDir dir;
  ksim_test::WriteBytes(dir.File("mine.ini"),
                        "; mine\r\n[Other]\r\nwaitsec=99\r\n[kovrel]\r\n WaitSec = 20 \r\nwaitsec=30\r\nlowinc=high\r\n"
                        "showinpit=0\r\nhighinc=\"2500\"\r\n");
  const ksim::IniValues values = ksim::ReadIniValues(dir.File("mine.ini"));
  const Candidate candidate = ksim::CandidateFromIni(values);
  EXPECT_EQ(candidate.at("waitsec"), "20") << "the first in the section, names without regard to case";
  EXPECT_EQ(candidate.at("lowinc"), "0.4") << "not a number: the default";
  EXPECT_EQ(candidate.at("showinpit"), "interestdiff") << "a text left at 0: the default";
  EXPECT_EQ(candidate.at("highinc"), "2500");
  EXPECT_EQ(candidate.at("replayoffset"), "5.0");
  EXPECT_THROW(ksim::ReadIniValues(dir.File("absent.ini")), std::runtime_error);
}

ksim::Evaluated Scored(std::vector<double> fileScores, bool honoursFixes = true) {
  ksim::Evaluated e;
  e.candidate = ksim::DefaultCandidate();
  e.broadcast.fileScores = fileScores;
  e.honoursFixes = honoursFixes;
  return e;
}

TEST(LeaveOneOut, EachFileIsJudgedByWhatTheOthersChose) {
  ksim::SearchOutcome outcome;
  outcome.evaluated = {Scored({0.5, 0.5, 0.5}), Scored({0.9, 0.2, 0.2}), Scored({0.2, 0.8, 0.7}),
                       Scored({1.0, 1.0, 1.0}, false)};
  const std::vector<std::size_t> chosen = ksim::LeaveOneOut(outcome);
  ASSERT_EQ(chosen.size(), 3u);
  EXPECT_EQ(chosen[0], 2u) << "files 2 and 3: 1.5 for candidate 2";
  EXPECT_EQ(chosen[1], 1u) << "files 1 and 3: 1.1 for candidate 1";
  EXPECT_EQ(chosen[2], 1u) << "candidate 3 lacks a pinned value";
  outcome.evaluated = {Scored({0.5})};
  EXPECT_TRUE(ksim::LeaveOneOut(outcome).empty()) << "one file: nothing to check";
}

}  // namespace
