#include <winsock2.h>

#include "host/listen_socket.hpp"

namespace ksim {

// Windows binds through closed connections by itself; its SO_REUSEADDR
// would instead let this server share the port with a live one.
void AllowRebind(std::uintptr_t) {}

}  // namespace ksim
