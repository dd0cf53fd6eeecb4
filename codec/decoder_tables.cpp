#include "codec/decoder_tables.h"

#include <algorithm>
#include <bit>

#include "codec/block_codes.h"

namespace orlin::codec {

void DirectLookup::Build(const Vlc* codes, int count, std::uint8_t noCodeSymbol) {
  width_ = 1;
  for (int i = 0; i < count; ++i) width_ = std::max<int>(width_, codes[i].length);
  entries_.assign(std::size_t{1} << width_, DecodedCode{0, noCodeSymbol});
  for (int i = 0; i < count; ++i) {
    const Vlc code = codes[i];
    if (code.length == 0) continue;
    const int free = width_ - code.length;
    const std::uint32_t first = std::uint32_t(code.value) << free;
    for (std::uint32_t j = 0; j < (1u << free); ++j) {
      entries_[first + j] = DecodedCode{code.length, static_cast<std::uint8_t>(i)};
    }
  }
}

void ZeroRunLookup::Build(const Vlc* codes, const std::uint8_t* symbols, int count) {
  auto zerosOf = [](Vlc code) { return code.length - std::bit_width(unsigned{code.value}); };
  for (Run& run : runs_) run = Run{};
  for (int i = 0; i < count; ++i) {
    if (codes[i].length == 0) continue;
    Run& run = runs_[zerosOf(codes[i])];
    run.restBits = std::max<std::uint8_t>(run.restBits, std::uint8_t(codes[i].length - zerosOf(codes[i]) - 1));
  }
  std::uint32_t size = 0;
  for (Run& run : runs_) {
    run.first = size;
    size += 1u << run.restBits;
  }
  entries_.assign(size, DecodedCode{0, 0});
  for (int i = 0; i < count; ++i) {
    const Vlc code = codes[i];
    if (code.length == 0) continue;
    const Run& run = runs_[zerosOf(code)];
    const int rest = code.length - zerosOf(code) - 1;
    const int free = run.restBits - rest;
    const std::uint32_t restValue = code.value & ((1u << rest) - 1);
    for (std::uint32_t j = 0; j < (1u << free); ++j) {
      entries_[run.first + (restValue << free) + j] = DecodedCode{code.length, symbols[i]};
    }
  }
}

DecoderTables::DecoderTables() {
  for (int suffixLength = 0; suffixLength < 7; ++suffixLength) {
    for (int prefix = 0; prefix < 16; ++prefix) {
      int levelCodeBase = prefix << suffixLength;
      int suffixBits = suffixLength;
      if (prefix == 15) {
        // The escape: 12 suffix bits; at suffixLength 0 it follows the 15
        // codes of prefix 14.
        suffixBits = 12;
        if (suffixLength == 0) levelCodeBase = 30;
      } else if (prefix == 14 && suffixLength == 0) {
        suffixBits = 4;  // levelCode 14 to 29
      }
      LevelPrefix& entry = levelPrefix[suffixLength][prefix];
      entry.length = std::uint8_t(prefix + 1 + suffixBits);
      // Read as a number, the code is the prefix's 1 followed by the suffix.
      entry.levelCodeOffset = std::int16_t(levelCodeBase - (1 << suffixBits));
      // A magnitude above the threshold, (levelCode >> 1) + 1 > T, is a
      // levelCode of 2T or more.
      entry.growFrom = std::uint16_t(2 * kSuffixThreshold[suffixLength]);
    }
  }
  for (int table = 0; table < kCoeffTokenTables; ++table) {
    Vlc codes[17 * 4];
    std::uint8_t symbols[17 * 4];
    for (int totalCoeff = 0; totalCoeff <= 16; ++totalCoeff) {
      for (int trailingOnes = 0; trailingOnes < 4; ++trailingOnes) {
        codes[totalCoeff * 4 + trailingOnes] = kCoeffToken[table][totalCoeff][trailingOnes];
        symbols[totalCoeff * 4 + trailingOnes] = std::uint8_t(totalCoeff * 4 + trailingOnes);
      }
    }
    coeffToken[table].Build(codes, symbols, 17 * 4);
    for (auto& entry : shortToken[table]) entry = DecodedCode{0, 0};
    for (int i = 0; i < 17 * 4; ++i) {
      const int length = codes[i].length;
      if (length == 0 || length > kShortTokenBits) continue;
      const int free = kShortTokenBits - length;
      for (int rest = 0; rest < (1 << free); ++rest) {
        shortToken[table][(codes[i].value << free) | rest] = DecodedCode{std::uint8_t(length), symbols[i]};
      }
    }
  }
  for (int i = 0; i < 15; ++i) totalZeros[i].Build(kTotalZeros[i], 16);
  for (int i = 0; i < 7; ++i) runBefore[i].Build(kRunBefore[i], 15, kNoRunCode);
  noRun.Build(nullptr, 0);
  runBeforeByZeros[0] = &noRun;
  for (int zeros = 1; zeros < 16; ++zeros) runBeforeByZeros[zeros] = &runBefore[(zeros < 7 ? zeros : 7) - 1];

  // Every arrangement of levels has one total_zeros and run_before code, the
  // encoder's; the codes of one TotalCoeff are prefix-free.
  const BlockCodes& codes = GetBlockCodes();
  for (auto& table : tails) {
    for (auto& entry : table) entry = 0;
  }
  for (unsigned positions = 1; positions < (1u << 16); ++positions) {
    const int count = std::popcount(positions);
    const LevelLayout& layout = codes.layouts[positions];
    const int length = layout.zerosAndRunsLength;
    if (count < 2 || count > 15 || length > kTailBits) continue;
    const std::uint32_t first = layout.zerosAndRuns << (kTailBits - length);
    for (std::uint32_t rest = 0; rest < (1u << (kTailBits - length)); ++rest) {
      tails[count - 2][first | rest] = positions | std::uint32_t(length) << 16;
    }
  }
}

const DecoderTables& GetDecoderTables() {
  static const DecoderTables tables;
  return tables;
}

}  // namespace orlin::codec
