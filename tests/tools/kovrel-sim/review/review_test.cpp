// The review of a log against a real results file: which stretch is taken,
// what is refused, and what the log leaves open.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

#include "report/summary.hpp"
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

TEST(Review, OfTwoStretchesOfTheSessionTakesTheLatestThatFitsAndListsThemAll) {
  const ksim::Review review =
      ReviewOf(Stretch(0.0, 300.0, 36) + Stretch(0.0, 2200.0, 40) + Stretch(0.0, 100.0, 40, 5) + Stretch(0.0, 50.0, 901));
  EXPECT_EQ(review.chosen.firstLine, 303);
  ASSERT_GE(review.notes.size(), 5u);
  EXPECT_NE(review.notes[0].find("3 broadcasts of session 10; took stretch 2, the latest that fits"), std::string::npos)
      << review.notes[0];
  EXPECT_NE(review.notes[1].find("1: lines 2-301"), std::string::npos) << review.notes[1];
  EXPECT_NE(review.notes[1].find("1 cut,"), std::string::npos) << review.notes[1];
  EXPECT_NE(review.notes[2].find("* 2: lines 303-"), std::string::npos) << review.notes[2];
  EXPECT_NE(review.notes[3].find("does not fit: the results file names none"), std::string::npos) << review.notes[3];
  EXPECT_NE(review.notes[4].find("session number 5"), std::string::npos) << review.notes[4];
  EXPECT_LT(review.silentSeconds, 2.0);
}

// The same race broadcast twice (a test run, then the real one): the later
// broadcast is the one a reviewer wants, and the earlier can still be asked for.
TEST(Review, OfTwoBroadcastsOfTheWholeSessionTakesTheLater) {
  const std::string log = Stretch(0.0, 2200.0, 36) + Stretch(0.0, 2200.0, 40);
  const ksim::Review later = ReviewOf(log);
  EXPECT_GT(later.chosen.firstLine, 2200);
  EXPECT_EQ(later.result.sessions[0].cuts.at(0).slotId, 40);
  EXPECT_EQ(later.notes[0].find("left out"), std::string::npos) << "no reason of coverage for what was the choice of the latest";

  const ksim::Review earlier =
      ksim::ReviewLog(ReadDebugLogText(log), Hockenheim(), ksim::DirectorSettings{}, false, 1);
  EXPECT_EQ(earlier.chosen.firstLine, 2);
  EXPECT_EQ(earlier.result.sessions[0].cuts.at(0).slotId, 36);
  EXPECT_NE(earlier.notes[0].find("as --stretch asked"), std::string::npos) << earlier.notes[0];
  try {
    ksim::ReviewLog(ReadDebugLogText(log), Hockenheim(), ksim::DirectorSettings{}, false, 3);
    ADD_FAILURE() << "a third broadcast that is not there";
  } catch (const ksim::ReviewError& error) {
    EXPECT_NE(std::string(error.what()).find("holds 2 broadcasts"), std::string::npos) << error.what();
  }

  // The summary says nothing the log cannot know.
  std::ostringstream out;
  const std::vector<ksim::Coverage> coverage{later.coverage};
  ksim::PrintSummary(out, later.result, "review.html", &coverage, ksim::SummaryParts::FromLog());
  const std::string text = out.str();
  EXPECT_NE(text.find("cuts "), std::string::npos) << text;
  for (const char* absent : {"cameras", "unknown", "snapshots/s", "stream files", "time.txt"}) {
    EXPECT_EQ(text.find(absent), std::string::npos) << absent << " in\n" << text;
  }
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
  EXPECT_EQ(s.multiclass, 0);
  ksim_test::WriteBytes(dir.File("classes.ini"), "[KOVREL]\r\nmulticlass=1\r\n");
  EXPECT_EQ(ksim::ReadDirectorSettings(dir.File("classes.ini")).multiclass, 1) << "the opt-in key for races of classes";
}

}  // namespace
