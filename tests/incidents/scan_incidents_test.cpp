#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "support/director_fixture.hpp"
#include "support/results_stream.hpp"
#include "support/snapshot_builder.hpp"

namespace {

// The scan fed as the cycle feeds it: by a host that hands the whole stream so
// far, growing between snapshots, or (`additions`) as the simulator does, only
// the lines added since the previous snapshot.
class IncidentScan : public ::testing::Test {
 protected:
  void SetUp() override {
    ApplyDefaultSettings(plugin, folder.Path());
    Scan(0.0);  // the first scan takes the empty stream as seen
  }

  // Adds text to the stream and scans it at the given session time.
  void Add(const std::string& text, double time, int session = 10) {
    if (additions) {
      stream = text;
    } else {
      stream += text;
    }
    Scan(time, session);
  }
  void Scan(double time, int session = 10) {
    plugin.mSessionTime = time;
    snapshot.Session(session).Stream(stream);
    plugin.ScanIncidents(snapshot.Info());
  }
  std::string Log() const { return ReadFileBytes(folder.File("debug.log")); }

  TempFolder folder;
  rF2kovrel plugin;
  Snapshot snapshot;
  std::string stream;
  bool additions = false;
};

std::string HostName(const ::testing::TestParamInfo<bool>& host) {
  return host.param ? "Additions" : "WholeStream";
}

// The same lines, handed by either kind of host.
class EitherHost : public IncidentScan, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    additions = GetParam();
    IncidentScan::SetUp();
  }
};

struct Row {
  const char* text;
  int session;
  const char* strengthText;
  double candidate;  // strength left as the candidate after the scan
  int candidateId;
  bool scheduled;
  int replayId;
};

class WorkedExample : public IncidentScan, public ::testing::WithParamInterface<std::tuple<Row, bool>> {};

// One incident line alone in the new text, from either kind of host.
TEST_P(WorkedExample, GivesTheTableResult) {
  const Row& row = std::get<0>(GetParam());
  additions = std::get<1>(GetParam());
  Add("<Score et=\"40.0\">Driver C(5) lap=2 point=1</Score>\n", 40.0, row.session);
  Add(row.text, 50.0, row.session);
  EXPECT_EQ(plugin.mIncidentSizeText, row.strengthText);
  EXPECT_DOUBLE_EQ(plugin.mIncidentSize, row.candidate);
  EXPECT_EQ(plugin.mIncidentId, row.candidateId);
  EXPECT_EQ(plugin.mReplayPending, row.scheduled);
  EXPECT_EQ(plugin.mReplayId, row.replayId);
  EXPECT_EQ(plugin.mReplayIncidentTime, row.scheduled ? 50.0 : 0.0);
}

const char* const kRow1 = "Incident Driver A(3) contact (0.52) with vehicle Driver B(7)\n";
const char* const kRow2 = "Incident Driver B(12) contact (1.25) with Immovable\n";
const char* const kRow3 = "Incident Driver A(3) contact (0.35) with vehicle Driver B(7)\n";
const char* const kRow4 = "Driver A(3) contact (0.90) with vehicle\n";

INSTANTIATE_TEST_SUITE_P(
    IncidentScan, WorkedExample,
    ::testing::Combine(::testing::Values(Row{kRow1, 5, "0.52", 0.0, 3, true, 3},
                                         Row{kRow1, 10, "0.52", 0.52, 3, false, -1},
                                         Row{kRow2, 0, "1.25", 0.0, 12, true, 12},
                                         Row{kRow2, 13, "1.25", 0.0, 12, true, 12},
                                         Row{kRow3, 5, "0.35", 0.0, -1, false, -1},
                                         Row{kRow4, 5, "", 0.0, -1, false, -1}),
                       ::testing::Bool()));

TEST_F(IncidentScan, ExampleWritesItsThreeDebugLines) {
  plugin.debug = 1;
  plugin.mMinBehind = 0.3;
  Add(kRow2, 50.0);
  EXPECT_EQ(Log(),
            "Incident : Incident Driver B(12) contact (1.25) with Immovable\r\n"
            "lowinc=0.4, highinc=0.8, pincsize=1.25, sincsize=1.25, pontosminbehind=0.3, "
            "obtime=0.4\r\n"
            "1.25 >= highinc ...\r\n");
}

