#include "orlin/receive_datagram.h"

#include <cstring>

namespace orlin {

// Winsock already fails a datagram that does not fit, with WSAEMSGSIZE.
int ReceiveDatagram(SOCKET s, void* buffer, int length) {
  return recvfrom(s, static_cast<char*>(buffer), length, 0, nullptr, nullptr);
}

// Winsock's peek says only that a datagram is longer than the space given
// (WSAEMSGSIZE), not its length: the peek takes room for the largest datagram
// IPv4 carries and hands on the first bytes.
int PeekDatagram(SOCKET s, void* buffer, int length, sockaddr_in* from) {
  if (length < 0 || (length > 0 && buffer == nullptr)) {
    WSASetLastError(WSAEINVAL);
    return SOCKET_ERROR;
  }
  char whole[65536];
  sockaddr_in sender{};
  int senderBytes = sizeof sender;
  const int peeked = recvfrom(s, whole, int(sizeof whole), MSG_PEEK, reinterpret_cast<sockaddr*>(&sender),
                              &senderBytes);
  if (from != nullptr) *from = sender;
  // Longer than any IPv4 datagram: say so by a length above the largest.
  const int datagram = peeked == SOCKET_ERROR && WSAGetLastError() == WSAEMSGSIZE ? int(sizeof whole) : peeked;
  if (datagram == SOCKET_ERROR) return SOCKET_ERROR;
  if (length > 0) std::memcpy(buffer, whole, std::size_t(datagram < length ? datagram : length));
  return datagram;
}

int ReceiveDatagramInTwo(SOCKET s, void* head, int headLength, void* body, int bodyLength) {
  if (headLength < 0 || bodyLength < 0) {
    WSASetLastError(WSAEINVAL);
    return SOCKET_ERROR;
  }
  WSABUF parts[2];
  parts[0].len = ULONG(headLength);
  parts[0].buf = static_cast<char*>(head);
  parts[1].len = ULONG(bodyLength);
  parts[1].buf = static_cast<char*>(body);
  DWORD received = 0;
  DWORD flags = 0;
  if (WSARecvFrom(s, parts, 2, &received, &flags, nullptr, nullptr, nullptr, nullptr) == SOCKET_ERROR) {
    return SOCKET_ERROR;
  }
  return int(received);
}

}  // namespace orlin
