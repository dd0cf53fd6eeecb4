#include <atomic>
#include <cerrno>
#include <cstring>
#include <sys/time.h>
#include <unistd.h>

#include "orlin/winsock.h"
#include "platform/posix/win32/utf16.h"

namespace {

std::atomic<int> startCount{0};

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
  switch (errno) {
    case 0: return 0;
    case EINTR: return WSAEINTR;
    case EBADF: return WSAENOTSOCK;
    case ENOTSOCK: return WSAENOTSOCK;
    case EACCES: return WSAEACCES;
    case EFAULT: return WSAEFAULT;
    case EINVAL: return WSAEINVAL;
    case EMFILE: return WSAEMFILE;
    case EAGAIN: return WSAETIMEDOUT;  // our sockets block; EAGAIN is SO_RCVTIMEO expiring
    case EMSGSIZE: return WSAEMSGSIZE;
    case EPROTONOSUPPORT: return WSAEPROTONOSUPPORT;
    case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
    case ENETUNREACH: return WSAENETUNREACH;
    case ECONNRESET: return WSAECONNRESET;
    case ENOBUFS: return WSAENOBUFS;
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case EHOSTUNREACH: return WSAEHOSTUNREACH;
    default: return 10000 + errno;
  }
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

bool HostNameToAnsi(LPCWSTR name, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return false;
  buffer[0] = '\0';
  const std::string text = detail::Utf16ToUtf8(name);
  if (text.size() >= static_cast<std::size_t>(size)) return false;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return true;
}

}  // namespace orlin
