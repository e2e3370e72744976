#include <winsock2.h>
#include <ws2tcpip.h>

#include "host/port_probe.hpp"

namespace ksim {

bool LocalPortAnswers(int port, int timeoutMs) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
  bool answered = false;
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s != INVALID_SOCKET) {
    // Windows retries a refused connection for about two seconds; a
    // non-blocking connect with a time-out keeps the answer quick.
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
      answered = true;
    } else if (WSAGetLastError() == WSAEWOULDBLOCK) {
      fd_set writable;
      FD_ZERO(&writable);
      FD_SET(s, &writable);
      timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
      answered = select(0, nullptr, &writable, nullptr, &wait) == 1;
    }
    closesocket(s);
  }
  WSACleanup();
  return answered;
}

}  // namespace ksim
