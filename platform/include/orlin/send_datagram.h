// One datagram gathered from two parts, a header and a slice of a larger
// buffer, so that neither is copied next to the other first: Winsock's
// WSASendTo with two WSABUFs, BSD sendmsg with two iovecs.
#pragma once

#include "orlin/winsock.h"

namespace orlin {

// Sends `headBytes` from `head` followed by `bodyBytes` from `body` as one
// datagram to `to`. Bytes sent (all of both parts), or SOCKET_ERROR
// (WSAGetLastError says why); a datagram goes whole or not at all.
int SendDatagram(SOCKET s, const void* head, int headBytes, const void* body, int bodyBytes,
                 const sockaddr_in& to);

}  // namespace orlin
