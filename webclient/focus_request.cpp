// At each cut the simulator's web server is told which car to follow, from a
// worker of its own so that the scoring cycle never waits on the network.
#include <string>

#include "plugin/rF2kovrel.hpp"
#include "webclient/http.hpp"
#include "webclient/worker.hpp"

namespace {

constexpr char kFocusPath[] = "/rest/watch/focus/";
constexpr int kFocusTimeoutMs = 3000;

}  // namespace

void rF2kovrel::RequestFocus(std::int32_t slotId) {
  // The worker gets the slot id and the port by value and nothing of this
  // object. When no worker can be started this one request is dropped; the
  // cut stands.
  StartWorker(&rF2kovrel::SendFocus, slotId, webport);
}

void rF2kovrel::SendFocus(std::int32_t slotId, std::int32_t port) {
  HttpRequest focus;
  focus.port = port;
  focus.verb = "PUT";
  focus.path = kFocusPath + std::to_string(slotId);
  focus.timeouts.connectMs = kFocusTimeoutMs;
  focus.timeouts.sendMs = kFocusTimeoutMs;
  focus.timeouts.receiveMs = kFocusTimeoutMs;
  focus.readStatus = false;  // the answer changes nothing
  SendHttpRequest(focus);
}
