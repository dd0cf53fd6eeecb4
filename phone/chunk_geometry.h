// How an uncompressed frame is cut into datagrams. The PC derives the same
// numbers from its own sample size, so they must not change.
#pragma once

#include <cstdint>

namespace orlin::phone {

struct ChunkGeometry {
  std::int32_t ChunkCount = 0;  // datagrams per frame
  std::int32_t ChunkSize = 0;   // bytes per datagram
};

// ChunkCount = ceil(sampleSize / 65520), ChunkSize = sampleSize / ChunkCount.
// The last sampleSize - ChunkCount * ChunkSize bytes (fewer than ChunkCount)
// are not sent. A sample size of 0 or less has no geometry: both are 0.
ChunkGeometry ComputeChunkGeometry(std::int32_t sampleSize);

// The tagged last byte of a slice: its high nibble kept, the countdown k below.
// With 16 or more chunks k no longer fits the nibble and spills into the high one.
inline std::uint8_t TagChunkByte(std::uint8_t byte, std::int32_t k) {
  return static_cast<std::uint8_t>((byte & 0xF0) | k);
}

}  // namespace orlin::phone
