// The chunk geometry both ends derive from the sample size.
#include <gtest/gtest.h>

#include "phone/chunk_geometry.h"

namespace orlin::test {
namespace {

using phone::ComputeChunkGeometry;

void ExpectGeometry(std::int32_t sampleSize, std::int32_t count, std::int32_t size) {
  const phone::ChunkGeometry geometry = ComputeChunkGeometry(sampleSize);
  EXPECT_EQ(geometry.ChunkCount, count) << sampleSize;
  EXPECT_EQ(geometry.ChunkSize, size) << sampleSize;
}

TEST(ChunkGeometry, FramesSplitIntoEqualChunksOfAtMost65520Bytes) {
  ExpectGeometry(38016, 1, 38016);
  ExpectGeometry(65520, 1, 65520);
  ExpectGeometry(65521, 2, 32760);
  ExpectGeometry(153600, 3, 51200);
  ExpectGeometry(131041, 3, 43680);
  ExpectGeometry(614400, 10, 61440);
}

TEST(ChunkGeometry, NoPositiveSampleSizeMeansNoChunks) {
  ExpectGeometry(0, 0, 0);
  ExpectGeometry(-153600, 0, 0);
}

}  // namespace
}  // namespace orlin::test
