// Big-endian 64-bit words, the order in which the bitstream stores its bits.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace orlin::codec {

// Reverses the bytes of a word: one instruction where the compiler offers it.
inline std::uint64_t SwapBytes(std::uint64_t word) {
#if defined(__GNUC__) || defined(__clang__)
  return __builtin_bswap64(word);
#else
  std::uint64_t swapped = 0;
  for (int i = 0; i < 8; ++i) swapped |= ((word >> (8 * i)) & 0xFF) << (56 - 8 * i);
  return swapped;
#endif
}

// Stores `word` at `at`, most significant byte first.
inline void StoreBigEndian64(std::uint8_t* at, std::uint64_t word) {
  if constexpr (std::endian::native == std::endian::little) word = SwapBytes(word);
  std::memcpy(at, &word, 8);
}

// The eight bytes from `at` as a word, the first byte most significant.
inline std::uint64_t LoadBigEndian64(const std::uint8_t* at) {
  std::uint64_t word;
  std::memcpy(&word, at, 8);
  if constexpr (std::endian::native == std::endian::little) word = SwapBytes(word);
  return word;
}

}  // namespace orlin::codec
