#include "orlin/winsock.h"

namespace orlin {

int SetReceiveTimeout(SOCKET s, DWORD milliseconds) {
  return setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&milliseconds),
                    sizeof milliseconds);
}

int ReceiveBufferInForce(SOCKET s) {
  int granted = 0;
  int length = sizeof granted;
  if (getsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&granted), &length) != 0) return 0;
  return granted > 0 ? granted : 0;
}

bool HostNameToAnsi(LPCWSTR name, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return false;
  buffer[0] = '\0';
  if (name == nullptr) return true;
  const int written = WideCharToMultiByte(CP_ACP, 0, name, -1, buffer, size, nullptr, nullptr);
  if (written <= 0) {
    buffer[0] = '\0';
    return false;
  }
  return true;
}

}  // namespace orlin
