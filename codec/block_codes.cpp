#include "codec/block_codes.h"

#include <bit>

namespace orlin::codec {
namespace {

Vlc FixedCoeffToken(int totalCoeff, int trailingOnes) {
  if (totalCoeff == 0) return Vlc{kFixedCoeffTokenZero, kFixedCoeffTokenBits};
  if (trailingOnes > totalCoeff) return kNoCode;
  return Vlc{std::uint16_t((totalCoeff - 1) * 4 + trailingOnes), kFixedCoeffTokenBits};
}

// Appends `length` bits of `value` to a code held as (bits << 8) | length.
std::uint64_t Append(std::uint64_t code, std::uint64_t value, int length) {
  const std::uint64_t bits = ((code >> 8) << length) | value;
  return (bits << 8) | ((code & 0xFF) + std::uint64_t(length));
}

// total_zeros, then run_before from the highest level down while zeros are
// left to place and a level lies below.
std::uint64_t ZerosAndRuns(unsigned nonzero) {
  const int count = std::popcount(nonzero);
  const int last = std::bit_width(nonzero) - 1;
  const int totalZeros = last + 1 - count;
  std::uint64_t code = 0;
  if (count < 16) {
    const Vlc zeros = kTotalZeros[count - 1][totalZeros];
    code = Append(code, zeros.value, zeros.length);
  }
  int zerosLeft = totalZeros;
  int position = last;
  unsigned below = nonzero & ~(1u << last);
  while (below != 0 && zerosLeft > 0) {
    const int next = std::bit_width(below) - 1;
    below &= ~(1u << next);
    const int run = position - next - 1;
    const Vlc runCode = kRunBefore[(zerosLeft < 7 ? zerosLeft : 7) - 1][run];
    code = Append(code, runCode.value, runCode.length);
    zerosLeft -= run;
    position = next;
  }
  return code;
}

}  // namespace

BlockCodes::BlockCodes() {
  layouts[0] = LevelLayout{0, 0, 0, 16 | 16 << 5 | 16 << 10};
  for (unsigned nonzero = 1; nonzero < (1u << 16); ++nonzero) {
    LevelLayout& layout = layouts[nonzero];
    const std::uint64_t code = ZerosAndRuns(nonzero);
    layout.zerosAndRuns = std::uint32_t(code >> 8);
    layout.zerosAndRunsLength = std::uint8_t(code & 0xFF);
    layout.count = std::uint8_t(std::popcount(nonzero));
    unsigned rest = nonzero;
    unsigned highest = 0;
    for (int i = 0; i < 3; ++i) {
      const unsigned position = rest != 0 ? unsigned(std::bit_width(rest) - 1) : 16u;
      highest |= position << (5 * i);
      if (rest != 0) rest &= ~(1u << position);
    }
    layout.highest = std::uint16_t(highest);
  }
  for (int table = 0; table < kTokenCodeTables; ++table) {
    for (int totalCoeff = 0; totalCoeff <= 16; ++totalCoeff) {
      for (int trailingOnes = 0; trailingOnes < 4; ++trailingOnes) {
        coeffToken[table][totalCoeff][trailingOnes] = table < kCoeffTokenTables
                                                          ? kCoeffToken[table][totalCoeff][trailingOnes]
                                                          : FixedCoeffToken(totalCoeff, trailingOnes);
      }
    }
    const Vlc noZeros = kTotalZeros[0][0];
    for (int i = 0; i < kLevelTableSize; ++i) {
      const int level = kLevelTableMin + i;
      std::uint64_t code = 0;
      if (level == 0) {
        const Vlc token = coeffToken[table][0][0];
        code = Append(code, token.value, token.length);
      } else if (level == 1 || level == -1) {
        const Vlc token = coeffToken[table][1][1];
        code = Append(code, token.value, token.length);
        code = Append(code, level < 0 ? 1 : 0, 1);
        code = Append(code, noZeros.value, noZeros.length);
      } else {
        const Vlc token = coeffToken[table][1][0];
        const LevelCode levelCode = LevelCodeOf(level, 0);
        code = Append(code, token.value, token.length);
        code = Append(code, levelCode.bits, levelCode.length);
        code = Append(code, noZeros.value, noZeros.length);
      }
      dcOnly[table][i] = code;
    }
  }
}

const BlockCodes& GetBlockCodes() {
  static const BlockCodes codes;
  return codes;
}

}  // namespace orlin::codec
