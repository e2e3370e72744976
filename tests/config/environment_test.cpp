// The set-up at SetEnvironment: where the INI file lies, what a first run
// leaves in it, and the files folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/director_fixture.hpp"
#include "support/ini_file.hpp"

namespace fs = std::filesystem;

namespace {

class Environment : public ::testing::Test {
 protected:
  void SetUpWith(const std::string& pathEntry) {
    EnvironmentInfoV01 info{};
    info.mPath[0] = "unused";
    info.mPath[1] = pathEntry.c_str();
    plugin.SetEnvironment(info);
  }
  std::string Ini() const { return folder.File("rF2kovrel.ini"); }

  TempFolder folder;
  rF2kovrel plugin;
};

TEST_F(Environment, AFirstRunWritesEveryKeyWithItsDefault) {
  SetUpWith(folder.Path() + "\\options.json");
  EXPECT_EQ(ReadFileBytes(Ini()),
            "[KOVREL]\r\n"
            "auto=1\r\n"
            "autokey=0x41\r\n"
            "waitsec=15\r\n"
            "interest=12\r\n"
            "interestdiff=3\r\n"
            "onboarddiff=0.4\r\n"
            "onboardcam=0\r\n"
            "rearview=0\r\n"
            "rearviewcam=6\r\n"
            "camtest=no\r\n"
            "walkthrough=1\r\n"
            "showinpit=interestdiff\r\n"
            "lowinc=0.4\r\n"
            "highinc=0.8\r\n"
            "msessioninc=10\r\n"
            "filespath=" + folder.Path() + "\\rF2stream\r\n"
            "debug=0\r\n"
            "sbsdist=1.5\r\n"
            "sbscount=2\r\n"
            "replayduration=20\r\n"
            "replayoffset=5.0\r\n");
  EXPECT_TRUE(fs::is_directory(folder.File("rF2stream")));
}

TEST_F(Environment, EverySpellingOfTheFolderFindsTheSameIniFile) {
  for (const std::string& entry :
       {folder.Path() + "\\", folder.Path() + "/", folder.Path() + "\\options.json"}) {
    SetUpWith(entry);
    EXPECT_EQ(plugin.mIniPath, folder.Path() + "\\rF2kovrel.ini") << entry;
    EXPECT_EQ(plugin.filespath, folder.Path() + "\\rF2stream") << entry;
  }
}

TEST_F(Environment, ASecondRunReadsTheFileAgain) {
  SetUpWith(folder.Path() + "\\");
  std::string text = ReadFileBytes(Ini());
  text.replace(text.find("waitsec=15"), 10, "waitsec=30");
  WriteFileBytes(Ini(), text);
  plugin.auto_ = 0;  // as the shortcut leaves it
  SetUpWith(folder.Path() + "\\");
  EXPECT_EQ(plugin.waitsec, 30);
  EXPECT_EQ(plugin.auto_, 1);
  EXPECT_EQ(ReadFileBytes(Ini()), text);
}

TEST_F(Environment, AFilesFolderWithoutItsParentIsNotCreated) {
  const std::string files = folder.File("missing") + "\\rF2stream";
  WriteFileBytes(Ini(), "[KOVREL]\r\nfilespath=" + files + "\r\ndebug=1\r\n");
  SetUpWith(folder.Path() + "\\");
  EXPECT_EQ(plugin.filespath, files);
  EXPECT_FALSE(fs::exists(folder.File("missing")));
  EXPECT_EQ(plugin.debug, 1) << "the settings after the folder are still read";
  EXPECT_EQ(plugin.replayoffset, 5.0);
}

TEST_F(Environment, AnIniPathThatIsAFolderLeavesTheDefaults) {
  fs::create_directory(Ini());
  SetUpWith(folder.Path() + "\\");
  EXPECT_TRUE(fs::is_directory(Ini()));
  EXPECT_EQ(plugin.auto_, 1);
  EXPECT_EQ(plugin.waitsec, 15);
  EXPECT_EQ(plugin.filespath, folder.Path() + "\\rF2stream");
  EXPECT_TRUE(fs::is_directory(folder.File("rF2stream")));
}

}  // namespace
