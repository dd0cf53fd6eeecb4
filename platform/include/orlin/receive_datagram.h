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

}  // namespace orlin
