// The review of a log against a real results file: which stretch is taken,
// what is refused, and what the log leaves open.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "review/review.hpp"
#include "sim_test_support.hpp"

namespace {

using ksim::ReadDebugLogText;

// Hockenheim race: session 10, slot ids 32 to 60, about 35 minutes.
const ksim::RecordedSession& Hockenheim() {
  static const ksim::RecordedSession session = ksim::ReadResultsFile(ksim_test::ResultsFile("hockenheim-race-2023.xml"));
  return session;
}

std::string State(double t, int onAir, int session) {
  char line[300];
  std::snprintf(line, sizeof line,
                "t=%.3f ses=%d ph=5 sip=interestdiff intdiff=3 obdiff=0.400 wait=15 pmb=1.400 mb=0.300 npos=2 apos=2 "
                "nveh=%d aveh=%d rveh=-1 inpit=0 sbs=0 pdrv=0 psid=-1 tfired=0 wtvN=6 rep=0 wpath=1 stream_len=10\r\n",
                t, session, onAir, onAir);
  return line;
}

// A log on one car from `from` to `to`, a State line a second (a slow
// scoring rate keeps these logs small).
std::string Stretch(double from, double to, int onAir, int session = 10) {
  std::string text = "Auto camera: on\r\n";
  for (double t = from; t < to; t += 1.0) text += State(t, onAir, session);
  return text;
}

ksim::Review ReviewOf(const std::string& text) {
  return ksim::ReviewLog(ReadDebugLogText(text), Hockenheim(), ksim::DirectorSettings{}, false);
}

void ExpectRefused(const std::string& text, const std::string& words) {
  try {
    ReviewOf(text);
    ADD_FAILURE() << "no refusal, expected one saying \"" << words << "\"";
  } catch (const ksim::ReviewError& error) {
    EXPECT_NE(std::string(error.what()).find(words), std::string::npos) << error.what();
  }
}

TEST(ReviewRefuses, ALogWithoutStateLines) { ExpectRefused("Auto camera: on\r\nAuto camera: off\r\n", "debug=0"); }

TEST(ReviewRefuses, ALogOfAnotherSessionNumber) { ExpectRefused(Stretch(0.0, 600.0, 40, 5), "another session"); }

TEST(ReviewRefuses, AStretchOfTheSameNumberOutsideTheSessionsTimes) {
  ExpectRefused(Stretch(5000.0, 6000.0, 40), "outside the session");
}

TEST(ReviewRefuses, AStretchWhoseCarsTheResultsFileDoesNotName) {
  ExpectRefused(Stretch(0.0, 600.0, 901), "names none of the cars");
}

TEST(Review, OfTwoStretchesOfTheSessionTakesTheOneThatCoversItAndSaysWhich) {
  const ksim::Review review = ReviewOf(Stretch(0.0, 300.0, 36) + Stretch(0.0, 2200.0, 40) + Stretch(0.0, 100.0, 40, 5));
  EXPECT_EQ(review.chosen.firstLine, 303);
  ASSERT_GE(review.notes.size(), 3u);
  EXPECT_NE(review.notes[0].find("took lines 303-"), std::string::npos) << review.notes[0];
  EXPECT_NE(review.notes[1].find("left out lines 2-301"), std::string::npos) << review.notes[1];
  EXPECT_NE(review.notes[2].find("session number 5"), std::string::npos) << review.notes[2];
  EXPECT_LT(review.silentSeconds, 2.0);
}

TEST(Review, WhereTheLogIsSilentTheEventsAreFlaggedNotGuessed) {
  const ksim::Review review = ReviewOf(Stretch(0.0, 600.0, 40) + Stretch(1200.0, 2200.0, 40).substr(17));
  ASSERT_EQ(review.silent.size(), 1u);
  EXPECT_NEAR(review.silent[0].first, 600.0, 1.0);
  EXPECT_NEAR(review.silent[0].second, 1200.0, 1e-9);
  ASSERT_FALSE(review.silentEvents.empty());
  for (std::size_t i : review.silentEvents) {
    const ksim::Event& e = review.coverage.events[i];
    EXPECT_TRUE(e.time >= 600.0 && e.time < 1200.0);
    EXPECT_NE(e.verdict, ksim::Verdict::Live);
  }
  // No shot of the rebuilt run covers the silence.
  for (const ksim::Shot& shot : review.result.sessions[0].shots) EXPECT_FALSE(shot.start < 1200.0 && shot.end > 601.0);
}

TEST(Review, SlotIdsTheResultsFileDoesNotNameAreCountedAsUnknownCars) {
  const ksim::Review review = ReviewOf(Stretch(0.0, 2000.0, 40) + Stretch(2000.0, 2100.0, 777).substr(17));
  ASSERT_EQ(review.unknownSlots.size(), 1u);
  EXPECT_EQ(review.unknownSlots[0], 777);
  EXPECT_NEAR(review.unknownSeconds, 100.0, 1.5);
}

TEST(ReviewCommandLine, ALogWithoutStateLinesExitsNonZeroAndWritesNothing) {
  ksim_test::TempDir dir;
  ksim_test::WriteBytes(dir.File("debug.log"), "Auto camera: off\r\n");
  std::string output;
  const int status = ksim_test::RunCommand(std::string(KSIM_EXECUTABLE) + " review --log " + dir.File("debug.log") +
                                               " --results " + ksim_test::ResultsFile("hockenheim-race-2023.xml") +
                                               " --report " + dir.File("r.html") + " --json " + dir.File("r.json"),
                                           output);
  EXPECT_NE(status, 0);
  EXPECT_NE(output.find("no State line"), std::string::npos) << output;
  EXPECT_FALSE(std::filesystem::exists(dir.File("r.html")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("r.json")));
}

TEST(ReviewSettings, AnIniFileGivesTheReplayOffsetAndItsOwnKeysOnly) {
  ksim_test::TempDir dir;
  ksim_test::WriteBytes(dir.File("rF2kovrel.ini"), "[Other]\r\nreplayoffset=9\r\n[KOVREL]\r\nreplayoffset=3.5\r\nAutoKey=0x42\r\n");
  const ksim::DirectorSettings s = ksim::ReadDirectorSettings(dir.File("rF2kovrel.ini"));
  EXPECT_DOUBLE_EQ(s.replayoffset, 3.5);
  EXPECT_EQ(s.autokey, 0x42);
  EXPECT_EQ(s.waitsec, 15);
}

}  // namespace
