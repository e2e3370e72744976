// The settings check: what `kovrel-sim check-ini` says of each kind of
// mistake, how it reads the file, and the run's own refusals of settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "check/check.hpp"
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
  // The release's example suits current builds, so the current scale passes and the old one does not.
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
            1)
      << output;

  // What a person writes and the plug-in reads as meant: case, blanks, quotes, hex, a unit after the
  // number, a folder still to be created, words in any case, a pit-lane place.
  const std::string file = dir.File("fine.ini");
  ksim_test::WriteBytes(file, "\xEF\xBB\xBF; comment\n[other]\nscoring=1\n[Kovrel]\n  WaitSec = 20s \nautokey=0x42\n"
                              "camtest=\"OB\"\nshowinpit=3\nsbsdist=2.5\nmsessioninc=14\rfilespath=" +
                                  dir.File("stream") + "\r\n");
  EXPECT_EQ(ksim_test::RunCommand(std::string(KSIM_EXECUTABLE) + " check-ini " + file, output), 0) << output;
  // A missing file is an error of the command line, not a finding.
  EXPECT_GT(ksim_test::RunCommand(std::string(KSIM_EXECUTABLE) + " check-ini " + dir.File("none.ini"), output), 1)
      << output;
  EXPECT_NE(output.find("does not exist"), std::string::npos) << output;
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
