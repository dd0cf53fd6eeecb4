#include "codec/dc_only_blocks.h"

#include "codec/cavlc_tables.h"
#include "codec/level_codes.h"
#include "codec/transform.h"

namespace orlin::codec {
namespace {

// The escape at suffixLength 0: level_prefix 15 (15 zeros and a 1), then 12
// bits of levelCode - 30.
constexpr int kEscapePrefixBits = 16;
constexpr int kEscapeSuffixBits = 12;
constexpr int kEscapeLevelCodeBase = 30;

}  // namespace

DcOnlyBlocks::DcOnlyBlocks() {
  const BlockCodes& codes = GetBlockCodes();
  const Vlc noZeros = kTotalZeros[0][0];
  for (int table = 0; table < kTokenCodeTables; ++table) {
    const Vlc token = codes.coeffToken[table][1][0];
    Pattern& p = patterns_[table];
    p.length = token.length + kEscapePrefixBits + kEscapeSuffixBits + noZeros.length;
    p.suffixShift = 64 - (token.length + kEscapePrefixBits + kEscapeSuffixBits);
    const std::uint64_t fixed = (((std::uint64_t{token.value} << kEscapePrefixBits) | 1u)
                                 << (kEscapeSuffixBits + noZeros.length)) |
                                noZeros.value;
    const std::uint64_t suffixMask = std::uint64_t{0xFFF} << noZeros.length;
    const std::uint64_t whole = (std::uint64_t{1} << p.length) - 1;
    p.bits = fixed << (64 - p.length);
    p.mask = (whole & ~suffixMask) << (64 - p.length);
  }
  // Built with the plain transform itself, so the shortcut cannot drift from it.
  for (int suffix = 0; suffix < 4096; ++suffix) {
    const int levelCode = kEscapeLevelCodeBase + suffix;
    const int magnitude = (levelCode >> 1) + 1;
    const int level = levelCode & 1 ? -magnitude : magnitude;
    std::int16_t coefficients[16] = {};
    coefficients[0] = Wrap16(level * kDequantFactor[kQuantClass[0]]);
    std::uint8_t block[16];
    InverseTransform(coefficients, block, 4);
    samples_[suffix] = block[0];
  }
}

}  // namespace orlin::codec
