// Windows Sockets names over BSD sockets. On Windows the real Winsock (link
// ws2_32); on Linux the Winsock names our code calls, mapped to the BSD calls of
// the same meaning. socket, bind, sendto, recvfrom, setsockopt, getaddrinfo and
// inet_ntoa are the system's own on both platforms.
#pragma once

#include <string>

#include "orlin/win_types.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

using SOCKET = int;
#define INVALID_SOCKET (-1)
#define SOCKET_ERROR (-1)

#ifndef MAKEWORD
#define MAKEWORD(low, high) \
  (static_cast<WORD>((static_cast<unsigned>(low) & 0xff) | ((static_cast<unsigned>(high) & 0xff) << 8)))
#endif

struct WSADATA {
  WORD wVersion;
  WORD wHighVersion;
  char szDescription[257];
  char szSystemStatus[129];
  unsigned short iMaxSockets;
  unsigned short iMaxUdpDg;
  char* lpVendorInfo;
};

// Winsock error numbers, as WSAGetLastError reports them.
#define WSAEINTR 10004
#define WSAEBADF 10009
#define WSAEACCES 10013
#define WSAEFAULT 10014
#define WSAEINVAL 10022
#define WSAEMFILE 10024
#define WSAEWOULDBLOCK 10035
#define WSAENOTSOCK 10038
#define WSAEMSGSIZE 10040
#define WSAEPROTONOSUPPORT 10043
#define WSAEAFNOSUPPORT 10047
#define WSAEADDRINUSE 10048
#define WSAEADDRNOTAVAIL 10049
#define WSAENETUNREACH 10051
#define WSAECONNRESET 10054
#define WSAENOBUFS 10055
#define WSAETIMEDOUT 10060
#define WSAECONNREFUSED 10061
#define WSAEHOSTUNREACH 10065
#define WSANOTINITIALISED 10093

// Counts starts; always succeeds for version 2.2 and below.
int WSAStartup(WORD versionRequested, WSADATA* data);
// SOCKET_ERROR (WSANOTINITIALISED) without a matching start.
int WSACleanup();
int closesocket(SOCKET s);
// The last socket error of this thread as a Winsock number. A receive that ran
// into its SO_RCVTIMEO time-out gives WSAETIMEDOUT, as on Windows.
int WSAGetLastError();
#endif

namespace orlin {

// Sets SO_RCVTIMEO. Windows takes milliseconds as a DWORD, BSD a timeval.
int SetReceiveTimeout(SOCKET s, DWORD milliseconds);

// The SO_RCVBUF in force, in the bytes a program asks for; 0 when it cannot be
// read. Linux grants at most net.core.rmem_max and reports twice what it
// granted (the other half is its own bookkeeping): this is half of that.
int ReceiveBufferInForce(SOCKET s);

// The system's words for a Winsock error number (as WSAGetLastError gives it),
// without a closing full stop or line break; "error N" when it has none.
std::basic_string<WCHAR> SocketErrorText(int error);

// Converts a wide host name into `buffer` (`size` bytes, terminated) in the
// system's ANSI code page (UTF-8 on Linux), for getaddrinfo. False when it does
// not fit or cannot be converted; the buffer is then an empty string.
bool HostNameToAnsi(LPCWSTR name, char* buffer, int size);

// Owns one socket; closes it on destruction.
class SocketHandle {
 public:
  SocketHandle() = default;
  explicit SocketHandle(SOCKET s) : socket_(s) {}
  ~SocketHandle() { Reset(); }
  SocketHandle(SocketHandle&& other) noexcept : socket_(other.Release()) {}
  SocketHandle& operator=(SocketHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  SocketHandle(const SocketHandle&) = delete;
  SocketHandle& operator=(const SocketHandle&) = delete;

  SOCKET Get() const { return socket_; }
  bool Valid() const { return socket_ != INVALID_SOCKET; }
  SOCKET Release() {
    SOCKET s = socket_;
    socket_ = INVALID_SOCKET;
    return s;
  }
  void Reset(SOCKET s = INVALID_SOCKET) {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = s;
  }

 private:
  SOCKET socket_ = INVALID_SOCKET;
};

// One WSAStartup, matched by WSACleanup on destruction.
class WinsockSession {
 public:
  WinsockSession() = default;
  ~WinsockSession() { End(); }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;

  // Starts version 2.2; the WSAStartup result (0 on success).
  int Start() {
    End();
    WSADATA data{};
    const int result = WSAStartup(MAKEWORD(2, 2), &data);
    started_ = result == 0;
    return result;
  }
  void End() {
    if (started_) WSACleanup();
    started_ = false;
  }
  bool Started() const { return started_; }

 private:
  bool started_ = false;
};

}  // namespace orlin
