// Numbers of the phone-to-PC stream that both ends rely on.
#pragma once

#include <cstdint>

namespace orlin::phone {

// UDP port the PC listens on; the phone sends to it and never binds.
inline constexpr std::uint16_t kStreamPort = 4444;

// Largest slice of an uncompressed frame. The PC computes the same chunk
// geometry from its own sample size, so this number is part of the wire format.
inline constexpr std::int32_t kMaxDatagramBytes = 65520;

// Largest UDP payload IPv4 carries (65,535 less 20 bytes of IP and 8 of UDP
// header). A compressed datagram is cut here so that it is sent at all.
inline constexpr std::int32_t kMaxUdpPayloadBytes = 65507;

// Compressed datagram header: two marker bytes and a 16-bit little-endian
// payload length (0 in the fixed-size mode).
inline constexpr std::int32_t kCompressedHeaderBytes = 4;
inline constexpr std::uint8_t kCompressedMarker0 = 0x77;
inline constexpr std::uint8_t kCompressedMarker1 = 0x88;

// Formats kept by one detection.
inline constexpr int kMaxVideoFormats = 50;

// Highest encoder level; it selects the fixed-size mode.
inline constexpr std::int32_t kMaxNumReductions = 3;

// FourCC values, first character in the lowest byte.
inline constexpr std::uint32_t kFourCCYV12 = 0x32315659;  // 'Y' 'V' '1' '2'
inline constexpr std::uint32_t kFourCCYUY2 = 0x32595559;  // 'Y' 'U' 'Y' '2'

}  // namespace orlin::phone
