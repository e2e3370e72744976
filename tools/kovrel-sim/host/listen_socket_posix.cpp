#include <sys/socket.h>

#include "host/listen_socket.hpp"

namespace ksim {

void AllowRebind(std::uintptr_t socket) {
  const int fd = static_cast<int>(socket);
  int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  setsockopt(fd, SOL_SOCKET, SO_REUSEPORT, &yes, sizeof yes);
}

}  // namespace ksim
