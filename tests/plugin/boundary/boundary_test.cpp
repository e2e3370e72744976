// Memory running out inside a callback or an export: each allocation a call
// makes is failed in turn. The call must come back with its neutral answer,
// write nothing into the host's record, leave the cycle's lock and flag free,
// and the plug-in must work normally on the next call.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "director/keyboard.hpp"
#include "failing_allocation.hpp"
#include "support/director_fixture.hpp"
#include "support/snapshot_builder.hpp"

namespace {

constexpr std::size_t kMostAllocations = 100000;

class OutOfMemory : public ::testing::Test {
 protected:
  void SetUp() override {
    ReleaseAllKeys();
    files = folder.Path() + "/rF2stream";
    std::filesystem::create_directory(files);
    ApplyDefaultSettings(plugin, files);
    plugin.debug = 1;  // the State line and the on/off lines allocate too
  }
  void TearDown() override { ReleaseAllKeys(); }

  // A race with a close fight; 30 s apart, every snapshot is due a cut.
  static Snapshot Race(double time) {
    Snapshot s;
    s.Session(10).Phase(5).Time(time).EndTime(3600.0);
    s.Car(11, 1).LapDist(900);
    s.Car(12, 2).Behind(0.3).LapDist(880);
    s.Car(13, 3).Behind(6.0).LapDist(500);
    return s;
  }

  std::string Read(const std::string& name) const { return ReadFileBytes(files + "/" + name); }

  // Neither the lock nor the flag is left held: camera control can act.
  void ExpectCycleFree() {
    EXPECT_FALSE(plugin.mInUpdate);
    const bool locked = plugin.mCycleLock.try_lock();
    EXPECT_TRUE(locked);
    if (locked) plugin.mCycleLock.unlock();
  }

  // Runs `call` with allocations failing from the n-th on, for n = 0, 1, ...,
  // and `check` after each run that met a failure, until a run needs no
  // failing allocation; `prepare` runs before each, with memory to spare.
  // Returns the number of runs that met a failure.
  template <typename Prepare, typename Call, typename Check>
  std::size_t FailEachAllocation(Prepare prepare, Call call, Check check) {
    for (std::size_t n = 0; n < kMostAllocations; ++n) {
      prepare();
      FailAllocationsFrom(n);
      call();
      if (!StopFailingAllocations()) return n;
      check();
      if (HasFailure()) return n;
    }
    ADD_FAILURE() << "the call never ran to its end";
    return kMostAllocations;
  }

