// Reading the plug-in's debug log: State lines, stretches of one session,
// silences, the director switched off, replays, and damaged input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "review/debug_log.hpp"
#include "review/log_lines.hpp"

namespace {

using ksim::DebugLog;
using ksim::ReadDebugLogText;

// One State line as the plug-in writes it, with only what the review reads set.
std::string State(double t, int onAir, int session = 10, int replayCar = -1, int path = 1) {
  char line[400];
  std::snprintf(line, sizeof line,
                "t=%.3f ses=%d ph=5 sip=interest diff intdiff=3 obdiff=0.400 wait=15 pmb=1.400 mb=0.300 npos=2 "
                "apos=2 nveh=%d aveh=%d rveh=%d inpit=0 sbs=0 pdrv=0 psid=-1 tfired=0 wtvN=6 rep=%d wpath=%d "
                "stream_len=1234\r\n",
                t, session, onAir, onAir, replayCar, path == 4 ? 1 : 0, path);
  return line;
}

// State lines every 0.2 s from `from` up to, not including, `to`.
std::string States(double from, double to, int onAir, int session = 10) {
  std::string text;
  for (int k = 0; from + k * 0.2 < to - 1e-9; ++k) text += State(from + k * 0.2, onAir, session);
  return text;
}

TEST(DebugLogLines, AStateLineGivesTimeSessionCarsAndReplayPath) {
  std::string text = State(12.4, 7, 11, 9, 4);
  text.pop_back();  // the reader hands lines over without their line feed
  const ksim::LogLine line = ksim::ReadLogLine(text);
  ASSERT_EQ(line.kind, ksim::LogLineKind::State);
  EXPECT_DOUBLE_EQ(line.state.t, 12.4);
  EXPECT_EQ(line.state.session, 11);
  EXPECT_EQ(line.state.onAir, 7);
  EXPECT_EQ(line.state.replayCar, 9);
  EXPECT_TRUE(line.state.InReplay());
  EXPECT_EQ(line.state.waitsec, 15);
  EXPECT_DOUBLE_EQ(line.state.onboarddiff, 0.4);
}

TEST(DebugLogLines, OtherLinesAreToldApartAndACutStateLineIsBroken) {
  EXPECT_EQ(ksim::ReadLogLine("Auto camera: off\r").kind, ksim::LogLineKind::AutoOff);
  EXPECT_EQ(ksim::ReadLogLine("Auto camera: on").kind, ksim::LogLineKind::AutoOn);
  EXPECT_EQ(ksim::ReadLogLine("6632.08 >= highinc ...").kind, ksim::LogLineKind::ReplayScheduled);
  const ksim::LogLine live = ksim::ReadLogLine("Live replay : t=417.400 id=56");
  ASSERT_EQ(live.kind, ksim::LogLineKind::LiveReplay);
  EXPECT_DOUBLE_EQ(live.liveReplayMoment, 417.4);
  EXPECT_EQ(ksim::ReadLogLine("Live replay : t=").kind, ksim::LogLineKind::Broken);
  const ksim::LogLine values =
      ksim::ReadLogLine("lowinc=1000, highinc=2000, pincsize=6632.08, sincsize=6632.08, pontosminbehind=0.06, obtime=0.4");
  ASSERT_EQ(values.kind, ksim::LogLineKind::IncidentValues);
  EXPECT_DOUBLE_EQ(values.values.candidate, 6632.08);
  const std::string whole = State(1.0, 3);
  EXPECT_EQ(ksim::ReadLogLine(whole.substr(0, whole.size() / 2)).kind, ksim::LogLineKind::Broken);
}

TEST(DebugLog, ShotsFollowTheCarOnAirWithCrLfOrLfLineEnds) {
  std::string text = "Auto camera: on\r\n" + States(0.0, 10.0, 3) + States(10.0, 20.0, 5);
  const DebugLog crlf = ReadDebugLogText(text);
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  const DebugLog lf = ReadDebugLogText(text);
  for (const DebugLog* log : {&crlf, &lf}) {
    ASSERT_EQ(log->segments.size(), 1u);
    const ksim::LogSegment& seg = log->segments[0];
    ASSERT_EQ(seg.shots.size(), 2u);
    EXPECT_EQ(seg.shots[0].slotId, 3);
    EXPECT_NEAR(seg.shots[0].end, 10.0, 1e-9);
    EXPECT_EQ(seg.shots[1].slotId, 5);
    EXPECT_NEAR(seg.shots[1].end, 20.0, 1e-9);  // the last line holds for one snapshot
    EXPECT_NEAR(seg.interval, 0.2, 1e-9);
    EXPECT_TRUE(seg.silent.empty());
  }
}

TEST(DebugLog, ANewSessionNumberOrTimeGoingBackBeginsANewStretch) {
  const DebugLog log = ReadDebugLogText(States(0.0, 30.0, 3, 5) + States(0.0, 30.0, 3, 10) + "Auto camera: on\r\n" +
                                        States(0.0, 20.0, 4, 10));
  ASSERT_EQ(log.segments.size(), 3u);
  EXPECT_EQ(log.segments[0].session, 5);
  EXPECT_EQ(log.segments[1].session, 10);
  EXPECT_EQ(log.segments[2].session, 10);
  EXPECT_EQ(log.segments[2].firstLine, 302);
  EXPECT_NEAR(log.segments[2].last, 19.8, 1e-9);
}

TEST(DebugLog, APauseInTheLogIsSilenceAndTheOffLinesSpanTheDirectorOff) {
  const DebugLog log = ReadDebugLogText(States(0.0, 10.0, 3) + States(30.0, 40.0, 3) + "Auto camera: off\r\n" +
                                        "Auto camera: on\r\n" + States(60.0, 70.0, 4) + "Auto camera: off\r\n");
  ASSERT_EQ(log.segments.size(), 1u);
  const ksim::LogSegment& seg = log.segments[0];
  ASSERT_EQ(seg.silent.size(), 1u);
  EXPECT_NEAR(seg.silent[0].first, 10.0, 1e-9);
  EXPECT_NEAR(seg.silent[0].second, 30.0, 1e-9);
  ASSERT_EQ(seg.autoOff.size(), 1u);
  EXPECT_NEAR(seg.autoOff[0].first, 40.0, 1e-9);
  EXPECT_NEAR(seg.autoOff[0].second, 60.0, 1e-9);
  EXPECT_TRUE(seg.offAtEnd);
  // No shot runs through the silence or the director off.
  for (const ksim::LoggedShot& shot : seg.shots) {
    EXPECT_FALSE(shot.start < 30.0 && shot.end > 10.0 + 1e-9);
    EXPECT_FALSE(shot.start < 60.0 && shot.end > 40.0 + 1e-9);
  }
}

TEST(DebugLog, AReplayKeepsTheTimeOfTheIncidentThatBecameTheCandidate) {
  std::string text = States(0.0, 50.0, 3);
  text += "Incident : <Incident et=\"50.0\">Ann(8) reported contact (2500.00) with Immovable</Incident>\n";
  text += "lowinc=1000, highinc=2000, pincsize=2500, sincsize=2500.00, pontosminbehind=1.4, obtime=0.4\r\n";
  text += "2500 >= highinc ...\r\n";
  text += States(50.0, 60.4, 3);
  for (int k = 0; k < 100; ++k) text += State(60.4 + k * 0.2, 8, 10, 8, 4);
  text += States(80.4, 90.0, 8);
  const DebugLog log = ReadDebugLogText(text);
  ASSERT_EQ(log.segments.size(), 1u);
  const ksim::LogSegment& seg = log.segments[0];
  ASSERT_EQ(seg.replays.size(), 1u);
  EXPECT_NEAR(seg.replays[0].incident, 50.0, 1e-9);
  EXPECT_NEAR(seg.replays[0].started, 60.4, 1e-9);
  EXPECT_NEAR(seg.replays[0].ended, 80.4, 1e-9);
  EXPECT_EQ(seg.replays[0].slotId, 8);
  EXPECT_EQ(seg.names.at(8), "Ann");
  EXPECT_DOUBLE_EQ(seg.highinc, 2000.0);
}

TEST(DebugLog, ACutOffLastLineIsLeftOutAndCounted) {
  const std::string last = State(10.0, 4);
  const DebugLog log = ReadDebugLogText(States(0.0, 10.0, 3) + last.substr(0, 40));
  EXPECT_TRUE(log.truncatedEnd);
  EXPECT_EQ(log.brokenLines, 1);
  ASSERT_EQ(log.segments.size(), 1u);
  EXPECT_EQ(log.segments[0].shots.size(), 1u);
  EXPECT_EQ(log.stateLines, 50);
}

}  // namespace

