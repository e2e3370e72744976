// The simulator's input at its worst, end to end through the callbacks: path
// entries that are missing, snapshots without a results stream, and a files
// folder that goes away while a session runs. (Hostile vehicle counts, a
// control without a name and an INI path that is a folder have their tests
// beside the code that reads them.)
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "support/director_fixture.hpp"
#include "support/snapshot_builder.hpp"

namespace fs = std::filesystem;

namespace {

// Runs the set-up with every path entry null, shut into `folder` as its root
// directory, and ends the process: 0 when the entry read as an empty one.
[[noreturn]] void SetUpWithoutPathsInside(const std::string& folder) {
  if (::chroot(folder.c_str()) != 0 || ::chdir("/") != 0) std::_Exit(2);
  rF2kovrel plugin;
  plugin.mWebProbeDone = true;  // no network inside the shut-in folder
  const EnvironmentInfoV01 info{};
  plugin.SetEnvironment(info);
  const bool asEmpty = plugin.mIniPath == "\\rF2kovrel.ini" && plugin.filespath == "\\rF2stream" &&
                       plugin.waitsec == 15;
  std::_Exit(asEmpty ? 0 : 1);
}

TEST(HostileEnvironment, NullPathEntriesReadAsAnEmptyOne) {
  // An empty entry puts the INI file at the root ("\rF2kovrel.ini"). With
  // the rights to write there, the set-up runs in a child process whose root
  // is a test folder, so that nothing lands in the real one.
  TempFolder root;
  if (::geteuid() != 0) {
    rF2kovrel plugin;
    plugin.mWebProbeDone = true;
    const EnvironmentInfoV01 info{};
    plugin.SetEnvironment(info);  // writes at the root fail without the rights
    EXPECT_EQ(plugin.mIniPath, "\\rF2kovrel.ini");
    EXPECT_EQ(plugin.filespath, "\\rF2stream");
    return;
  }
  EXPECT_EXIT(SetUpWithoutPathsInside(root.Path()), ::testing::ExitedWithCode(0), "");
  EXPECT_NE(ReadFileBytes(root.File("rF2kovrel.ini")).find("filespath=\\rF2stream\r\n"),
            std::string::npos);
  EXPECT_TRUE(fs::is_directory(root.File("rF2stream")));
}

class HostileSession : public ::testing::Test {
 protected:
  void SetUp() override {
    ReleaseAllKeys();
    files = folder.File("rF2stream");
    fs::create_directory(files);
    ApplyDefaultSettings(plugin, files);
    plugin.debug = 1;
  }
  void TearDown() override { ReleaseAllKeys(); }

  Snapshot Race(double time) {
    Snapshot s;
    s.Session(10).Phase(5).Time(time).EndTime(3600.0);
    s.Car(11, 1).LapDist(900);
    s.Car(12, 2).Behind(0.3).LapDist(880);
    s.Car(13, 3).Behind(6.0).LapDist(500);
    return s;
  }
  std::string Read(const char* name) const { return ReadFileBytes(files + "/" + name); }

  TempFolder folder;
  std::string files;
  rF2kovrel plugin;
};

TEST_F(HostileSession, SnapshotsWithoutAResultsStreamRunTheWholeCycle) {
  for (int i = 0; i < 3; ++i) {
    Snapshot s = Race(100.0 + i);
    ScoringInfoV01 info = s.Info();
    info.mResultsStream = nullptr;
    plugin.UpdateScoring(info);
  }
  EXPECT_TRUE(plugin.mPrevResultsSet);
  EXPECT_EQ(plugin.mPrevResults, "");
  EXPECT_NE(Read("debug.log").find(" stream_len=0\r\n"), std::string::npos);
  EXPECT_FALSE(Read("status.json").empty());

  // A stream that appears later is new text in full.
  plugin.UpdateScoring(Race(110.0).Stream("Incident A(12) contact (1.5) with Immovable\n").Info());
  EXPECT_TRUE(plugin.mReplayPending);
  EXPECT_EQ(plugin.mReplayId, 12);
}

TEST_F(HostileSession, FilesFolderThatDisappearsIsSkippedUntilItComesBack) {
  CameraControlInfoV01 camera{};
  plugin.UpdateScoring(Race(100.0).Info());
  ASSERT_EQ(plugin.WantsToViewVehicle(camera), 1);
  ASSERT_FALSE(Read("time.txt").empty());

  fs::remove_all(files);
  plugin.mWtvCount = 0;
  for (int i = 1; i <= 3; ++i) {
    plugin.UpdateScoring(Race(100.0 + 20 * i).Info());  // a cut is due each time
    plugin.WantsToViewVehicle(camera);
  }
  // The cuts went on as if the files had been written; the writers never
  // create the folder, and the camera calls stay counted for the next State line.
  EXPECT_EQ(plugin.mActualVeh, plugin.mNextVeh);
  EXPECT_EQ(plugin.mLastCutTime, 160.0);
  EXPECT_FALSE(fs::exists(files));
  EXPECT_EQ(plugin.mWtvCount, 3);

  fs::create_directory(files);  // as the next set-up would
  plugin.UpdateScoring(Race(170.0).Info());
  EXPECT_FALSE(Read("time.txt").empty());
  EXPECT_NE(Read("status.json").find("\"driver\": \"Driver 12\""), std::string::npos);
  EXPECT_EQ(Read("info.html").substr(0, 15), "<!DOCTYPE html>");
  const std::string log = Read("debug.log");
  EXPECT_EQ(log.substr(0, 9), "t=170.000");
  EXPECT_NE(log.find(" wtvN=3 "), std::string::npos) << log;
  EXPECT_EQ(plugin.mWtvCount, 0);
  EXPECT_FALSE(fs::is_empty(files));
  for (const auto& entry : fs::directory_iterator(files)) {
    EXPECT_EQ(entry.path().string().find(".kovrel-tmp"), std::string::npos) << entry.path();
  }
}

}  // namespace
