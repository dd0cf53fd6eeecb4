// Compressed frames on the wire: one datagram of 0x77 0x88, the payload length
// and the encoder's output.
#include <gtest/gtest.h>

#include "codec/codec.h"
#include "tests/phone/support/sender_fixture.h"
#include "tests/support/test_data.h"

namespace orlin::test {
namespace {

using wire::kFourCC_YUY2;
using wire::kFourCC_YV12;

// What the encoder writes for a frame, with the sender's capacity.
std::vector<std::uint8_t> EncoderOutput(const std::vector<std::uint8_t>& frame, int width,
                                        int height, int level) {
  std::vector<std::uint8_t> output(static_cast<std::size_t>(width) * height * 3 / 4 - 4);
  std::int32_t length = static_cast<std::int32_t>(output.size());
  codec::CompressFrame(frame.data(), width, height, level, output.data(), &length);
  output.resize(static_cast<std::size_t>(length));
  return output;
}

int LengthField(const Datagram& d) { return d[2] | (d[3] << 8); }

using CompressedFrames = SenderFixture;

TEST_F(CompressedFrames, VariableLengthLevelsCarryThePayloadLength) {
  Connect(kFourCC_YV12, 176, 144, 38016);
  for (int level = 0; level <= 2; ++level) {
    SCOPED_TRACE(level);
    ASSERT_EQ(sender_.ApplyCodecSettings(1, 0, level), 1);
    std::vector<std::uint8_t> frame = ReadTestFrame("astronaut", 176, 144);
    const auto expected = EncoderOutput(frame, 176, 144, level);
    Send(frame);
    const auto datagrams = Take(1);
    ASSERT_EQ(datagrams.size(), 1u);
    const Datagram& d = datagrams[0];
    ASSERT_EQ(d.size(), expected.size() + 4);
    EXPECT_EQ(d[0], 0x77);
    EXPECT_EQ(d[1], 0x88);
    EXPECT_EQ(LengthField(d), static_cast<int>(expected.size()));
    EXPECT_TRUE(std::equal(d.begin() + 4, d.end(), expected.begin()));
  }
  EXPECT_EQ(sender_.FramesInPieces(), 0u) << "frames that fit go out in one datagram";
}

TEST_F(CompressedFrames, FixedSizeLevelHasAZeroLengthField) {
  Connect(kFourCC_YV12, 320, 240, 115200, 1, 0, /*numReductions=*/3);
  std::vector<std::uint8_t> frame = ReadTestFrame("cups", 320, 240);
  const auto expected = EncoderOutput(frame, 320, 240, 3);
  ASSERT_EQ(expected.size(), 9u * 320 * 240 / 16);
  Send(frame);
  const auto datagrams = Take(1);
  ASSERT_EQ(datagrams.size(), 1u);
  const Datagram& d = datagrams[0];
  ASSERT_EQ(d.size(), expected.size() + 4);
  EXPECT_EQ((std::vector<std::uint8_t>{d[0], d[1], d[2], d[3]}),
            (std::vector<std::uint8_t>{0x77, 0x88, 0x00, 0x00}));
  EXPECT_TRUE(std::equal(d.begin() + 4, d.end(), expected.begin()));
}

TEST_F(CompressedFrames, LevelsAboveThreeBecomeThree) {
  Connect(kFourCC_YV12, 176, 144, 38016);
  EXPECT_EQ(sender_.ApplyCodecSettings(1, 0, 7), 1);
  EXPECT_EQ(sender_.NumReductions(), 3);
  std::vector<std::uint8_t> frame = ReadTestFrame("coffee", 176, 144);
  Send(frame);
  const auto datagrams = Take(1);
  ASSERT_EQ(datagrams.size(), 1u);
  EXPECT_EQ(LengthField(datagrams[0]), 0);
  EXPECT_EQ(datagrams[0].size(), 4 + 9u * 176 * 144 / 16);
}

TEST_F(CompressedFrames, NegativeLevelsBecomeZeroInsteadOfEmptyPayloads) {
  // A hand-edited setting of -1 must not produce empty payloads whose length
  // field 0 the PC would decode as a fixed-size frame.
  Connect(kFourCC_YV12, 176, 144, 38016, 1, 0, /*numReductions=*/-1);
  EXPECT_EQ(sender_.NumReductions(), 0);
  EXPECT_EQ(sender_.ApplyCodecSettings(1, 0, -7), 1);
  EXPECT_EQ(sender_.NumReductions(), 0);
  std::vector<std::uint8_t> frame = ReadTestFrame("coffee", 176, 144);
  const auto expected = EncoderOutput(frame, 176, 144, 0);
  Send(frame);
  const auto datagrams = Take(1);
  ASSERT_EQ(datagrams.size(), 1u);
  ASSERT_GT(expected.size(), 0u);
  EXPECT_EQ(LengthField(datagrams[0]), static_cast<int>(expected.size()));
  EXPECT_TRUE(std::equal(datagrams[0].begin() + 4, datagrams[0].end(), expected.begin(), expected.end()));
}

TEST_F(CompressedFrames, PayloadLongerThanOneDatagramGoesOutWholeInPiecesOneSerialPerFrame) {
  const struct {
    int level;
    const char* picture;
    wire::PieceKind kind;
  } cases[] = {
      {0, "coffee", wire::PieceKind::kCompressed},
      {3, "cups", wire::PieceKind::kCompressedFixedSize},
  };
  Connect(kFourCC_YV12, 640, 480, 460800);
  std::uint32_t lastSerial = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level);
    ASSERT_EQ(sender_.ApplyCodecSettings(1, 0, c.level), 1);
    std::vector<std::uint8_t> frame = ReadTestFrame(c.picture, 640, 480);
    const auto expected = EncoderOutput(frame, 640, 480, c.level);
    ASSERT_GT(expected.size(), 65503u) << "the payload must overflow one datagram";
    const auto count = static_cast<std::uint16_t>(wire::PieceCountOf(static_cast<std::int64_t>(expected.size())));
    for (int repeat = 0; repeat < 2; ++repeat) {
      Send(frame);
      const PiecedFrame pieces = JoinPieces(Take(count));
      ASSERT_EQ(pieces.headers.size(), count);
      const std::uint32_t serial = pieces.headers[0].serial;
      if (c.level != 0 || repeat != 0) {
        EXPECT_EQ(serial, lastSerial + 1) << "the next frame's serial";
      }
      lastSerial = serial;
      for (std::uint16_t i = 0; i < count; ++i) {
        EXPECT_EQ(pieces.headers[i],
                  (wire::PieceHeader{c.kind, static_cast<std::uint8_t>(c.level), serial, i, count,
                                     static_cast<std::uint32_t>(expected.size())}));
      }
      EXPECT_EQ(pieces.bytes, expected) << "the encoder's whole output";
    }
  }
  EXPECT_EQ(sender_.FramesInPieces(), 4u);
  EXPECT_EQ(sender_.FramesSent(), 4u);
}

