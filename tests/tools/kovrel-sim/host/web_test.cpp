// The simulator's web server on 127.0.0.1:6397 (these tests hold the port).
#include <gtest/gtest.h>
#include <httplib.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "sessions/generator.hpp"
#include "host/host.hpp"
#include "sim_test_support.hpp"
#include "host/web_server.hpp"

namespace {

TEST(WebServer, AnswersSessionInfoAndCountsFocusRequests) {
  ksim::WebServer server;
  server.Start();
  server.SetSession("{\"session\":10}", 123.0);
  httplib::Client client("127.0.0.1", ksim::WebServer::kPort);
  const auto info = client.Get("/rest/watch/sessionInfo");
  ASSERT_TRUE(info);
  EXPECT_EQ(info->status, 200);
  EXPECT_EQ(info->body, "{\"session\":10}");
  const auto focus = client.Put("/rest/watch/focus/7", "", "text/plain");
  ASSERT_TRUE(focus);
  EXPECT_EQ(focus->status, 200);
  ASSERT_TRUE(client.Put("/rest/watch/focus/-1", "", "text/plain"));
  const auto other = client.Get("/rest/watch/nothing");
  ASSERT_TRUE(other);
  EXPECT_EQ(other->status, 404);
  server.Stop();
  EXPECT_EQ(server.FocusCount(), 2);
  EXPECT_EQ(server.SessionInfoCount(), 1);
  const auto requests = server.FocusRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].slotId, 7);
  EXPECT_DOUBLE_EQ(requests[0].sessionTime, 123.0);
  EXPECT_EQ(requests[1].slotId, -1);
}

TEST(WebServer, ATakenPortIsReported) {
  ksim::WebServer first;
  first.Start();
  ksim::WebServer second;
  try {
    second.Start();
    FAIL() << "the port was taken twice";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("6397"), std::string::npos);
  }
}

// A short synthetic race through the real plug-in, with the web server served.
ksim::RunResult ServedRace(const ksim_test::TempDir& dir, int webPort) {
  ksim::GeneratorOptions race;
  race.cars = 10;
  race.laps = 3;
  race.lapTime = 80.0;
  race.trackLength = 4000.0;
  std::vector<std::unique_ptr<ksim::SessionSource>> sessions;
  sessions.push_back(ksim::GenerateSession(race));
  ksim::RunOptions options;
  options.pluginPath = KSIM_PLUGIN;
  options.workFolder = dir.File("work");
  options.serve = true;
  options.webPort = webPort;
  if (webPort != ksim::WebServer::kPort) options.settings = {{"webport", std::to_string(webPort)}};
  return ksim::RunSessions(sessions, options);
}

TEST(WebServer, ThePluginProbesItAndSendsFocusRequestsAtCuts) {
  ksim_test::TempDir dir(true);
  const ksim::RunResult result = ServedRace(dir, ksim::WebServer::kPort);
  EXPECT_TRUE(result.served);
  // Anything on this machine may talk to 6397 too: only the run's own requests
  // are asked for here (the exact count is checked on a port of the test's own below).
  EXPECT_GE(result.sessionInfoRequests, 1) << "the probe at SetEnvironment";
  const auto& cars = result.sessions.at(0).plan.cars;
  const auto ours = std::count_if(result.focusRequests.begin(), result.focusRequests.end(), [&](const ksim::FocusRequest& r) {
    return std::any_of(cars.begin(), cars.end(), [&](const ksim::CarEntry& c) { return c.id == r.slotId; });
  });
  EXPECT_GT(ours, 0) << "focus requests for the race's cars";
}

TEST(WebServer, ARunServesTheSettingsWebportAndThePluginFindsItThere) {
  // A port free a moment ago, then served by the run.
  int port = 0;
  {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
      port = ntohs(address.sin_port);
    }
    ::close(fd);
  }
  ASSERT_GT(port, 0);
  ASSERT_NE(port, ksim::WebServer::kPort);
  ksim_test::TempDir dir(true);
  const ksim::RunResult result = ServedRace(dir, port);
  EXPECT_TRUE(result.webServerSeen);
  EXPECT_EQ(result.sessionInfoRequests, 1) << "the probe came to " << port;
  EXPECT_FALSE(result.focusRequests.empty());
  EXPECT_EQ(ksim::WebPortOf(std::to_string(port)), port);
  for (const char* unusable : {"", "0", "65536", "-1", "web"}) EXPECT_EQ(ksim::WebPortOf(unusable), 6397) << unusable;
}

}  // namespace
