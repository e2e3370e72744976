// What Startup and StartSession leave behind: the first notice, the debug
// line, the stream files' paths and a fresh director.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "plugin/text.hpp"
#include "support/director_fixture.hpp"
#include "support/lap_page.hpp"
#include "support/snapshot_builder.hpp"

namespace {

class Startup : public ::testing::Test {
 protected:
  void SetUp() override { ApplyDefaultSettings(plugin, folder.Path()); }
  std::string PendingText() const {
    return TextOfField(plugin.mPendingMessage.mText, sizeof(plugin.mPendingMessage.mText));
  }

  TempFolder folder;
  rF2kovrel plugin;
};

TEST_F(Startup, TheFirstNoticeTellsWhetherTheAutoCameraIsOn) {
  for (int on : {1, 0}) {
    plugin.auto_ = on;
    // A longer notice still pending: none of it may show through.
    std::memset(plugin.mPendingMessage.mText, 'x', sizeof(plugin.mPendingMessage.mText) - 1);
    plugin.mPendingMessage.mDestination = 1;
    plugin.mPendingMessage.mTranslate = 1;
    plugin.Startup(7);
    const std::string expected =
        on != 0 ? "rF2kovrel 2026.05.29. Auto camera: on" : "rF2kovrel 2026.05.29. Auto camera: off";
    char text[sizeof(plugin.mPendingMessage.mText)] = {};
    std::memcpy(text, expected.data(), expected.size());
    EXPECT_EQ(std::memcmp(plugin.mPendingMessage.mText, text, sizeof(text)), 0) << PendingText();
    EXPECT_EQ(plugin.mPendingMessage.mDestination, 0);
    EXPECT_EQ(plugin.mPendingMessage.mTranslate, 0);
  }
}

TEST_F(Startup, TheDebugLogGetsTheOnOffLineOnlyWhenAsked) {
  plugin.auto_ = 0;
  plugin.Startup(7);
  EXPECT_FALSE(FileExists(folder.File("debug.log")));
  plugin.debug = 1;
  plugin.Startup(7);
  plugin.auto_ = 1;
  plugin.Startup(7);
  EXPECT_EQ(ReadFileBytes(folder.File("debug.log")), "Auto camera: off\r\nAuto camera: on\r\n");
}

TEST_F(Startup, TheStreamPathsJoinTheFilesFolderAsItIsWritten) {
  plugin.filespath = folder.Path() + "\\";
  plugin.Startup(7);
  EXPECT_EQ(plugin.mTimeFilePath, folder.Path() + "\\\\time.txt");
  EXPECT_EQ(plugin.mDriverFilePath, folder.Path() + "\\\\driver.txt");
  EXPECT_EQ(plugin.mInfoFilePath, folder.Path() + "\\\\info.html");
  EXPECT_EQ(plugin.mStatusFilePath, folder.Path() + "\\\\status.json");
  plugin.filespath = "elsewhere";
  plugin.StartSession();
  EXPECT_EQ(plugin.mTimeFilePath, folder.Path() + "\\\\time.txt") << "a session keeps the paths";
}

TEST_F(Startup, StartAndEachSessionResetTheDirector) {
  plugin.mHardwareEnabled = false;
  plugin.mActualVeh = 7;
  plugin.mReplayRunning = true;
  plugin.Startup(7);
  EXPECT_TRUE(plugin.mHardwareEnabled);
  EXPECT_EQ(plugin.mActualVeh, -1);
  EXPECT_FALSE(plugin.mReplayRunning);

  plugin.mPendingMessage.mText[0] = '\0';
  plugin.debug = 1;
  plugin.mActualVeh = 7;
  plugin.mBestLap = 80.0;
  plugin.StartSession();
  EXPECT_EQ(plugin.mActualVeh, -1);
  EXPECT_EQ(plugin.mBestLap, 2147483640.0);
  EXPECT_EQ(plugin.mPendingMessage.mText[0], '\0') << "no new notice";
  EXPECT_FALSE(FileExists(folder.File("debug.log")));
}

// The overlay sees the same start contents after the start and after every
// session start, whatever the last session left in the files.
TEST_F(Startup, StreamFilesGetTheirStartContentsAtEveryStart) {
  // The best times fall back to their sentinels; the followed car's running
  // lap is not part of the reset and stays as the last snapshot left it.
  auto expectStartContents = [&](const char* when, const char* runningLap) {
    const std::string sentinelPage =
        LapPage("2147483640.000", "0.000", "0.000", "35791394:00.000", runningLap);
    EXPECT_EQ(ReadFileBytes(folder.File("time.txt")), "-") << when;
    EXPECT_EQ(ReadFileBytes(folder.File("driver.txt")), "rF2kovrel") << when;
    EXPECT_TRUE(FileExists(folder.File("status.json"))) << when;
    EXPECT_EQ(ReadFileBytes(folder.File("status.json")), "") << when;
    EXPECT_EQ(ReadFileBytes(folder.File("info.html")), sentinelPage) << when;
  };
  plugin.Startup(7);
  expectStartContents("after Startup", "0:00.000");

  Snapshot s;
  s.Session(2).Phase(5).Time(30.0).EndTime(600.0);
  s.Car(4, 1).Name("Someone").Best(90.0, 30.0, 60.0);
  plugin.UpdateScoring(s.Info());
  CameraControlInfoV01 cam{};
  plugin.WantsToViewVehicle(cam);
  ASSERT_NE(ReadFileBytes(folder.File("time.txt")), "-");
  ASSERT_NE(ReadFileBytes(folder.File("status.json")), "");

  plugin.StartSession();
  expectStartContents("after StartSession", "0:30.000");
}

}  // namespace
