#include <atomic>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <sys/time.h>
#include <unistd.h>

#include "orlin/module.h"
#include "orlin/winsock.h"
#include "platform/posix/win32/utf16.h"

namespace {

std::atomic<int> startCount{0};

// errno to Winsock numbers. Where two share a number, the first is the one
// whose words SocketErrorText gives.
struct ErrorPair {
  int system;
  int winsock;
};
constexpr ErrorPair kErrors[] = {
    {EINTR, WSAEINTR},
    {ENOTSOCK, WSAENOTSOCK},
    {EBADF, WSAENOTSOCK},
    {EACCES, WSAEACCES},
    {EFAULT, WSAEFAULT},
    {EINVAL, WSAEINVAL},
    {EMFILE, WSAEMFILE},
    {ETIMEDOUT, WSAETIMEDOUT},
    {EAGAIN, WSAETIMEDOUT},  // our sockets block; EAGAIN is SO_RCVTIMEO expiring
    {EMSGSIZE, WSAEMSGSIZE},
    {EPROTONOSUPPORT, WSAEPROTONOSUPPORT},
    {EAFNOSUPPORT, WSAEAFNOSUPPORT},
    {EADDRINUSE, WSAEADDRINUSE},
    {EADDRNOTAVAIL, WSAEADDRNOTAVAIL},
    {ENETUNREACH, WSAENETUNREACH},
    {ECONNRESET, WSAECONNRESET},
    {ENOBUFS, WSAENOBUFS},
    {ECONNREFUSED, WSAECONNREFUSED},
    {EHOSTUNREACH, WSAEHOSTUNREACH},
};

}  // namespace

int WSAStartup(WORD versionRequested, WSADATA* data) {
  if (data == nullptr) return WSAEFAULT;
  std::memset(data, 0, sizeof *data);
  data->wVersion = versionRequested;
  data->wHighVersion = MAKEWORD(2, 2);
  data->iMaxUdpDg = 65507;
  ++startCount;
  return 0;
}

int WSACleanup() {
  int count = startCount.load();
  while (count > 0) {
    if (startCount.compare_exchange_weak(count, count - 1)) return 0;
  }
  return SOCKET_ERROR;
}

int closesocket(SOCKET s) { return close(s) == 0 ? 0 : SOCKET_ERROR; }

int WSAGetLastError() {
  if (errno == 0) return 0;
  for (const ErrorPair& pair : kErrors) {
    if (pair.system == errno) return pair.winsock;
  }
  return 10000 + errno;
}

namespace orlin {

int SetReceiveTimeout(SOCKET s, DWORD milliseconds) {
  timeval timeout{};
  timeout.tv_sec = static_cast<time_t>(milliseconds / 1000);
  timeout.tv_usec = static_cast<suseconds_t>((milliseconds % 1000) * 1000);
  return setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) == 0 ? 0 : SOCKET_ERROR;
}

int ReceiveBufferInForce(SOCKET s) {
  int reported = 0;
  socklen_t length = sizeof reported;
  if (getsockopt(s, SOL_SOCKET, SO_RCVBUF, &reported, &length) != 0 || reported <= 0) return 0;
  return reported / 2;
}

std::basic_string<WCHAR> SocketErrorText(int error) {
  int system = error > 10000 ? error - 10000 : 0;
  for (const ErrorPair& pair : kErrors) {
    if (pair.winsock == error) {
      system = pair.system;
      break;
    }
  }
  const std::string number = "error " + std::to_string(error);
  // strerror speaks the locale's language, in its encoding: UTF-8 here.
  const std::optional<std::u16string> text = detail::Utf16FromUtf8(system > 0 ? std::strerror(system) : "");
  return text.has_value() && !text->empty() ? *text : *detail::Utf16FromUtf8(number);
}

bool HostNameToAnsi(LPCWSTR name, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return false;
  buffer[0] = '\0';
  const std::string text = detail::Utf16ToUtf8(name);
  if (text.size() >= static_cast<std::size_t>(size)) return false;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return true;
}

}  // namespace orlin
