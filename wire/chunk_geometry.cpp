#include "wire/chunk_geometry.h"

#include "wire/stream.h"

namespace orlin::wire {

ChunkGeometry ComputeChunkGeometry(std::int64_t frameBytes) {
  ChunkGeometry geometry;
  if (frameBytes <= 0) return geometry;
  geometry.count = frameBytes / kMaxChunkBytes + (frameBytes % kMaxChunkBytes != 0 ? 1 : 0);
  geometry.bytes = frameBytes / geometry.count;
  return geometry;
}

}  // namespace orlin::wire
