// A camera format as the phone lists, stores and matches it.
#pragma once

#include <cstdint>
#include <cstring>

namespace orlin::phone {

// Formats kept by one detection.
inline constexpr int kMaxVideoFormats = 50;

struct VideoFormat {
  std::uint32_t FourCC = 0;  // first character in the lowest byte, as in a video subtype
  std::uint16_t Width = 0;
  std::uint16_t Height = 0;
};
static_assert(sizeof(VideoFormat) == 8, "a format is compared as 8 bytes");

// Two formats are the same when all 8 bytes are equal.
inline bool SameFormat(const VideoFormat& a, const VideoFormat& b) {
  return std::memcmp(&a, &b, sizeof(VideoFormat)) == 0;
}

}  // namespace orlin::phone