TEST_F(CompressedFrames, CompressionRequestedForYuy2StaysOff) {
  Connect(kFourCC_YUY2, 176, 144, 50688);
  EXPECT_EQ(sender_.Compression(), 0);
  EXPECT_EQ(sender_.ApplyCodecSettings(1, 0, 2), 0);
  std::vector<std::uint8_t> frame = NoiseFrame(50688, 9);
  const std::vector<std::uint8_t> original = frame;
  Send(frame);
  const auto datagrams = Take(1);
  ASSERT_EQ(datagrams.size(), 1u);
  EXPECT_EQ(datagrams[0], original);
}

TEST_F(CompressedFrames, SwitchingCompressionOffSendsRawChunks) {
  Connect(kFourCC_YV12, 320, 240, 115200);
  EXPECT_EQ(sender_.ApplyCodecSettings(0, 0, 2), 0);
  std::vector<std::uint8_t> frame = ReadTestFrame("coffee", 320, 240);
  Send(frame);
  const auto datagrams = Take(2);
  ASSERT_EQ(datagrams.size(), 2u);
  EXPECT_EQ(datagrams[0].size(), 57600u);
  EXPECT_EQ(datagrams[1].size(), 57600u);
}

TEST_F(CompressedFrames, ASampleShorterThanThePictureIsNotRead) {
  Connect(kFourCC_YV12, 176, 144, 38016);
  std::vector<std::uint8_t> shortFrame = ReadTestFrame("coffee", 176, 144);
  shortFrame.resize(38015);  // exact size, so a read past it is caught
  Send(shortFrame);
  std::vector<std::uint8_t> frame = ReadTestFrame("cups", 176, 144);
  const auto expected = EncoderOutput(frame, 176, 144, 2);
  Send(frame);
  const auto datagrams = Take(1);
  ASSERT_EQ(datagrams.size(), 1u);
  EXPECT_TRUE(std::equal(datagrams[0].begin() + 4, datagrams[0].end(), expected.begin(), expected.end()))
      << "the first datagram belongs to the whole frame";
}

TEST_F(CompressedFrames, PixelCorrectionHappensBeforeCompression) {
  Connect(kFourCC_YV12, 176, 144, 38016, 1, /*pixelCorrection=*/1, 1);
  std::vector<std::uint8_t> frame = ReadTestFrame("astronaut", 176, 144);
  std::vector<std::uint8_t> corrected = frame;
  for (std::size_t i = 0; i < 176 * 144; i += 4) std::swap(corrected[i + 2], corrected[i + 3]);
  const auto expected = EncoderOutput(corrected, 176, 144, 1);
  Send(frame);
  const auto datagrams = Take(1);
  ASSERT_EQ(datagrams.size(), 1u);
  EXPECT_TRUE(std::equal(datagrams[0].begin() + 4, datagrams[0].end(), expected.begin(), expected.end()));
}

}  // namespace
}  // namespace orlin::test
