// Four-character codes: the four ASCII codes in reading order, the first in
// the lowest byte, as in the first 32 bits of a DirectShow video subtype. The
// phone names its camera's format by one, the PC its expected format.
#pragma once

#include <cstdint>
#include <string>

namespace orlin::wire {

constexpr std::uint32_t MakeFourCC(char a, char b, char c, char d) {
  return std::uint32_t(std::uint8_t(a)) | std::uint32_t(std::uint8_t(b)) << 8 |
         std::uint32_t(std::uint8_t(c)) << 16 | std::uint32_t(std::uint8_t(d)) << 24;
}

// The code as text for messages: its characters in reading order, those
// outside printable ASCII as '?', and the zero bytes that end a shorter code
// left out (0, which stands for RGB, gives "").
inline std::string FourCCText(std::uint32_t fourCC) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    const char c = char((fourCC >> (8 * i)) & 0xFF);
    if ((fourCC >> (8 * i)) == 0) break;
    text += c >= ' ' && c <= '~' ? c : '?';
  }
  return text;
}

inline constexpr std::uint32_t kFourCC_I420 = MakeFourCC('I', '4', '2', '0');
// The PC's format for compressed frames: the only one that takes them.
inline constexpr std::uint32_t kFourCC_IYUV = MakeFourCC('I', 'Y', 'U', 'V');
// The phone's format for compressed frames: the only one it codes.
inline constexpr std::uint32_t kFourCC_YV12 = MakeFourCC('Y', 'V', '1', '2');
inline constexpr std::uint32_t kFourCC_YUY2 = MakeFourCC('Y', 'U', 'Y', '2');

}  // namespace orlin::wire
