// The port seam: whether anything on this computer takes TCP connections on
// a port of 127.0.0.1. Nothing is sent: the connection is closed as soon as
// it is made.
#pragma once

namespace ksim {

// True when a connection to 127.0.0.1:`port` is accepted within `timeoutMs`.
bool LocalPortAnswers(int port, int timeoutMs);

}  // namespace ksim
