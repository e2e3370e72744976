// A stand-in for the simulator's web server, run on this machine (not under
// Wine): it listens on 127.0.0.1:6397, records every request, runs the given
// command (the Wine program that drives the plug-in) and then checks what
// arrived.
//
// usage: http_recorder [--port N] <probe status> <focus slot id | none> -- <command...>
//
// --port: listen there instead (the plug-in's webport key points it there).
//
// The probe "GET /rest/watch/sessionInfo" is answered with <probe status>.
// With a slot id, exactly the probe and then "PUT /rest/watch/focus/<id>" must
// arrive; with "none", the probe alone. Every request must carry the user
// agent "rF2Kovrel/1.0" and no body. A focus request is answered only after a
// second, so that the plug-in's worker is still waiting when its host unloads
// the DLL.
#include <httplib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kUsualPort = 6397;
constexpr char kUserAgent[] = "rF2Kovrel/1.0";

struct Arrival {
  std::string method;
  std::string path;
  std::string userAgent;
  std::string contentLength;
  std::size_t bodySize = 0;
};

std::mutex gLock;
std::vector<Arrival> gArrivals;

void Record(const httplib::Request& request) {
  Arrival arrival;
  arrival.method = request.method;
  arrival.path = request.path;
  arrival.userAgent = request.get_header_value("User-Agent");
  arrival.contentLength = request.get_header_value("Content-Length");
  arrival.bodySize = request.body.size();
  std::lock_guard<std::mutex> hold(gLock);
  gArrivals.push_back(arrival);
}

std::size_t ArrivalCount() {
  std::lock_guard<std::mutex> hold(gLock);
  return gArrivals.size();
}

int RunChild(char** argv) {
  const pid_t child = fork();
  if (child == 0) {
    execvp(argv[0], argv);
    std::perror("execvp");
    _exit(127);
  }
  if (child < 0) return -1;
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Check(bool condition, const std::string& what) {
  if (!condition) std::cout << "check failed: " << what << "\n";
  return condition;
}

bool CheckArrival(const Arrival& arrival, const std::string& method, const std::string& path) {
  bool ok = Check(arrival.method == method && arrival.path == path,
                  "expected " + method + " " + path + ", got " + arrival.method + " " +
                      arrival.path);
  ok &= Check(arrival.userAgent == kUserAgent, "user agent \"" + arrival.userAgent + "\"");
  ok &= Check(arrival.bodySize == 0, "a body of " + std::to_string(arrival.bodySize) + " bytes");
  ok &= Check(arrival.contentLength.empty() || arrival.contentLength == "0",
              "Content-Length " + arrival.contentLength);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  int kPort = kUsualPort;
  if (argc > 2 && std::string(argv[1]) == "--port") {
    kPort = std::atoi(argv[2]);
    argc -= 2;
    argv += 2;
  }
  if (argc < 5 || std::string(argv[3]) != "--") {
    std::cerr << "usage: http_recorder [--port N] <probe status> <focus slot id | none> -- <command...>\n";
    return 2;
  }
  const int probeStatus = std::atoi(argv[1]);
  const std::string focus = argv[2];

  httplib::Server server;
  server.Get("/rest/watch/sessionInfo",
             [probeStatus](const httplib::Request& request, httplib::Response& response) {
               Record(request);
               response.status = probeStatus;
               response.set_content("{}", "application/json");
             });
  server.Put(R"(/rest/watch/focus/.*)",
             [](const httplib::Request& request, httplib::Response& response) {
               Record(request);
               std::this_thread::sleep_for(std::chrono::seconds(1));
               response.status = 200;
             });
  const auto elsewhere = [](const httplib::Request& request, httplib::Response& response) {
    Record(request);
    response.status = 404;
  };
  server.Get(".*", elsewhere);
  server.Put(".*", elsewhere);
  server.Post(".*", elsewhere);
  server.Delete(".*", elsewhere);

  // Another program may hold the port for a moment (another test run).
  bool bound = false;
  for (int attempt = 0; attempt < 60 && !bound; ++attempt) {
    bound = server.bind_to_port("127.0.0.1", kPort);
    if (!bound) std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  if (!bound) {
    std::cout << "port " << kPort << " stays in use by another program\n";
    return 1;
  }
  std::thread serving([&server] { server.listen_after_bind(); });

  const int childResult = RunChild(argv + 4);
  const std::size_t expected = focus == "none" ? 1 : 2;
  // A focus request still on its way may arrive after its sender has exited.
  for (int i = 0; i < 50 && ArrivalCount() < expected; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  server.stop();
  serving.join();

  bool ok = Check(childResult == 0, "the Windows program failed (" +
                                        std::to_string(childResult) + ")");
  std::lock_guard<std::mutex> hold(gLock);
  for (const Arrival& arrival : gArrivals) {
    std::cout << "arrived: " << arrival.method << " " << arrival.path << " user agent \""
              << arrival.userAgent << "\" body " << arrival.bodySize << " bytes\n";
  }
  ok &= Check(gArrivals.size() == expected, std::to_string(gArrivals.size()) +
                                                " request(s) arrived, expected " +
                                                std::to_string(expected));
  if (!gArrivals.empty()) ok &= CheckArrival(gArrivals[0], "GET", "/rest/watch/sessionInfo");
  if (expected == 2 && gArrivals.size() >= 2) {
    ok &= CheckArrival(gArrivals[1], "PUT", "/rest/watch/focus/" + focus);
  }
  std::cout << (ok ? "web-server requests as expected\n" : "web-server requests wrong\n");
  return ok ? 0 : 1;
}
