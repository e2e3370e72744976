// A run on the computer that also runs the simulator must not reach its web
// server: the plug-in inside kovrel-sim would send it its cuts, and a live
// broadcast's camera would jump.
#include "host/host.hpp"
#include "host/port_probe.hpp"
#include "host/web_server.hpp"

namespace ksim {

namespace {

// A local server accepts at once; this only bounds a wait that never ends.
constexpr int kProbeMs = 500;

}  // namespace

std::string SimulatorWebServerProblem() {
  if (!LocalPortAnswers(WebServer::kPort, kProbeMs)) return "";
  return "something answers on 127.0.0.1:" + std::to_string(WebServer::kPort) +
         ", most likely rFactor 2's own web server: the plug-in would send it its camera cuts and move the "
         "simulator's live camera. Close the simulator, or run kovrel-sim on a computer that is not running "
         "it, and try again.";
}

}  // namespace ksim
