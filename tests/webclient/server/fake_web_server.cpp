#include "fake_web_server.hpp"

#include "webclient/http.hpp"
#include "webclient/worker.hpp"

namespace {

constexpr char kSessionInfoPath[] = "/rest/watch/sessionInfo";
constexpr char kFocusPrefix[] = "/rest/watch/focus/";

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

FakeWebServer::FakeWebServer(int sessionInfoStatus, Focus focus, int port)
    : mSessionInfoStatus(sessionInfoStatus), mFocus(focus), mPort(port) {
  const auto handler = [this](const httplib::Request& request, httplib::Response& response) {
    Handle(request, response);
  };
  // Every verb is recorded, so that a wrong one shows up in the tests too.
  mServer.Get(".*", handler);
  mServer.Put(".*", handler);
  mServer.Post(".*", handler);
  mServer.Delete(".*", handler);
  mServer.Patch(".*", handler);
  mServer.Options(".*", handler);

  // The port may be held for a while by another program on this machine.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  if (mPort == 0) {
    mPort = mServer.bind_to_any_port(kWebServerHost);
    if (mPort <= 0) return;
  } else {
    while (!mServer.bind_to_port(kWebServerHost, mPort)) {
      if (std::chrono::steady_clock::now() > deadline) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  mThread = std::thread([this] { mServer.listen_after_bind(); });
  // stop() does nothing before the accept loop runs: wait for it.
  while (!mServer.is_running()) {
    if (std::chrono::steady_clock::now() > deadline) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  mListening = true;
}

FakeWebServer::~FakeWebServer() {
  {
    std::lock_guard<std::mutex> guard(mLock);
    mReleased = true;
  }
  mChanged.notify_all();
  if (mThread.joinable()) {
    mServer.stop();
    mThread.join();
  }
}

void FakeWebServer::Handle(const httplib::Request& request, httplib::Response& response) {
  Record(request);
  if (request.method == "GET" && request.path == kSessionInfoPath) {
    response.status = mSessionInfoStatus;
    if (mSessionInfoStatus == 200) {
      response.set_content("{\"session\":\"RACE1\"}", "application/json");
    }
    return;
  }
  if (request.method == "PUT" && StartsWith(request.path, kFocusPrefix)) {
    if (mFocus == Focus::Hang) HangUntilReleased();
    response.status = 204;
    return;
  }
  response.status = 404;
}

void FakeWebServer::Record(const httplib::Request& request) {
  ReceivedRequest seen;
  seen.method = request.method;
  seen.path = request.path;
  seen.userAgent = request.get_header_value("User-Agent");
  seen.contentLength = request.get_header_value("Content-Length");
  seen.body = request.body;
  for (const auto& header : request.headers) seen.headerNames.insert(header.first);
  {
    std::lock_guard<std::mutex> guard(mLock);
    mRequests.push_back(seen);
  }
  mChanged.notify_all();
}

void FakeWebServer::HangUntilReleased() {
  std::unique_lock<std::mutex> guard(mLock);
  mChanged.wait(guard, [this] { return mReleased; });
}

std::vector<ReceivedRequest> FakeWebServer::Requests() const {
  std::lock_guard<std::mutex> guard(mLock);
  return mRequests;
}

std::string FakeWebServer::Describe() const {
  std::string text;
  for (const ReceivedRequest& r : Requests()) {
    text += (text.empty() ? "" : ", ") + r.method + " " + r.path + " (" + r.userAgent + ")";
  }
  return text;
}

std::size_t FakeWebServer::WaitForRequests(std::size_t count,
                                           std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> guard(mLock);
  mChanged.wait_for(guard, timeout, [&] { return mRequests.size() >= count; });
  return mRequests.size();
}

bool WaitForWorkersToEnd(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (CountRunningWorkers() > 0) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}
