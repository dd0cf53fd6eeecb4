// The chunk geometry both ends derive from the frame's size, and the countdown
// that tags each chunk.
#include <gtest/gtest.h>

#include "wire/chunk_geometry.h"
#include "wire/stream.h"

namespace orlin::wire {
namespace {

void ExpectGeometry(std::int64_t frameBytes, std::int64_t count, std::int64_t bytes) {
  const ChunkGeometry geometry = ComputeChunkGeometry(frameBytes);
  EXPECT_EQ(geometry.count, count) << frameBytes;
  EXPECT_EQ(geometry.bytes, bytes) << frameBytes;
}

TEST(ChunkGeometry, FramesSplitIntoEqualChunksOfOneDatagramEach) {
  ExpectGeometry(38016, 1, 38016);
  ExpectGeometry(65507, 1, 65507);
  ExpectGeometry(65508, 2, 32754);
  ExpectGeometry(65520, 2, 32760);  // 208 x 210 YV12
  ExpectGeometry(65521, 2, 32760);
  ExpectGeometry(131015, 2, 65507);
  ExpectGeometry(131016, 3, 43672);
  ExpectGeometry(153600, 3, 51200);
  ExpectGeometry(131041, 3, 43680);
  ExpectGeometry(460800, 8, 57600);
  ExpectGeometry(614400, 10, 61440);
  ExpectGeometry(982619, 15, 65507);
  ExpectGeometry(982620, 16, 61413);
  ExpectGeometry(983040, 16, 61440);  // just over 15 x 65520
}

// Chunks only ever grow more numerous where one would not fit a datagram: every
// frame keeps the 65,520-byte unit's geometry when that one can be sent.
TEST(ChunkGeometry, EveryChunkFitsADatagramAndSendableGeometriesStay) {
  for (std::int64_t s = 1; s <= 17 * std::int64_t{kMaxChunkBytes}; ++s) {
    const ChunkGeometry geometry = ComputeChunkGeometry(s);
    ASSERT_LE(geometry.bytes, kMaxUdpPayloadBytes) << s;
    const std::int64_t unitCount = (s + kMaxChunkBytes - 1) / kMaxChunkBytes;
    if (s / unitCount <= kMaxUdpPayloadBytes) {
      ASSERT_EQ(geometry.count, unitCount) << s;
    } else {
      ASSERT_EQ(geometry.count, unitCount + 1) << s;  // one more chunk always suffices
    }
  }
}

TEST(ChunkGeometry, NoPositiveSampleSizeMeansNoChunks) {
  ExpectGeometry(0, 0, 0);
  ExpectGeometry(-153600, 0, 0);
  EXPECT_FALSE(FitsCountedChunks(0));
}

// Frames up to 15 chunks are counted; from 16 they go out in pieces.
TEST(ChunkGeometry, CountedChunksEndWhereTheCountdownDoes) {
  EXPECT_TRUE(FitsCountedChunks(1));
  EXPECT_TRUE(FitsCountedChunks(614400));  // 640 x 480 YUY2
  EXPECT_TRUE(FitsCountedChunks(982619));
  EXPECT_FALSE(FitsCountedChunks(982620));
  EXPECT_FALSE(FitsCountedChunks(1382400));  // 1280 x 720 I420
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
