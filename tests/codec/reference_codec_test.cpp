// The library's codec against the plain reference coder: the same bytes from
// the encoder, the same samples and results from the decoder, on camera frames,
// random pictures, every capacity cut and damaged payloads.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "codec/codec.h"
#include "tests/codec/code_path_fixture.h"
#include "tests/codec/reference_codec.h"
#include "tests/codec/test_pictures.h"
#include "tests/support/test_data.h"

namespace orlin::codec {
namespace {

using test::Bytes;

// Both copies of the inner loops against the reference.
class ReferenceCodec : public test::OnEachCodePath {};

void ExpectSameEncoding(const Bytes& picture, int width, int height, int level, std::int32_t capacity) {
  const auto ours = test::EncodeWith(CompressFrame, picture, width, height, level, capacity);
  const auto theirs = test::EncodeWith(reference::CompressFrame, picture, width, height, level, capacity);
  ASSERT_NE(ours.result, -100) << "encoder wrote past the length it reported";
  ASSERT_EQ(ours.result, theirs.result) << width << "x" << height << " level " << level << " capacity " << capacity;
  ASSERT_EQ(ours.payload, theirs.payload) << width << "x" << height << " level " << level << " capacity " << capacity;
}

// Decodes a payload (with its two readable bytes after it) both ways onto the
// same starting picture.
void ExpectSameDecoding(Bytes payload, std::int32_t length, int fixed, int width, int height, std::uint32_t seed) {
  const Bytes start = test::NoisePicture(width, height, seed);
  Bytes ours = start, theirs = start;
  const int ourResult = DecompressFrame(payload.data(), length, fixed, ours.data(), width, height);
  const int theirResult = reference::DecompressFrame(payload.data(), length, fixed, theirs.data(), width, height);
  ASSERT_EQ(ourResult, theirResult) << width << "x" << height << " length " << length;
  ASSERT_EQ(ours, theirs) << width << "x" << height << " length " << length;
}

Bytes WithTail(Bytes payload) {
  payload.resize(payload.size() + 2, 0);
  return payload;
}

TEST_P(ReferenceCodec, CameraFramesEncodeAndDecodeIdentically) {
  const int sizes[][2] = {{176, 144}, {320, 240}, {640, 480}};
  for (const char* name : orlin::test::kTestPictures) {
    for (const auto& size : sizes) {
      const Bytes frame = orlin::test::ReadTestFrame(name, size[0], size[1]);
      for (int level = 0; level <= 3; ++level) {
        SCOPED_TRACE(std::string(name) + " level " + std::to_string(level));
        const std::int32_t capacity = test::SenderCapacity(size[0], size[1]);
        ExpectSameEncoding(frame, size[0], size[1], level, capacity);
        const auto encoded = test::EncodeWith(CompressFrame, frame, size[0], size[1], level, capacity);
        ExpectSameDecoding(WithTail(encoded.payload), std::int32_t(encoded.payload.size()), level == 3, size[0],
                           size[1], 1);
      }
    }
  }
}

TEST_P(ReferenceCodec, RandomPicturesOfOddSizesMatch) {
  std::mt19937 rng(7);
  for (int round = 0; round < 60; ++round) {
    const int width = int(rng() % 70), height = int(rng() % 50);
    const Bytes picture = round % 2 ? test::NoisePicture(width, height, rng()) : test::SmoothPicture(width, height, rng());
    for (int level = 0; level <= 3; ++level) {
      ExpectSameEncoding(picture, width, height, level, 1 << 20);
      const auto encoded = test::EncodeWith(CompressFrame, picture, width, height, level, 1 << 20);
      ExpectSameDecoding(WithTail(encoded.payload), std::int32_t(encoded.payload.size()), level == 3, width, height,
                         rng());
    }
  }
}

TEST_P(ReferenceCodec, EveryCapacityCutMatches) {
  const Bytes picture = test::NoisePicture(32, 16, 3);
  for (int level = 0; level <= 3; ++level) {
    for (std::int32_t capacity = -1; capacity < 1400; capacity += (capacity < 200 ? 1 : 7)) {
      ExpectSameEncoding(picture, 32, 16, level, capacity);
    }
  }
}

// Damaged data: flipped bits, cut payloads and pure noise decode the same way
// in both coders, including the bits read past the payload's end.
// Appends bit strings ("0110") to a payload, most significant bit first.
class BitString {
 public:
  void Append(const std::string& bits) {
    for (char bit : bits) {
      if (count_ % 8 == 0) bytes_.push_back(0);
      if (bit == '1') bytes_.back() = std::uint8_t(bytes_.back() | (0x80u >> (count_ % 8)));
      ++count_;
    }
  }
  void AppendNumber(std::uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) Append((value >> i) & 1u ? "1" : "0");
  }
  Bytes Take() { return bytes_; }

