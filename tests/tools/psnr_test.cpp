#include "tools/orlin-codec/psnr.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace orlin::tool {
namespace {

TEST(Psnr, IdenticalPicturesAreInfinitelyClose) {
  const std::vector<std::uint8_t> a = {0, 17, 128, 255};
  EXPECT_TRUE(std::isinf(Psnr(a.data(), a.data(), a.size())));
  EXPECT_GT(Psnr(a.data(), a.data(), a.size()), 0);
}

TEST(Psnr, FollowsTheMeanSquaredErrorOnEightBitSamples) {
  const std::vector<std::uint8_t> original = {10, 20, 30, 40};
  // Off by one everywhere: MSE 1.
  const std::vector<std::uint8_t> offByOne = {11, 19, 31, 39};
  EXPECT_NEAR(Psnr(original.data(), offByOne.data(), 4), 20 * std::log10(255.0), 1e-9);
  // Errors of 0, 0, 4 and 2: MSE (16 + 4) / 4 = 5.
  const std::vector<std::uint8_t> mixed = {10, 20, 34, 38};
  EXPECT_NEAR(Psnr(original.data(), mixed.data(), 4), 10 * std::log10(255.0 * 255.0 / 5), 1e-9);
  // The largest possible error is 0 dB.
  const std::vector<std::uint8_t> black(4, 0), white(4, 255);
  EXPECT_NEAR(Psnr(black.data(), white.data(), 4), 0.0, 1e-9);
}

TEST(Psnr, SequencePsnrComesFromTheMeanErrorNotFromAveragingFrames) {
  const std::vector<std::uint8_t> original(100, 100);
  const std::vector<std::uint8_t> exact(100, 100);
  const std::vector<std::uint8_t> offByTwo(100, 102);
  SquaredError error;
  error.Add(original.data(), exact.data(), 100);  // an exact frame alone would be +infinity
  error.Add(original.data(), offByTwo.data(), 100);
  EXPECT_EQ(error.samples(), 200u);
  EXPECT_DOUBLE_EQ(error.MeanSquaredError(), 2.0);
  EXPECT_NEAR(error.Psnr(), 10 * std::log10(255.0 * 255.0 / 2), 1e-9);
}

TEST(Psnr, LargeFramesDoNotOverflowTheSum) {
  // A 640x480 frame of errors of 255: the sum needs more than 32 bits.
  const std::size_t count = 640 * 480 * 3 / 2;
  const std::vector<std::uint8_t> black(count, 0), white(count, 255);
  SquaredError error;
  error.Add(black.data(), white.data(), count);
  EXPECT_DOUBLE_EQ(error.MeanSquaredError(), 255.0 * 255.0);
}

}  // namespace
}  // namespace orlin::tool
