#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "fake_web_server.hpp"
#include "plugin/rF2kovrel.hpp"

namespace {

// The destination byte of the next notice the plug-in hands over.
int DestinationOfNextNotice(rF2kovrel& plugin) {
  std::strcpy(plugin.mPendingMessage.mText, "Auto camera: on");
  MessageInfoV01 message{};
  message.mDestination = 7;
  if (!plugin.WantsToDisplayMessage(message)) return -1;
  return message.mDestination;
}

TEST(SessionProbe, AnsweredOkMeansTheServerIsUp) {
  FakeWebServer server(200, FakeWebServer::Focus::Answer);
  ASSERT_TRUE(server.Listening()) << kPortTaken;
  rF2kovrel plugin;
  plugin.ProbeWebServer();
  EXPECT_TRUE(plugin.mWebProbeDone);
  EXPECT_TRUE(plugin.mWebServerUp);
  EXPECT_EQ(DestinationOfNextNotice(plugin), 1);

  const std::vector<ReceivedRequest> seen = server.Requests();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].method, "GET");
  EXPECT_EQ(seen[0].path, "/rest/watch/sessionInfo");
  EXPECT_EQ(seen[0].userAgent, "rF2Kovrel/1.0");
  EXPECT_EQ(seen[0].body, "");
  // Only what HTTP itself needs besides the user agent.
  for (const std::string& name : seen[0].headerNames) {
    EXPECT_TRUE(name == "Host" || name == "User-Agent" || name == "Accept" ||
                name == "Connection" || name.rfind("REMOTE_", 0) == 0 ||
                name.rfind("LOCAL_", 0) == 0)
        << name;
  }
}

TEST(SessionProbe, AnyOtherStatusMeansDown) {
  for (const int status : {404, 500, 204}) {
    FakeWebServer server(status, FakeWebServer::Focus::Answer);
    ASSERT_TRUE(server.Listening()) << kPortTaken;
    rF2kovrel plugin;
    plugin.mWebServerUp = true;  // whatever it held before, the probe decides
    plugin.ProbeWebServer();
    EXPECT_EQ(server.Requests().size(), 1u) << status;
    EXPECT_TRUE(plugin.mWebProbeDone) << status;
    EXPECT_FALSE(plugin.mWebServerUp) << status;
    EXPECT_EQ(DestinationOfNextNotice(plugin), 0) << status;
  }
}

TEST(SessionProbe, NothingListeningMeansDownAndReturnsQuickly) {
  rF2kovrel plugin;
  const auto start = std::chrono::steady_clock::now();
  plugin.ProbeWebServer();
  const double elapsed = MillisecondsSince(start);
  std::printf("probe with nothing listening on the port: %.2f ms\n", elapsed);
  EXPECT_TRUE(plugin.mWebProbeDone);
  EXPECT_FALSE(plugin.mWebServerUp);
  EXPECT_EQ(DestinationOfNextNotice(plugin), 0);
  EXPECT_LT(elapsed, 1000.0);  // refused at once, well before the 2 s time-out
}

TEST(SessionProbe, RunsOncePerObjectWhateverItsOutcome) {
  rF2kovrel down;
  down.ProbeWebServer();  // nothing listening yet

  FakeWebServer server(200, FakeWebServer::Focus::Answer);
  ASSERT_TRUE(server.Listening()) << kPortTaken;
  // A server that starts later is not used by that object.
  down.ProbeWebServer();
  EXPECT_EQ(server.Requests().size(), 0u);
  EXPECT_FALSE(down.mWebServerUp);

  rF2kovrel up;
  up.ProbeWebServer();
  up.ProbeWebServer();
  EXPECT_EQ(server.Requests().size(), 1u);
  EXPECT_TRUE(up.mWebServerUp);
}

}  // namespace
