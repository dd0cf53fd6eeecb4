#include "orlin/udp_port.h"

#include <cstring>

namespace orlin {
namespace {

std::basic_string<WCHAR> FailureText(std::uint16_t port, int error) {
  std::basic_string<WCHAR> number;
  for (char digit : std::to_string(port)) number += WCHAR(digit);
  if (error == WSAEADDRINUSE) {
    return ORLIN_TEXT("UDP port ") + number + ORLIN_TEXT(" is in use by another program");
  }
#ifdef _WIN32
  // Windows refuses a port that another program holds for itself (or that the
  // system has reserved) with "access denied", which names neither.
  if (error == WSAEACCES) {
    return ORLIN_TEXT("UDP port ") + number +
           ORLIN_TEXT(" is in use by another program or reserved by the system");
  }
#endif
  return ORLIN_TEXT("Cannot bind UDP port ") + number + ORLIN_TEXT(": ") + SocketErrorText(error);
}

}  // namespace

std::basic_string<WCHAR> BindUdpPort(SOCKET s, std::uint16_t port, std::uint32_t localAddress) {
  const int reuse = 1;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = localAddress != 0 ? localAddress : htonl(INADDR_ANY);
  if (bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    return FailureText(port, WSAGetLastError());
  }
  return {};
}

std::optional<std::uint32_t> ResolveIPv4(const std::basic_string<WCHAR>& name) {
  char narrow[256];
  if (name.empty() || name.size() >= sizeof narrow || !HostNameToAnsi(name.c_str(), narrow, sizeof narrow)) {
    return std::nullopt;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  hints.ai_protocol = IPPROTO_UDP;
  addrinfo* results = nullptr;
  std::optional<std::uint32_t> address;
  if (getaddrinfo(narrow, nullptr, &hints, &results) == 0 && results != nullptr && results->ai_addr != nullptr &&
      results->ai_family == AF_INET) {
    address = reinterpret_cast<const sockaddr_in*>(results->ai_addr)->sin_addr.s_addr;
  }
  if (results != nullptr) freeaddrinfo(results);
  return address;
}

std::string DottedIPv4(std::uint32_t address) {
  unsigned char bytes[4];
  std::memcpy(bytes, &address, sizeof bytes);  // network order: the first byte first
  return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." + std::to_string(bytes[2]) + "." +
         std::to_string(bytes[3]);
}

std::uint16_t BoundUdpPort(SOCKET s) {
  if (s == INVALID_SOCKET) return 0;
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

}  // namespace orlin
