#include "bench/bench_frames.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <utility>

namespace orlin::bench {

const std::vector<std::vector<std::uint8_t>>& FramesOfSize(int width, int height) {
  // Filled before the benchmarks start timing; read-only afterwards.
  static std::map<std::pair<int, int>, std::vector<std::vector<std::uint8_t>>> cache;
  auto& frames = cache[{width, height}];
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
