// A raw frame on the wire: how an uncompressed frame is cut into datagrams,
// and the countdown that tags each one. Both ends derive the same numbers from
// the frame's size, so they are part of the format.
#pragma once

#include <cstdint>

namespace orlin::wire {

struct ChunkGeometry {
  std::int64_t count = 0;  // datagrams per frame
  std::int64_t bytes = 0;  // bytes per datagram
};

// count = ceil(frameBytes / kMaxChunkBytes), raised where needed until
// bytes = frameBytes / count is at most kMaxUdpPayloadBytes (a frame of 65,508
// to 65,520 bytes would otherwise make one chunk that no datagram carries).
// The last frameBytes - count * bytes bytes (fewer than count) are not sent. A
// frame of 0 bytes or less has no geometry: both are 0.
ChunkGeometry ComputeChunkGeometry(std::int64_t frameBytes);

// Chunks the receiver can tell apart by their four-bit countdown.
inline constexpr std::int64_t kMaxCountedChunks = 15;

// A raw frame goes out as counted chunks when the countdown can count them; a
// larger one goes out in pieces (frame_piece.h). Both ends decide it from the
// frame's size alone.
inline bool FitsCountedChunks(std::int64_t frameBytes) {
  const std::int64_t count = ComputeChunkGeometry(frameBytes).count;
  return count >= 1 && count <= kMaxCountedChunks;
}

// A frame of more than one chunk tags the last byte of each: its low nibble
// becomes the countdown k, n for the first chunk down to 1 for the last; the
// high nibble is kept. With 16 or more chunks k no longer fits the nibble and
// spills into the high one (such frames never reach a picture).
inline std::uint8_t TagChunkByte(std::uint8_t byte, std::int32_t k) {
  return static_cast<std::uint8_t>((byte & 0xF0) | k);
}

// The countdown a chunk's last byte carries.
inline std::uint32_t ChunkCountdown(std::uint8_t lastByte) {
  return lastByte & 0x0Fu;
}

}  // namespace orlin::wire
