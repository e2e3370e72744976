// The HTTP seam: one synchronous request to the simulator's web server on this
// machine. Plain HTTP, no proxy, no body, no headers of our own beyond the user
// agent; the implementations open and close everything within the one call.
#pragma once

#include <optional>
#include <string>

// The literal loopback address rather than "localhost": no name to resolve
// (resolving has no time-out of its own), and no IPv6 ::1 tried first against
// a server that listens on IPv4 only.
inline constexpr char kWebServerHost[] = "127.0.0.1";
// The port when the INI has no usable webport.
inline constexpr int kWebServerPort = 6397;
inline constexpr char kWebUserAgent[] = "rF2Kovrel/1.0";

// Milliseconds; 0 leaves the platform's default for that step.
struct HttpTimeouts {
  int connectMs = 0;
  int sendMs = 0;
  int receiveMs = 0;
};

struct HttpRequest {
  int port = kWebServerPort;
  std::string verb;
  std::string path;
  HttpTimeouts timeouts;
  // False for fire-and-forget requests: no step's outcome stops the next one
  // (the answer is awaited even after a failed send) and the status is not read.
  bool readStatus = true;
};

// The answer's status code; nothing when the request failed on the way or its
// status was not asked for. Never throws.
std::optional<int> SendHttpRequest(const HttpRequest& request) noexcept;
