// Winsock: `fd` is the SOCKET, set non-blocking by its owner; Windows
// raises no signal on a broken connection.
#include "platform/sockets.h"

#include <winsock2.h>

namespace poolside {

std::size_t SendNow(int fd, const char* data, std::size_t size) {
  const auto socket = static_cast<SOCKET>(fd);
  std::size_t sent = 0;
  while (sent < size) {
    const int chunk = size - sent > 0x40000000u ? 0x40000000 : static_cast<int>(size - sent);
    const int n = ::send(socket, data + sent, chunk, 0);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
    } else if (n == SOCKET_ERROR && WSAGetLastError() == WSAEINTR) {
      continue;
    } else {
      break;  // WSAEWOULDBLOCK: the buffer is full; anything else: failed
    }
  }
  return sent;
}

}  // namespace poolside
