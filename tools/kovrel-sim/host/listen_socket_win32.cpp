#include <winsock2.h>

#include "host/listen_socket.hpp"

namespace ksim {

bool SomeoneListens(int port) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
  bool connected = false;
  const SOCKET probe = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (probe != INVALID_SOCKET) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected = ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    closesocket(probe);
  }
  WSACleanup();
  return connected;
}

// Windows binds through closed connections by itself; its SO_REUSEADDR
// would instead let this server share the port with a live one.
void AllowRebind(std::uintptr_t) {}

}  // namespace ksim
