// Codes the encoder writes in one piece, put together once per process from
// the code tables: coeff_token for every nC range (the fixed-length code for
// nC 8 and above included, so choosing it takes no branch), whole blocks
// that hold at most their DC level, over half the blocks of a camera picture,
// and what follows from every arrangement of nonzero levels.
#pragma once

#include <cstdint>

#include "codec/cavlc_tables.h"
#include "codec/level_codes.h"

namespace orlin::codec {

// The three coeff_token tables, then the fixed-length code.
inline constexpr int kTokenCodeTables = kCoeffTokenTables + 1;

// Which of them a block with a given nC (0 to 16) uses.
inline constexpr std::uint8_t kTokenTableOfNc[17] = {0, 0, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3, 3};

// Where the nonzero levels of a block lie, and the codes that follow from
// that alone.
struct LevelLayout {
  // total_zeros and the run_before codes that follow the levels, one after the
  // other (at most 30 bits), and their length.
  std::uint32_t zerosAndRuns;
  std::uint8_t zerosAndRunsLength;
  std::uint8_t count;  // TotalCoeff
  // Scan positions of the three highest levels, the highest in bits 0-4, the
  // next in 5-9 and 10-14; 16 (beyond every mask) for levels a block lacks.
  std::uint16_t highest;
};

struct BlockCodes {
  BlockCodes();
  // coeff_token by table, TotalCoeff (0-16) and TrailingOnes (0-3).
  Vlc coeffToken[kTokenCodeTables][17][4];
  // A block whose only nonzero level, if any, is its DC level: coeff_token,
  // the level (or a trailing one's sign) and total_zeros 0, by table and DC
  // level (index level - kLevelTableMin; level 0 is the block with no level).
  // Each entry is the code shifted left by 8 with its length in the low byte.
  std::uint64_t dcOnly[kTokenCodeTables][kLevelTableSize];
  // What the coder needs to know about where a block's nonzero levels lie, by
  // the scan-order mask of their positions (not 0). One lookup instead of
  // loops whose lengths would be as unpredictable as the picture.
  LevelLayout layouts[1 << 16];
};

// The process's codes, built on first use (thread-safe, never changed after).
const BlockCodes& GetBlockCodes();

}  // namespace orlin::codec