TEST_F(IncidentScan, WeakContactStillLogsItsValuesButUnrecognisedTextLogsNothing) {
  plugin.debug = 1;
  plugin.msessioninc = 0;
  Add("Incident Driver C(4) contact (0.95) with Wall\n", 40.0);
  Add(kRow4, 45.0);
  EXPECT_EQ(Log(), "");
  EXPECT_EQ(plugin.mIncidentSize, 0.0);

  Add(kRow3, 50.0);
  EXPECT_EQ(Log(),
            "Incident : Incident Driver A(3) contact (0.35) with vehicle Driver B(7)\r\n"
            "lowinc=0.4, highinc=0.8, pincsize=0, sincsize=0.35, pontosminbehind=0, obtime=0.4\r\n");
}

TEST_P(EitherHost, EachLineOfANewTextIsReadOnItsOwn) {
  plugin.debug = 1;
  // The weak line comes first: the strong second line is still read, and
  // becomes the candidate with the slot id written in its own line.
  const std::string crash =
      "Incident A(3) contact (0.30) with vehicle B(7)\n"
      "Incident C(9) contact (0.95) with Immovable\n";
  Add(crash, 50.0);
  EXPECT_EQ(plugin.mIncidentSizeText, "0.95");
  EXPECT_TRUE(plugin.mReplayPending);
  EXPECT_EQ(plugin.mReplayId, 9);
  // One raw-text line and one value line for the whole new text, whose
  // strength text is that of its strongest incident line.
  EXPECT_EQ(Log(),
            "Incident : Incident A(3) contact (0.30) with vehicle B(7)\r\n"
            "Incident C(9) contact (0.95) with Immovable\r\n"
            "lowinc=0.4, highinc=0.8, pincsize=0.95, sincsize=0.95, pontosminbehind=0, obtime=0.4\r\n"
            "0.95 >= highinc ...\r\n");

  // A "(" of an earlier line no longer decides the slot id.
  plugin.mReplayPending = false;
  Add("Score Driver E(21) lap=3\nIncident A(4) contact (0.95) with vehicle B(8)\n", 60.0);
  EXPECT_TRUE(plugin.mReplayPending);
  EXPECT_EQ(plugin.mReplayId, 4);

  // Lines that are incidents only together ("Incident" in one, "vehicle" in
  // the other) are none.
  plugin.mReplayPending = false;
  Add("Incident A(5) contact (0.99) with\nvehicle B(6)\n", 70.0);
  EXPECT_FALSE(plugin.mReplayPending);
  EXPECT_EQ(plugin.mIncidentSize, 0.0);
}

TEST_P(EitherHost, OfSeveralLinesOnlyOneThatBeatsTheCandidateTakesItsPlace) {
  Add("Incident A(1) contact (0.6) with vehicle B(2)\n", 10.0);  // kept, too light for a race
  Add("Incident A(3) contact (0.5) with vehicle B(4)\n"
      "Incident A(5) contact (0.55) with vehicle B(6)\n",
      20.0);
  EXPECT_EQ(plugin.mIncidentSize, 0.6);
  EXPECT_EQ(plugin.mIncidentId, 1);
  EXPECT_EQ(plugin.mIncidentSizeText, "0.55");
  Add("Incident A(7) contact (0.7) with vehicle B(8)\n"
      "Incident A(9) contact (0.65) with Immovable\n",
      30.0);
  EXPECT_EQ(plugin.mIncidentSize, 0.7);
  EXPECT_EQ(plugin.mIncidentId, 7);
  EXPECT_EQ(plugin.mIncidentTime, 30.0);
}

