// The opt-in keys: read when the file has them, never written into it.
#include <gtest/gtest.h>

#include <string>

#include "support/director_fixture.hpp"
#include "support/ini_file.hpp"

namespace {

class OptInSettings : public ::testing::Test {
 protected:
  void SetUp() override { plugin.mIniPath = folder.Path() + "\\rF2kovrel.ini"; }
  void ReadAll() {
    plugin.ReadSettingsUpToFilesPath();
    plugin.ReadSettingsFromDebug();
    plugin.ReadOptInSettings();
  }
  std::string Ini() const { return folder.File("rF2kovrel.ini"); }

  TempFolder folder;
  rF2kovrel plugin;
};

TEST_F(OptInSettings, ACompletedFileGainsNoneOfThemAndTheyStayOff) {
  ReadAll();
  const std::string completed = ReadFileBytes(Ini());
  for (const char* key : {"livedirector", "livemin", "liveswitch", "autoinc", "webport", "standings", "multiclass"}) {
    EXPECT_EQ(completed.find(key), std::string::npos) << key;
  }
  EXPECT_EQ(plugin.livedirector, 0);
  EXPECT_EQ(plugin.autoinc, 0);
  EXPECT_EQ(plugin.webport, 6397);
  EXPECT_EQ(plugin.standings, 0);
  EXPECT_EQ(plugin.multiclass, 0);
  // Read again from the completed file: not a byte changes.
  ReadAll();
  EXPECT_EQ(ReadFileBytes(Ini()), completed);
}

TEST_F(OptInSettings, PresentKeysAreReadAndUnusableOnesKeepTheBuiltInValue) {
  WriteFileBytes(Ini(), "[KOVREL]\r\nlivedirector=1\r\nlivemin=6\r\nliveswitch=0.5\r\nautoinc=x\r\nlowinc=2000\r\nstandings=1\r\n"
                        "multiclass=2\r\n");
  ReadAll();
  EXPECT_EQ(plugin.livedirector, 1);
  EXPECT_EQ(plugin.livemin, 6.0);
  EXPECT_EQ(plugin.liveswitch, 1.5) << "below 1 a car worth less would be switched to";
  EXPECT_EQ(plugin.autoinc, 0);
  EXPECT_EQ(plugin.standings, 1);
  EXPECT_EQ(plugin.multiclass, 1) << "any number but 0 switches it on";
  EXPECT_EQ(plugin.mIniLowinc, 2000.0) << "the file's threshold, restored each session under autoinc";
  const std::string file = ReadFileBytes(Ini());
  EXPECT_NE(file.find("autoinc=x\r\n"), std::string::npos) << "an unreadable opt-in key is left as written";
}

TEST_F(OptInSettings, WebportIsAPortOrTheUsualOne) {
  const struct {
    const char* line;
    int port;
  } cases[] = {
      {"webport=5397", 5397},  {"webport=1", 1},        {"webport=65535", 65535}, {"webport=0x1515", 5397},
      {"webport=0", 6397},     {"webport=65536", 6397}, {"webport=-5397", 6397},  {"webport=port", 6397},
      {"webport=", 6397},      {"webport=5397.9", 5397},
  };
  for (const auto& c : cases) {
    rF2kovrel fresh;
    fresh.mIniPath = plugin.mIniPath;
    WriteFileBytes(Ini(), std::string("[KOVREL]\r\n") + c.line + "\r\n");
    fresh.ReadOptInSettings();
    EXPECT_EQ(fresh.webport, c.port) << c.line;
    EXPECT_EQ(ReadFileBytes(Ini()), std::string("[KOVREL]\r\n") + c.line + "\r\n") << "never rewritten";
  }
}

TEST_F(OptInSettings, WebportIsSettledWithTheProbe) {
  // Focus requests go to the server the probe found, whatever the file says later.
  WriteFileBytes(Ini(), "[KOVREL]\r\nwebport=5397\r\n");
  plugin.ReadOptInSettings();
  plugin.mWebProbeDone = true;
  WriteFileBytes(Ini(), "[KOVREL]\r\nwebport=7000\r\n");
  plugin.ReadOptInSettings();
  EXPECT_EQ(plugin.webport, 5397);
}

}  // namespace
