// The test frames the benchmarks code, loaded once, and the quality measure
// that compares a decoded picture with its source.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orlin::bench {

struct FrameSize {
  int width;
  int height;
};

inline constexpr FrameSize kFrameSizes[] = {{176, 144}, {320, 240}, {640, 480}};
inline constexpr const char* kPictures[] = {"astronaut", "coffee", "cups"};
inline constexpr int kPictureCount = 3;

// The three pictures of one size (YV12: Y, V, U); exits on a missing file.
const std::vector<std::vector<std::uint8_t>>& FramesOfSize(int width, int height);

// Peak signal-to-noise ratio over every sample of the three planes, in dB
// (99 for identical pictures).
double Psnr(const std::vector<std::uint8_t>& original, const std::vector<std::uint8_t>& decoded);

std::string SizeName(int width, int height);

}  // namespace orlin::bench
