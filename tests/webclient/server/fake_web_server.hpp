// The simulator's web server as the plug-in meets it: a real HTTP server on
// 127.0.0.1 and the plug-in's port, recording every request it is sent.
#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

inline constexpr char kPortTaken[] = "another program holds the web server's port";

struct ReceivedRequest {
  std::string method;
  std::string path;
  std::string userAgent;
  std::string contentLength;  // empty when the header was absent
  std::string body;
  std::set<std::string> headerNames;
};

class FakeWebServer {
 public:
  // How focus requests are met: answered at once, or accepted and never
  // answered (until the server is destroyed).
  enum class Focus { Answer, Hang };

  // On the plug-in's usual port; given port 0, on any free port (Port()).
  FakeWebServer(int sessionInfoStatus, Focus focus, int port = 6397);
  ~FakeWebServer();
  FakeWebServer(const FakeWebServer&) = delete;
  FakeWebServer& operator=(const FakeWebServer&) = delete;

  // False when the port could not be had (another program holds it).
  bool Listening() const { return mListening; }
  int Port() const { return mPort; }

  std::vector<ReceivedRequest> Requests() const;
  // "GET /path, PUT /path ..." for failure messages.
  std::string Describe() const;
  // Waits until `count` requests have arrived or `timeout` has passed;
  // returns how many have arrived.
  std::size_t WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;

 private:
  void Handle(const httplib::Request& request, httplib::Response& response);
  void Record(const httplib::Request& request);
  void HangUntilReleased();

  const int mSessionInfoStatus;
  const Focus mFocus;
  httplib::Server mServer;
  std::thread mThread;
  bool mListening = false;
  int mPort = 0;

  mutable std::mutex mLock;
  mutable std::condition_variable mChanged;
  std::vector<ReceivedRequest> mRequests;
  bool mReleased = false;
};

// Waits until no focus-request worker is running any more; false on timeout.
bool WaitForWorkersToEnd(std::chrono::milliseconds timeout);

// Milliseconds since `start`.
double MillisecondsSince(std::chrono::steady_clock::time_point start);
