// The settings check: what `kovrel-sim check-ini` says of each kind of
// mistake, how it reads the file, and the run's own refusals of settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "check/check.hpp"
#include "sessions/results_file.hpp"
#include "sessions/stream_lines.hpp"
#include "sim_test_support.hpp"

namespace {

using ksim_test::TempDir;

std::string Section(const std::string& lines) { return "[KOVREL]\r\n" + lines; }

struct Case {
  const char* what;
  std::string file;
  const char* says;  // a part of the one line printed
  std::string options = "";
};

TEST(CheckIni, SaysEachMistakeOnOneLineAndExitsWithOne) {
  TempDir dir;
  const std::string current = ksim_test::ResultsFile("hockenheim-race-2023.xml");
  const std::string old = ksim_test::ResultsFile("istanbul-race-2019.xml");
  const std::vector<Case> cases = {
      {"unknown key", Section("scoring=1\r\n"), "line 2: \"scoring\" is not a setting of the plug-in: it ignores it"},
      {"typo", Section("waitsek=10\r\n"), "\"waitsek\" is not a setting of the plug-in; did you mean waitsec?"},
      {"swapped letters", Section("sbsdsit=2\r\n"), "did you mean sbsdist?"},
      {"below the range", Section("waitsec=-5\r\n"), "waitsec=-5 is outside what the plug-in can use (1 or more)"},
      {"a count of nothing", Section("sbscount=0\r\n"), "sbscount=0 is outside what the plug-in can use (2 or more)"},
      {"above the range", Section("rearview=150\r\n"), "rearview=150 is outside what the plug-in can use (0 to 100)"},
      {"opt-in switch", Section("standings=2\r\n"), "standings=2 is outside what the plug-in can use (0 or 1)"},
      {"octal", Section("waitsec=08\r\n"),
       "waitsec=08 reads as 0: a number that starts with 0 is octal to the plug-in; write 8"},
      {"octal that reads", Section("autokey=010\r\n"), "autokey=010 reads as 8: "},
      {"decimal comma", Section("sbsdist=1,5\r\n"), "sbsdist=1,5 reads as 1: the plug-in stops at the comma"},
      {"fraction of a whole number", Section("waitsec=7.5\r\n"), "waitsec=7.5 reads as 7: the plug-in reads whole numbers only"},
      {"session number cut", Section("msessioninc=10.5\r\n"), "msessioninc=10.5 reads as 10"},
      {"no number", Section("waitsec=ten\r\n"), "waitsec=ten does not start with a number: the plug-in uses its default 15"},
      {"empty number", Section("sbsdist=\r\n"), "sbsdist is empty: the plug-in uses its default 1.5"},
      {"unknown word", Section("camtest=yes\r\n"), "camtest=yes is not a word the plug-in knows (no, ob, rv): it acts as no"},
      {"pit word typo", Section("showinpit=alwyas\r\n"), "it acts as never"},
      {"pit places below one", Section("showinpit=-2\r\n"), "showinpit=-2 is outside what the plug-in can use"},
      {"text left at 0", Section("camtest=0\r\n"), "camtest=0 counts as not set: the plug-in uses its default no"},
      {"twice", Section("waitsec=10\r\nwaitsec=20\r\n"), "line 3: waitsec again: the plug-in reads only the first (line 2)"},
      {"no equals sign", Section("debug\r\n"), "debug has no \"=\": the plug-in uses its default 0"},
      {"no section", "waitsec=10\r\n", "no [KOVREL] section"},
      {"second section", Section("waitsec=10\r\n[KOVREL]\r\nwaitsec=8\r\n"), "line 3: a second [KOVREL] section"},
      {"folder nowhere", Section("filespath=" + dir.File("gone/rF2stream") + "\r\n"),
       "does not exist on this computer, nor does the folder above it"},
      {"folder is a file", Section("filespath=" + dir.File("old-scale.ini") + "\r\n"), "is a file, not a folder"},
      {"empty folder", Section("filespath=\r\n"), "filespath is empty"},
      {"no port", Section("webport=0\r\n"), "webport=0 is outside what the plug-in can use (1 to 65535)"},
      {"past the last port", Section("webport=65536\r\n"), "webport=65536 is outside what the plug-in can use (1 to 65535)"},
      {"port by name", Section("webport=rf2\r\n"),
       "webport=rf2 does not start with a number: the plug-in uses its default 6397"},
      {"thresholds the wrong way round", Section("lowinc=2000\r\n"),
       "highinc=0.8 (its default) is below lowinc=2000: every contact stronger than lowinc is replayed"},
      {"old scale on current results", Section("lowinc=0.4\r\nhighinc=0.8\r\n"),
       "lowinc=0.4 and highinc=0.8 fit the 0-1 scale of older simulator builds, but your results files report "
       "contact strengths up to ",
       "--results " + current},
      {"defaults on current results", Section("waitsec=10\r\n"), "lowinc=0.4 (its default) and highinc=0.8 (its default) fit",
       "--results " + current},
      {"current scale on old results", Section("lowinc=2000\r\nhighinc=4000\r\n"),
       "lowinc=2000 and highinc=4000 fit the scale of current simulator builds", "--results " + old},
      {"the key of autokey", Section("holdkey=0x41\r\n"),
       "line 2: holdkey=0x41 is the key of autokey, which switches the director off: the plug-in leaves holdkey off"},
      {"two actions on one key", Section("nextkey=0x4E\r\nprevkey=78\r\n"),
       "line 3: prevkey=78 is also nextkey's key: the plug-in leaves both nextkey and prevkey off"},
      {"a key out of range", Section("replaykey=300\r\n"), "replaykey=300 is outside what the plug-in can use (0 to 254)"},
      {"favourites no list", Section("favourites=7;23\r\n"),
       "favourites=7;23 is not a list of car numbers (as 7,23,50): the plug-in favours no car"},
      {"favourites no car has", Section("favourites=999\r\nlowinc=2000\r\nhighinc=4000\r\n"), "favourites=999: no car of your results files has the number 999",
       "--results " + current},
      {"favour below one", Section("favourfactor=0.5\r\n"), "favourfactor=0.5 is outside what the plug-in can use (1 or more)"},
  };
  ksim_test::WriteBytes(dir.File("old-scale.ini"), "[KOVREL]\r\nlowinc=0.4\r\n");
  for (const Case& c : cases) {
    const std::string file = dir.File(std::string(c.what) + ".ini");
    ksim_test::WriteBytes(file, c.file);
    std::string output;
    const int status = ksim_test::RunCommand(std::string(KSIM_EXECUTABLE) + " check-ini '" + file + "' " + c.options, output);
    EXPECT_EQ(status, 1) << c.what << ":\n" << output;
    EXPECT_NE(output.find(file + ": "), std::string::npos) << c.what;
    EXPECT_NE(output.find(c.says), std::string::npos) << c.what << ":\n" << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << c.what << ": one line:\n" << output;
  }
}

TEST(CheckIni, TheExampleSettingsAndWhatTheyAllowPass) {
  TempDir dir;
  std::string output;
  // The release's example starts from rFactor 2 1.11xx's thresholds and follows each session's own
  // contacts (autoinc): it passes on the current scale and on the old one.
  const std::string example = std::string(KOVREL_DOCS) + "/rF2kovrel-example.ini";
  EXPECT_EQ(ksim_test::RunCommand(std::string(KSIM_EXECUTABLE) + " check-ini " + example + " --results " +
                                      ksim_test::ResultsFile("hockenheim-race-2023.xml"),
                                  output),
            0)
      << output;
  EXPECT_NE(output.find("the plug-in reads every setting as written"), std::string::npos) << output;
  EXPECT_EQ(ksim_test::RunCommand(std::string(KSIM_EXECUTABLE) + " check-ini " + example + " --results " +
                                      ksim_test::ResultsFile("istanbul-race-2019.xml"),
                                  output),
            0)
      << output;

  // What a person writes and the plug-in reads as meant: case, blanks, quotes, hex, a unit after the
  // number, a folder still to be created, words in any case, a pit-lane place.
  const std::string file = dir.File("fine.ini");
  ksim_test::WriteBytes(file, "\xEF\xBB\xBF; comment\n[other]\nscoring=1\n[Kovrel]\n  WaitSec = 20s \nautokey=0x42\n"
                              "camtest=\"OB\"\nshowinpit=3\nsbsdist=2.5\nmsessioninc=14\rwebport=05397\nfilespath=" +
                                  dir.File("stream") + "\r\n");
  EXPECT_EQ(ksim_test::RunCommand(std::string(KSIM_EXECUTABLE) + " check-ini " + file, output), 0) << output;
  // A missing file is an error of the command line, not a finding.
  EXPECT_GT(ksim_test::RunCommand(std::string(KSIM_EXECUTABLE) + " check-ini " + dir.File("none.ini"), output), 1)
      << output;
  EXPECT_NE(output.find("does not exist"), std::string::npos) << output;
}

TEST(CheckIni, KnowsTheThreeContactScalesAndNamesEachFilesBuild) {
  TempDir dir;
  const std::string lmu = ksim_test::ResultsFile("barcelona-lmu-race-2026.xml");
  const std::string example = std::string(KOVREL_DOCS) + "/rF2kovrel-example.ini";
  const struct {
    const char* what;
    std::string file;  // settings; empty: the release's example
    std::string results;
    int status;
    const char* says;
  } cases[] = {
      {"rFactor 2 thresholds on Le Mans Ultimate", Section("lowinc=2000\r\nhighinc=4000\r\n"), lmu, 1,
       "lowinc=2000 and highinc=4000 on barcelona-lmu-race-2026.xml (Le Mans Ultimate 1.3000, a 34-minute race) "
       "would replay 10 contacts, 18 an hour: 8 of its 77 with a wall and 2 of its 139 car-to-car contacts (its "
       "car-to-car strengths lie below rFactor 2 1.11xx's: median 335, strongest tenth from 1461); more than eight "
       "an hour bury the live race (for about eight replays an hour there, try lowinc=2800 and highinc=5700)"},
      {"thresholds for Le Mans Ultimate", Section("lowinc=2800\r\nhighinc=5700\r\n"), lmu, 0,
       "contact thresholds checked for Le Mans Ultimate 1.3000 from barcelona-lmu-race-2026.xml"},
      {"thresholds above every contact", Section("lowinc=50000\r\nhighinc=90000\r\n"), lmu, 1,
       "would replay 0 contacts, 0 an hour: 0 of its 77 with a wall and 0 of its 139 car-to-car contacts"},
      {"thresholds that follow the session", Section("lowinc=2000\r\nhighinc=4000\r\nautoinc=1\r\n"), lmu, 0,
       "as written"},
      {"replays kept to the live directors budget", Section("lowinc=2000\r\nhighinc=4000\r\nlivedirector=1\r\n"),
       lmu, 0, "as written"},
      {"old thresholds on Le Mans Ultimate", Section("waitsec=15\r\n"), lmu, 1,
       "(barcelona-lmu-race-2026.xml: Le Mans Ultimate 1.3000): nearly every contact would be replayed (Le Mans "
       "Ultimate (barcelona-lmu-race-2026.xml): for about eight replays an hour there, try lowinc=2800 and "
       "highinc=5700)"},
      {"rFactor 2 thresholds on rFactor 2", "", ksim_test::ResultsFile("hockenheim-race-2023.xml"), 0,
       "checked for rFactor 2 1.1131 from hockenheim-race-2023.xml"},
      {"rFactor 2 thresholds on an old build", Section("lowinc=2000\r\nhighinc=4000\r\n"),
       ksim_test::ResultsFile("monza-race-pitstops-2014.xml"), 1,
       "up to 1 (monza-race-pitstops-2014.xml: rFactor 2 1.660): no contact would be replayed"},
      {"the example, which follows the session, on an old build", "", ksim_test::ResultsFile("monza-race-pitstops-2014.xml"),
       0, "checked for rFactor 2 1.660 from monza-race-pitstops-2014.xml"},
      {"old thresholds that follow the session on a current build", Section("autoinc=1\r\n"),
       ksim_test::ResultsFile("hockenheim-race-2023.xml"), 1, "nearly every contact would be replayed"},
      {"no results", "", "", 0, "checked for an unknown build (no --results)"},
  };
  for (const auto& c : cases) {
    std::string file = example;
    if (!c.file.empty()) {
      file = dir.File(std::string(c.what) + ".ini");
      ksim_test::WriteBytes(file, c.file);
    }
    std::string output;
    const std::string results = c.results.empty() ? "" : " --results " + c.results;
    EXPECT_EQ(ksim_test::RunCommand(std::string(KSIM_EXECUTABLE) + " check-ini '" + file + "'" + results, output), c.status)
        << c.what << ":\n" << output;
    EXPECT_NE(output.find(c.says), std::string::npos) << c.what << ":\n" << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << c.what << ": one line:\n" << output;
  }
}

// A session whose stream holds car-to-car contacts of these strengths.
ksim::RecordedSession ContactsSession(const std::string& game, const std::vector<double>& strengths) {
  ksim::RecordedSession session;
  session.path = "/league/race.xml";
  session.minutes = 30.0;
  session.game = game;
  session.gameVersion = "1.3000";
  ksim::CarEntry a{3, "Ann Lee", "", "", 1};
  ksim::CarEntry b{4, "Bo Chan#1234", "", "", 2};
  double et = 100.0;
  for (const double strength : strengths) {
    const std::string line = ksim::ContactLine(et, a, strength, &b);
    session.stream.push_back({et, "Incident", "", line});
    et += 10.0;
  }
  return session;
}

TEST(ContactBuild, TheFilesWordDecidesAndOnlyWithoutItTheMedian) {
  const std::vector<double> lmu = {20, 150, 300, 320, 900, 2500};
  const std::vector<double> rfactor2 = {1040, 1200, 1300, 1500, 3700};
  const struct {
    const char* what;
    ksim::RecordedSession session;
    ksim::ContactScale scale;
    const char* name;
  } cases[] = {
      {"Le Mans Ultimate", ContactsSession("Le Mans Ultimate", rfactor2), ksim::ContactScale::LeMansUltimate,
       "Le Mans Ultimate 1.3000"},
      {"rFactor 2", ContactsSession("rFactor 2", lmu), ksim::ContactScale::Rfactor2, "rFactor 2 1.3000"},
      {"old build", ContactsSession("rFactor 2", {0.02, 0.4, 1.0}), ksim::ContactScale::Old, "rFactor 2 1.3000"},
      {"low median", ContactsSession("", lmu), ksim::ContactScale::LeMansUltimate,
       "build 1.3000, by its car-to-car median of 310 Le Mans Ultimate"},
      {"high median", ContactsSession("", rfactor2), ksim::ContactScale::Rfactor2,
       "build 1.3000, by its car-to-car median of 1300 rFactor 2 1.11xx"},
      {"no contacts", ContactsSession("", {}), ksim::ContactScale::Unknown, "build 1.3000"},
  };
  for (const auto& c : cases) {
    const ksim::ResultsContacts file = ksim::ContactsOf(c.session);
    EXPECT_EQ(file.scale, c.scale) << c.what;
    EXPECT_EQ(ksim::BuildName(file), c.name) << c.what;
    EXPECT_EQ(file.file, "race.xml");
  }
  // The two reports of one contact, a tenth apart, are one contact as strong as the stronger.
  ksim::RecordedSession twice = ContactsSession("Le Mans Ultimate", {300, 700});
  twice.stream[1].et = 100.1;
  twice.stream[1].line.replace(twice.stream[1].line.find("110.0"), 5, "100.1");
  const ksim::ResultsContacts merged = ksim::ContactsOf(twice);
  ASSERT_EQ(merged.contacts.size(), 1u);
  EXPECT_EQ(merged.contacts[0].strength, 700.0);
  EXPECT_EQ(merged.carToCar.size(), 2u) << "the strengths are each report's";
}

TEST(ContactBuild, ARunWithTheDefaultThresholdsIsToldWhatSuitsItsFile) {
  // Half an hour: four replays; the fourth strongest contact decides.
  const std::string lmu =
      ksim::DefaultThresholdsNote(ksim::ContactsOf(ContactsSession("Le Mans Ultimate", {20, 150, 300, 320, 900, 2500})));
  EXPECT_NE(lmu.find("this file (Le Mans Ultimate 1.3000) reports contact strengths up to 2500"), std::string::npos) << lmu;
  EXPECT_NE(lmu.find("--set lowinc=150 --set highinc=300 (about eight replays an hour of this race)"), std::string::npos)
      << lmu;
  EXPECT_NE(ksim::DefaultThresholdsNote(ksim::ContactsOf(ContactsSession("rFactor 2", {1040, 1300, 3700})))
                .find("--set lowinc=1000 --set highinc=2000"),
            std::string::npos);
  EXPECT_EQ(ksim::DefaultThresholdsNote(ksim::ContactsOf(ContactsSession("rFactor 2", {0.2, 0.9}))), "");
}

TEST(CheckIni, ReadsTheSectionAsThePluginsProfileReadsDo) {
  TempDir dir;
  const std::string file = dir.File("r.ini");
  ksim_test::WriteBytes(file, "waitsec=1\r[KOVREL] ; x\rwaitsec= '9' \r\n\r\nDebug\n[next]\nsbscount=3\n");
  const ksim::IniContents contents = ksim::ReadIniContents(file);
  EXPECT_TRUE(contents.hasSection);
  ASSERT_EQ(contents.entries.size(), 2u);
  EXPECT_EQ(contents.entries[0].key, "waitsec");
  EXPECT_EQ(contents.entries[0].value, "9");
  EXPECT_EQ(contents.entries[0].where, "line 3");
  EXPECT_EQ(contents.entries[1].key, "Debug");
  EXPECT_FALSE(contents.entries[1].hasValue);
  EXPECT_EQ(contents.entries[1].where, "line 5");
}

TEST(CheckIni, NamesTheNearestKeyOnlyForACloseTypo) {
  EXPECT_EQ(ksim::NearestKey("WAITSEK"), "waitsec");
  EXPECT_EQ(ksim::NearestKey("repalyoffset"), "replayoffset");
  EXPECT_EQ(ksim::NearestKey("aut"), "auto");
  EXPECT_EQ(ksim::NearestKey("scoring"), "");
  EXPECT_EQ(ksim::NearestKey("db"), "");
  EXPECT_EQ(ksim::UnknownKeyProblem("SbsCount"), "") << "keys match in any case";
}

TEST(RunSettingsCheck, SetsReplaceTheFilesValuesAndEachProblemIsAWarning) {
  TempDir dir;
  const std::string file = dir.File("mine.ini");
  ksim_test::WriteBytes(file, "[KOVREL]\nwaitsec=-5\nsbscount=0\n");
  std::ostringstream err;
  ksim::CheckContext context;
  context.strongestContact = 9000.0;
  ASSERT_TRUE(ksim::WarnAboutRunSettings(err, file, {{"WAITSEC", "08"}, {"lowinc", "3000"}}, context));
  const std::string said = err.str();
  EXPECT_NE(said.find("kovrel-sim: warning: --set: WAITSEC=08 reads as 0"), std::string::npos) << said;
  EXPECT_EQ(said.find("waitsec=-5"), std::string::npos) << "the --set replaced it:\n" << said;
  EXPECT_NE(said.find("kovrel-sim: warning: line 3: sbscount=0 is outside"), std::string::npos) << said;
  EXPECT_NE(said.find("warning: highinc=0.8 (its default) fit the 0-1 scale"), std::string::npos) << said;
  EXPECT_NE(said.find("warning: highinc=0.8 (its default) is below lowinc=3000"), std::string::npos) << said;

  std::ostringstream quiet;
  EXPECT_TRUE(ksim::WarnAboutRunSettings(quiet, "", {}, context));
  EXPECT_TRUE(quiet.str().empty()) << "no settings given, nothing checked";
  EXPECT_FALSE(ksim::WarnAboutRunSettings(quiet, dir.File("missing.ini"), {}, context));
}

TEST(KovrelSimProgram, RefusesAnUnknownSetAndAReportIntoAMissingFolderBeforeTheRun) {
  TempDir dir;
  std::string output;
  const std::string run = std::string(KSIM_EXECUTABLE) + " --quiet --workdir " + dir.File("work");
  EXPECT_EQ(ksim_test::RunCommand(run + " --set scoring=1", output), 2) << output;
  EXPECT_NE(output.find("--set scoring=1: \"scoring\" is not a setting of the plug-in"), std::string::npos) << output;
  EXPECT_EQ(ksim_test::RunCommand(run + " --set Waitsek=9", output), 2) << output;
  EXPECT_NE(output.find("did you mean waitsec?"), std::string::npos) << output;
  const std::string report = dir.File("no/report.html");
  EXPECT_EQ(ksim_test::RunCommand(run + " --report " + report, output), 2) << output;
  EXPECT_NE(output.find("kovrel-sim: cannot write the report " + report + ": its folder does not exist"),
            std::string::npos)
      << output;
  EXPECT_FALSE(std::filesystem::exists(dir.File("work"))) << "nothing played";
}

}  // namespace

namespace {

TEST(CheckIni, TheBroadcastersKeysAndFavouritesAsMeantPass) {
  ksim_test::TempDir dir;
  const std::string file = dir.File("hand.ini");
  ksim_test::WriteBytes(file, "[KOVREL]\r\nholdkey=0x48\r\nnextkey=0x26\r\nprevkey=0x28\r\nleaderkey=0\r\n"
                              "manualhold=20\r\nfavourites=7, 23\r\nfavourfactor=3\r\n");
  std::string output;
  EXPECT_EQ(ksim_test::RunCommand(std::string(KSIM_EXECUTABLE) + " check-ini " + file, output), 0) << output;
}

}  // namespace
