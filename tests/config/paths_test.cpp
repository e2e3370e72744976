#include "config/paths.hpp"

#include <gtest/gtest.h>

TEST(IniLocation, AFolderWithATrailingSeparatorAndAFileInsideItGiveThatFolder) {
  for (const char* entry : {"C:\\Sim\\UserData\\player\\", "C:\\Sim\\UserData\\player\\options.json"}) {
    const std::string ini = IniPathFor(entry);
    EXPECT_EQ(ini, "C:\\Sim\\UserData\\player\\rF2kovrel.ini") << entry;
    EXPECT_EQ(DefaultFilesPathFor(ini), "C:\\Sim\\UserData\\player\\rF2stream") << entry;
  }
}

TEST(IniLocation, ForwardSlashesSeparateToo) {
  EXPECT_EQ(IniPathFor("C:/Sim/UserData/"), "C:/Sim/UserData\\rF2kovrel.ini");
  EXPECT_EQ(IniPathFor("C:/Sim\\UserData/x.json"), "C:/Sim\\UserData\\rF2kovrel.ini");
}

TEST(IniLocation, AnEntryWithoutSeparatorIsTheFolderItself) {
  EXPECT_EQ(IniPathFor("abc"), "abc\\rF2kovrel.ini");
  EXPECT_EQ(DefaultFilesPathFor(IniPathFor("abc")), "abc\\rF2stream");
  EXPECT_EQ(IniPathFor(""), "\\rF2kovrel.ini");
  EXPECT_EQ(IniPathFor(nullptr), "\\rF2kovrel.ini");
  EXPECT_EQ(DefaultFilesPathFor(IniPathFor("")), "\\rF2stream");
}
