#include "wire/compressed_datagram.h"

namespace orlin::wire {

void WriteCompressedHeader(std::uint8_t* datagram, std::int32_t payloadBytes) {
  datagram[0] = kCompressedMarker0;
  datagram[1] = kCompressedMarker1;
  datagram[2] = static_cast<std::uint8_t>(payloadBytes & 0xFF);
  datagram[3] = static_cast<std::uint8_t>((payloadBytes >> 8) & 0xFF);
}

std::optional<std::uint16_t> ParseCompressedHeader(const std::uint8_t* datagram,
                                                   std::int64_t received) {
  if (received < kCompressedHeaderBytes || datagram[0] != kCompressedMarker0 ||
      datagram[1] != kCompressedMarker1) {
    return std::nullopt;
  }
  return static_cast<std::uint16_t>(datagram[2] | (datagram[3] << 8));
}

}  // namespace orlin::wire
