// Uncompressed frames on the wire: counted chunks sliced from the camera buffer.
#include <gtest/gtest.h>

#include "tests/phone/support/sender_fixture.h"
#include "tests/support/test_data.h"
#include "wire/chunk_geometry.h"

namespace orlin::test {
namespace {

using wire::kFourCC_YUY2;
using wire::kFourCC_YV12;

using RawFrames = SenderFixture;

TEST_F(RawFrames, SmallFrameGoesOutAsOneUntaggedDatagram) {
  Connect(kFourCC_YV12, 176, 144, 38016, /*compression=*/0);
  std::vector<std::uint8_t> frame = ReadTestFrame("coffee", 176, 144);
  const std::vector<std::uint8_t> original = frame;
  Send(frame);
  const auto datagrams = Take(1);
  ASSERT_EQ(datagrams.size(), 1u);
  EXPECT_EQ(datagrams[0], original);
}

TEST_F(RawFrames, LargeFrameGoesOutInCountedChunksFirstSliceFirst) {
  Connect(kFourCC_YUY2, 320, 240, 153600);
  EXPECT_EQ(sender_.Compression(), 0) << "YUY2 is never compressed";
  EXPECT_EQ(sender_.ChunkCount(), 3);
  EXPECT_EQ(sender_.ChunkSize(), 51200);
  std::vector<std::uint8_t> frame = NoiseFrame(153600, 1);
  const std::vector<std::uint8_t> original = frame;
  Send(frame);
  const auto datagrams = Take(3);
  ASSERT_EQ(datagrams.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    const Datagram& d = datagrams[static_cast<std::size_t>(i)];
    ASSERT_EQ(d.size(), 51200u);
    const auto slice = original.begin() + i * 51200;
    EXPECT_TRUE(std::equal(d.begin(), d.end() - 1, slice)) << "chunk " << i;
    EXPECT_EQ(d.back() & 0x0F, 3 - i) << "countdown tag of chunk " << i;
    EXPECT_EQ(d.back() & 0xF0, slice[51199] & 0xF0) << "the high nibble is the frame's own";
  }
}

TEST_F(RawFrames, PacedChunksAreTheDatagramsSentBackToBack) {
  Connect(kFourCC_YUY2, 320, 240, 153600);
  const std::vector<std::uint8_t> original = NoiseFrame(153600, 4);
  std::vector<std::uint8_t> frame = original;
  Send(frame);
  const auto backToBack = Take(3);
  sender_.SetChunkSpread(std::chrono::milliseconds(3));
  frame = original;
  Send(frame);
  EXPECT_EQ(Take(3), backToBack);
}

TEST_F(RawFrames, TrailingBytesThatDoNotFillAChunkAreNotSent) {
  Connect(kFourCC_YUY2, 0x101, 0x101, 131041);
  std::vector<std::uint8_t> frame = NoiseFrame(131041, 2);
  const std::vector<std::uint8_t> original = frame;
  Send(frame);
  const auto datagrams = Take(3);
  ASSERT_EQ(datagrams.size(), 3u);
  std::size_t total = 0;
  for (const Datagram& d : datagrams) {
    EXPECT_EQ(d.size(), 43680u);
    total += d.size();
  }
  EXPECT_EQ(total, 131040u);
  EXPECT_TRUE(std::equal(datagrams[2].begin(), datagrams[2].end() - 1, original.begin() + 2 * 43680));
}

TEST_F(RawFrames, FifteenChunksAreTheMostThatGoOutCountedALargerFrameGoesInPieces) {
  // 982,619 bytes: 15 chunks of 65,507; one byte more needs 16, beyond the countdown.
  const struct {
    std::int32_t bytes;
    std::size_t datagrams;
    bool pieces;
  } cases[] = {{982619, 15, false}, {982620, 16, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    Connect(kFourCC_YUY2, 1000, 491, c.bytes);
    std::vector<std::uint8_t> frame = NoiseFrame(static_cast<std::size_t>(c.bytes), 3);
    const std::vector<std::uint8_t> original = frame;
    Send(frame);
    const auto datagrams = Take(c.datagrams);
    ASSERT_EQ(datagrams.size(), c.datagrams);
    if (c.pieces) {
      EXPECT_EQ(JoinPieces(datagrams).bytes, original);
    } else {
      EXPECT_EQ(datagrams[0].size(), 65507u);
      EXPECT_EQ(datagrams[0].back(), wire::TagChunkByte(original[65506], 15));
    }
  }
}

TEST_F(RawFrames, TenChunksOfAVgaYuy2FrameArriveWhole) {
  Connect(kFourCC_YUY2, 640, 480, 614400);
  std::vector<std::uint8_t> frame = NoiseFrame(614400, 4);
  const std::vector<std::uint8_t> original = frame;
  Send(frame);
  const auto datagrams = Take(10);
  ASSERT_EQ(datagrams.size(), 10u);
  for (std::size_t i = 0; i < 10; ++i) {
    ASSERT_EQ(datagrams[i].size(), 61440u);
    EXPECT_TRUE(std::equal(datagrams[i].begin(), datagrams[i].end() - 1, original.begin() + i * 61440));
    EXPECT_EQ(datagrams[i].back(),
              wire::TagChunkByte(original[i * 61440 + 61439], 10 - static_cast<int>(i)));
  }
}

TEST_F(RawFrames, FrameBeyondTheCountdownGoesOutWholeInPieces) {
  // 1280 x 720 YV12: 22 chunks, more than the countdown counts.
  constexpr std::int64_t kBytes = 1382400;
  Connect(kFourCC_YV12, 1280, 720, kBytes, /*compression=*/0);
  std::vector<std::uint8_t> frame = NoiseFrame(kBytes, 8);
  const std::vector<std::uint8_t> original = frame;
  Send(frame);
  const std::int64_t count = wire::PieceCountOf(kBytes);
  const PiecedFrame pieces = JoinPieces(Take(static_cast<std::size_t>(count)));
  ASSERT_EQ(pieces.headers.size(), static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < pieces.headers.size(); ++i) {
    const wire::PieceHeader& h = pieces.headers[i];
    EXPECT_EQ(h, (wire::PieceHeader{wire::PieceKind::kRaw, 0, pieces.headers[0].serial,
                                    static_cast<std::uint16_t>(i), static_cast<std::uint16_t>(count),
                                    static_cast<std::uint32_t>(kBytes)}));
  }
  EXPECT_EQ(pieces.bytes, original) << "every byte, untagged, none left out";
  EXPECT_EQ(sender_.FramesSent(), 1u);
  EXPECT_EQ(sender_.FramesInPieces(), 1u);
  EXPECT_EQ(sender_.BytesSent(), static_cast<std::uint64_t>(kBytes + count * wire::kPieceHeaderBytes));
}

TEST_F(RawFrames, PixelCorrectionSwapsBytesTwoAndThreeOfTheLumaGroupsOnly) {
  Connect(kFourCC_YV12, 176, 144, 38016, /*compression=*/0, /*pixelCorrection=*/1);
  std::vector<std::uint8_t> frame = ReadTestFrame("cups", 176, 144);
  const std::vector<std::uint8_t> original = frame;
  Send(frame);
  const auto datagrams = Take(1);
  ASSERT_EQ(datagrams.size(), 1u);
  const Datagram& d = datagrams[0];
  ASSERT_EQ(d.size(), original.size());
  for (std::size_t i = 0; i < 176 * 144; i += 4) {
    ASSERT_EQ(d[i], original[i]);
    ASSERT_EQ(d[i + 1], original[i + 1]);
    ASSERT_EQ(d[i + 2], original[i + 3]) << "group at " << i;
    ASSERT_EQ(d[i + 3], original[i + 2]) << "group at " << i;
  }
  EXPECT_TRUE(std::equal(d.begin() + 176 * 144, d.end(), original.begin() + 176 * 144));
}

TEST_F(RawFrames, PixelCorrectionStaysInsideASmallerCameraBuffer) {
  // The camera's frames are 1000 bytes although the format says 176 x 144: the
  // correction would touch 25,344 bytes, so it is skipped and the frame sent.
  Connect(kFourCC_YUY2, 176, 144, 1000, 0, /*pixelCorrection=*/1);
  std::vector<std::uint8_t> frame = NoiseFrame(1000, 5);
  const std::vector<std::uint8_t> original = frame;
  Send(frame);
  const auto datagrams = Take(1);
  ASSERT_EQ(datagrams.size(), 1u);
  EXPECT_EQ(datagrams[0], original);
}

TEST_F(RawFrames, ASampleSmallerThanTheConnectedSizeIsSkipped) {
  Connect(kFourCC_YUY2, 320, 240, 153600);
  std::vector<std::uint8_t> shortFrame = NoiseFrame(153600, 6);
  Send(shortFrame, 153599);  // the real buffer ends before the last chunk
  std::vector<std::uint8_t> frame = NoiseFrame(153600, 7);
  const std::vector<std::uint8_t> original = frame;
  Send(frame);
  const auto datagrams = Take(3);
  ASSERT_EQ(datagrams.size(), 3u);
  EXPECT_TRUE(std::equal(datagrams[0].begin(), datagrams[0].end() - 1, original.begin()))
      << "the first datagram belongs to the whole frame";
}

TEST_F(RawFrames, ASampleSmallerThanTheConnectedSizeSendsNoPieces) {
  Connect(kFourCC_YUY2, 1280, 720, 1843200);
  std::vector<std::uint8_t> shortFrame = NoiseFrame(1843200, 6);
  Send(shortFrame, 1843199);  // the real buffer ends before the last piece
  std::vector<std::uint8_t> frame = NoiseFrame(1843200, 7);
  const std::vector<std::uint8_t> original = frame;
  Send(frame);
  const PiecedFrame pieces = JoinPieces(Take(static_cast<std::size_t>(wire::PieceCountOf(1843200))));
  EXPECT_EQ(pieces.headers.size(), static_cast<std::size_t>(wire::PieceCountOf(1843200)));
  EXPECT_EQ(pieces.bytes, original) << "every piece belongs to the whole frame";
  EXPECT_EQ(sender_.FramesSent(), 1u);
}

}  // namespace
}  // namespace orlin::test
