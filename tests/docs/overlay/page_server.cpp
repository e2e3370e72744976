#include "page_server.hpp"

#include <httplib.h>

#include <chrono>
#include <stdexcept>
#include <thread>

namespace overlay_test {

PageServer::PageServer(const std::string& folder, bool refuseQueries)
    : mServer(std::make_unique<httplib::Server>()) {
  if (!mServer->set_mount_point("/", folder)) throw std::runtime_error("cannot serve " + folder);
  if (refuseQueries) {
    mServer->set_pre_routing_handler([](const httplib::Request& request, httplib::Response& response) {
      if (request.method != "GET" || request.params.empty() || request.path != "/status.json") {
        return httplib::Server::HandlerResponse::Unhandled;
      }
      response.status = 404;
      return httplib::Server::HandlerResponse::Handled;
    });
  }
  mServer->Post("/report", [this](const httplib::Request& request, httplib::Response& response) {
    TakeReport(request.body);
    response.set_content("ok", "text/plain");
  });
  mServer->set_logger([this](const httplib::Request& request, const httplib::Response& response) {
    Record(request.path, response.status);
  });
  // Loopback only, on a port the system picks: never the simulator's 6397.
  mPort = mServer->bind_to_any_port("127.0.0.1");
  if (mPort <= 0) throw std::runtime_error("cannot bind a port on 127.0.0.1");
  mThread = std::thread([this] { mServer->listen_after_bind(); });
  // stop() is lost on a server that has not begun to listen yet, and the
  // destructor would then wait for ever: return only once it listens.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!mServer->is_running() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

PageServer::~PageServer() {
  mServer->stop();
  if (mThread.joinable()) mThread.join();
}

void PageServer::Record(const std::string& path, int status) {
  const std::lock_guard<std::mutex> lock(mMutex);
  mRequests.push_back({path, status});
}

void PageServer::TakeReport(const std::string& body) {
  {
    const std::lock_guard<std::mutex> lock(mMutex);
    mReport = body;
  }
  mReported.notify_all();
}

bool PageServer::WaitForReport(const std::function<bool(const std::string&)>& done,
                               std::chrono::milliseconds timeout, std::string& report) {
  std::unique_lock<std::mutex> lock(mMutex);
  const bool met = mReported.wait_for(lock, timeout, [&] { return !mReport.empty() && done(mReport); });
  report = mReport;
  return met;
}

std::vector<Request> PageServer::Requests() const {
  const std::lock_guard<std::mutex> lock(mMutex);
  return mRequests;
}

}  // namespace overlay_test
