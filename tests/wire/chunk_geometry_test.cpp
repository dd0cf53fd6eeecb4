// The chunk geometry both ends derive from the frame's size, and the countdown
// that tags each chunk.
#include <gtest/gtest.h>

#include "wire/chunk_geometry.h"

namespace orlin::wire {
namespace {

void ExpectGeometry(std::int64_t frameBytes, std::int64_t count, std::int64_t bytes) {
  const ChunkGeometry geometry = ComputeChunkGeometry(frameBytes);
  EXPECT_EQ(geometry.count, count) << frameBytes;
  EXPECT_EQ(geometry.bytes, bytes) << frameBytes;
}

TEST(ChunkGeometry, FramesSplitIntoEqualChunksOfAtMost65520Bytes) {
  ExpectGeometry(38016, 1, 38016);
  ExpectGeometry(65520, 1, 65520);
  ExpectGeometry(65521, 2, 32760);
  ExpectGeometry(153600, 3, 51200);
  ExpectGeometry(131041, 3, 43680);
  ExpectGeometry(460800, 8, 57600);
  ExpectGeometry(614400, 10, 61440);
  ExpectGeometry(983040, 16, 61440);  // just over 15 x 65520
}

TEST(ChunkGeometry, NoPositiveSampleSizeMeansNoChunks) {
  ExpectGeometry(0, 0, 0);
  ExpectGeometry(-153600, 0, 0);
}

TEST(ChunkCountdown, TagKeepsTheHighNibbleAndReadsBack) {
  for (std::int32_t k = 1; k <= 15; ++k) {
    const std::uint8_t tagged = TagChunkByte(0xA5, k);
    EXPECT_EQ(tagged & 0xF0, 0xA0) << k;
    EXPECT_EQ(ChunkCountdown(tagged), std::uint32_t(k)) << k;
  }
}

}  // namespace
}  // namespace orlin::wire
