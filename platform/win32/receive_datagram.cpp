#include "orlin/receive_datagram.h"

namespace orlin {

// Winsock already fails a datagram that does not fit, with WSAEMSGSIZE.
int ReceiveDatagram(SOCKET s, void* buffer, int length) {
  return recvfrom(s, static_cast<char*>(buffer), length, 0, nullptr, nullptr);
}

}  // namespace orlin
