// cpp-httplib's client, one connection per request, closed after the answer.
#include "webclient/http.hpp"

#include <httplib.h>

#include <ctime>

namespace {

void SplitMilliseconds(int ms, std::time_t& seconds, std::time_t& microseconds) {
  seconds = ms / 1000;
  microseconds = static_cast<std::time_t>(ms % 1000) * 1000;
}

void ApplyTimeouts(httplib::ClientImpl& client, const HttpTimeouts& timeouts) {
  std::time_t seconds = 0;
  std::time_t microseconds = 0;
  if (timeouts.connectMs > 0) {
    SplitMilliseconds(timeouts.connectMs, seconds, microseconds);
    client.set_connection_timeout(seconds, microseconds);
  }
  if (timeouts.sendMs > 0) {
    SplitMilliseconds(timeouts.sendMs, seconds, microseconds);
    client.set_write_timeout(seconds, microseconds);
  }
  if (timeouts.receiveMs > 0) {
    SplitMilliseconds(timeouts.receiveMs, seconds, microseconds);
    client.set_read_timeout(seconds, microseconds);
  }
}

}  // namespace

std::optional<int> SendHttpRequest(const HttpRequest& request) noexcept {
  try {
    httplib::ClientImpl client(kWebServerHost, request.port);
    ApplyTimeouts(client, request.timeouts);
    client.set_keep_alive(false);
    client.set_url_encode(false);  // the path goes out exactly as built

    httplib::Request message;
    message.method = request.verb;
    message.path = request.path;
    message.headers.emplace("User-Agent", kWebUserAgent);
    const httplib::Result answer = client.send(message);
    if (!answer || !request.readStatus) return std::nullopt;
    return answer->status;
  } catch (...) {
    return std::nullopt;
  }
}
