#include <gtest/gtest.h>

#include "support/director_fixture.hpp"

namespace {

TEST(DebugLog, WrittenOnlyWhileDebugIsOnWithCrLfLines) {
  TempFolder folder;
  rF2kovrel plugin;
  ApplyDefaultSettings(plugin, folder.Path());
  EXPECT_FALSE(plugin.AppendDebugText("quiet\n"));
  EXPECT_FALSE(FileExists(folder.File("debug.log")));
  plugin.debug = 2;
  EXPECT_TRUE(plugin.AppendDebugText("one\n"));
  EXPECT_TRUE(plugin.AppendDebugText("two\n"));
  EXPECT_EQ(ReadFileBytes(folder.File("debug.log")), "one\r\ntwo\r\n");
}

TEST(DebugLog, FollowsTheCurrentFilesFolder) {
  TempFolder first;
  TempFolder second;
  rF2kovrel plugin;
  ApplyDefaultSettings(plugin, first.Path());
  plugin.debug = 1;
  plugin.filespath = second.Path();
  EXPECT_TRUE(plugin.AppendDebugText("moved\n"));
  EXPECT_EQ(ReadFileBytes(second.File("debug.log")), "moved\r\n");
  EXPECT_FALSE(FileExists(first.File("debug.log")));
  plugin.filespath = second.Path() + "\\missing";
  EXPECT_FALSE(plugin.AppendDebugText("lost\n"));
}

}  // namespace
