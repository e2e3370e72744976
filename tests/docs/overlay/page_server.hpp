// A web server on 127.0.0.1 for the overlay page's browser tests: it serves
// one folder, as a browser source serves the stream files folder, takes the
// harness page's reports and remembers every request it answered.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace overlay_test {

struct Request {
  std::string path;  // without the query
  int status;
};

class PageServer {
 public:
  // With `refuseQueries`, a file asked for with a query string is not found,
  // as with a host that takes the query for part of the file's name.
  explicit PageServer(const std::string& folder, bool refuseQueries = false);
  ~PageServer();
  PageServer(const PageServer&) = delete;
  PageServer& operator=(const PageServer&) = delete;

  int Port() const { return mPort; }

  // Waits until the latest report satisfies `done`; returns that report, or
  // the last one seen (possibly empty) when the time runs out.
  bool WaitForReport(const std::function<bool(const std::string&)>& done, std::chrono::milliseconds timeout,
                     std::string& report);

  std::vector<Request> Requests() const;

 private:
  void Record(const std::string& path, int status);
  void TakeReport(const std::string& body);

  std::unique_ptr<httplib::Server> mServer;
  std::thread mThread;
  int mPort = -1;
  mutable std::mutex mMutex;
  std::condition_variable mReported;
  std::string mReport;
  std::vector<Request> mRequests;
};

}  // namespace overlay_test
