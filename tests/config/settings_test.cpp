// Each setting of the INI file: how its text is read, and when its default is
// written back.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>

#include "support/director_fixture.hpp"
#include "support/ini_file.hpp"

namespace {

class Settings : public ::testing::Test {
 protected:
  void SetUp() override { plugin.mIniPath = folder.Path() + "\\rF2kovrel.ini"; }

  // Reads every setting from a file holding `lines` under "[KOVREL]".
  void ReadFrom(const std::string& lines) {
    WriteFileBytes(Ini(), "[KOVREL]\r\n" + lines);
    plugin.ReadSettingsUpToFilesPath();
    plugin.ReadSettingsFromDebug();
  }
  std::string Ini() const { return folder.File("rF2kovrel.ini"); }
  // The file holds this line between two line breaks.
  bool FileHoldsLine(const std::string& line) const {
    return ReadFileBytes(Ini()).find("\n" + line + "\r\n") != std::string::npos;
  }

  TempFolder folder;
  rF2kovrel plugin;
};

TEST_F(Settings, WithoutAFileEverySettingTakesItsDefault) {
  plugin.ReadSettingsUpToFilesPath();
  plugin.ReadSettingsFromDebug();
  EXPECT_EQ(plugin.auto_, 1);
  EXPECT_EQ(plugin.autokey, 65);
  EXPECT_EQ(plugin.waitsec, 15);
  EXPECT_EQ(plugin.interest, 12);
  EXPECT_EQ(plugin.interestdiff, 3);
  EXPECT_EQ(plugin.onboarddiff, 0.4);
  EXPECT_EQ(plugin.onboardcam, 0);
  EXPECT_EQ(plugin.rearview, 0);
  EXPECT_EQ(plugin.rearviewcam, 6);
  EXPECT_EQ(plugin.camtest, "no");
  EXPECT_EQ(plugin.walkthrough, 1);
  EXPECT_EQ(plugin.showinpit, "interestdiff");
  EXPECT_EQ(plugin.mShowInPitNum, 0);
  EXPECT_EQ(plugin.lowinc, 0.4);
  EXPECT_EQ(plugin.highinc, 0.8);
  EXPECT_EQ(plugin.msessioninc, 10);
  EXPECT_EQ(plugin.filespath, folder.Path() + "\\rF2stream");
  EXPECT_EQ(plugin.debug, 0);
  EXPECT_EQ(plugin.sbsdist, 1.5);
  EXPECT_EQ(plugin.sbscount, 2);
  EXPECT_EQ(plugin.replayduration, 20);
  EXPECT_EQ(plugin.replayoffset, 5.0);
}

TEST_F(Settings, AnIntegerKeepsAnyNumberItStartsWith) {
  struct Case {
    const char* text;
    int value;
    const char* lineAfter;
  };
  const Case cases[] = {
      {"0", 0, "waitsec=0"},         {"abc", 15, "waitsec=15"}, {"", 15, "waitsec=15"},
      {"20s", 20, "waitsec=20s"},    {"-7", -7, "waitsec=-7"},  {"+5", 5, "waitsec=+5"},
      {"0x", 0, "waitsec=0x"},       {"08", 0, "waitsec=08"},   {"- 3", 15, "waitsec=15"},
      {"99999999999", INT_MAX, "waitsec=99999999999"},
      {"-99999999999", INT_MIN, "waitsec=-99999999999"},
      {"0xFFFFFFFF", INT_MAX, "waitsec=0xFFFFFFFF"},
  };
  for (const Case& c : cases) {
    ReadFrom(std::string("waitsec=") + c.text + "\r\n");
    EXPECT_EQ(plugin.waitsec, c.value) << c.text;
    EXPECT_TRUE(FileHoldsLine(c.lineAfter)) << c.text;
  }
}

TEST_F(Settings, AnIntegerIsReadInDecimalHexOrOctal) {
  const std::pair<const char*, int> cases[] = {{"0x42", 66}, {"066", 54}, {"66", 66}};
  for (const auto& [text, value] : cases) {
    ReadFrom(std::string("autokey=") + text + "\r\n");
    EXPECT_EQ(plugin.autokey, value) << text;
    EXPECT_TRUE(FileHoldsLine(std::string("autokey=") + text)) << "nothing written back";
  }
}

TEST_F(Settings, TheSessionIncidentLimitIsARealTruncated) {
  struct Case {
    const char* text;
    int value;
    const char* lineAfter;
  };
  const Case cases[] = {
      {"2.9", 2, "msessioninc=2.9"},   {"-2.9", -2, "msessioninc=-2.9"},
      {"abc", 10, "msessioninc=10"},   {"1e30", INT_MAX, "msessioninc=1e30"},
      {"-inf", INT_MIN, "msessioninc=-inf"}, {"nan", 0, "msessioninc=nan"},
  };
  for (const Case& c : cases) {
    ReadFrom(std::string("msessioninc=") + c.text + "\r\n");
    EXPECT_EQ(plugin.msessioninc, c.value) << c.text;
    EXPECT_TRUE(FileHoldsLine(c.lineAfter)) << c.text;
  }
}

TEST_F(Settings, ARealIsReadAsStrtodReadsIt) {
  ReadFrom("onboarddiff=.25s\r\nlowinc=abc\r\nhighinc=1e-1\r\nreplayoffset=\r\nsbsdist=-2\r\n");
  EXPECT_EQ(plugin.onboarddiff, 0.25);
  EXPECT_EQ(plugin.lowinc, 0.4);
  EXPECT_EQ(plugin.highinc, 0.1);
  EXPECT_EQ(plugin.replayoffset, 5.0);
  EXPECT_EQ(plugin.sbsdist, -2.0);
  EXPECT_TRUE(FileHoldsLine("onboarddiff=.25s"));
  EXPECT_TRUE(FileHoldsLine("lowinc=0.4"));
  EXPECT_TRUE(FileHoldsLine("replayoffset=5.0"));
}

TEST_F(Settings, ATextLeftAtZeroTakesItsDefault) {
  ReadFrom("camtest=0\r\nshowinpit=0\r\nfilespath=0\r\n");
  EXPECT_EQ(plugin.camtest, "no");
  EXPECT_EQ(plugin.showinpit, "interestdiff");
  EXPECT_EQ(plugin.mShowInPitNum, 0);
  EXPECT_EQ(plugin.filespath, folder.Path() + "\\rF2stream");
  EXPECT_TRUE(FileHoldsLine("camtest=no"));
  EXPECT_TRUE(FileHoldsLine("showinpit=interestdiff"));
  EXPECT_TRUE(FileHoldsLine("filespath=" + folder.Path() + "\\rF2stream"));
}

TEST_F(Settings, AnyOtherTextStaysAsItIs) {
  ReadFrom("camtest=\r\nshowinpit=2\r\nfilespath=\r\n");
  EXPECT_EQ(plugin.camtest, "");
  EXPECT_EQ(plugin.showinpit, "2");
  EXPECT_EQ(plugin.mShowInPitNum, 2);
  EXPECT_EQ(plugin.filespath, "");
  EXPECT_TRUE(FileHoldsLine("camtest="));
  EXPECT_TRUE(FileHoldsLine("filespath="));
  ReadFrom("camtest=Yes\r\nshowinpit=0x10 cars\r\n");
  EXPECT_EQ(plugin.camtest, "Yes");
  EXPECT_EQ(plugin.mShowInPitNum, 16);
}

TEST_F(Settings, TheFirstNineKeysAreReadOneCharacterShorter) {
  // 254 zeros and a 7: the short read keeps only the zeros.
  const std::string digits = std::string(254, '0') + "7";
  ReadFrom("rearviewcam=" + digits + "\r\nwalkthrough=" + digits + "\r\ncamtest=" +
           std::string(300, 'c') + "\r\n");
  EXPECT_EQ(plugin.rearviewcam, 0);
  EXPECT_EQ(plugin.walkthrough, 7);
  EXPECT_EQ(plugin.camtest, std::string(255, 'c'));
}

TEST_F(Settings, KeysAndSectionsOutsideTheListAreLeftAlone) {
  const std::string before =
      "; my notes\r\n[Other]\r\nauto=5\r\n\r\n[KOVREL]\r\nmykey = x \r\nwaitsec=9\r\n";
  WriteFileBytes(Ini(), before);
  plugin.ReadSettingsUpToFilesPath();
  plugin.ReadSettingsFromDebug();
  EXPECT_EQ(plugin.auto_, 1) << "auto of another section is not ours";
  EXPECT_EQ(plugin.waitsec, 9);
  const std::string after = ReadFileBytes(Ini());
  EXPECT_EQ(after.substr(0, before.size()), before);
  EXPECT_EQ(after.find("auto=1"), before.size());
}

}  // namespace
