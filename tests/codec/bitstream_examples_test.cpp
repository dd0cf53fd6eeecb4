// The format's worked examples, byte for byte, through the encoder and back
// through the decoder.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "codec/codec.h"

namespace orlin::codec {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Encode(const Bytes& picture, int width, int height, int level, std::int32_t capacity = 1 << 16) {
  Bytes out(std::size_t(capacity > 0 ? capacity : 0) + 1, 0xEE);
  std::int32_t length = capacity;
  const int result = CompressFrame(picture.data(), width, height, level, out.data(), &length);
  EXPECT_EQ(result, kCodecOk);
  out.resize(std::size_t(length));
  return out;
}

Bytes Flat(int width, int height, std::uint8_t value) {
  return Bytes(PictureBytes(width, height), value);
}

const Bytes kFlat128Variable = {0x14, 0x00, 0x04, 0x11, 0xa2, 0x80, 0x00, 0x82, 0x34,
                                0x50, 0x00, 0x10, 0x46, 0x8a, 0x00, 0x02, 0x08, 0xd1,
                                0x40, 0x00, 0x41, 0x1a, 0x28, 0x00, 0x08, 0x23, 0x40};

TEST(BitstreamExamples, Flat128PictureCodesAs27BytesAtLevels0To2) {
  for (int level = 0; level <= 2; ++level) {
    EXPECT_EQ(Encode(Flat(8, 8, 128), 8, 8, level), kFlat128Variable) << "level " << level;
  }
}

TEST(BitstreamExamples, Flat128PictureCodesAs36FixedBytesAtLevel3) {
  Bytes expected;
  for (int block = 0; block < 6; ++block) expected.insert(expected.end(), {0x33, 0, 0, 0, 0, 0});
  EXPECT_EQ(Encode(Flat(8, 8, 128), 8, 8, 3), expected);
}

TEST(BitstreamExamples, SingleFlatBlockIs35Bits) {
  // 000101 | 000000000000000 1 000001000110 | 1, padded with zeros.
  EXPECT_EQ(Encode(Flat(4, 4, 128), 4, 4, 0), (Bytes{0x14, 0x00, 0x04, 0x11, 0xa0}));
}

TEST(BitstreamExamples, BothModesDecodeTheFlatPictureToFlat128) {
  Bytes payload = kFlat128Variable;
  payload.resize(payload.size() + 2, 0);  // the receiver's two readable bytes
  Bytes picture = Flat(8, 8, 7);
  ASSERT_EQ(DecompressFrame(payload.data(), 27, 0, picture.data(), 8, 8), kCodecOk);
  EXPECT_EQ(picture, Flat(8, 8, 128));

  Bytes fixed;
  for (int block = 0; block < 6; ++block) fixed.insert(fixed.end(), {0x33, 0, 0, 0, 0, 0});
  picture = Flat(8, 8, 7);
  ASSERT_EQ(DecompressFrame(fixed.data(), 0, 1, picture.data(), 8, 8), kCodecOk);
  EXPECT_EQ(picture, Flat(8, 8, 128));
}

// A 4x4 picture whose only luma block has the levels 9, 5, 0, 1, 0, 0, -1 at
// scan positions 0 to 6 codes as 05 80 20 12 20. The samples are rebuilt from
// those levels, so encoding them must give the same levels back.
TEST(BitstreamExamples, MixedLevelsBlockMatchesTheWorkedExample) {
  const Bytes payload = {0x05, 0x80, 0x20, 0x12, 0x20, 0x00, 0x00};
  Bytes picture = Flat(4, 4, 0);
  ASSERT_EQ(DecompressFrame(payload.data(), 5, 0, picture.data(), 4, 4), kCodecOk);
  EXPECT_EQ(Encode(picture, 4, 4, 0), Bytes(payload.begin(), payload.begin() + 5));
}

TEST(BitstreamExamples, WhiteBlockIsTheLevel102AndDecodesTo255) {
  const Bytes white = Flat(4, 4, 255);
  Bytes payload = Encode(white, 4, 4, 3);
  ASSERT_EQ(payload.size(), 6u);
  EXPECT_EQ(payload, (Bytes{102, 0, 0, 0, 0, 0}));
  payload = Encode(white, 4, 4, 0);
  payload.resize(payload.size() + 2, 0);
  Bytes picture = Flat(4, 4, 0);
  ASSERT_EQ(DecompressFrame(payload.data(), std::int32_t(payload.size() - 2), 0, picture.data(), 4, 4), kCodecOk);
  // A 4x4 picture's chroma planes are 2x2: no blocks there, nothing written.
  EXPECT_EQ(Bytes(picture.begin(), picture.begin() + 16), Bytes(16, 255));
  EXPECT_EQ(Bytes(picture.begin() + 16, picture.end()), Bytes(8, 0));
}

TEST(BitstreamExamples, BlackBlockCodesOnlyItsCoeffToken) {
  EXPECT_EQ(Encode(Flat(4, 4, 0), 4, 4, 0), (Bytes{0x80}));  // "1", TotalCoeff 0
}

}  // namespace
}  // namespace orlin::codec
