// The webport key against a real server on a port of its own: the probe and
// the focus requests go there, and nothing to the usual port.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "fake_web_server.hpp"
#include "plugin/rF2kovrel.hpp"
#include "support/director_fixture.hpp"
#include "support/ini_file.hpp"
#include "support/snapshot_builder.hpp"

namespace {

using std::chrono::milliseconds;

// Requests of this plug-in only: anything else on this computer may reach a
// server too.
std::vector<ReceivedRequest> OwnRequests(const FakeWebServer& server) {
  std::vector<ReceivedRequest> own;
  for (const ReceivedRequest& r : server.Requests()) {
    if (r.userAgent == "rF2Kovrel/1.0") own.push_back(r);
  }
  return own;
}

TEST(WebPort, TheProbeAndTheFocusRequestsGoToTheFilesPort) {
  FakeWebServer server(200, FakeWebServer::Focus::Answer, 0);
  ASSERT_TRUE(server.Listening());
  ASSERT_NE(server.Port(), 6397);
  TempFolder folder;
  rF2kovrel plugin;
  ApplyDefaultSettings(plugin, folder.Path());
  WriteFileBytes(folder.File("rF2kovrel.ini"), "[KOVREL]\r\nwebport=" + std::to_string(server.Port()) + "\r\n");
  plugin.mIniPath = folder.Path() + "\\rF2kovrel.ini";
  plugin.ReadOptInSettings();
  ASSERT_EQ(plugin.webport, server.Port());

  plugin.ProbeWebServer();
  EXPECT_TRUE(plugin.mWebServerUp);
  Snapshot s;
  s.Session(10).Phase(6).Time(20.0);
  s.Car(7, 1).LapDist(900);
  s.Car(99, 2).Behind(5.0).LapDist(700);
  plugin.UpdateScoring(s.Info());
  ASSERT_TRUE(WaitForWorkersToEnd(milliseconds(10000)));

  const std::vector<ReceivedRequest> seen = OwnRequests(server);
  ASSERT_EQ(seen.size(), 2u) << server.Describe();
  EXPECT_EQ(seen[0].method + " " + seen[0].path, "GET /rest/watch/sessionInfo");
  EXPECT_EQ(seen[1].method + " " + seen[1].path, "PUT /rest/watch/focus/7");
}

}  // namespace
