// A compressed frame on the wire: one datagram, a 4-byte header and the
// codec's payload. The header is two marker bytes and the payload's length,
// 16 bits little-endian; a length of 0 marks the fixed-size mode, whose
// payload length follows from the picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "wire/stream.h"

namespace orlin::wire {

inline constexpr std::int32_t kCompressedHeaderBytes = 4;
inline constexpr std::uint8_t kCompressedMarker0 = 0x77;
inline constexpr std::uint8_t kCompressedMarker1 = 0x88;

// The longest payload that still goes in one IPv4 datagram.
inline constexpr std::int32_t kMaxCompressedPayloadBytes =
    kMaxUdpPayloadBytes - kCompressedHeaderBytes;

// Writes the header into the first kCompressedHeaderBytes of `datagram`;
// `payloadBytes` is 0 (fixed-size mode) to kMaxCompressedPayloadBytes.
void WriteCompressedHeader(std::uint8_t* datagram, std::int32_t payloadBytes);

// The payload length a received datagram of `received` bytes declares, or
// nothing when it does not begin with a header. A datagram shorter than the
// header is not one, whatever its first bytes.
std::optional<std::uint16_t> ParseCompressedHeader(const std::uint8_t* datagram,
                                                   std::int64_t received);

}  // namespace orlin::wire
