// The codec's limits: output margins, refused pictures and levels, and payloads
// that come off the network damaged or hostile. Buffers are exactly as large as
// the contract says, so the sanitizer build catches any access past them.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "codec/codec.h"
#include "tests/codec/code_path_fixture.h"
#include "tests/codec/test_pictures.h"
#include "tests/support/test_data.h"

namespace orlin::codec {
namespace {

using test::Bytes;

// Margins and damaged data on both copies of the inner loops.
class EncoderMargin : public test::OnEachCodePath {};
class DecoderRobustness : public test::OnEachCodePath {};

TEST_P(EncoderMargin, Capacity81CodesNothingAnd82CodesOneBlock) {
  for (int level = 0; level <= 2; ++level) {
    const auto refused = test::EncodeWith(CompressFrame, test::NoisePicture(8, 8, 1), 8, 8, level, 81);
    EXPECT_EQ(refused.result, kPlaneFailed0);
    EXPECT_TRUE(refused.payload.empty());
  }
  const auto coded = test::EncodeWith(CompressFrame, test::NoisePicture(4, 4, 1), 4, 4, 0, 82);
  EXPECT_EQ(coded.result, kCodecOk);
  EXPECT_FALSE(coded.payload.empty());
}

TEST_P(EncoderMargin, ZeroCapacityWritesNoByte) {
  const Bytes picture = test::NoisePicture(8, 8, 2);
  std::uint8_t guard = 0x77;
  std::int32_t length = 0;
  EXPECT_EQ(CompressFrame(picture.data(), 8, 8, 0, &guard, &length), kPlaneFailed0);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(guard, 0x77);
}

TEST_P(EncoderMargin, TruncatedFrameIsAPrefixOfWholeBlocksInThePlaneReached) {
  const Bytes frame = orlin::test::ReadTestFrame("cups", 640, 480);
  const auto whole = test::EncodeWith(CompressFrame, frame, 640, 480, 0, 1 << 22);
  ASSERT_EQ(whole.result, kCodecOk);
  // The sender's capacity cannot hold this frame: plane 0 runs out.
  const auto cut = test::EncodeWith(CompressFrame, frame, 640, 480, 0, test::SenderCapacity(640, 480));
  ASSERT_NE(cut.result, -100);
  if (whole.payload.size() > std::size_t(test::SenderCapacity(640, 480))) {
    EXPECT_LT(cut.result, 0);
    EXPECT_LE(cut.payload.size(), std::size_t(test::SenderCapacity(640, 480)));
    EXPECT_GE(cut.payload.size(), std::size_t(test::SenderCapacity(640, 480) - kBlockMargin));
    // All but the padded last byte agree with the uncut frame.
    ASSERT_GT(cut.payload.size(), 1u);
    EXPECT_TRUE(std::equal(cut.payload.begin(), cut.payload.end() - 1, whole.payload.begin()));
  }
}

TEST_P(EncoderMargin, FixedSizeModeNeverWritesPastASmallCapacity) {
  const Bytes picture = test::NoisePicture(16, 16, 3);
  const std::int32_t needed = std::int32_t(FixedSizePayloadBytes(16, 16));
  const auto refused = test::EncodeWith(CompressFrame, picture, 16, 16, 3, needed - 1);
  EXPECT_EQ(refused.result, kPlaneFailed0);
  EXPECT_TRUE(refused.payload.empty());
  const auto exact = test::EncodeWith(CompressFrame, picture, 16, 16, 3, needed);
  EXPECT_EQ(exact.result, kCodecOk);
  EXPECT_EQ(exact.payload.size(), std::size_t(needed));
}

TEST(EncoderLimits, LevelsOutsideZeroToThreeCodeNothing) {
  const Bytes picture = test::NoisePicture(8, 8, 4);
  for (int level : {-1, -100, 4, 7}) {
    const auto encoded = test::EncodeWith(CompressFrame, picture, 8, 8, level, 1000);
    EXPECT_EQ(encoded.result, kCodecOk) << level;
    EXPECT_TRUE(encoded.payload.empty()) << level;
  }
}

// One context byte per block column: 512 columns is the widest plane.
TEST(PictureLimits, PlanesWiderThan512BlocksAreRefusedByBothEnds) {
  EXPECT_TRUE(PictureFits(2051, 4));
  EXPECT_FALSE(PictureFits(2052, 4));
  EXPECT_FALSE(PictureFits(-4, 4));
  EXPECT_FALSE(PictureFits(4, -4));
  const Bytes wide = test::NoisePicture(2052, 4, 5);
  for (int level = 0; level <= 3; ++level) {
    const auto encoded = test::EncodeWith(CompressFrame, wide, 2052, 4, level, 1 << 20);
    EXPECT_EQ(encoded.result, kPictureRefused);
    EXPECT_TRUE(encoded.payload.empty());
  }
  const Bytes payload(64, 0xFF);
  Bytes picture(PictureBytes(2052, 4), 0x11);
  EXPECT_EQ(DecompressFrame(payload.data(), 62, 0, picture.data(), 2052, 4), kPictureRefused);
  EXPECT_EQ(DecompressFrame(payload.data(), 0, 1, picture.data(), 2052, 4), kPictureRefused);
  EXPECT_EQ(picture, Bytes(picture.size(), 0x11));
  // The widest plane that fits codes and decodes.
  const Bytes widest = test::SmoothPicture(2051, 4, 6);
  EXPECT_EQ(test::EncodeWith(CompressFrame, widest, 2051, 4, 0, 1 << 20).result, kCodecOk);
}

// Exact-size heap buffers: the payload and the two readable bytes after it,
// and a destination of exactly one picture.
int DecodeExact(const Bytes& payloadWithTail, int fixed, int width, int height) {
  auto payload = std::make_unique<std::uint8_t[]>(payloadWithTail.size());
  std::copy(payloadWithTail.begin(), payloadWithTail.end(), payload.get());
  auto picture = std::make_unique<std::uint8_t[]>(PictureBytes(width, height));
  return DecompressFrame(payload.get(), std::int32_t(payloadWithTail.size()) - 2, fixed, picture.get(), width, height);
}

TEST_P(DecoderRobustness, TruncatedPayloadsStayInsideTheirBuffers) {
  const Bytes frame = orlin::test::ReadTestFrame("astronaut", 176, 144);
  const auto encoded = test::EncodeWith(CompressFrame, frame, 176, 144, 0, 1 << 20);
  for (std::size_t cut = 0; cut < encoded.payload.size(); cut += 1 + cut / 8) {
    Bytes payload(encoded.payload.begin(), encoded.payload.begin() + std::ptrdiff_t(cut));
    payload.resize(cut + 2, 0xFF);
    const int result = DecodeExact(payload, 0, 176, 144);
    EXPECT_TRUE(result == kCodecOk || result == -1 || result == -2 || result == -3) << result;
  }
}

TEST_P(DecoderRobustness, RandomAndAdversarialPayloadsStayInsideTheirBuffers) {
  std::mt19937 rng(99);
  for (int round = 0; round < 400; ++round) {
    const int width = int(rng() % 100), height = int(rng() % 100);
    Bytes payload(rng() % 200 + 2);
    switch (round % 4) {
      case 0: for (auto& b : payload) b = std::uint8_t(rng()); break;
      case 1: std::fill(payload.begin(), payload.end(), 0x00); break;  // longest codes, then no code
      case 2: std::fill(payload.begin(), payload.end(), 0xFF); break;  // shortest codes, many trailing ones
      default: for (auto& b : payload) b = std::uint8_t(rng() & rng() & rng()); break;  // long prefixes
    }
    const int result = DecodeExact(payload, 0, width, height);
    EXPECT_TRUE(result >= -3 && result <= 0);
  }
}

TEST_P(DecoderRobustness, DecodingWritesOnlyThePicture) {
  std::mt19937 rng(5);
  for (int round = 0; round < 50; ++round) {
    const int width = 4 + int(rng() % 60), height = 4 + int(rng() % 60);
    Bytes payload(rng() % 600 + 2);
    for (auto& b : payload) b = std::uint8_t(rng());
    constexpr std::uint8_t kGuard = 0xC3;
    Bytes picture(PictureBytes(width, height) + 64, kGuard);
    DecompressFrame(payload.data(), std::int32_t(payload.size() - 2), round % 5 == 0 && payload.size() >= FixedSizePayloadBytes(width, height), picture.data() + 32, width, height);
    for (int i = 0; i < 32; ++i) {
      ASSERT_EQ(picture[std::size_t(i)], kGuard);
      ASSERT_EQ(picture[picture.size() - 1 - std::size_t(i)], kGuard);
    }
  }
}

// An 8x4 picture whose first luma block has eight levels of 2 (TotalCoeff 8),
// so the second block reads the 6-bit coeff_token; 000010 claims one
// coefficient with two trailing ones, which only damaged data can say.
TEST_P(DecoderRobustness, SixBitTokenWithMoreTrailingOnesThanCoefficientsFailsTheBlock) {
  std::string bits = "0000000001000";  // coeff_token nC 0: TotalCoeff 8, TrailingOnes 0
  bits += "001";                       // level 2 at suffixLength 0
  for (int i = 0; i < 7; ++i) bits += "010";  // level 2 at suffixLength 1
  bits += "000001";                    // total_zeros 0 for TotalCoeff 8
  const std::string good = bits + "000011", bad = bits + "000010";
  auto pack = [](const std::string& s) {
    Bytes out((s.size() + 7) / 8 + 2, 0);
    for (std::size_t i = 0; i < s.size(); ++i)
      if (s[i] == '1') out[i / 8] |= std::uint8_t(0x80 >> (i % 8));
    return out;
  };
  Bytes picture(PictureBytes(8, 4), 0x42);
  Bytes payload = pack(good);
  EXPECT_EQ(DecompressFrame(payload.data(), std::int32_t(payload.size() - 2), 0, picture.data(), 8, 4), kCodecOk);
  picture.assign(PictureBytes(8, 4), 0x42);
  payload = pack(bad);
  EXPECT_EQ(DecompressFrame(payload.data(), std::int32_t(payload.size() - 2), 0, picture.data(), 8, 4), kPlaneFailed0);
  for (int row = 0; row < 4; ++row) {
    for (int x = 4; x < 8; ++x) EXPECT_EQ(picture[std::size_t(row * 8 + x)], 0x42) << "failed block written";
    EXPECT_NE(picture[std::size_t(row * 8)], 0x42) << "first block decoded";
  }
}

TEST_P(DecoderRobustness, EmptyVariableLengthPayloadFailsCleanly) {
  const Bytes tail = {0x00, 0x00};
  Bytes picture(PictureBytes(8, 8), 0x42);
  EXPECT_EQ(DecompressFrame(tail.data(), 0, 0, picture.data(), 8, 8), kPlaneFailed0);
  EXPECT_EQ(DecompressFrame(tail.data(), -5, 0, picture.data(), 8, 8), kPlaneFailed0);
  EXPECT_EQ(picture, Bytes(picture.size(), 0x42));
}

ORLIN_INSTANTIATE_ON_EACH_CODE_PATH(EncoderMargin);
ORLIN_INSTANTIATE_ON_EACH_CODE_PATH(DecoderRobustness);

}  // namespace
}  // namespace orlin::codec