TEST_P(EitherHost, TheOtherCarsReportOfAReplayedContactIsNotReplayed) {
  Add("Incident A(3) contact (0.90) with another vehicle B(7)\n", 50.0);
  ASSERT_TRUE(plugin.mReplayPending);
  EXPECT_EQ(plugin.mReplayId, 3);
  EXPECT_EQ(plugin.mReplayOtherId, 7);
  plugin.mReplayPending = false;  // the replay has come and gone

  // The same contact as car 7 reports it, stronger, a tenth later.
  Add("Incident B(7) contact (1.40) with another vehicle A(3)\n", 50.2);
  EXPECT_FALSE(plugin.mReplayPending);
  EXPECT_EQ(plugin.mIncidentSize, 0.0);

  // Another pair at the same moment is another contact.
  Add("Incident C(4) contact (0.85) with another vehicle B(7)\n", 50.4);
  EXPECT_TRUE(plugin.mReplayPending);
  EXPECT_EQ(plugin.mReplayId, 4);
  plugin.mReplayPending = false;

  // The pair again, more than 2 s after the scheduled contact: a new contact.
  Add("Incident B(7) contact (0.9) with another vehicle C(4)\n", 52.5);
  EXPECT_TRUE(plugin.mReplayPending);
  EXPECT_EQ(plugin.mReplayId, 7);
  plugin.mReplayPending = false;

  // A wall contact is the same contact only for the same car.
  Add("Incident D(11) contact (0.9) with Immovable\n", 60.0);
  EXPECT_TRUE(plugin.mReplayPending);
  plugin.mReplayPending = false;
  Add("Incident D(11) contact (1.2) with Immovable\n", 61.0);
  EXPECT_FALSE(plugin.mReplayPending);
  Add("Incident E(12) contact (1.2) with Immovable\n", 61.2);
  EXPECT_TRUE(plugin.mReplayPending);
  EXPECT_EQ(plugin.mReplayId, 12);
}

TEST_P(EitherHost, TheOtherCarsReportWaitingForTheReplayIsNotReplayedAfterIt) {
  Add("Incident A(3) contact (0.90) with another vehicle B(7)\n", 50.0);
  ASSERT_TRUE(plugin.mReplayPending);
  Add("Incident B(7) contact (1.20) with another vehicle A(3)\n", 50.2);
  plugin.mReplayPending = false;
  Scan(80.0);
  EXPECT_FALSE(plugin.mReplayPending);
}

INSTANTIATE_TEST_SUITE_P(IncidentScan, EitherHost, ::testing::Bool(),
                         HostName);

TEST_F(IncidentScan, MissingMarkersFallBackToTheTextsEnds) {
  plugin.highinc = 100.0;  // keep every candidate, schedule none
  // No ") with": the strength text runs to the end and is cut to 10 characters.
  Add("Incident D(5) contact (0.9) vehicle\n", 10.0);
  EXPECT_EQ(plugin.mIncidentSizeText, "0.9) vehic");
  EXPECT_EQ(plugin.mIncidentSize, 0.9);
  EXPECT_EQ(plugin.mIncidentId, 5);

  // No "contact (": the strength text starts at the ninth character; no "("
  // and no ")": the slot text is the whole text, which holds no number.
  Add("Incident 1.5 hit vehicle\n", 20.0);
  EXPECT_EQ(plugin.mIncidentSizeText, " 1.5 hit v");
  EXPECT_EQ(plugin.mIncidentSize, 1.5);
  EXPECT_EQ(plugin.mIncidentId, 0);

  // ")" before "(": the slot text runs from behind "(" to the end.
  Add("Incident) A(4 contact (2.5) with vehicle\n", 30.0);
  EXPECT_EQ(plugin.mIncidentId, 4);
}

TEST_F(IncidentScan, SlotIdIsReadAsWrittenInAnyBaseWithin32Bits) {
  plugin.highinc = 100.0;
  const struct {
    const char* id;
    int expected;
  } cases[] = {{"0x1A", 26}, {"010", 8}, {" 42", 42}, {"-3", -3}, {"x", 0},
               {"99999999999", INT_MAX}, {"-99999999999", INT_MIN}};
  double strength = 1.0;
  for (const auto& c : cases) {
    strength += 1.0;  // each a stronger candidate than the last
    Add("Incident A(" + std::string(c.id) + ") contact (" + std::to_string(strength) +
            ") with vehicle\n",
        strength);
    EXPECT_EQ(plugin.mIncidentId, c.expected) << c.id;
  }
}

TEST_F(IncidentScan, StrengthIsReadFromItsFirstTenCharactersOnly) {
  Add("Incident A(3) contact (1234567890123) with vehicle\n", 10.0, 5);
  EXPECT_EQ(plugin.mIncidentSizeText, "1234567890");
  EXPECT_EQ(plugin.mReplayId, 3);
  EXPECT_TRUE(plugin.mReplayPending);
  plugin.mReplayPending = false;
  // The digit that would make it a contact lies beyond the tenth character.
  Add("Incident A(4) contact (0.000000009) with vehicle\n", 20.0, 5);
  EXPECT_EQ(plugin.mIncidentSizeText, "0.00000000");
  EXPECT_EQ(plugin.mIncidentSize, 0.0);
  EXPECT_FALSE(plugin.mReplayPending);
}