  TempFolder folder;
  std::string files;
  rF2kovrel plugin;
};

TEST_F(OutOfMemory, ScoringCycleEndsQuietlyAndTheNextSnapshotCutsAndLogs) {
  double t = 100.0;
  Snapshot s;
  const ScoringInfoV01* info = nullptr;
  const std::size_t failures = FailEachAllocation(
      [&] {
        s = Race(t);
        info = &s.Info();
      },
      [&] { plugin.UpdateScoring(*info); },
      [&] {
        ExpectCycleFree();
        t += 30.0;
        plugin.UpdateScoring(Race(t).Info());
        CameraControlInfoV01 camera{};
        EXPECT_EQ(plugin.WantsToViewVehicle(camera), 1) << "at " << t;
        const std::string log = Read("debug.log");
        const std::size_t lastLine = log.size() < 2 ? 0 : log.rfind('\n', log.size() - 2) + 1;
        const std::string last = log.substr(lastLine);
        EXPECT_EQ(last.rfind("t=" + std::to_string(static_cast<int>(t)) + ".000 ", 0), 0u) << last;
        t += 30.0;
      });
  EXPECT_GT(failures, 10u) << "the cycle allocates at more places than that";
}

TEST_F(OutOfMemory, CameraControlGivesNoCommandAndTheNextCutIsSent) {
  double t = 100.0;
  CameraControlInfoV01 camera;
  CameraControlInfoV01 untouched;
  unsigned char answer = 0;
  const std::size_t failures = FailEachAllocation(
      [&] {
        plugin.UpdateScoring(Race(t).Info());  // a cut is due
        std::memset(&camera, 0x5A, sizeof camera);
        camera.mReplayActive = false;
        untouched = camera;
      },
      [&] { answer = plugin.WantsToViewVehicle(camera); },
      [&] {
        EXPECT_EQ(answer, 0);
        EXPECT_EQ(std::memcmp(&camera, &untouched, sizeof camera), 0) << "a half-made command";
        ExpectCycleFree();
        t += 30.0;
        plugin.UpdateScoring(Race(t).Info());
        CameraControlInfoV01 next{};
        EXPECT_EQ(plugin.WantsToViewVehicle(next), 1) << "at " << t;
        t += 30.0;
      });
  EXPECT_GT(failures, 0u);
}

TEST_F(OutOfMemory, ShortcutPressThatCannotBeLoggedStillTogglesOnce) {
  constexpr int kControl = 17;
  std::size_t failures = 0;
  for (std::size_t n = 0; n < kMostAllocations; ++n) {
    const int before = plugin.auto_;
    SetVirtualKeyDown(kControl, true);
    SetVirtualKeyDown(plugin.autokey, true);
    double value = 42.0;
    FailAllocationsFrom(n);
    const bool answer = plugin.CheckHWControl("InstantReplay", value);
    const bool failed = StopFailingAllocations();
    EXPECT_FALSE(answer);
    EXPECT_EQ(value, 42.0);
    ExpectCycleFree();
    // Polled again while the keys are still held: the same press.
    plugin.CheckHWControl("InstantReplay", value);
    EXPECT_NE(plugin.auto_, before) << "a press toggles exactly once";
    ReleaseAllKeys();
    plugin.CheckHWControl("InstantReplay", value);
    if (!failed || HasFailure()) break;
    ++failures;
  }
  EXPECT_GT(failures, 0u);
}

TEST_F(OutOfMemory, StartAndSetUpCallsEndQuietlyAndWorkWhenCalledAgain) {
  const std::string pathEntry = folder.Path() + "\\CustomPluginVariables.JSON";
  EnvironmentInfoV01 environment{};
  environment.mPath[1] = pathEntry.c_str();
  plugin.mWebProbeDone = true;  // no network here

  EXPECT_GT(FailEachAllocation([] {}, [&] { plugin.SetEnvironment(environment); },
                               [&] {
                                 ExpectCycleFree();
                                 plugin.SetEnvironment(environment);
                                 EXPECT_EQ(plugin.filespath, folder.Path() + "\\rF2stream");
                               }),
            0u);
  EXPECT_NE(ReadFileBytes(folder.File("rF2kovrel.ini")).find("filespath="), std::string::npos);

  for (const bool session : {false, true}) {
    EXPECT_GT(FailEachAllocation(
                  [] {},
                  [&] {
                    if (session) {
                      plugin.StartSession();
                    } else {
                      plugin.Startup(7);
                    }
                  },
                  [&] {
                    ExpectCycleFree();
                    plugin.Startup(7);
                    EXPECT_EQ(Read("time.txt"), "-");
                    EXPECT_EQ(Read("driver.txt"), "rF2kovrel");
                  }),
              0u)
        << (session ? "StartSession" : "Startup");
  }
}

TEST(OutOfMemoryAtTheExports, NoObjectRatherThanAnException) {
  void* library = dlopen(KOVREL_PLUGIN_FILE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  const auto create = reinterpret_cast<PluginObject* (*)()>(dlsym(library, "CreatePluginObject"));
  const auto destroy =
      reinterpret_cast<void (*)(PluginObject*)>(dlsym(library, "DestroyPluginObject"));
  ASSERT_TRUE(create != nullptr && destroy != nullptr);

  FailAllocationsFrom(0);
  PluginObject* none = create();
  const bool failed = StopFailingAllocations();
  EXPECT_TRUE(failed) << "the library's allocations do not come here";
  EXPECT_EQ(none, nullptr);

  PluginObject* object = create();
  EXPECT_NE(object, nullptr);
  destroy(object);
  dlclose(library);
}

}  // namespace