namespace {

std::string ManualLine(const char* action, double t, int id) {
  char line[96];
  std::snprintf(line, sizeof line, "Manual : %s t=%.3f id=%d\r\n", action, t, id);
  return line;
}

TEST(DebugLogManual, TheKeysLinesMarkTheShotsTheBroadcasterHad) {
  struct Case {
    const char* what;
    std::string log;
    std::vector<std::pair<int, bool>> shots;  // slot id and manual, in order
  };
  const Case cases[] = {
      {"a manual cut until the director resumes",
       States(0.0, 10.0, 3) + ManualLine("next", 10.0, 2) + States(10.0, 40.0, 2) + ManualLine("resume", 40.0, 2) +
           States(40.0, 45.0, 2) + States(45.0, 50.0, 3),
       {{3, false}, {2, true}, {2, false}, {3, false}}},
      {"a hold, a next under it, the release",
       States(0.0, 10.0, 3) + ManualLine("hold", 10.0, 3) + States(10.0, 20.0, 3) + ManualLine("next", 20.0, 2) +
           States(20.0, 30.0, 2) + ManualLine("release", 30.0, 2) + States(30.0, 35.0, 2),
       {{3, false}, {3, true}, {2, true}, {2, false}}},
      {"a manual replay until it ends",
       States(0.0, 10.0, 3) + ManualLine("replay", 10.0, 5) + State(10.0, 3) + State(10.2, 5, 10, 5, 4) +
           State(10.4, 5, 10, 5, 4) + States(10.6, 12.0, 5),
       {{3, false}, {3, true}, {5, true}, {5, false}}},
  };
  for (const Case& c : cases) {
    const DebugLog log = ReadDebugLogText(c.log);
    ASSERT_EQ(log.segments.size(), 1u) << c.what;
    const auto& shots = log.segments[0].shots;
    ASSERT_EQ(shots.size(), c.shots.size()) << c.what;
    for (std::size_t i = 0; i < shots.size(); ++i) {
      EXPECT_EQ(shots[i].slotId, c.shots[i].first) << c.what << ", shot " << i;
      EXPECT_EQ(shots[i].manual, c.shots[i].second) << c.what << ", shot " << i;
    }
    EXPECT_TRUE(log.segments[0].autoOff.empty()) << c.what << ": a manual line is no on/off line";
    EXPECT_EQ(log.brokenLines, 0) << c.what;
  }
  const DebugLog replay = ReadDebugLogText(cases[2].log);
  ASSERT_EQ(replay.segments[0].replays.size(), 1u);
  EXPECT_TRUE(replay.segments[0].replays[0].manual);
  EXPECT_EQ(ksim::ReadLogLine("Manual : dance t=1.000 id=2").kind, ksim::LogLineKind::Broken);
  EXPECT_EQ(ksim::ReadLogLine("Manual : hold t=1.000").kind, ksim::LogLineKind::Broken);
}

}  // namespace
