// The sockets beneath the simulator's web server that the HTTP library
// leaves to the system: finding a program already listening on the port, and
// binding a port that an earlier server's closed connections still hold.
#pragma once

#include <cstdint>

namespace ksim {

// True when a connection to the port on 127.0.0.1 is accepted.
bool SomeoneListens(int port);
// Readies a listening socket (the library's socket, as an integer) to bind
// through lingering closed connections.
void AllowRebind(std::uintptr_t socket);

}  // namespace ksim
