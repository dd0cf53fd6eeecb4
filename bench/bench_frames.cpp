#include "bench/bench_frames.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <utility>

namespace orlin::bench {
namespace {

// The source sample that sample `i` of a tiled row or column shows: forwards
// across the source, then backwards, and so on.
int Reflected(int i, int sourceLength) {
  const int m = i % (2 * sourceLength);
  return m < sourceLength ? m : 2 * sourceLength - 1 - m;
}

void TilePlane(const std::uint8_t* source, int sourceWidth, int sourceHeight, std::uint8_t* plane,
               int width, int height) {
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = source + std::size_t(Reflected(y, sourceHeight)) * std::size_t(sourceWidth);
    for (int x = 0; x < width; ++x) *plane++ = row[Reflected(x, sourceWidth)];
  }
}

bool IsStoredSize(int width, int height) {
  return width <= kLargestStoredSize.width && height <= kLargestStoredSize.height;
}

}  // namespace

std::vector<std::uint8_t> TiledFrame(const std::vector<std::uint8_t>& source, int sourceWidth,
                                     int sourceHeight, int width, int height) {
  const std::size_t sourceLuma = std::size_t(sourceWidth) * std::size_t(sourceHeight);
  const std::size_t luma = std::size_t(width) * std::size_t(height);
  std::vector<std::uint8_t> frame(luma * 3 / 2);
  TilePlane(source.data(), sourceWidth, sourceHeight, frame.data(), width, height);
  for (int plane = 0; plane < 2; ++plane) {
    TilePlane(source.data() + sourceLuma + plane * sourceLuma / 4, sourceWidth / 2, sourceHeight / 2,
              frame.data() + luma + plane * luma / 4, width / 2, height / 2);
  }
  return frame;
}

const std::vector<std::vector<std::uint8_t>>& FramesOfSize(int width, int height) {
  // Filled before the benchmarks start timing; read-only afterwards.
  static std::map<std::pair<int, int>, std::vector<std::vector<std::uint8_t>>> cache;
  auto& frames = cache[{width, height}];
  if (frames.empty() && !IsStoredSize(width, height)) {
    const FrameSize from = kLargestStoredSize;
    for (const auto& picture : FramesOfSize(from.width, from.height)) {
      frames.push_back(TiledFrame(picture, from.width, from.height, width, height));
    }
  }
  if (frames.empty()) {
    const std::size_t expected = std::size_t(width) * std::size_t(height) * 3 / 2;
    for (const char* picture : kPictures) {
      const std::string path = std::string(ORLIN_BENCH_DATA_DIR) + "/" + picture + "_" + SizeName(width, height) + ".yv12";
      std::ifstream in(path, std::ios::binary);
      std::vector<std::uint8_t> frame{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      if (frame.size() != expected) {
        std::fprintf(stderr, "codec_bench: %s: expected %zu bytes, got %zu\n", path.c_str(), expected, frame.size());
        std::exit(1);
      }
      frames.push_back(std::move(frame));
    }
  }
  return frames;
}

double Psnr(const std::vector<std::uint8_t>& original, const std::vector<std::uint8_t>& decoded) {
  std::uint64_t squares = 0;
  const std::size_t n = std::min(original.size(), decoded.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int d = int(original[i]) - int(decoded[i]);
    squares += std::uint64_t(d * d);
  }
  if (squares == 0 || n == 0) return 99.0;
  const double mse = double(squares) / double(n);
  return 10.0 * std::log10(255.0 * 255.0 / mse);
}

std::string SizeName(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

}  // namespace orlin::bench
