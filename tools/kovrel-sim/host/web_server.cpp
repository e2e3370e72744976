#include "host/web_server.hpp"

#include <httplib.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

#include "host/listen_socket.hpp"
#include "host/port_probe.hpp"

namespace ksim {

namespace {

// A program listening on this computer answers well within this.
constexpr int kListenerProbeMs = 500;

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

WebServer::WebServer() : mServer(std::make_unique<httplib::Server>()) {
  // Closed connections of an earlier server may still hold the port for a
  // while; these options let the bind through them. A program listening on
  // the port is found before binding (Start).
  mServer->set_socket_options([](socket_t socket) { AllowRebind(static_cast<std::uintptr_t>(socket)); });
  mServer->Get("/rest/watch/sessionInfo", [this](const httplib::Request&, httplib::Response& response) {
    ++mInfoCount;
    mLastRequestMs = NowMs();
    std::lock_guard<std::mutex> lock(mMutex);
    response.set_content(mSessionJson, "application/json");
  });
  mServer->Put(R"(/rest/watch/focus/(-?[0-9]+))", [this](const httplib::Request& request,
                                                         httplib::Response& response) {
    mLastRequestMs = NowMs();
    const std::int32_t slot = static_cast<std::int32_t>(std::strtol(request.matches[1].str().c_str(), nullptr, 10));
    {
      std::lock_guard<std::mutex> lock(mMutex);
      mFocus.push_back(FocusRequest{mSessionTime, slot});
    }
    ++mFocusCount;
    response.status = 200;
  });
}

WebServer::~WebServer() { Stop(); }

void WebServer::Start(int port) {
  if (LocalPortAnswers(port, kListenerProbeMs) || !mServer->bind_to_port("127.0.0.1", port)) {
    throw std::runtime_error("cannot serve on 127.0.0.1:" + std::to_string(port) +
                             " (is another program using the port?)");
  }
  // The socket listens from here on: requests queue until the thread accepts them.
  mThread = std::thread([this]() { mServer->listen_after_bind(); });
  for (int i = 0; i < 200 && !mServer->is_running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void WebServer::Stop() {
  if (mThread.joinable()) {
    mServer->stop();
    mThread.join();
  }
}

void WebServer::SetSession(const std::string& json, double sessionTime) {
  std::lock_guard<std::mutex> lock(mMutex);
  mSessionJson = json;
  mSessionTime = sessionTime;
}

std::vector<FocusRequest> WebServer::FocusRequests() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mFocus;
}

void WebServer::WaitForQuiet(int quietMs, int limitMs) const {
  const long long start = NowMs();
  while (NowMs() - start < limitMs) {
    const long long last = mLastRequestMs.load();
    if (NowMs() - std::max(last, start) >= quietMs) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace ksim