 private:
  Bytes bytes_;
  std::size_t count_ = 0;
};

// Blocks holding only a DC level coded with the escape, for every one of its
// 4096 suffixes (levels far beyond what 8-bit samples give, whose dequantised
// value wraps at 16 bits), between blocks with one trailing one and blocks with
// no level: every block of the decoder's shortcut and the blocks beside it
// must come out as the plain decoder builds them.
TEST_P(ReferenceCodec, EveryEscapedDcLevelDecodesIdentically) {
  constexpr int kWidth = 2048, kHeight = 32;  // 512 x 8 luma blocks, 256 x 4 per chroma plane
  constexpr int kBlocks = 512 * 8 + 2 * 256 * 4;
  BitString bits;
  std::uint32_t suffix = 0;
  for (int block = 0; block < kBlocks; ++block) {
    if (block % 7 == 3) {
      bits.Append(block % 2 ? "1" : "0111");  // no level (nC 0-1); or a trailing one, sign -, total_zeros 0
      continue;
    }
    // coeff_token(1, 0) for nC 0-1, level_prefix 15, the suffix, total_zeros 0.
    bits.Append("000101");
    bits.Append("0000000000000001");
    bits.AppendNumber(suffix++ % 4096, 12);
    bits.Append("1");
  }
  ASSERT_GE(suffix, 4096u);
  const Bytes payload = bits.Take();
  Bytes picture(PictureBytes(kWidth, kHeight));
  const Bytes readable = WithTail(payload);
  const std::int32_t length = std::int32_t(payload.size());
  ASSERT_EQ(DecompressFrame(readable.data(), length, 0, picture.data(), kWidth, kHeight), kCodecOk);
  ExpectSameDecoding(readable, length, 0, kWidth, kHeight, 5);
  // Cut short, the blocks near the end go the checked way; the result is the same.
  for (const std::size_t cut : {payload.size() - 1, payload.size() - 40, payload.size() - 100}) {
    Bytes shorter(payload.begin(), payload.begin() + std::ptrdiff_t(cut));
    ExpectSameDecoding(WithTail(shorter), std::int32_t(cut), 0, kWidth, kHeight, 6);
  }
}

TEST_P(ReferenceCodec, DamagedPayloadsDecodeIdentically) {
  std::mt19937 rng(11);
  const Bytes frame = orlin::test::ReadTestFrame("cups", 176, 144);
  const auto encoded = test::EncodeWith(CompressFrame, frame, 176, 144, 0, 1 << 20);
  for (int round = 0; round < 150; ++round) {
    Bytes payload = encoded.payload;
    const int flips = 1 + int(rng() % 4);
    for (int i = 0; i < flips; ++i) payload[rng() % payload.size()] ^= std::uint8_t(1u << (rng() % 8));
    const std::int32_t length = round % 3 == 0 ? std::int32_t(rng() % payload.size()) : std::int32_t(payload.size());
    payload.resize(std::size_t(length));
    ExpectSameDecoding(WithTail(payload), length, 0, 176, 144, rng());
  }
  for (int round = 0; round < 300; ++round) {
    Bytes noise(rng() % 300);
    for (auto& b : noise) b = std::uint8_t(rng() >> (round % 3 == 0 ? 28 : 0));  // sparse ones too
    const Bytes tail = {std::uint8_t(rng()), std::uint8_t(rng())};
    noise.insert(noise.end(), tail.begin(), tail.end());
    ExpectSameDecoding(noise, std::int32_t(noise.size() - 2), 0, 8 + int(rng() % 40), 8 + int(rng() % 40), rng());
  }
}

TEST_P(ReferenceCodec, ReductionLevelsKeepTheirScanPositions) {
  const Bytes frame = orlin::test::ReadTestFrame("cups", 320, 240);
  const int highestAllowed[] = {15, 9, 5};
  for (int level = 0; level <= 2; ++level) {
    const auto encoded = test::EncodeWith(CompressFrame, frame, 320, 240, level, 1 << 22);
    Bytes payload = WithTail(encoded.payload), picture(frame.size());
    reference::DecodeStats stats;
    ASSERT_EQ(reference::DecompressFrame(payload.data(), std::int32_t(encoded.payload.size()), 0, picture.data(), 320,
                                         240, &stats),
              kCodecOk);
    EXPECT_EQ(stats.blocks, int(BlockCount(320, 240)));
    EXPECT_LE(stats.highestNonzeroScan, highestAllowed[level]) << "level " << level;
    EXPECT_GE(stats.highestNonzeroScan, highestAllowed[level] - 1) << "a real frame uses the positions it may";
  }
}

ORLIN_INSTANTIATE_ON_EACH_CODE_PATH(ReferenceCodec);

}  // namespace
}  // namespace orlin::codec
