// Binding a UDP port the way both PC listeners do (the stream and the format
// announcement): every local address, address reuse on so that two filters,
// or a filter and the setup tool, may share it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "orlin/winsock.h"

namespace orlin {

// Binds `s` to `port` (0: one the system picks). Empty on success, else the
// failure in words, naming the port: another program holding it is by far the
// likeliest cause and is said as such.
// `address` (network order) binds one local address instead of every one.
std::basic_string<WCHAR> BindUdpPort(SOCKET s, std::uint16_t port, std::uint32_t address = 0);

// The IPv4 address (network order) a host name or dotted address resolves to,
// the first the system gives; nothing when it does not resolve. Winsock must
// be started.
std::optional<std::uint32_t> ResolveIPv4(const std::basic_string<WCHAR>& name);

// "10.0.0.7" for an IPv4 address in network order.
std::string DottedIPv4(std::uint32_t address);

// The port `s` is bound to; 0 when it is not.
std::uint16_t BoundUdpPort(SOCKET s);

}  // namespace orlin
