// PixelCorrection and SwapUV: what they touch, what they leave, their gates.
#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

#include "filter/pixel_correction.h"

namespace orlin::filter {
namespace {

using settings::VideoFormatSettings;
using wire::kFourCC_IYUV;

using Bytes = std::vector<std::uint8_t>;

VideoFormatSettings Format(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPixel,
                           bool pixelCorrection, bool swapUV) {
  return {kFourCC_IYUV, width, height, bitsPerPixel, 0, pixelCorrection ? 1u : 0u, swapUV ? 1u : 0u};
}

std::size_t SampleBytes(const VideoFormatSettings& f) {
  return std::size_t(f.Width) * f.Height * f.BitsPerPixel / 8;
}

// Bytes whose values tell their positions apart (mod 251, a prime).
Bytes Numbered(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = std::uint8_t(i % 251);
  return bytes;
}

TEST(PixelCorrection, ExchangesBytesTwoAndThreeOfEachGroup) {
  Bytes frame = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17};
  CorrectPixels(frame.data(), 2);
  EXPECT_EQ(frame, (Bytes{0x10, 0x11, 0x13, 0x12, 0x14, 0x15, 0x17, 0x16}));
}

TEST(PixelCorrection, QcifFrameCorrectsExactlyTheLumaPlaneAndSwapsTheChromaPlanes) {
  const auto format = Format(176, 144, 12, true, true);
  const PixelCorrections corrections(format);
  EXPECT_EQ(corrections.geometry().quarterSize, 6336u);
  EXPECT_EQ(corrections.geometry().chromaWords, 1584u);
  EXPECT_EQ(corrections.geometry().secondChromaOffset, 31680u);

  const Bytes original = Numbered(SampleBytes(format));
  Bytes sample = original;
  corrections.Apply(sample.data(), sample.size());
  for (std::size_t i = 0; i < 25344; ++i) {
    const std::size_t from = (i % 4 == 2) ? i + 1 : (i % 4 == 3) ? i - 1 : i;
    ASSERT_EQ(sample[i], original[from]) << "luma byte " << i;
  }
  for (std::size_t i = 0; i < 6336; ++i) {
    ASSERT_EQ(sample[25344 + i], original[31680 + i]) << "chroma byte " << i;
    ASSERT_EQ(sample[31680 + i], original[25344 + i]) << "chroma byte " << i;
  }
}

TEST(PixelCorrection, GatesFollowBitsPerPixel) {
  {  // 8 bits: PixelCorrection runs, SwapUV is forced off
    const auto format = Format(16, 16, 8, true, true);
    const PixelCorrections corrections(format);
    EXPECT_TRUE(corrections.pixelCorrection());
    EXPECT_FALSE(corrections.swapUV());
    const Bytes original = Numbered(SampleBytes(format));
    Bytes sample = original;
    corrections.Apply(sample.data(), sample.size());
    ASSERT_EQ(sample.size(), 256u);
    EXPECT_TRUE(sample.at(2) == original.at(3) && sample.at(3) == original.at(2));
    EXPECT_NE(sample, original);
  }
  {  // 4 bits: nothing is corrected
    const auto format = Format(16, 16, 4, true, false);
    const PixelCorrections corrections(format);
    EXPECT_FALSE(corrections.pixelCorrection());
    const Bytes original = Numbered(SampleBytes(format));
    Bytes sample = original;
    corrections.Apply(sample.data(), sample.size());
    EXPECT_EQ(sample, original);
  }
}

TEST(PixelCorrection, TenByTenLeavesTheLastByteOfEachChromaPlane) {
  const auto format = Format(10, 10, 12, false, true);
  const PixelCorrections corrections(format);
  EXPECT_EQ(corrections.geometry().quarterSize, 25u);
  EXPECT_EQ(corrections.geometry().chromaWords, 6u);
  const Bytes original = Numbered(SampleBytes(format));  // 150 bytes
  Bytes sample = original;
  corrections.Apply(sample.data(), sample.size());
  for (std::size_t i = 0; i < 24; ++i) {
    EXPECT_EQ(sample[100 + i], original[125 + i]);
    EXPECT_EQ(sample[125 + i], original[100 + i]);
  }
  EXPECT_EQ(sample[124], original[124]);
  EXPECT_EQ(sample[149], original[149]);
  EXPECT_TRUE(std::equal(sample.begin(), sample.begin() + 100, original.begin()));
}

TEST(PixelCorrection, AppliedTwiceGivesBackTheSample) {
  const auto format = Format(176, 144, 12, true, true);
  const PixelCorrections corrections(format);
  const Bytes original = Numbered(SampleBytes(format));
  Bytes sample = original;
  corrections.Apply(sample.data(), sample.size());
  ASSERT_NE(sample, original);
  corrections.Apply(sample.data(), sample.size());
  EXPECT_EQ(sample, original);
}

TEST(PixelCorrection, NeverWritesPastASampleSmallerThanItsGeometry) {
  // 12-bit settings, but a sample of half the size: both corrections would
  // reach past it, so neither runs.
  const auto format = Format(64, 64, 12, true, true);
  const PixelCorrections corrections(format);
  Bytes memory = Numbered(64 * 64 / 2 + 16);
  const Bytes original = memory;
  corrections.Apply(memory.data(), 64 * 64 / 2);
  EXPECT_EQ(memory, original);

  // Sizes that wrap 32-bit arithmetic, zero and "negative" dimensions: no planes.
  for (const auto& [w, h] : {std::pair<std::uint32_t, std::uint32_t>{0, 144}, {176, 0},
                             {0xFFFFFFF0u, 144}, {176, 0x80000000u}, {65536, 65536}}) {
    const PixelCorrections odd(Format(w, h, 32, true, true));
    Bytes small = Numbered(64);
    odd.Apply(small.data(), small.size());
    EXPECT_EQ(small, Numbered(64)) << w << " x " << h;
  }
}

}  // namespace
}  // namespace orlin::filter
