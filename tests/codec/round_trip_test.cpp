// Encoding then decoding gives back the picture, as closely as each reduction
// level allows, and touches nothing outside the coded blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "codec/codec.h"
#include "tests/codec/test_pictures.h"
#include "tests/support/test_data.h"

namespace orlin::codec {

double test::Psnr(const Bytes& a, const Bytes& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const double d = double(a[i]) - double(b[i]);
    sum += d * d;
  }
  if (sum == 0) return 99.0;
  return 10.0 * std::log10(255.0 * 255.0 * double(a.size()) / sum);
}

namespace {

using test::Bytes;

Bytes RoundTrip(const Bytes& picture, int width, int height, int level, int* decodeResult = nullptr) {
  auto encoded = test::EncodeWith(CompressFrame, picture, width, height, level, 1 << 22);
  EXPECT_EQ(encoded.result, kCodecOk);
  encoded.payload.resize(encoded.payload.size() + 2, 0);
  Bytes decoded(picture.size(), 0);
  const int result = DecompressFrame(encoded.payload.data(), std::int32_t(encoded.payload.size() - 2), level == 3,
                                     decoded.data(), width, height);
  if (decodeResult) *decodeResult = result;
  EXPECT_EQ(result, kCodecOk);
  return decoded;
}

// Fewer kept coefficients lose detail; the quantiser is the same at every level.
TEST(RoundTrip, CameraFramesComeBackCloseToTheOriginal) {
  const double minimumPsnr[] = {33.0, 30.0, 26.0, 26.0};
  const int sizes[][2] = {{176, 144}, {320, 240}, {640, 480}};
  for (const char* name : orlin::test::kTestPictures) {
    for (const auto& size : sizes) {
      const Bytes frame = orlin::test::ReadTestFrame(name, size[0], size[1]);
      double previous = 100;
      for (int level = 0; level <= 3; ++level) {
        const double psnr = test::Psnr(frame, RoundTrip(frame, size[0], size[1], level));
        EXPECT_GE(psnr, minimumPsnr[level]) << name << " " << size[0] << "x" << size[1] << " level " << level;
        EXPECT_LE(psnr, previous + 1e-9) << "a higher level never gains quality";
        previous = psnr;
      }
    }
  }
}

// Level 3 stores the same six levels that level 2 entropy-codes.
TEST(RoundTrip, FixedSizeModeRebuildsWhatLevel2Rebuilds) {
  const Bytes frame = orlin::test::ReadTestFrame("coffee", 320, 240);
  EXPECT_EQ(RoundTrip(frame, 320, 240, 2), RoundTrip(frame, 320, 240, 3));
}

TEST(RoundTrip, FixedSizePayloadIsSixBytesPerBlock) {
  const Bytes frame = orlin::test::ReadTestFrame("astronaut", 176, 144);
  const auto encoded = test::EncodeWith(CompressFrame, frame, 176, 144, 3, test::SenderCapacity(176, 144));
  EXPECT_EQ(encoded.payload.size(), std::size_t(9 * 176 * 144 / 16));
}

// Samples outside whole blocks are neither coded nor written: a width of 180
// leaves the last 2 columns of each chroma plane (90 wide, 22 blocks) alone,
// a height of 146 the last 2 luma rows and the last chroma row.
TEST(RoundTrip, SamplesOutsideBlocksAreLeftUntouched) {
  const int width = 180, height = 146;
  const Bytes picture = test::SmoothPicture(width, height, 5);
  for (int level = 0; level <= 3; ++level) {
    auto encoded = test::EncodeWith(CompressFrame, picture, width, height, level, 1 << 20);
    encoded.payload.resize(encoded.payload.size() + 2, 0);
    constexpr std::uint8_t kUntouched = 0x5A;
    Bytes decoded(picture.size(), kUntouched);
    ASSERT_EQ(DecompressFrame(encoded.payload.data(), std::int32_t(encoded.payload.size() - 2), level == 3,
                              decoded.data(), width, height),
              kCodecOk);
    const std::size_t luma = std::size_t(width) * height;
    auto inBlock = [&](std::size_t i) {
      if (i < luma) return int(i % width) < 180 && int(i / width) < 144;
      const std::size_t chroma = (i - luma) % (luma / 4);
      if (i >= luma + 2 * (luma / 4)) return false;
      return int(chroma % 90) < 88 && int(chroma / 90) < 72;
    };
    for (std::size_t i = 0; i < decoded.size(); ++i) {
      if (!inBlock(i)) {
        ASSERT_EQ(decoded[i], kUntouched) << "byte " << i << " level " << level;
      }
    }
  }
}

// Encoders keep no shared state: two threads coding at once get what each
// gets alone.
TEST(RoundTrip, TwoEncodersRunAtOnce) {
  const Bytes a = orlin::test::ReadTestFrame("cups", 320, 240);
  const Bytes b = orlin::test::ReadTestFrame("coffee", 320, 240);
  const auto aloneA = test::EncodeWith(CompressFrame, a, 320, 240, 0, 1 << 20).payload;
  const auto aloneB = test::EncodeWith(CompressFrame, b, 320, 240, 1, 1 << 20).payload;
  bool sameA = true, sameB = true;
  std::thread first([&] {
    for (int i = 0; i < 20; ++i) sameA &= test::EncodeWith(CompressFrame, a, 320, 240, 0, 1 << 20).payload == aloneA;
  });
  std::thread second([&] {
    for (int i = 0; i < 20; ++i) sameB &= test::EncodeWith(CompressFrame, b, 320, 240, 1, 1 << 20).payload == aloneB;
  });
  first.join();
  second.join();
  EXPECT_TRUE(sameA);
  EXPECT_TRUE(sameB);
}

}  // namespace
}  // namespace orlin::codec
