// The decoder's shortcut for the commonest block of a camera picture: only a
// DC level, of magnitude 16 or more, so that its level takes the 28-bit escape.
// For a given coeff_token table such a block is always the same bit pattern
// with a 12-bit hole for the level's suffix:
//   coeff_token(TotalCoeff 1, TrailingOnes 0), 15 zeros, a 1, the suffix,
//   total_zeros 0 (TotalCoeff 1).
// One masked compare of a 64-bit window recognises it; its 16 samples are all
// equal, a function of the suffix alone, so the block needs no transform.
#pragma once

#include <cstdint>

#include "codec/block_codes.h"

namespace orlin::codec {

class DcOnlyBlocks {
 public:
  DcOnlyBlocks();

  // The pattern of one coeff_token table, left-aligned in a 64-bit window.
  struct Pattern {
    std::uint64_t bits;  // the fixed bits, the suffix bits zero
    std::uint64_t mask;  // ones over the fixed bits
    int length;          // bits of the whole block
    int suffixShift;     // the suffix is (window >> suffixShift) & 0xFFF
  };

  // True when `window` (the next 64 bits, most significant first) begins with
  // such a block for coeff_token table `table` (kTokenTableOfNc).
  bool Matches(std::uint64_t window, int table) const {
    return (window & patterns_[table].mask) == patterns_[table].bits;
  }
  const Pattern& PatternOf(int table) const { return patterns_[table]; }

  // The value of all 16 samples of the block whose level has escape suffix
  // `suffix`, exactly as the inverse transform and clip rebuild it.
  std::uint8_t Sample(std::uint32_t suffix) const { return samples_[suffix & 0xFFF]; }

 private:
  Pattern patterns_[kTokenCodeTables];
  std::uint8_t samples_[4096];
};

}  // namespace orlin::codec
