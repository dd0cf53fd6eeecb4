// The phone-to-PC stream: one way over UDP, every datagram one of the kinds
// that have a file of their own here (chunk_geometry.h: a raw frame's counted
// chunks; compressed_datagram.h: a compressed frame). Which kind arrives is
// fixed by the format in force at both ends, not by the datagram. Beside the
// stream, on a port of its own, the phone announces its format
// (announcement.h).
#pragma once

#include <cstdint>

namespace orlin::wire {

// UDP port the PC listens on; the phone sends to it and never binds.
inline constexpr std::uint16_t kStreamPort = 4444;

// The unit of the chunk formula: an uncompressed frame takes one chunk per
// 65,520 bytes begun, and more where such chunks would not fit a datagram. The
// PC derives the same geometry from its own sample size, so this number is
// part of the format; both ends also size their socket buffers by it.
inline constexpr std::int32_t kMaxChunkBytes = 65520;

// Largest UDP payload IPv4 carries (65,535 less 20 bytes of IP and 8 of UDP
// header). A datagram longer than this is never sent at all.
inline constexpr std::int32_t kMaxUdpPayloadBytes = 65507;

}  // namespace orlin::wire
