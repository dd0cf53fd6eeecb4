// A frame number drawn into the top of the luma plane as a row of flat 8 x 8
// blocks, one bit each (dark 0, bright 1). Flat blocks aligned to the codec's
// 4 x 4 grid keep only their DC level, which every reduction level keeps, so
// the number reads back the same from raw and from decoded frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace orlin::bench {

inline constexpr int kStampBits = 20;
inline constexpr int kStampBlock = 8;

// Needs a width of at least kStampBits x kStampBlock and 8 rows.
inline void StampFrameNumber(std::uint8_t* luma, int width, std::uint32_t number) {
  for (int bit = 0; bit < kStampBits; ++bit) {
    const std::uint8_t value = (number >> bit) & 1 ? 235 : 16;
    for (int y = 0; y < kStampBlock; ++y) {
      for (int x = 0; x < kStampBlock; ++x) luma[y * width + bit * kStampBlock + x] = value;
    }
  }
}

inline std::uint32_t ReadFrameNumber(const std::uint8_t* luma, int width) {
  std::uint32_t number = 0;
  for (int bit = 0; bit < kStampBits; ++bit) {
    const int centre = (kStampBlock / 2) * width + bit * kStampBlock + kStampBlock / 2;
    if (luma[centre] > 128) number |= 1u << bit;
  }
  return number;
}

// Raw frames of several chunks: the number also goes, as four bytes, at the
// start of every chunk, so that a sample joined from chunks of two frames is
// not taken for either.
inline void StampChunks(std::uint8_t* frame, std::size_t chunks, std::size_t chunkBytes, std::uint32_t number) {
  for (std::size_t k = 1; k < chunks; ++k) std::memcpy(frame + k * chunkBytes, &number, 4);
}

// The number of a sample whose every chunk carries it, else 0.
inline std::uint32_t ReadWholeFrameNumber(const std::uint8_t* frame, int width, std::size_t chunks,
                                          std::size_t chunkBytes) {
  const std::uint32_t number = ReadFrameNumber(frame, width);
  for (std::size_t k = 1; k < chunks; ++k) {
    std::uint32_t other = 0;
    std::memcpy(&other, frame + k * chunkBytes, 4);
    if (other != number) return 0;
  }
  return number;
}

}  // namespace orlin::bench
