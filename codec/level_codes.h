// The code of every level the encoder can meet, for each suffixLength, worked
// out at compile time from the level-code rules, with the suffixLength that
// follows it. Levels from 8-bit samples lie within -102..102, well inside the
// table; LevelCodeOf() covers any other value.
#pragma once

#include <cstdint>

#include "codec/cavlc_tables.h"

namespace orlin::codec {

struct LevelCode {
  std::uint32_t bits;
  std::uint8_t length;
  std::uint8_t nextSuffixLength;
};

inline constexpr int kSuffixLengths = 7;
inline constexpr int kLevelTableMin = -128;
inline constexpr int kLevelTableSize = 256;

// level_prefix zero bits, a 1, then the suffix; the escape carries 12 bits.
constexpr LevelCode LevelCodeOf(int level, int suffixLength) {
  const int magnitude = level < 0 ? -level : level;
  const int levelCode = 2 * (magnitude - 1) + (level < 0 ? 1 : 0);
  LevelCode code{};
  if (suffixLength == 0) {
    if (levelCode < 14) {
      code = {1u, std::uint8_t(levelCode + 1), 0};
    } else if (levelCode < 30) {
      code = {std::uint32_t(16 + levelCode - 14), 19, 0};
    } else {
      code = {std::uint32_t(4096 + levelCode - 30), 28, 0};
    }
  } else {
    const int escapeAt = 15 << suffixLength;
    if (levelCode < escapeAt) {
      const std::uint32_t suffix = std::uint32_t(levelCode) & ((1u << suffixLength) - 1);
      code = {(1u << suffixLength) | suffix, std::uint8_t((levelCode >> suffixLength) + 1 + suffixLength), 0};
    } else {
      code = {std::uint32_t(4096 + levelCode - escapeAt), 28, 0};
    }
  }
  code.nextSuffixLength = std::uint8_t(suffixLength + (magnitude > kSuffixThreshold[suffixLength] ? 1 : 0));
  return code;
}

struct LevelCodeTable {
  LevelCode codes[kSuffixLengths][kLevelTableSize];
};

consteval LevelCodeTable MakeLevelCodeTable() {
  LevelCodeTable table{};
  for (int s = 0; s < kSuffixLengths; ++s) {
    for (int i = 0; i < kLevelTableSize; ++i) {
      const int level = kLevelTableMin + i;
      table.codes[s][i] = level == 0 ? LevelCode{0, 0, std::uint8_t(s)} : LevelCodeOf(level, s);
    }
  }
  return table;
}

inline constexpr LevelCodeTable kLevelCodes = MakeLevelCodeTable();

inline LevelCode FindLevelCode(int level, int suffixLength) {
  const unsigned index = unsigned(level - kLevelTableMin);
  return index < unsigned(kLevelTableSize) ? kLevelCodes.codes[suffixLength][index] : LevelCodeOf(level, suffixLength);
}

}  // namespace orlin::codec
