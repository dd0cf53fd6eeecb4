// One datagram into a buffer, failing when it does not fit. Winsock reports a
// datagram longer than the buffer as a failed receive (WSAEMSGSIZE, the rest
// discarded); BSD recvfrom truncates silently, so on Linux the truncation is
// read from recvmsg's MSG_TRUNC and turned into the same failure.
#pragma once

#include "orlin/winsock.h"

namespace orlin {

// Bytes received, or SOCKET_ERROR (WSAGetLastError: WSAEMSGSIZE for a datagram
// longer than `length`, WSAETIMEDOUT after SO_RCVTIMEO). Any part of a longer
// datagram that was stored stays in the buffer.
int ReceiveDatagram(SOCKET s, void* buffer, int length);

// Looks at the next datagram without taking it: waits as a receive does, stores
// its first bytes (at most `length`) in `buffer` and returns its whole length,
// which is above `length` for a longer datagram; SOCKET_ERROR when none came
// (WSAETIMEDOUT after SO_RCVTIMEO). The next receive takes that same datagram.
// `from`, when given, receives the sender's address.
int PeekDatagram(SOCKET s, void* buffer, int length, sockaddr_in* from = nullptr);

// One datagram into two places: its first `headLength` bytes at `head`, the rest
// at `body` (at most `bodyLength`). Bytes received in all, or SOCKET_ERROR as
// ReceiveDatagram (WSAEMSGSIZE for a datagram longer than both together).
int ReceiveDatagramInTwo(SOCKET s, void* head, int headLength, void* body, int bodyLength);

}  // namespace orlin
