#include "orlin/send_datagram.h"

namespace orlin {

int SendDatagram(SOCKET s, const void* head, int headBytes, const void* body, int bodyBytes,
                 const sockaddr_in& to) {
  if (headBytes < 0 || bodyBytes < 0) {
    WSASetLastError(WSAEINVAL);
    return SOCKET_ERROR;
  }
  // WSASendTo only reads the buffers; WSABUF has no const form.
  WSABUF parts[2] = {{static_cast<ULONG>(headBytes), static_cast<CHAR*>(const_cast<void*>(head))},
                     {static_cast<ULONG>(bodyBytes), static_cast<CHAR*>(const_cast<void*>(body))}};
  DWORD sent = 0;
  if (WSASendTo(s, parts, 2, &sent, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to, nullptr,
                nullptr) != 0) {
    return SOCKET_ERROR;
  }
  return static_cast<int>(sent);
}

}  // namespace orlin
