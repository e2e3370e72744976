// The socket beneath the simulator's web server that the HTTP library leaves
// to the system: binding a port that an earlier server's closed connections
// still hold. (Whether a program already listens is the port probe's.)
#pragma once

#include <cstdint>

namespace ksim {

// Readies a listening socket (the library's socket, as an integer) to bind
// through lingering closed connections.
void AllowRebind(std::uintptr_t socket);

}  // namespace ksim
