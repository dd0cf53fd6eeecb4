// The batch transforms (SSE2 where the compiler offers it) against the plain
// per-block ones, on random and extreme inputs, odd block counts included.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "codec/block_transforms.h"

namespace orlin::codec {
namespace {

constexpr int kStride = 4 * 9 + 5;  // room beside the blocks, which must stay untouched
constexpr std::uint8_t kUntouched = 0xA5;

class BlockTransforms : public ::testing::Test {
 protected:
  std::mt19937 random_{20240611};

  std::vector<std::uint8_t> Samples(int kind) {
    std::vector<std::uint8_t> samples(4 * kStride);
    for (std::size_t i = 0; i < samples.size(); ++i) {
      switch (kind) {
        case 0: samples[i] = std::uint8_t(random_()); break;
        case 1: samples[i] = (random_() & 1) ? 255 : 0; break;                  // largest coefficients
        case 2: samples[i] = ((i % kStride) + i / kStride) % 2 ? 255 : 0; break;  // checkerboard
        default: samples[i] = std::uint8_t(127 + random_() % 3); break;          // many levels of +-1 and 0
      }
    }
    return samples;
  }

  std::int16_t Coefficient(int kind) {
    switch (kind) {
      case 0: return std::int16_t(random_());
      case 1: return (random_() & 1) ? std::int16_t(32767) : std::int16_t(-32768);
      case 2: return std::int16_t(int(random_() % 200) - 100);
      default: return std::int16_t(int(random_() % 41 - 20) * 160);  // plausible dequantised levels
    }
  }

  // QuantiseBlocks and every copy it may choose.
  static std::vector<void (*)(const std::uint8_t*, int, int, QuantisedBlock*)> FastQuantisers() {
    std::vector<void (*)(const std::uint8_t*, int, int, QuantisedBlock*)> copies = {QuantiseBlocks};
#ifdef __SSE2__
    copies.push_back(QuantiseBlocksSse2);
#endif
#ifdef ORLIN_CODEC_AVX2
    if (ProcessorHasAvx2()) copies.push_back(QuantiseBlocksAvx2);
#endif
    return copies;
  }

  void ExpectSameQuantisation(const std::vector<std::uint8_t>& samples, int count) {
    const auto quantisers = FastQuantisers();
    for (std::size_t i = 0; i < quantisers.size(); ++i) {
      SCOPED_TRACE("copy " + std::to_string(i) + " of QuantiseBlocks");
      ExpectSameQuantisationBy(quantisers[i], samples, count);
    }
  }

  void ExpectSameQuantisationBy(void (*quantise)(const std::uint8_t*, int, int, QuantisedBlock*),
                                const std::vector<std::uint8_t>& samples, int count) {
    QuantisedBlock fast[9], plain[9];
    quantise(samples.data(), kStride, count, fast);
    QuantiseBlocksPlain(samples.data(), kStride, count, plain);
    for (int b = 0; b < count; ++b) {
      for (int i = 0; i < 16; ++i) ASSERT_EQ(fast[b].levels[i], plain[b].levels[i]) << "block " << b << " index " << i;
      ASSERT_EQ(fast[b].nonzero, plain[b].nonzero) << "block " << b;
      ASSERT_EQ(fast[b].ones, plain[b].ones) << "block " << b;
      ASSERT_EQ(fast[b].negative, plain[b].negative) << "block " << b;
    }
  }

  void ExpectSameReconstruction(const std::int16_t (*coefficients)[16], int count) {
    std::vector<std::uint8_t> fast(4 * kStride, kUntouched), plain(4 * kStride, kUntouched);
    ReconstructBlocks(coefficients, count, fast.data(), kStride);
    ReconstructBlocksPlain(coefficients, count, plain.data(), kStride);
    ASSERT_EQ(fast, plain) << count << " blocks";
    for (int row = 0; row < 4; ++row) {
      for (int x = 4 * count; x < kStride; ++x) ASSERT_EQ(fast[row * kStride + x], kUntouched) << "row " << row;
    }
  }
};

TEST_F(BlockTransforms, QuantisationMatchesThePlainTransformForEveryKindOfPicture) {
  for (int kind = 0; kind < 4; ++kind) {
    for (int round = 0; round < 200; ++round) ExpectSameQuantisation(Samples(kind), 1 + round % 9);
  }
}

TEST_F(BlockTransforms, QuantisationOfFlatBlocksAtEveryValue) {
  for (int value = 0; value < 256; ++value) {
    ExpectSameQuantisation(std::vector<std::uint8_t>(4 * kStride, std::uint8_t(value)), 9);
  }
}

TEST_F(BlockTransforms, ReconstructionWrapsAndClipsLikeThePlainTransform) {
  std::int16_t coefficients[9][16];
  for (int kind = 0; kind < 4; ++kind) {
    for (int round = 0; round < 500; ++round) {
      for (auto& block : coefficients)
        for (auto& c : block) c = Coefficient(kind);
      ExpectSameReconstruction(coefficients, 1 + round % 9);
    }
  }
}

TEST_F(BlockTransforms, ReconstructionOfSingleCoefficientsAtTheLimits) {
  // One extreme coefficient at a time exercises each path through the
  // butterflies, where 16-bit wrapping shows first.
  const std::int16_t extremes[] = {-32768, -32767, -16385, -16384, -1, 1, 16383, 16384, 32766, 32767};
  std::int16_t coefficients[2][16];
  for (int index = 0; index < 16; ++index) {
    for (std::int16_t value : extremes) {
      std::memset(coefficients, 0, sizeof coefficients);
      coefficients[0][index] = value;
      coefficients[1][15 - index] = value;
      ExpectSameReconstruction(coefficients, 2);
      ExpectSameReconstruction(coefficients, 1);
    }
  }
}

TEST_F(BlockTransforms, ReconstructionAtChosenColumnsLeavesTheGapsUntouched) {
  std::int16_t coefficients[9][16];
  for (int round = 0; round < 500; ++round) {
    for (auto& block : coefficients)
      for (auto& c : block) c = Coefficient(round % 4);
    std::uint16_t columns[9];
    int count = 0;
    for (int column = 0; column < 9; ++column) {
      if (random_() % 3) columns[count++] = std::uint16_t(column);
    }
    std::vector<std::uint8_t> plain(4 * kStride, kUntouched);
    for (int b = 0; b < count; ++b) ReconstructBlocksPlain(coefficients + b, 1, plain.data() + 4 * columns[b], kStride);
    // ReconstructBlocksAt and every copy it may choose.
    std::vector<void (*)(const std::int16_t (*)[16], const std::uint16_t*, int, std::uint8_t*, int)> copies = {
        ReconstructBlocksAt};
#ifdef __SSE2__
    copies.push_back(ReconstructBlocksAtSse2);
#endif
#ifdef ORLIN_CODEC_AVX2
    if (ProcessorHasAvx2()) copies.push_back(ReconstructBlocksAtAvx2);
#endif
    for (std::size_t i = 0; i < copies.size(); ++i) {
      std::vector<std::uint8_t> fast(4 * kStride, kUntouched);
      copies[i](coefficients, columns, count, fast.data(), kStride);
      ASSERT_EQ(fast, plain) << count << " blocks, round " << round << ", copy " << i;
    }
  }
}

}  // namespace
}  // namespace orlin::codec
