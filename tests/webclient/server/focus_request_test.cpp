#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "fake_web_server.hpp"
#include "plugin/rF2kovrel.hpp"
#include "support/director_fixture.hpp"
#include "support/snapshot_builder.hpp"
#include "webclient/worker.hpp"

namespace {

using std::chrono::milliseconds;

// A race snapshot under a full-course yellow whose car in place 1 is `leader`:
// place 1 is shown and the cut comes once more than 2 s have passed since the last.
Snapshot LeaderAt(int leader, double time) {
  Snapshot s;
  s.Session(10).Phase(6).Time(time);
  s.Car(leader, 1).LapDist(900);
  s.Car(99, 2).Behind(5.0).LapDist(700);
  return s;
}

std::vector<ReceivedRequest> FocusRequests(const FakeWebServer& server) {
  std::vector<ReceivedRequest> focus;
  for (const ReceivedRequest& r : server.Requests()) {
    if (r.path != "/rest/watch/sessionInfo") focus.push_back(r);
  }
  return focus;
}

class FocusRequest : public ::testing::Test {
 protected:
  explicit FocusRequest(FakeWebServer::Focus focus = FakeWebServer::Focus::Answer)
      : server(200, focus) {}

  void SetUp() override {
    ASSERT_TRUE(server.Listening()) << kPortTaken;
    ReleaseAllKeys();
    ApplyDefaultSettings(*plugin, folder.Path());
    plugin->ProbeWebServer();
    ASSERT_TRUE(plugin->mWebServerUp);
  }
  void TearDown() override { EXPECT_TRUE(WaitForWorkersToEnd(milliseconds(10000))); }

  // Every started worker has finished, so every request sent has arrived.
  std::vector<ReceivedRequest> SettledFocusRequests() {
    EXPECT_TRUE(WaitForWorkersToEnd(milliseconds(10000)));
    return FocusRequests(server);
  }