TEST_F(IncidentScan, ThresholdsAreStrictForCandidatesAndInclusiveForReplays) {
  Add("Incident A(3) contact (0.4) with vehicle\n", 10.0, 5);  // equal to lowinc
  EXPECT_EQ(plugin.mIncidentSize, 0.0);
  EXPECT_FALSE(plugin.mReplayPending);

  Add("Incident A(8) contact (0.8) with vehicle\n", 20.0, 10);  // exactly highinc, in a race
  EXPECT_TRUE(plugin.mReplayPending);
  EXPECT_EQ(plugin.mReplayId, 8);
  EXPECT_EQ(plugin.mIncidentSize, 0.0);

  // A low contact counts in sessions numbered below msessioninc only.
  plugin.mReplayPending = false;
  Add("Incident A(5) contact (0.5) with vehicle\n", 30.0, 9);
  EXPECT_TRUE(plugin.mReplayPending);
  EXPECT_EQ(plugin.mReplayId, 5);
}

TEST_F(IncidentScan, CandidateIsReplayedOnlyWithin180Seconds) {
  plugin.mIncidentSize = 1.0;
  plugin.mIncidentId = 6;
  plugin.mIncidentTime = 100.0;
  plugin.mSessionTime = 280.0;
  plugin.ScheduleReplay(10);
  EXPECT_FALSE(plugin.mReplayPending);
  EXPECT_EQ(plugin.mIncidentSize, 1.0);  // not dropped for its age
  plugin.mSessionTime = 279.99;
  plugin.ScheduleReplay(10);
  EXPECT_TRUE(plugin.mReplayPending);
  EXPECT_EQ(plugin.mReplayId, 6);
  EXPECT_EQ(plugin.mReplayIncidentTime, 100.0);
}

TEST_F(IncidentScan, RaceKeepsAMediumCandidateUntilAStrongerOneComes) {
  Add("Incident A(1) contact (0.6) with vehicle\n", 10.0);
  EXPECT_EQ(plugin.mIncidentSize, 0.6);
  EXPECT_FALSE(plugin.mReplayPending);
  Add("Incident A(2) contact (0.5) with vehicle\n", 20.0);
  EXPECT_EQ(plugin.mIncidentSize, 0.6);
  EXPECT_EQ(plugin.mIncidentId, 1);
  EXPECT_EQ(plugin.mIncidentTime, 10.0);
  Add("Incident A(3) contact (0.9) with vehicle\n", 30.0);
  EXPECT_TRUE(plugin.mReplayPending);
  EXPECT_EQ(plugin.mReplayId, 3);
  EXPECT_EQ(plugin.mReplayIncidentTime, 30.0);
  EXPECT_EQ(plugin.mIncidentSize, 0.0);
  EXPECT_EQ(plugin.mIncidentId, 3);  // kept; only the strength is given up
}

TEST_F(IncidentScan, ContactDuringAReplayIsScheduledAfterItEnds) {
  plugin.mReplayRunning = true;
  Add("Incident A(4) contact (1.0) with vehicle\n", 100.0);
  EXPECT_EQ(plugin.mIncidentSize, 1.0);
  EXPECT_FALSE(plugin.mReplayPending);
  Scan(120.0);
  EXPECT_FALSE(plugin.mReplayPending);

  plugin.mReplayRunning = false;
  Scan(125.0);  // nothing new in the stream: the waiting candidate is scheduled
  EXPECT_TRUE(plugin.mReplayPending);
  EXPECT_EQ(plugin.mReplayId, 4);
  EXPECT_EQ(plugin.mReplayIncidentTime, 100.0);
}

TEST_F(IncidentScan, NoCandidateNoReplayWhateverTheThresholds) {
  // Thresholds of 0 would otherwise replay "nothing" at once and the last
  // incident over and over again.
  plugin.lowinc = 0.0;
  plugin.highinc = 0.0;
  Scan(1.0, 5);
  EXPECT_FALSE(plugin.mReplayPending);
  Add("Incident A(4) contact (0.1) with vehicle\n", 5.0, 5);
  EXPECT_TRUE(plugin.mReplayPending);
  EXPECT_EQ(plugin.mReplayId, 4);
  plugin.mReplayPending = false;  // the replay has come and gone
  Scan(30.0, 5);
  EXPECT_FALSE(plugin.mReplayPending);
}

