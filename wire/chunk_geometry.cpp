#include "wire/chunk_geometry.h"

#include <algorithm>

#include "wire/stream.h"

namespace orlin::wire {

ChunkGeometry ComputeChunkGeometry(std::int64_t frameBytes) {
  ChunkGeometry geometry;
  if (frameBytes <= 0) return geometry;
  const std::int64_t unitCount =
      frameBytes / kMaxChunkBytes + (frameBytes % kMaxChunkBytes != 0 ? 1 : 0);
  // frameBytes / n <= kMaxUdpPayloadBytes exactly when n > frameBytes / (kMaxUdpPayloadBytes + 1):
  // the fewest chunks that each fit one datagram.
  const std::int64_t datagramCount = frameBytes / (std::int64_t{kMaxUdpPayloadBytes} + 1) + 1;
  geometry.count = std::max(unitCount, datagramCount);
  geometry.bytes = frameBytes / geometry.count;
  return geometry;
}

}  // namespace orlin::wire
