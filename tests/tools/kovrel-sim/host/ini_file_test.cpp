#include <gtest/gtest.h>

#include <filesystem>

#include "host/ini_file.hpp"
#include "sim_test_support.hpp"

namespace {

using ksim::Setting;
using ksim::WriteSettingsFile;
using ksim_test::ReadBytes;
using ksim_test::TempDir;
using ksim_test::WriteBytes;

TEST(SettingsFile, SettingsGoIntoTheKovrelSection) {
  TempDir dir;
  const std::string path = WriteSettingsFile(dir.Path(), "", {{"lowinc", "1000"}, {"highinc", "2000"}});
  EXPECT_EQ(path, dir.File("rF2kovrel.ini"));
  EXPECT_EQ(ReadBytes(path), "[KOVREL]\nlowinc=1000\nhighinc=2000\n");
}

TEST(SettingsFile, ATemplateKeepsItsLinesAndGetsTheSettings) {
  TempDir dir;
  const std::string base = dir.File("mine.ini");
  WriteBytes(base, "; my settings\r\n[Other]\nlowinc=7\n[kovrel]\nwaitsec=10\nLowInc = 0.5\n\n[Last]\nx=1\n");
  const std::string path =
      WriteSettingsFile(dir.Path(), base, {{"lowinc", "900"}, {"auto", "0"}, {"lowinc", "1000"}});
  EXPECT_EQ(ReadBytes(path),
            "; my settings\n[Other]\nlowinc=7\n[kovrel]\nwaitsec=10\nLowInc=1000\n\nauto=0\n[Last]\nx=1\n");
}

TEST(SettingsFile, WithNothingToSetThePluginWritesItsDefaults) {
  TempDir dir;
  WriteBytes(dir.File("rF2kovrel.ini"), "[KOVREL]\nauto=0\n");
  WriteSettingsFile(dir.Path(), "", {});
  EXPECT_FALSE(std::filesystem::exists(dir.File("rF2kovrel.ini")));
}

TEST(SettingsFile, SettingsAreReadAsKeyEqualsValue) {
  Setting s;
  ASSERT_TRUE(ksim::ParseSetting(" showinpit = always ", s));
  EXPECT_EQ(s.first, "showinpit");
  EXPECT_EQ(s.second, "always");
  ASSERT_TRUE(ksim::ParseSetting("filespath=C:\\a=b", s));
  EXPECT_EQ(s.second, "C:\\a=b");
  EXPECT_FALSE(ksim::ParseSetting("auto", s));
  EXPECT_FALSE(ksim::ParseSetting("=1", s));
}

TEST(SettingsFile, AMissingTemplateIsAnError) {
  TempDir dir;
  EXPECT_THROW(WriteSettingsFile(dir.Path(), dir.File("none.ini"), {}), std::runtime_error);
}

}  // namespace