  FakeWebServer server;
  TempFolder folder;
  std::unique_ptr<rF2kovrel> plugin = std::make_unique<rF2kovrel>();
};

TEST_F(FocusRequest, ACutSendsOnePutWithTheSlotIdAndNothingElse) {
  plugin->UpdateScoring(LeaderAt(7, 20.0).Info());
  EXPECT_EQ(plugin->mActualVeh, 7);
  EXPECT_EQ(plugin->mActualPlace, 1);
  EXPECT_EQ(plugin->mLastCutTime, 20.0);

  const std::vector<ReceivedRequest> focus = SettledFocusRequests();
  ASSERT_EQ(focus.size(), 1u);
  EXPECT_EQ(focus[0].method, "PUT");
  EXPECT_EQ(focus[0].path, "/rest/watch/focus/7");
  EXPECT_EQ(focus[0].userAgent, "rF2Kovrel/1.0");
  EXPECT_EQ(focus[0].body, "");
  EXPECT_EQ(focus[0].contentLength, "0");
  EXPECT_EQ(focus[0].headerNames.count("Content-Type"), 0u);
}

TEST_F(FocusRequest, SlotIdsAreWrittenInPlainDecimal) {
  for (const std::int32_t id : {0, -1, 7, std::numeric_limits<std::int32_t>::max(),
                                std::numeric_limits<std::int32_t>::min()}) {
    rF2kovrel::SendFocus(id);  // synchronous: the worker's own body
  }
  const std::vector<ReceivedRequest> focus = FocusRequests(server);
  ASSERT_EQ(focus.size(), 5u);
  EXPECT_EQ(focus[0].path, "/rest/watch/focus/0");
  EXPECT_EQ(focus[1].path, "/rest/watch/focus/-1");
  EXPECT_EQ(focus[2].path, "/rest/watch/focus/7");
  EXPECT_EQ(focus[3].path, "/rest/watch/focus/2147483647");
  EXPECT_EQ(focus[4].path, "/rest/watch/focus/-2147483648");
  for (const ReceivedRequest& r : focus) EXPECT_EQ(r.method, "PUT");
}

TEST_F(FocusRequest, NoneWhileThePlayerDrives) {
  Snapshot s = LeaderAt(7, 20.0);
  s.CarAt(1).mIsPlayer = true;  // on track: no finish status, not in the pits
  plugin->UpdateScoring(s.Info());
  EXPECT_TRUE(plugin->mPlayerDriving);
  EXPECT_EQ(plugin->mNextVeh, 7);
  EXPECT_EQ(plugin->mActualVeh, -1);
  EXPECT_TRUE(SettledFocusRequests().empty());

  // In the pits the player no longer drives: the cut goes out.
  s.CarAt(1).mPitState = 3;
  plugin->UpdateScoring(s.Time(21.0).Info());
  const std::vector<ReceivedRequest> focus = SettledFocusRequests();
  ASSERT_EQ(focus.size(), 1u);
  EXPECT_EQ(focus[0].path, "/rest/watch/focus/7");
}

TEST_F(FocusRequest, NoneWhenTheCarDoesNotChange) {
  plugin->UpdateScoring(LeaderAt(7, 20.0).Info());
  plugin->UpdateScoring(LeaderAt(7, 21.0).Info());  // the wait has not run out
  EXPECT_FALSE(plugin->mTimerFired);
  plugin->UpdateScoring(LeaderAt(7, 40.0).Info());  // it has, and the same car is chosen
  EXPECT_TRUE(plugin->mTimerFired);
  EXPECT_EQ(SettledFocusRequests().size(), 1u);

  plugin->UpdateScoring(LeaderAt(8, 60.0).Info());
  const std::vector<ReceivedRequest> focus = SettledFocusRequests();
  ASSERT_EQ(focus.size(), 2u);
  EXPECT_EQ(focus[1].path, "/rest/watch/focus/8");
}

TEST_F(FocusRequest, NoneBeforeACarHasBeenChosen) {
  // After the reset the chosen slot id is 0, which differs from "none" (-1),
  // but no car was chosen: a snapshot without vehicles sends nothing.
  Snapshot empty;
  empty.Session(10).Phase(5).Time(20.0);
  plugin->UpdateScoring(empty.Info());
  EXPECT_EQ(plugin->mActualVeh, -1);
  EXPECT_TRUE(SettledFocusRequests().empty());
}

TEST(FocusRequestWithoutServer, NoneForTheObjectsLifeWhenTheProbeFailed) {
  TempFolder folder;
  rF2kovrel plugin;
  ApplyDefaultSettings(plugin, folder.Path());
  plugin.ProbeWebServer();  // nothing listening
  ASSERT_FALSE(plugin.mWebServerUp);

  FakeWebServer server(200, FakeWebServer::Focus::Answer);
  ASSERT_TRUE(server.Listening()) << kPortTaken;
  plugin.UpdateScoring(LeaderAt(7, 20.0).Info());
  plugin.UpdateScoring(LeaderAt(8, 40.0).Info());
  EXPECT_EQ(plugin.mNextVeh, 8);
  EXPECT_EQ(CountRunningWorkers(), 0);
  EXPECT_TRUE(server.Requests().empty());
  // The cut is left to camera control.
  EXPECT_EQ(plugin.mActualVeh, -1);
}

class SilentServer : public FocusRequest {
 protected:
  SilentServer() : FocusRequest(FakeWebServer::Focus::Hang) {}
};

TEST_F(SilentServer, TheCycleGoesOnAndWorkersEndByTheirOwnTimeouts) {
  const auto start = std::chrono::steady_clock::now();
  plugin->UpdateScoring(LeaderAt(7, 20.0).Info());
  const double firstCycle = MillisecondsSince(start);
  // The probe, then the PUT.
  ASSERT_EQ(server.WaitForRequests(2, milliseconds(5000)), 2u) << server.Describe();

  // A later cut starts a fresh worker while the first still waits.
  const auto second = std::chrono::steady_clock::now();
  plugin->UpdateScoring(LeaderAt(8, 40.0).Info());
  const double secondCycle = MillisecondsSince(second);
  ASSERT_EQ(server.WaitForRequests(3, milliseconds(5000)), 3u) << server.Describe();
  EXPECT_EQ(CountRunningWorkers(), 2);
  const std::vector<ReceivedRequest> focus = FocusRequests(server);
  EXPECT_EQ(focus[0].path, "/rest/watch/focus/7");
  EXPECT_EQ(focus[1].path, "/rest/watch/focus/8");

  std::printf("scoring cycle with a cut against a silent server: %.2f ms, then %.2f ms\n",
              firstCycle, secondCycle);
  EXPECT_LT(firstCycle, 1000.0);  // nowhere near the 3 s a wait on the network would take
  EXPECT_LT(secondCycle, 1000.0);

  // The first worker gives up by its own 3 s receive time-out (not the
  // library's longer default), the second soon after.
  const auto deadline = start + milliseconds(10000);
  while (CountRunningWorkers() > 1 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(5));
  }
  const double firstEnded = MillisecondsSince(start);
  std::printf("first worker ended after %.0f ms\n", firstEnded);
  EXPECT_GE(firstEnded, 2900.0);
  EXPECT_LT(firstEnded, 4800.0);
  EXPECT_TRUE(WaitForWorkersToEnd(milliseconds(5000)));
}

TEST_F(SilentServer, DestroyingThePluginWithARequestInFlightIsSafe) {
  plugin->UpdateScoring(LeaderAt(7, 20.0).Info());
  ASSERT_EQ(server.WaitForRequests(2, milliseconds(5000)), 2u) << server.Describe();
  plugin.reset();
  EXPECT_EQ(CountRunningWorkers(), 1);
  // The worker runs on to its time-out without the object it came from.
  EXPECT_TRUE(WaitForWorkersToEnd(milliseconds(10000)));
}

}  // namespace
