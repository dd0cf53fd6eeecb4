#include "phone/chunk_geometry.h"

#include "phone/sender_constants.h"

namespace orlin::phone {

ChunkGeometry ComputeChunkGeometry(std::int32_t sampleSize) {
  ChunkGeometry geometry;
  if (sampleSize <= 0) return geometry;
  geometry.ChunkCount = sampleSize / kMaxDatagramBytes + (sampleSize % kMaxDatagramBytes != 0 ? 1 : 0);
  geometry.ChunkSize = sampleSize / geometry.ChunkCount;
  return geometry;
}

}  // namespace orlin::phone