TEST_F(IncidentScan, WhatIsNewDependsOnThePreviousText) {
  const std::string incident = "Incident A(3) contact (1.0) with vehicle\n";
  // What the stream holds at the first scan is never read.
  plugin.ResetDirector();
  Add(incident, 10.0);
  EXPECT_EQ(plugin.mNewResults, "");
  EXPECT_FALSE(plugin.mReplayPending);

  // A text that begins with the whole previous text is new beyond it.
  stream = incident + "tail\n";
  Scan(15.0);
  EXPECT_EQ(plugin.mNewResults, "tail\n");

  // The same text again is nothing new.
  Scan(20.0);
  EXPECT_EQ(plugin.mNewResults, "");

  // A shorter text, or one of the same length with other characters, is new in full.
  stream = "abc\n";
  Scan(25.0);
  EXPECT_EQ(plugin.mNewResults, "abc\n");
  stream = "xyz\n";
  Scan(30.0);
  EXPECT_EQ(plugin.mNewResults, "xyz\n");
  stream = incident;
  Scan(35.0);
  EXPECT_EQ(plugin.mNewResults, incident);
  EXPECT_TRUE(plugin.mReplayPending);
  EXPECT_EQ(plugin.mPrevResults, incident);

  // An empty addition, then the same line again: read again.
  plugin.mReplayPending = false;
  stream = "";
  Scan(200.0);
  EXPECT_EQ(plugin.mNewResults, "");
  stream = incident;
  Scan(205.0);
  EXPECT_TRUE(plugin.mReplayPending);
}

TEST_F(IncidentScan, ALineCutBetweenTwoAdditionsIsNotReadAsANumberItDoesNotHold) {
  additions = true;
  // The simulator ends every addition with a line end; a host that does not
  // must not make "0.9" out of "0.95" and "5", nor read a slot id from the
  // middle of a line.
  Add("Incident A(3) contact (0.3", 10.0);
  EXPECT_EQ(plugin.mIncidentSize, 0.0);
  Add("5) with vehicle B(7)\n", 10.2);
  EXPECT_EQ(plugin.mIncidentSize, 0.0);
  EXPECT_FALSE(plugin.mReplayPending);
  // A last line without its line end is read as it stands.
  Add("Incident A(4) contact (0.95) with Immovable", 11.0);
  EXPECT_TRUE(plugin.mReplayPending);
  EXPECT_EQ(plugin.mReplayId, 4);
}

TEST_F(IncidentScan, AbsentStreamReadsAsEmpty) {
  Add("some lines\n", 10.0);
  ScoringInfoV01 info = snapshot.Info();
  info.mResultsStream = nullptr;
  plugin.ScanIncidents(info);  // an empty text: nothing to read, and the reference becomes empty
  EXPECT_EQ(plugin.mNewResults, "");
  EXPECT_EQ(plugin.mPrevResults, "");
  stream = "Incident A(3) contact (1.0) with vehicle\n";
  Scan(20.0);
  EXPECT_EQ(plugin.mNewResults, stream);
  EXPECT_TRUE(plugin.mReplayPending);
}

// Real results streams, fed through the scoring cycle: the lines of one elapsed
// time arrive together in one snapshot, at least one snapshot comes every
// second, and between snapshots the host polls "InstantReplay" and asks for the
// camera. Each snapshot hands its additions, as the simulator does, or the
// whole stream so far; the plug-in must decide the same either way.
class RealStream : public ::testing::Test {
 public:
  struct Event {  // a candidate or a scheduled replay: incident time and slot id
    double time;
    int id;
    bool operator==(const Event& o) const { return time == o.time && id == o.id; }
    friend void PrintTo(const Event& e, std::ostream* out) { *out << "{" << e.time << ", " << e.id << "}"; }
  };

 protected:
  void SetUp() override {
    ReleaseAllKeys();
    ApplyDefaultSettings(plugin, folder.Path());
  }
  void TearDown() override { ReleaseAllKeys(); }

  void Play(const std::string& file) {
    const std::vector<StreamLine> lines =
        ReadStreamLines(std::string(KOVREL_SHARED_DATA) + "/" + file);
    ASSERT_FALSE(lines.empty()) << file;
    std::string text;
    std::size_t total = 0;
    for (const StreamLine& line : lines) total += line.text.size();
    text.reserve(total);  // the stream stays where it is as it grows

    Snapshot builder;
    builder.Session(10).Phase(5);
    builder.Car(1, 1);
    ScoringInfoV01 info = builder.Info();
    double now = 0.0;
    std::size_t next = 0;
    while (next < lines.size()) {
      const double due = lines[next].et;
      now = due > now + 1.0 ? now + 1.0 : std::max(now, due);
      if (additions) text.clear();
      while (next < lines.size() && lines[next].et <= now) text += lines[next++].text;
      info.mCurrentET = now;
      info.mResultsStream = text.data();
      Step(info);
    }
  }

