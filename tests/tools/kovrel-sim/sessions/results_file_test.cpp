#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "sessions/results_file.hpp"
#include "sessions/stream_lines.hpp"
#include "sim_test_support.hpp"

namespace {

using ksim::ReadResultsFile;
using ksim::ResultsFileError;
using ksim_test::ResultsFile;
using ksim_test::TempDir;
using ksim_test::WriteBytes;

// A results file as small as the simulator could write one.
std::string Minimal(const std::string& driverName, const std::string& extraStream = std::string()) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rFactorXML version=\"1.0\">\n<RaceResults>\n"
         "<TrackCourse>Test Ring</TrackCourse>\n<TrackLength>3000.0</TrackLength>\n<Race>\n<Laps>3</Laps>\n"
         "<Stream>\n<Score et=\"70.1\">" + driverName + "(7) lap=0 point=1 t=20.000 et=70.050</Score>\n" +
         extraStream + "</Stream>\n<Driver>\n<Name>" + driverName +
         "</Name>\n<GridPos>1</GridPos>\n<Position>1</Position>\n<Laps>1</Laps>\n"
         "<Lap num=\"1\" p=\"1\" et=\"50.0\" s1=\"20.0\" s2=\"25.0\" s3=\"15.0\">60.0</Lap>\n"
         "<FinishStatus>Finished Normally</FinishStatus>\n</Driver>\n</Race>\n</RaceResults>\n</rFactorXML>\n";
}

std::string ErrorOf(const std::string& path) {
  try {
    ReadResultsFile(path);
  } catch (const ResultsFileError& error) {
    return error.what();
  }
  return std::string();
}

TEST(ResultsFile, ReadsARealRace) {
  const ksim::RecordedSession race = ReadResultsFile(ResultsFile("hockenheim-race-2023.xml"));
  EXPECT_EQ(race.element, "Race");
  EXPECT_EQ(race.sessionNumber, 10);
  EXPECT_EQ(race.kind, ksim::SessionKind::Race);
  EXPECT_EQ(race.track, "HockenheimRing GP");
  EXPECT_DOUBLE_EQ(race.trackLength, 4582.8);
  EXPECT_EQ(race.maxLaps, 2147483647);
  EXPECT_DOUBLE_EQ(race.minutes, 25.0);
  EXPECT_TRUE(race.formationAndStart);
  ASSERT_EQ(race.drivers.size(), 22u);
  const ksim::RecordedDriver& winner = race.drivers[0];
  EXPECT_EQ(winner.name, "Kevin Karas");
  EXPECT_EQ(winner.place, 1);
  EXPECT_EQ(winner.gridPlace, 9);
  EXPECT_NEAR(winner.finishTime, 1544.749, 1e-9);
  ASSERT_EQ(winner.lapList.size(), 15u);
  EXPECT_DOUBLE_EQ(winner.lapList[0].start, 240.5067);
  EXPECT_DOUBLE_EQ(winner.lapList[1].s2, 47.5405);
  EXPECT_LT(winner.lapList[2].time, 0.0) << "a lap written --.---- is invalid";
  EXPECT_EQ(race.drivers[21].name, "Jonas Lagesson");
  EXPECT_EQ(race.drivers[21].finishStatus, "DNF");
  int incidents = 0;
  for (const auto& line : race.stream) incidents += line.tag == "Incident" ? 1 : 0;
  EXPECT_EQ(incidents, 175);
  for (std::size_t i = 1; i < race.stream.size(); ++i) ASSERT_LE(race.stream[i - 1].et, race.stream[i].et);
}

TEST(ResultsFile, WritesStreamLinesBackAsTheSimulatorDoes) {
  const ksim::RecordedSession race = ReadResultsFile(ResultsFile("hockenheim-race-2023.xml"));
  bool sawChat = false;
  std::vector<std::string> contacts;
  for (const auto& line : race.stream) {
    if (line.tag == "Incident" && line.et == 289.4) contacts.push_back(line.line);
    if (line.tag == "Chat" && !sawChat) {
      sawChat = true;
      EXPECT_EQ(line.line.substr(0, 24), "<Chat et=\"10.6\">&gt; /w ") << "entities written back";
      EXPECT_EQ(line.text.substr(0, 5), "> /w ");
    }
    ASSERT_EQ(line.line.back(), '\n');
  }
  EXPECT_TRUE(sawChat);
  ASSERT_EQ(contacts.size(), 4u) << "lines of the same time keep their order";
  EXPECT_EQ(contacts[0],
            "<Incident et=\"289.4\">Connor Roth(55) reported contact (1504.18) with another vehicle Connor Roth(55)"
            "</Incident>\n");
}

TEST(ResultsFile, ReadsQualifyingAndPitLaps) {
  const ksim::RecordedSession qualifying = ReadResultsFile(ResultsFile("hockenheim-qualifying-2023.xml"));
  EXPECT_EQ(qualifying.element, "Qualify");
  EXPECT_EQ(qualifying.sessionNumber, 5);
  EXPECT_EQ(qualifying.kind, ksim::SessionKind::Qualifying);
  int pitLaps = 0;
  for (const auto& driver : qualifying.drivers) {
    for (const auto& lap : driver.lapList) pitLaps += lap.pit ? 1 : 0;
  }
  EXPECT_GT(pitLaps, 10);
}

