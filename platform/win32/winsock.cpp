#include "orlin/winsock.h"

#include <string>

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

std::basic_string<WCHAR> SocketErrorText(int error) {
  WCHAR text[512];
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                DWORD(error), 0, text, DWORD(sizeof text / sizeof text[0]), nullptr);
  if (length == 0) return L"error " + std::to_wstring(error);
  while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' ||
                        text[length - 1] == L' ' || text[length - 1] == L'.')) {
    --length;
  }
  return std::basic_string<WCHAR>(text, length);
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
