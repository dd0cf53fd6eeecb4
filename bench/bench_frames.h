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

// The sizes of the test frames in tests/data, then the HD sizes, which are
// made from the 640x480 pictures (TiledFrame).
inline constexpr FrameSize kFrameSizes[] = {{176, 144}, {320, 240}, {640, 480}, {1280, 720}, {1920, 1080}};
inline constexpr FrameSize kLargestStoredSize = {640, 480};
inline constexpr const char* kPictures[] = {"astronaut", "coffee", "cups"};
inline constexpr int kPictureCount = 3;

// The three pictures of one size (YV12: Y, V, U); exits on a missing file.
// Sizes beyond the stored ones are tiled from the largest stored pictures.
const std::vector<std::vector<std::uint8_t>>& FramesOfSize(int width, int height);

// A YV12 picture of width x height (even) tiled from `source`, a YV12 picture of
// sourceWidth x sourceHeight, with every other copy mirrored across the edge
// it shares with its neighbour: the detail per pixel stays a camera's, and the
// seams are no sharper than the picture itself.
std::vector<std::uint8_t> TiledFrame(const std::vector<std::uint8_t>& source, int sourceWidth,
                                     int sourceHeight, int width, int height);

// Peak signal-to-noise ratio over every sample of the three planes, in dB
// (99 for identical pictures).
double Psnr(const std::vector<std::uint8_t>& original, const std::vector<std::uint8_t>& decoded);

std::string SizeName(int width, int height);

}  // namespace orlin::bench