  void Step(const ScoringInfoV01& info) {
    const double size = plugin.mIncidentSize;
    const double time = plugin.mIncidentTime;
    const bool pending = plugin.mReplayPending;
    plugin.UpdateScoring(info);
    if (plugin.mIncidentSize > size || plugin.mIncidentTime != time) {
      candidates.push_back({plugin.mIncidentTime, plugin.mIncidentId});
    }
    if (plugin.mReplayPending && !pending) {
      replays.push_back({plugin.mReplayIncidentTime, plugin.mReplayId});
    }
    double value = 0.0;
    if (plugin.CheckHWControl("InstantReplay", value)) ++presses;
    CameraControlInfoV01 cam{};
    plugin.WantsToViewVehicle(cam);
  }

  TempFolder folder;
  rF2kovrel plugin;
  std::vector<Event> candidates;
  std::vector<Event> replays;
  int presses = 0;
  bool additions = true;
};

using Events = std::vector<RealStream::Event>;

TEST_F(RealStream, OldScaleRaceReplaysOnlyTheHeaviestWithShippedThresholds) {
  Play("monza-race-pitstops-2014.xml");
  // Two wall contacts of 0.68 and 0.71 are kept as candidates, too light for a
  // race. At 2802.1 car 86 writes ten lines in one update: its wall contact of
  // 0.94 is read although a lighter one comes first. The wing lines of 3801.2
  // are no contact with a vehicle or a wall, whatever else shares their update.
  EXPECT_EQ(candidates, (Events{{278.9, 95}, {1130.8, 100}, {2802.1, 86}}));
  EXPECT_EQ(replays, (Events{{2802.1, 86}}));
  EXPECT_EQ(presses, 2);  // started and ended
  EXPECT_FALSE(plugin.mReplayRunning);
}

// The replays of Istanbul, read line by line: car 27's crash at 373.6 (its
// 0.94 wall contact, in the update where the lighter lines come first).
const std::vector<RealStream::Event> kIstanbulReplays{
    {373.6, 27}, {644.3, 37}, {784.3, 37}, {4417.3, 3}};

TEST_F(RealStream, OldScaleRaceWithManyContacts) {
  Play("istanbul-race-2019.xml");
  EXPECT_EQ(replays, kIstanbulReplays);
  EXPECT_EQ(presses, 8);
}

// The same race from a host that hands the whole stream so far.
TEST_F(RealStream, AWholeStreamHostGetsTheSameReplays) {
  additions = false;
  Play("istanbul-race-2019.xml");
  EXPECT_EQ(replays, kIstanbulReplays);
  EXPECT_EQ(presses, 8);
}

TEST_F(RealStream, CurrentScaleReplaysEveryContactWithShippedThresholds) {
  Play("hockenheim-race-2023.xml");
  // Contacts of 10 and more are all heavy: a replay follows the last as soon as
  // it has ended. Each is of the car its own line names.
  EXPECT_EQ(replays, (Events{{289.4, 55}, {290.4, 45}, {395.7, 40}, {413.0, 42}, {449.2, 50},
                             {655.1, 50}, {657.5, 50}, {943.6, 53}, {962.3, 54}, {1111.2, 46},
                             {1131.7, 40}, {1163.1, 53}, {1404.4, 45}, {1635.7, 39},
                             {1640.8, 53}, {1801.8, 40}, {1831.6, 40}, {1856.2, 35},
                             {1868.3, 53}}));
  EXPECT_EQ(presses, 2 * static_cast<int>(replays.size()));
}

TEST_F(RealStream, CurrentScaleRaceWithThresholdsInTheThousands) {
  plugin.lowinc = 1000.0;
  plugin.highinc = 3000.0;
  Play("hockenheim-race-2023.xml");
  // 1831.6 and 1856.2 come during the replay before them and wait for its end.
  EXPECT_EQ(replays, (Events{{655.1, 50}, {1801.8, 40}, {1831.6, 40}, {1856.2, 35}}));
  EXPECT_EQ(presses, 8);
}

}  // namespace
