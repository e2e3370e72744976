// A run on the computer that also runs the simulator must not reach its web
// server: the plug-in inside kovrel-sim would send it its cuts, and a live
// broadcast's camera would jump. Le Mans Ultimate serves on 6397, rFactor 2's
// web UI on 5397, and a file's webport may point the plug-in anywhere.
#include <cstdlib>
#include <vector>

#include "host/host.hpp"
#include "host/port_probe.hpp"
#include "host/web_server.hpp"

namespace ksim {

namespace {

// A local server accepts at once; this only bounds a wait that never ends.
constexpr int kProbeMs = 500;
constexpr int kRfactor2WebUiPort = 5397;

std::string WhatServesOn(int port) {
  if (port == WebServer::kPort) return "most likely Le Mans Ultimate's web server (or rFactor 2's, moved there)";
  if (port == kRfactor2WebUiPort) return "most likely rFactor 2's web UI";
  return "the port your settings' webport names";
}

}  // namespace

int WebPortOf(const std::string& value) {
  // Read as the plug-in reads it: a number from the start, 1 to 65535.
  char* end = nullptr;
  const double number = std::strtod(value.c_str(), &end);
  if (end == value.c_str() || !(number >= 1.0 && number <= 65535.0)) return WebServer::kPort;
  return static_cast<int>(number);
}

std::string SimulatorWebServerProblem(int webPort) {
  std::vector<int> ports = {WebServer::kPort, kRfactor2WebUiPort};
  if (webPort != WebServer::kPort && webPort != kRfactor2WebUiPort) ports.push_back(webPort);
  for (const int port : ports) {
    if (!LocalPortAnswers(port, kProbeMs)) continue;
    return "something answers on 127.0.0.1:" + std::to_string(port) + ", " + WhatServesOn(port) +
           ": the plug-in would send it its camera cuts and move the simulator's live camera. Close the "
           "simulator, or run kovrel-sim on a computer that is not running it, and try again.";
  }
  return "";
}

}  // namespace ksim
