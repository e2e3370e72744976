// The host's part, tried with a scripted stand-in plug-in whose requests are
// known in advance.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>

#include "sessions/generator.hpp"
#include "host/host.hpp"
#include "sim_test_support.hpp"

namespace {

using ksim_test::TempDir;

class HostWithScriptedPlugin : public ::testing::Test {
 protected:
  ksim::RunResult Run(ksim::RunOptions options = {}) {
    ksim::GeneratorOptions session;
    session.kind = ksim::SessionKind::Practice;
    session.cars = 4;
    session.minutes = 3.0;
    session.lapTime = 60.0;
    session.seed = 1;
    std::vector<std::unique_ptr<ksim::SessionSource>> sessions;
    sessions.push_back(ksim::GenerateSession(session));
    options.pluginPath = KSIM_SCRIPTED_PLUGIN;
    options.workFolder = dir.File("work");
    return ksim::RunSessions(sessions, options);
  }

  static std::string PluginLog() {
    void* handle = dlopen(KSIM_SCRIPTED_PLUGIN, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) return "(not loaded)";
    const auto log = reinterpret_cast<const char* (*)()>(dlsym(handle, "scripted_plugin_log"));
    const std::string text = log != nullptr ? log() : "(no log)";
    dlclose(handle);
    return text;
  }

  TempDir dir;
};

TEST_F(HostWithScriptedPlugin, CallsThePluginInTheSimulatorsOrder) {
  const ksim::RunResult result = Run();
  EXPECT_EQ(result.pluginName, "kovrel-sim scripted plug-in");
  EXPECT_EQ(PluginLog(),
            "Create SetEnvironment options-path Startup EnableHardware StartSession EnterRealtime UpdateScoring "
            "ExitRealtime EndSession DisableHardware Shutdown Destroy");
  ASSERT_EQ(result.sessions.size(), 1u);
  const ksim::SessionRun& run = result.sessions[0];
  EXPECT_EQ(run.frames, run.snapshots * 6) << "30 frames a second between snapshots at 5 a second";
  EXPECT_EQ(result.snapshots, run.snapshots);
}

TEST_F(HostWithScriptedPlugin, PutsTheAskedCarAndCameraOnAir) {
  const ksim::SessionRun run = Run().sessions.at(0);
  const std::int32_t first = run.plan.cars[0].id;
  const std::int32_t second = run.plan.cars[1].id;
  ASSERT_EQ(run.cuts.size(), 3u);
  EXPECT_GE(run.cuts[0].time, 10.0);
  EXPECT_LT(run.cuts[0].time, 10.2);
  EXPECT_EQ(run.cuts[0].slotId, first);
  EXPECT_EQ(run.cuts[0].camera, 4);
  EXPECT_EQ(run.cuts[1].slotId, second);
  EXPECT_EQ(run.cuts[1].camera, 5);
  EXPECT_GE(run.cuts[2].time, 65.0);
  EXPECT_EQ(run.cuts[2].slotId, first);
  EXPECT_EQ(run.cuts[2].why.reason, ksim::Reason::AfterReplay);
  EXPECT_EQ(run.repeatedCuts, 1) << "the same shot asked for again changes nothing";
  EXPECT_EQ(run.ignoredReplayCommands, 1) << "a replay command outside a replay";
  EXPECT_EQ(run.controlsTaken, 1);
}

TEST_F(HostWithScriptedPlugin, RunsTheInstantReplayThePluginAsksFor) {
  const ksim::SessionRun run = Run().sessions.at(0);
  ASSERT_EQ(run.replays.size(), 1u);
  const ksim::ReplayRun& replay = run.replays[0];
  EXPECT_GE(replay.pressed, 40.0);
  EXPECT_LT(replay.pressed, 40.2);
  EXPECT_DOUBLE_EQ(replay.cameraSet, replay.pressed) << "the camera call of the same frame";
  EXPECT_EQ(replay.slotId, run.plan.cars[1].id);
  EXPECT_EQ(replay.car, 1);
  EXPECT_DOUBLE_EQ(replay.seekTo, 35.0);
  EXPECT_GE(replay.slowFrom, 44.0);
  EXPECT_LT(replay.slowFrom, 44.2);
  EXPECT_GE(replay.normalFrom, 53.0);
  EXPECT_LT(replay.normalFrom, 53.2);
  EXPECT_GE(replay.ended, 60.0);
  EXPECT_LT(replay.ended, 60.2);
  bool shown = false;
  for (const ksim::Shot& shot : run.shots) {
    if (!shot.replay) continue;
    EXPECT_EQ(shot.car, 1);
    EXPECT_DOUBLE_EQ(shot.start, replay.pressed);
    EXPECT_DOUBLE_EQ(shot.end, replay.ended);
    shown = true;
  }
  EXPECT_TRUE(shown);
  EXPECT_EQ(PluginLog().find("replay-active-wrong"), std::string::npos)
      << "the camera record says whether the host's replay runs";
}

TEST_F(HostWithScriptedPlugin, ShowsNoticesAndHandsOverTheResultsStream) {
  const ksim::RunResult result = Run();
  const ksim::SessionRun& run = result.sessions.at(0);
  ASSERT_EQ(run.notices.size(), 1u);
  EXPECT_EQ(run.notices[0].text, "scripted notice");
  EXPECT_EQ(run.notices[0].destination, 1);
  EXPECT_EQ(PluginLog().find("no-results-stream"), std::string::npos);
  EXPECT_FALSE(result.settings.known) << "another plug-in's state is not read";
}

TEST_F(HostWithScriptedPlugin, WithoutAVirtualKeyboardTheShortcutCannotBePressed) {
  ksim::RunOptions options;
  options.toggleAt = {30.0};
  const ksim::RunResult result = Run(options);
  EXPECT_TRUE(result.sessions.at(0).keyPresses.empty());
  bool warned = false;
  for (const std::string& w : result.warnings) warned = warned || w.find("--toggle-at is ignored") != std::string::npos;
  EXPECT_TRUE(warned);
}

TEST_F(HostWithScriptedPlugin, InRealTimeTheSessionTakesItsOwnTime) {
  ksim::RunOptions options;
  options.realtime = true;
  options.speed = 400.0;
  const auto start = std::chrono::steady_clock::now();
  const ksim::RunResult result = Run(options);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(wall, result.sessions.at(0).endTime / 400.0 * 0.95);
}

TEST(Host, APluginThatCannotBeLoadedIsReportedByPath) {
  TempDir dir;
  std::vector<std::unique_ptr<ksim::SessionSource>> sessions;
  sessions.push_back(ksim::GenerateSession(ksim::GeneratorOptions{}));
  ksim::RunOptions options;
  options.pluginPath = dir.File("missing.so");
  options.workFolder = dir.File("work");
  try {
    ksim::RunSessions(sessions, options);
    FAIL() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find(dir.File("missing.so")), std::string::npos) << error.what();
  }
}

}  // namespace
