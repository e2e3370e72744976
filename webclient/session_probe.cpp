// The one look at the simulator's web server, at set-up: does it answer?
#include "plugin/rF2kovrel.hpp"
#include "webclient/http.hpp"

namespace {

constexpr char kSessionInfoPath[] = "/rest/watch/sessionInfo";
constexpr int kProbeTimeoutMs = 2000;

}  // namespace

void rF2kovrel::ProbeWebServer() {
  // Once per object, whatever the outcome: a server that starts later is not
  // used, one that stops later is still assumed present.
  HttpRequest probe;
  {
    std::lock_guard<std::mutex> lock(mCycleLock);
    if (mWebProbeDone) return;
    mWebServerUp = false;
    mWebProbeDone = true;
    probe.port = webport;
  }

  probe.verb = "GET";
  probe.path = kSessionInfoPath;
  probe.timeouts.connectMs = kProbeTimeoutMs;
  probe.timeouts.receiveMs = kProbeTimeoutMs;
  // The request runs outside the cycle's lock (it may take seconds); only
  // its outcome is published under it.
  const std::optional<int> status = SendHttpRequest(probe);
  std::lock_guard<std::mutex> lock(mCycleLock);
  mWebServerUp = status.has_value() && *status == 200;
}
