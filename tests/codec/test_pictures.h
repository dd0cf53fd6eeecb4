// Pictures and helpers shared by the codec tests.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "codec/codec.h"

namespace orlin::codec::test {

using Bytes = std::vector<std::uint8_t>;

// Every sample drawn at random: the worst case for the coder.
inline Bytes NoisePicture(int width, int height, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes picture(PictureBytes(width, height));
  for (auto& sample : picture) sample = static_cast<std::uint8_t>(rng());
  return picture;
}

// Smooth gradients with a little noise: what a camera sees.
inline Bytes SmoothPicture(int width, int height, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes picture(PictureBytes(width, height));
  for (std::size_t i = 0; i < picture.size(); ++i) {
    const int x = int(i % std::size_t(width > 0 ? width : 1)), y = int(i / std::size_t(width > 0 ? width : 1));
    picture[i] = static_cast<std::uint8_t>((x * 3 + y * 2 + int(rng() % 9)) & 0xFF);
  }
  return picture;
}

struct Encoded {
  int result;
  Bytes payload;
};

// Encodes with the library's codec or the reference, into an output with
// guard bytes after the capacity that must stay untouched.
template <typename Compress>
Encoded EncodeWith(Compress compress, const Bytes& picture, int width, int height, int level,
                   std::int32_t capacity) {
  constexpr std::uint8_t kGuard = 0xA5;
  Bytes out(std::size_t(capacity > 0 ? capacity : 0) + 16, kGuard);
  std::int32_t length = capacity;
  const int result = compress(picture.data(), width, height, level, out.data(), &length);
  for (std::size_t i = std::size_t(length); i < out.size(); ++i) {
    if (out[i] != kGuard) return {-100, {}};  // wrote past what it reported
  }
  out.resize(std::size_t(length));
  return {result, out};
}

// The capacity the phone's sender gives the encoder.
inline std::int32_t SenderCapacity(int width, int height) {
  return std::int32_t(std::size_t(width) * std::size_t(height) * 3 / 4) - 4;
}

double Psnr(const Bytes& a, const Bytes& b);

}  // namespace orlin::codec::test