TEST(ResultsFile, SessionElementsHaveTheSimulatorsNumbers) {
  EXPECT_EQ(ksim::SessionNumberOfElement("TestDay"), 0);
  EXPECT_EQ(ksim::SessionNumberOfElement("Practice1"), 1);
  EXPECT_EQ(ksim::SessionNumberOfElement("Practice4"), 4);
  EXPECT_EQ(ksim::SessionNumberOfElement("Qualify"), 5);
  EXPECT_EQ(ksim::SessionNumberOfElement("Qualify3"), 7);
  EXPECT_EQ(ksim::SessionNumberOfElement("Warmup"), 9);
  EXPECT_EQ(ksim::SessionNumberOfElement("Race"), 10);
  EXPECT_EQ(ksim::SessionNumberOfElement("Race2"), 11);
  EXPECT_EQ(ksim::SessionNumberOfElement("Practice5"), -1);
  EXPECT_EQ(ksim::SessionNumberOfElement("Stream"), -1);
}

TEST(ResultsFile, ABrokenFileIsReportedWithItsNameAndPosition) {
  TempDir dir;
  const std::string path = dir.File("broken.xml");
  std::string text = Minimal("Ann Lee");
  text.replace(text.find("</Name>"), 7, "</Nmae>");  // line 12
  WriteBytes(path, text);
  const std::string error = ErrorOf(path);
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_NE(error.find("line 12,"), std::string::npos) << error;
  EXPECT_NE(error.find("not well-formed XML"), std::string::npos) << error;

  WriteBytes(path, Minimal("Ann Lee").substr(0, 200));
  EXPECT_NE(ErrorOf(path).find("line "), std::string::npos);
}

TEST(ResultsFile, AFileThatIsNoResultsFileOrLacksTheTrackIsRefused) {
  TempDir dir;
  const std::string path = dir.File("other.xml");
  WriteBytes(path, "<?xml version=\"1.0\"?>\n<catalog><book/></catalog>\n");
  EXPECT_NE(ErrorOf(path).find("not a results file"), std::string::npos);

  std::string text = Minimal("Ann Lee");
  text.erase(text.find("<TrackLength>"), std::string("<TrackLength>3000.0</TrackLength>\n").size());
  WriteBytes(path, text);
  const std::string error = ErrorOf(path);
  EXPECT_NE(error.find("TrackLength"), std::string::npos) << error;
  EXPECT_NE(error.find("line 3,"), std::string::npos) << error;

  EXPECT_NE(ErrorOf(dir.File("missing.xml")).find("cannot be opened"), std::string::npos);
}

TEST(ResultsFile, NamesKeepBytesThatAreNotValidUtf8) {
  TempDir dir;
  const std::string path = dir.File("latin1.xml");
  const std::string name = "J\xE9r\xF4me -Delbarre";
  WriteBytes(path, Minimal(name));
  const ksim::RecordedSession session = ReadResultsFile(path);
  ASSERT_EQ(session.drivers.size(), 1u);
  EXPECT_EQ(session.drivers[0].name, name);
  ASSERT_EQ(session.stream.size(), 1u);
  EXPECT_NE(session.stream[0].line.find(name + "(7)"), std::string::npos);
}

TEST(ResultsFile, SaysWhichSimulatorWroteIt) {
  const struct {
    const char* file;
    const char* game;
    const char* version;
  } files[] = {
      {"barcelona-lmu-race-2026.xml", "Le Mans Ultimate", "1.3000"},
      {"barcelona-lmu-qualifying-2026.xml", "Le Mans Ultimate", "1.3000"},
      {"hockenheim-race-2023.xml", "rFactor 2", "1.1131"},
      {"istanbul-race-2019.xml", "rFactor 2", "1.1112"},
      {"monza-race-pitstops-2014.xml", "rFactor 2", "1.660"},  // no track path, but a mod
  };
  for (const auto& f : files) {
    const ksim::RecordedSession session = ReadResultsFile(ResultsFile(f.file));
    EXPECT_EQ(session.game, f.game) << f.file;
    EXPECT_EQ(session.gameVersion, f.version) << f.file;
  }
  TempDir dir;
  WriteBytes(dir.File("bare.xml"), Minimal("Ann Lee"));
  EXPECT_EQ(ReadResultsFile(dir.File("bare.xml")).game, "") << "a file that does not say";
}

TEST(ResultsFile, ReadsLeMansUltimatesClassesAndNames) {
  const ksim::RecordedSession race = ReadResultsFile(ResultsFile("barcelona-lmu-race-2026.xml"));
  ASSERT_EQ(race.drivers.size(), 44u);
  std::map<std::string, int> classes;
  for (const ksim::RecordedDriver& d : race.drivers) ++classes[d.vehicleClass];
  EXPECT_EQ(classes, (std::map<std::string, int>{{"GT3", 21}, {"LMP2_ELMS", 13}, {"LMP3", 10}}));
  // Online names carry a "#" and digits; the slot id is the last bracket's.
  TempDir dir;
  std::string text = Minimal("Joao Souza#8533");
  text.replace(text.find("<GridPos>"), 0, "<CarClass>Hyper</CarClass>\n");
  WriteBytes(dir.File("lmu.xml"), text);
  const ksim::RecordedSession session = ReadResultsFile(dir.File("lmu.xml"));
  EXPECT_EQ(session.drivers[0].vehicleClass, "Hyper");
  ksim::TimingPoint point;
  ASSERT_TRUE(ksim::ParseTimingPoint(session.stream[0].text, point));
  EXPECT_EQ(point.driver, "Joao Souza#8533");
  EXPECT_EQ(point.id, 7);
}

}  // namespace
