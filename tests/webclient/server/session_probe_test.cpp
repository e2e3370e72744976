#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

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

// Listens on the web server's port and never accepts: the system completes
// the connections and holds what is sent, and nothing ever answers.
class SilentListener {
 public:
  SilentListener() : mFd(::socket(AF_INET, SOCK_STREAM, 0)) {
    const int yes = 1;
    // As the HTTP servers of the other tests do: their closed connections
    // would otherwise keep the port from us for a minute.
    ::setsockopt(mFd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    ::setsockopt(mFd, SOL_SOCKET, SO_REUSEPORT, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(6397);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // Another program may hold the port for a moment.
    for (int attempt = 0; attempt < 60 && !mListening; ++attempt) {
      mListening = ::bind(mFd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                   ::listen(mFd, 4) == 0;
      if (!mListening) std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
  }
  ~SilentListener() { ::close(mFd); }
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;
  bool Listening() const { return mListening; }

 private:
  int mFd;
  bool mListening = false;
};

TEST(SessionProbe, ServerThatNeverAnswersHoldsTheSetUpOnlyForTheTimeouts) {
  const SilentListener silent;
  ASSERT_TRUE(silent.Listening()) << kPortTaken;
  rF2kovrel plugin;
  const auto start = std::chrono::steady_clock::now();
  plugin.ProbeWebServer();
  const double elapsed = MillisecondsSince(start);
  std::printf("probe of a server that never answers: %.0f ms\n", elapsed);
  EXPECT_FALSE(plugin.mWebServerUp);
  EXPECT_GE(elapsed, 1900.0);  // the receive time-out, not an early give-up
  EXPECT_LT(elapsed, 4000.0 + 1500.0);  // connect and receive time-outs, and a margin
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
