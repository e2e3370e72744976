// The simulator's own web server on 127.0.0.1:6397, as far as the plug-in
// uses it: the session-info answer and the focus requests, which it counts.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "record/run_record.hpp"

namespace httplib {
class Server;
}

namespace ksim {

class WebServer {
 public:
  static constexpr int kPort = 6397;

  WebServer();
  ~WebServer();
  WebServer(const WebServer&) = delete;
  WebServer& operator=(const WebServer&) = delete;

  // Binds 127.0.0.1 on the port and serves on a thread of its own; throws
  // std::runtime_error when the port cannot be had.
  void Start(int port = kPort);
  void Stop();

  // What GET /rest/watch/sessionInfo answers (a JSON object) and the clock
  // that focus requests are stamped with.
  void SetSession(const std::string& json, double sessionTime);

  int FocusCount() const { return mFocusCount.load(); }
  int SessionInfoCount() const { return mInfoCount.load(); }
  std::vector<FocusRequest> FocusRequests() const;
  // Waits until no request has come for `quietMs`, at most `limitMs`.
  void WaitForQuiet(int quietMs, int limitMs) const;

 private:
  std::unique_ptr<httplib::Server> mServer;
  std::thread mThread;
  mutable std::mutex mMutex;
  std::string mSessionJson = "{}";
  double mSessionTime = 0.0;
  std::vector<FocusRequest> mFocus;
  std::atomic<int> mFocusCount{0};
  std::atomic<int> mInfoCount{0};
  std::atomic<long long> mLastRequestMs{0};
};

}  // namespace ksim
