// Fast decoding lookups derived from the code tables (cavlc_tables.h), built
// once per process. A code is found with one or two table reads instead of a
// trial of every code length.
#pragma once

#include <bit>
#include <cstdint>
#include <vector>

#include "codec/bit_reader.h"
#include "codec/cavlc_tables.h"
#include "codec/dc_only_blocks.h"

namespace orlin::codec {

// A decoded code: its length in bits (0: no code starts with these bits) and
// the quantity it stands for.
struct DecodedCode {
  std::uint8_t length;
  std::uint8_t symbol;
};

// Codes of at most 11 bits, found by indexing with the next `width` bits.
class DirectLookup {
 public:
  // Bits that begin no code find {0, noCodeSymbol}.
  void Build(const Vlc* codes, int count, std::uint8_t noCodeSymbol = 0);
  DecodedCode Find(const BitReader& reader) const { return Find(reader.Peek32()); }
  // The code that the 32-bit window (the next bits, most significant first)
  // begins with.
  DecodedCode Find(std::uint32_t window) const { return entries_[window >> (32 - width_)]; }

 private:
  int width_ = 1;
  std::vector<DecodedCode> entries_;
};

// Long codes that begin with runs of zeros (coeff_token): the number of
// leading zeros picks a small table indexed by the bits after the first 1.
class ZeroRunLookup {
 public:
  // symbols[i] is what codes[i] stands for.
  void Build(const Vlc* codes, const std::uint8_t* symbols, int count);
  DecodedCode Find(const BitReader& reader) const { return Find(reader.Peek32()); }
  DecodedCode Find(std::uint32_t window) const {
    const int zeros = std::countl_zero(window);
    if (zeros > kMaxZeros) return DecodedCode{0, 0};
    const Run& run = runs_[zeros];
    // The bits after the first 1; a 64-bit shift keeps zeros == 31 defined.
    const auto after = static_cast<std::uint32_t>((std::uint64_t{window} << (zeros + 1)) & 0xFFFFFFFFu);
    const std::uint32_t index = run.restBits == 0 ? 0 : after >> (32 - run.restBits);
    return entries_[run.first + index];
  }

 private:
  static constexpr int kMaxZeros = 16;
  struct Run {
    std::uint8_t restBits = 0;  // bits indexed after the first 1
    std::uint32_t first = 0;    // index of the run's table in entries_
  };
  Run runs_[kMaxZeros + 1];
  std::vector<DecodedCode> entries_;
};

// A level's code by its level_prefix and suffixLength: the length of the whole
// code (prefix, its 1, the suffix), what turns the code read as a number into
// the levelCode, and the levelCode from which the next level's suffixLength
// grows by one. Escapes included, so reading a level takes no branch on which
// case it falls in.
struct alignas(8) LevelPrefix {
  // The whole code read as a number, plus this, is the levelCode.
  std::int16_t levelCodeOffset;
  std::uint16_t growFrom;
  std::uint8_t length;
};

struct DecoderTables {
  DecoderTables();
  // By suffixLength (0-6) and level_prefix (0-15).
  LevelPrefix levelPrefix[7][16];
  // coeff_token for nC 0-1, 2-3 and 4-7; symbol = 4 * TotalCoeff + TrailingOnes.
  ZeroRunLookup coeffToken[kCoeffTokenTables];
  // The same for the codes of at most kShortTokenBits bits, by the next
  // kShortTokenBits bits: one read for nearly every block. Length 0 where the
  // code is longer (or none), to be found in coeffToken.
  static constexpr int kShortTokenBits = 9;
  DecodedCode shortToken[kCoeffTokenTables][1 << kShortTokenBits];
  // total_zeros by TotalCoeff - 1; run_before by min(zerosLeft, 7) - 1. Bits
  // that begin no run_before code read as run kNoRunCode, more zeros than any
  // block has left, so the check that the run fits catches them too.
  static constexpr std::uint8_t kNoRunCode = 0xFF;
  DirectLookup totalZeros[15];
  DirectLookup runBefore[7];
  // run_before by zerosLeft (0-15), pointing into runBefore; for zerosLeft 0
  // a lookup that finds only "no code" (length 0), read as run 0.
  DirectLookup noRun;
  const DirectLookup* runBeforeByZeros[16];
  // total_zeros and all the run_before codes of a block with 2 to 15 levels
  // read at once, by TotalCoeff - 2 and the next kTailBits bits: the scan
  // positions of its levels (a mask) in the low 16 bits, the length of the
  // codes above them; 0 where the codes are longer (read one by one then) or
  // the bits begin none. Most blocks of a camera picture end this way.
  static constexpr int kTailBits = 12;
  std::uint32_t tails[14][1 << kTailBits];
  DcOnlyBlocks dcOnly;

  DecoderTables(const DecoderTables&) = delete;  // runBeforeByZeros points into it
  DecoderTables& operator=(const DecoderTables&) = delete;
};

// The process's lookups, built on first use (thread-safe).
const DecoderTables& GetDecoderTables();

}  // namespace orlin::codec
